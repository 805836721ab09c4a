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

enum ZelmoArchiveKind { ZELMO_ARCHIVE_LZH = 1, ZELMO_ARCHIVE_ZIP = 2 };

/* A reader for the archive at path, only the reader of that kind registered; LZH names
 * decoded from CP932, ZIP names by their UTF-8 flag, else from CP932. NULL on failure.
 * Free it with archive_read_free. */
struct archive* zelmo_archive_open(const char* path, enum ZelmoArchiveKind kind);

/* The caps of an extraction: total bytes written, members, and the ratio of bytes written
 * to the archive's size. */
typedef struct ZelmoExtractLimits {
    uint64_t maxTotalBytes;
    uint64_t maxMembers;
    uint64_t maxRatio;
} ZelmoExtractLimits;
ZelmoExtractLimits zelmo_extract_default_limits(void);

/* Extracts every member into the folder destination: only regular files and folders, no
 * absolute paths, no "..", "\" taken as a separator, no links or devices, nothing written
 * outside the destination. flat != 0 drops the members' folder parts. Returns 0 when
 * everything was extracted, else an error code; a short report in report (NUL-terminated
 * when reportSize > 0). limits NULL: the defaults. */
int zelmo_extract_all(const char* path, enum ZelmoArchiveKind kind, const char* destination,
                      int flat, const ZelmoExtractLimits* limits, char* report,
                      size_t reportSize);

/* Extracts the member named member (UTF-8, as the member walk gives it) into buffer,
 * never past size bytes; written receives the count, mtime the member's time (seconds
 * since 1970, may be NULL), attributes its MS-DOS attributes (may be NULL). 0 when the
 * member was found and read (a member larger than size is cut to size), else an error
 * code. */
int zelmo_extract_member(const char* path, enum ZelmoArchiveKind kind, const char* member,
                         unsigned char* buffer, uint32_t size, uint32_t* written,
                         int64_t* mtime, uint16_t* attributes);

#ifdef __cplusplus
}
#endif

#endif
