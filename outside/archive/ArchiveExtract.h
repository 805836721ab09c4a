/* What both archive libraries share, on libarchive with only its LHA and ZIP readers:
 * opening an archive with the right name decoding, extracting all members safely into a
 * folder, and extracting one member into the caller's memory. */
#ifndef ZELMO_ARCHIVE_EXTRACT_H
#define ZELMO_ARCHIVE_EXTRACT_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct archive;
struct archive_entry;

enum ZelmoArchiveKind { ZELMO_ARCHIVE_LZH = 1, ZELMO_ARCHIVE_ZIP = 2 };

/* A reader for the archive at path, only the reader of that kind registered; LZH names
 * decoded from CP932, ZIP names by their UTF-8 flag, else from CP932. NULL on failure.
 * Free it with archive_read_free. */
struct archive* zelmo_archive_open(const char* path, enum ZelmoArchiveKind kind);

/* The same from size bytes in memory (which must outlive the reader). */
struct archive* zelmo_archive_open_memory(const void* data, size_t size,
                                          enum ZelmoArchiveKind kind);

/* libarchive converts names through the thread's locale: every call on a reader (opening,
 * reading headers, freeing) runs between enter and leave on one thread, so names come out
 * in UTF-8 whatever the process locale. enter returns what leave takes. */
void* zelmo_utf8_locale_enter(void);
void zelmo_utf8_locale_leave(void* previous);
/* The entry's name in UTF-8 (the reader's converted name; valid until the next header). */
const char* zelmo_entry_name(struct archive_entry* entry);

/* The caps of an extraction: total bytes written, files, the ratio of bytes written to
 * the archive's size, and entries of every kind (0: twice the files). */
typedef struct ZelmoExtractLimits {
    uint64_t maxTotalBytes;
    uint64_t maxMembers;
    uint64_t maxRatio;
    uint64_t maxEntries;
} ZelmoExtractLimits;
ZelmoExtractLimits zelmo_extract_default_limits(void);

/* The results of zelmo_extract_all and zelmo_extract_member (0: success). */
enum {
    ZELMO_EXTRACT_REFUSED = 1,     /* some members were refused or failed; the rest written */
    ZELMO_EXTRACT_CAP = 2,         /* a cap stopped the extraction */
    ZELMO_EXTRACT_BAD_ARCHIVE = 3, /* cannot open or read the archive */
    ZELMO_EXTRACT_BAD_FOLDER = 4,  /* the destination cannot be opened as a folder */
    ZELMO_EXTRACT_NOT_FOUND = 5,   /* no member of that name */
    ZELMO_EXTRACT_BAD_ARGUMENT = 6,
    ZELMO_EXTRACT_DISK_FULL = 7 /* the disk (or the user's quota) filled: the rest not tried */
};

/* Extracts every member into the folder destination, each named by the libraries' own
 * reading of the archive (names decoded one by one, never refused for their bytes); a
 * member that cannot be read is reported and skipped. Only regular files and folders, no
 * absolute paths, no "..", "\" taken as a separator, no links or devices, nothing written
 * outside the destination (itself opened without following a link; trailing "/" ignored,
 * a "\" there is part of its name: a command's trailing "\" is the library's to strip).
 * An existing file is kept: the new one goes beside it as "name (2).ext", "name (3).ext".
 * flat != 0 drops the members' folder parts. Returns 0 when everything was extracted,
 * else an error code; a short report in report (NUL-terminated when reportSize > 0),
 * where each member left out is named with its reason: the disk is full (the member is
 * removed and the extraction stops there), too large for this file system or limit, name
 * too long for this file system, no permission, damaged data, not a plain file or folder;
 * the others go on.
 * limits NULL: the defaults. */
int zelmo_extract_all(const char* path, enum ZelmoArchiveKind kind, const char* destination,
                      int flat, const ZelmoExtractLimits* limits, char* report, size_t reportSize);

/* Extracts the member named member into buffer, never past size bytes; written receives
 * the count, mtime the member's time (seconds since 1970, may be NULL), attributes its
 * MS-DOS attributes (may be NULL). 0 when the member was found and read (a member larger
 * than size is cut to size), else an error code. The member is looked up by the name the
 * member walk gives (the LZH walk's decoded name, a ZIP entry's stored bytes), then by
 * the name extraction writes; "/" and "\" match each other. */
int zelmo_extract_member(const char* path, enum ZelmoArchiveKind kind, const char* member,
                         unsigned char* buffer, uint32_t size, uint32_t* written, int64_t* mtime,
                         uint16_t* attributes);
/* The same on an open reader (positioned before its first header), for readers in memory. */
int zelmo_read_member(struct archive* reader, const char* member, unsigned char* buffer,
                      uint32_t size, uint32_t* written, int64_t* mtime, uint16_t* attributes);

#ifdef __cplusplus
}
#endif

#endif
