/* Extracting a whole archive into a folder, written so that no member can reach outside it:
 * the destination is opened once, every folder below it is entered by a descriptor without
 * following links, and files land under a temporary name first. */
#define _GNU_SOURCE
#include "base/CodePage.h"
#include "base/TempFile.h"
#include "outside/archive/ArchiveExtract.h"
#include "outside/archive/ArchiveInternal.h"
#include "outside/archive/LzhMembers.h"

#include <archive.h>
#include <archive_entry.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { MAX_DEPTH = 128, CHUNK = 65536 };
/* Below this many bytes the ratio cap does not apply: a tiny archive of a small text file
 * may well expand a hundredfold. */
static const uint64_t RATIO_FLOOR = 1u << 20;

ZelmoExtractLimits zelmo_extract_default_limits(void) {
    /* 4 GiB, a million files and two million entries (files and folders) hold any archive
     * a person drops by hand. Deflate and the LZH methods expand at most about 1 000 to 1
     * (a file of zeros), so 2 000 to 1 keeps every honest archive and stops overlapping
     * entries, whose ratios run to tens of thousands, long before they fill a disk. */
    ZelmoExtractLimits limits = {UINT64_C(4) << 30, 1000000, 2000, 2000000};
    return limits;
}

typedef struct Extraction {
    int root;
    int flat;
    ZelmoExtractLimits limits;
    uint64_t archiveSize;
    uint64_t totalWritten; /* what the caps count, removed members included */
    uint64_t keptBytes;    /* what the report tells: the bytes left on disk */
    uint64_t members;      /* entries read: files, folders and refused ones */
    uint64_t files;
    uint64_t extracted;
    uint64_t refused;
    int capHit;
    int diskFull;
    ZelmoLzhMembers* lzh; /* an LZH archive's members: the data comes from there */
    char name[16384];
    unsigned serial;
    unsigned char* chunk;
    char* report;
    size_t reportSize;
    size_t reportLength;
} Extraction;

static void note(Extraction* x, const char* format, ...) {
    if (!x->report || x->reportSize == 0 || x->reportLength + 1 >= x->reportSize)
        return;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(x->report + x->reportLength, x->reportSize - x->reportLength, format, args);
    va_end(args);
    if (n > 0)
        x->reportLength += (size_t)n;
    if (x->reportLength >= x->reportSize)
        x->reportLength = x->reportSize - 1;
}

/* Each member left out is named (as far as the report has room). */
static void refuse(Extraction* x, const char* name, const char* why) {
    x->refused++;
    note(x, "refused \"%s\": %s\n", name, why);
}

/* Byte budget left before a cap: the total cap, and the ratio cap over the archive size. */
static uint64_t budget(const Extraction* x) {
    uint64_t cap = x->limits.maxTotalBytes;
    uint64_t ratioCap = RATIO_FLOOR;
    if (x->limits.maxRatio > 0 && x->archiveSize <= UINT64_MAX / x->limits.maxRatio &&
        x->archiveSize * x->limits.maxRatio > ratioCap)
        ratioCap = x->archiveSize * x->limits.maxRatio;
    if (ratioCap < cap)
        cap = ratioCap;
    return cap > x->totalWritten ? cap - x->totalWritten : 0;
}

/* Splits name into its folder parts at "/" and "\" (names are UTF-8 by now, where a
 * backslash byte is always a backslash). Empty and "." parts vanish, so a leading
 * separator (folders stored from the root, as some archivers do) leads below the
 * destination. NULL reason: parts (pointing into buffer) and count filled. When flat, only
 * the last part is used, so ".." cannot lead anywhere: it is dropped like the folders. */
static const char* splitName(const char* name, int flat, char* buffer, char** parts, int* count) {
    if (!flat && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z') && name[1] == ':')
        return "drive path";
    strcpy(buffer, name);
    *count = 0;
    char* p = buffer;
    while (*p) {
        char* start = p;
        while (*p && *p != '/' && *p != '\\')
            ++p;
        if (*p)
            *p++ = '\0';
        if (start[0] == '\0' || strcmp(start, ".") == 0)
            continue;
        if (strcmp(start, "..") == 0) {
            if (flat)
                continue;
            return "\"..\" in the path";
        }
        if (*count >= MAX_DEPTH)
            return "too deep";
        parts[(*count)++] = start;
    }
    return NULL;
}

/* Enters (creating when missing) the folder part below dir without following a link.
 * Returns the new descriptor or -1. */
static int enterFolder(int dir, const char* part) {
    if (mkdirat(dir, part, 0755) != 0 && errno != EEXIST)
        return -1;
    return openat(dir, part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

/* Walks the folder parts, returning the descriptor of the last one (the root itself for
 * none; closing it is the caller's only when it differs from the root). */
static int enterFolders(Extraction* x, char** parts, int count) {
    int dir = x->root;
    for (int i = 0; i < count; ++i) {
        int next = enterFolder(dir, parts[i]);
        const int err = errno;
        if (dir != x->root)
            close(dir);
        if (next < 0) {
            errno = err;
            return -1;
        }
        dir = next;
    }
    return dir;
}

/* An existing file is never overwritten: the new one is kept beside it as "name (2).ext",
 * "name (3).ext" ... The file gets its name only when whole, and taking a name never
 * replaces what stands there, so a file made meanwhile is kept too. 0 or an errno value. */
static int placeFile(ZelmoTempFile* t, const char* name) {
    size_t len = strlen(name);
    const char* dot = strrchr(name, '.');
    if (!dot || dot == name)
        dot = name + len;
    char* candidate = malloc(len + 16);
    if (!candidate)
        return ENOMEM;
    strcpy(candidate, name);
    int err = EEXIST;
    for (int n = 2; n < 10000 && err == EEXIST; ++n) {
        err = zelmo_temp_publish(t, candidate);
        snprintf(candidate, len + 16, "%.*s (%d)%s", (int)(dot - name), name, n, dot);
    }
    free(candidate);
    return err;
}

/* Why a member could not be written: an errno value, or DAMAGED for data the reader
 * refused (a CRC or method error). */
enum { DAMAGED = -1 };

/* The reason the report gives for a member that failed with err. */
static const char* failureText(int err) {
    switch (err) {
    case DAMAGED:
        return "damaged data";
    case ENOSPC:
    case EDQUOT:
        return "the disk is full";
    case EFBIG:
        return "too large for this file system or limit";
    case ENAMETOOLONG:
        return "name too long for this file system";
    case EACCES:
    case EPERM:
        return "no permission";
    case EROFS:
        return "read-only file system";
    case EIO:
        return "input/output error";
    default:
        return "cannot be written";
    }
}

static int isDiskFull(int err) {
    return err == ENOSPC || err == EDQUOT;
}

/* Copies the member's data into fd, within the byte budget. 0 written, 1 cap hit, -1 read
 * or write failure (*err: why). */
static int copyData(Extraction* x, struct archive* a, int fd, int* err) {
    unsigned char* chunk = x->chunk;
    for (;;) {
        la_ssize_t n =
            x->lzh ? zelmo_lzh_read(x->lzh, chunk, CHUNK) : archive_read_data(a, chunk, CHUNK);
        if (n < 0) {
            *err = DAMAGED;
            return -1;
        }
        if (n == 0)
            return 0;
        if ((uint64_t)n > budget(x))
            return 1;
        *err = zelmo_write_all(fd, chunk, (size_t)n);
        if (*err)
            return -1;
        x->totalWritten += (uint64_t)n;
    }
}

/* Writes one regular file into dir under name: a new file of the folder's own (unnamed where
 * the file system allows), named only when whole. 0 done, 1 cap hit, -1 failure (*err:
 * why; the file is gone). */
static int writeFile(Extraction* x, struct archive* a, struct archive_entry* entry, int dir,
                     const char* name, int* err) {
    /* A killed extraction before this one may have left temporaries: ours whose writer is
     * gone are cleared, once per extraction. */
    if (x->serial++ == 0)
        zelmo_remove_stale_temps(x->root);
    /* The member's permission bits, at least readable and writable by the owner, never
     * set-id; the umask applies as to any new file. */
    mode_t perm = archive_entry_perm(entry) & 0777;
    perm = perm ? perm | 0600 : 0644;
    /* A name this file system cannot hold is known before any byte is written. */
    const long nameMax = fpathconf(dir, _PC_NAME_MAX);
    if (nameMax > 0 && strlen(name) > (size_t)nameMax) {
        *err = ENAMETOOLONG;
        return -1;
    }
    ZelmoTempFile t;
    if ((*err = zelmo_temp_create(dir, 1, perm, &t)) != 0)
        return -1;
    uint64_t before = x->totalWritten;
    int r = copyData(x, a, t.fd, err);
    if (r == 0 && archive_entry_mtime_is_set(entry)) {
        struct timespec times[2] = {{0, UTIME_OMIT}, {0, 0}};
        times[1].tv_sec = archive_entry_mtime(entry);
        times[1].tv_nsec = archive_entry_mtime_nsec(entry);
        futimens(t.fd, times);
    }
    if (r == 0 && (*err = placeFile(&t, name)) != 0)
        r = -1;
    const int closeErr = zelmo_temp_close(&t);
    if (closeErr && r == 0) {
        *err = closeErr; /* a late write error: the name stands, but the report says it failed */
        r = -1;
    }
    if (r == 0)
        x->keptBytes += x->totalWritten - before;
    return r;
}

/* A member that could not be written: reported with its reason; a full disk stops the
 * extraction (1), anything else lets the others go on (0). */
static int failed(Extraction* x, const char* name, int err, const char* folderText) {
    if (isDiskFull(err)) {
        refuse(x, name, failureText(err));
        x->diskFull = 1;
        return 1;
    }
    refuse(x, name, folderText && err != ENAMETOOLONG ? folderText : failureText(err));
    return 0;
}

/* One member. Returns 0 to go on, 1 when a cap or a full disk stops the extraction. */
static int extractEntry(Extraction* x, struct archive* a, struct archive_entry* entry,
                        const char* name) {
    mode_t type = archive_entry_filetype(entry);
    if (archive_entry_hardlink(entry) || (type != AE_IFREG && type != AE_IFDIR)) {
        refuse(x, name, "not a plain file or folder");
        return 0;
    }
    char* buffer = malloc(strlen(name) + 1);
    char** parts = malloc(sizeof(char*) * MAX_DEPTH);
    int count = 0, result = 0;
    const char* why =
        buffer && parts ? splitName(name, x->flat, buffer, parts, &count) : "no memory";
    if (why) {
        refuse(x, name, why);
    } else if (type == AE_IFDIR) {
        int dir = x->flat ? x->root : enterFolders(x, parts, count);
        if (dir < 0)
            result = failed(x, name, errno, "cannot make the folder");
        else if (dir != x->root)
            close(dir);
        if (dir >= 0)
            x->extracted++;
    } else if (count == 0) {
        refuse(x, name, "no file name");
    } else if (archive_entry_size_is_set(entry) &&
               (uint64_t)archive_entry_size(entry) > budget(x)) {
        /* The declared size alone breaks a cap: nothing of it is written. */
        note(x, "stopped at \"%s\": its size passes the byte cap\n", name);
        result = 1;
    } else {
        int dir = x->flat ? x->root : enterFolders(x, parts, count - 1);
        int err = dir < 0 ? errno : 0;
        int r = dir < 0 ? -1 : writeFile(x, a, entry, dir, parts[count - 1], &err);
        if (dir >= 0 && dir != x->root)
            close(dir);
        if (r == 1) {
            note(x, "stopped at \"%s\": the byte cap was reached\n", name);
            result = 1;
        } else if (r < 0 && err == DAMAGED && x->lzh && x->lzh->why) {
            refuse(x, name, x->lzh->why); /* the decoder's reason: its CRC, data cut short */
        } else if (r < 0) {
            result = failed(x, name, err, dir < 0 ? "cannot make its folder" : NULL);
        } else {
            x->extracted++;
        }
    }
    free(buffer);
    free(parts);
    return result;
}

/* libarchive turns each "\" of a name without the UTF-8 mark into "/", the second byte of
 * a CP932 character too ("表" is 0x95 0x5C). A "/" after a CP932 lead byte was one: it is
 * put back, so the character decodes. */
static void restoreTrailBytes(char* bytes) {
    for (unsigned char* p = (unsigned char*)bytes; *p; ++p) {
        if (zelmo_cp_lead_byte(932, *p) && p[1]) {
            ++p;
            if (*p == '/')
                *p = '\\';
        }
    }
}

/* The name of a member our own list does not know: libarchive's stored bytes, decoded
 * as every name is. A name libarchive converted itself (UTF-16, the UTF-8 flag) stays. */
static const char* fallbackName(Extraction* x, struct archive_entry* entry) {
    const char* name = zelmo_entry_name(entry);
    char bytes[4096];
    if (!zelmo_stored_name(name, bytes, sizeof bytes))
        return name;
    if (!zelmo_valid_utf8((const unsigned char*)bytes, strlen(bytes)))
        restoreTrailBytes(bytes);
    const size_t n =
        zelmo_decode_name((const unsigned char*)bytes, strlen(bytes), x->name, sizeof x->name);
    return n == (size_t)-1 ? name : x->name;
}

static int openRoot(const char* destination) {
    /* The folder the user chose, followed when it is a link (a linked folder in the tree is
     * still the user's choice); everything below it is made relative to this descriptor
     * without following links. */
    return open(destination, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

/* The caps on entries and files; 1 when one stops the extraction. */
static int countEntry(Extraction* x, int file) {
    const uint64_t maxEntries =
        x->limits.maxEntries ? x->limits.maxEntries : 2 * x->limits.maxMembers;
    if (++x->members > maxEntries) {
        note(x, "stopped: more than %llu entries\n", (unsigned long long)maxEntries);
        return 1;
    }
    if (file && ++x->files > x->limits.maxMembers) {
        note(x, "stopped: more than %llu files\n", (unsigned long long)x->limits.maxMembers);
        return 1;
    }
    return 0;
}

/* How an extraction ended, once its members are done: a full disk first (the rest were
   not tried), then the member cap, then members refused along the way. */
static int verdict(Extraction* x, int result) {
    if (x->diskFull) {
        note(x, "stopped: the disk is full\n");
        return ZELMO_EXTRACT_DISK_FULL;
    }
    if (x->capHit)
        return ZELMO_EXTRACT_CAP;
    if (result == 0 && x->refused > 0)
        result = ZELMO_EXTRACT_REFUSED;
    return result;
}

/* Every member of an LZH archive, by our own walk with lhasa's decoders. A damaged header is
 * reported and the walk goes on at the next whole one. */
static int runLzhExtraction(Extraction* x, const char* path) {
    ZelmoLzhMembers* m = malloc(sizeof *m);
    if (!m || zelmo_lzh_open(m, path) != 0) {
        free(m);
        note(x, "cannot open the archive\n");
        return ZELMO_EXTRACT_BAD_ARCHIVE;
    }
    x->lzh = m;
    x->archiveSize = m->walk.size;
    int result = 0;
    uint64_t seen = 0;
    for (;; ++seen) {
        uint64_t damaged;
        const int r = zelmo_lzh_next(m, &damaged);
        if (damaged != UINT64_MAX) {
            note(x, "damaged header at byte %llu skipped\n", (unsigned long long)damaged);
            x->refused++;
        }
        if (r <= 0)
            break;
        if (countEntry(x, m->kind == ZELMO_MEMBER_FILE)) {
            x->capHit = 1;
            break;
        }
        if (m->kind == ZELMO_MEMBER_OTHER)
            refuse(x, m->name, "not a plain file or folder");
        else if (m->why)
            refuse(x, m->name, m->why);
        else if (extractEntry(x, NULL, m->entry, m->name) != 0) {
            x->capHit = 1;
            break;
        }
    }
    zelmo_lzh_close(m);
    free(m);
    x->lzh = NULL;
    if (seen == 0 && x->refused == 0 && !x->diskFull) {
        /* Nothing but an end mark (or zeros): no archive to extract. */
        note(x, "cannot open the archive\n");
        return ZELMO_EXTRACT_BAD_ARCHIVE;
    }
    return verdict(x, result);
}

/* Where the header a streaming ZIP reader returned begins: the last listed member from at
 * (where it began to look) on that lies before end (where the header ended) and begins with
 * a local header's signature; UINT64_MAX when none does (a header our list does not know). */
static uint64_t headerFound(int fd, const ZelmoMemberList* list, size_t next, uint64_t at,
                            uint64_t end) {
    uint64_t found = UINT64_MAX;
    for (size_t i = next; i < list->count && list->items[i].offset < end; ++i) {
        unsigned char signature[4];
        if (list->items[i].offset >= at &&
            pread(fd, signature, 4, (off_t)list->items[i].offset) == 4 &&
            memcmp(signature, "PK\3\4", 4) == 0)
            found = list->items[i].offset;
    }
    return found;
}

/* Every member, read by libarchive and named by our own list. A member libarchive cannot
 * read is reported and skipped: the reader starts again at the next member of the list
 * (for a ZIP from its local header on), so one bad member never costs the others. */
static int runExtraction(Extraction* x, const char* path, enum ZelmoArchiveKind kind) {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) {
        note(x, "cannot open the archive\n");
        return ZELMO_EXTRACT_BAD_ARCHIVE;
    }
    if (kind == ZELMO_ARCHIVE_LZH)
        return runLzhExtraction(x, path);
    x->archiveSize = (uint64_t)st.st_size;
    ZelmoMemberList list;
    memset(&list, 0, sizeof list);
    const uint64_t maxEntries =
        x->limits.maxEntries ? x->limits.maxEntries : 2 * x->limits.maxMembers;
    const int listed =
        zelmo_list_members(path, kind, &list, (size_t)maxEntries + 1) == 0 && list.count > 0;
    const int zip = kind == ZELMO_ARCHIVE_ZIP;
    uint64_t base = listed && !zip ? list.items[0].offset : 0;
    int streaming = 0, unpaired = 0;
    size_t next = 0;                 /* the list's member expected next */
    size_t restartedAt = (size_t)-1; /* the member a fresh reader began at */
    struct archive* a = zelmo_archive_open_at(path, kind, base, 0);
    if (!a && !listed) {
        note(x, "cannot open the archive\n");
        return ZELMO_EXTRACT_BAD_ARCHIVE;
    }
    const int fd = zip && listed ? open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY) : -1;
    int result = 0;
    struct archive_entry* entry;
    for (;;) {
        const int r = a ? archive_read_next_header(a, &entry) : ARCHIVE_FATAL;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            if (!listed || unpaired || next >= list.count) {
                if (r != ARCHIVE_EOF) {
                    /* libarchive sets no text when the file ends where it needs more. */
                    const char* why = a ? archive_error_string(a) : NULL;
                    note(x, "the archive is damaged: %s\n", why ? why : "truncated");
                    result = ZELMO_EXTRACT_BAD_ARCHIVE;
                } else if (zip && !listed && x->members > 0) {
                    /* The streaming reader ends at the first directory header as if the
                     * archive were whole; with no end record leading to a directory, the
                     * archive was cut inside it (or its directory is damaged). */
                    note(x, "the archive is damaged: its central directory is cut short\n");
                    result = ZELMO_EXTRACT_BAD_ARCHIVE;
                }
                break;
            }
            if (restartedAt == next) {
                /* A fresh reader failed at once: this member cannot be read. */
                if (countEntry(x, list.items[next].kind == ZELMO_MEMBER_FILE)) {
                    x->capHit = 1;
                    break;
                }
                refuse(x, zelmo_member_name(&list, next), "damaged or cannot be read");
                if (++next >= list.count)
                    break;
            }
            if (a)
                archive_read_free(a);
            base = list.items[next].offset;
            streaming = zip;
            restartedAt = next;
            a = zelmo_archive_open_at(path, kind, base, streaming);
            continue;
        }
        restartedAt = (size_t)-1;
        const char* name = NULL;
        int memberKind = ZELMO_MEMBER_FILE;
        if (listed && !unpaired) {
            if (!zip || streaming) {
                uint64_t at = base + (uint64_t)archive_read_header_position(a);
                /* A streaming ZIP reader looks for the next signature from there on: the
                 * header it returns may stand past listed members it passed. */
                const uint64_t end = base + (uint64_t)archive_filter_bytes(a, 0);
                uint64_t passed = at;
                if (zip && fd >= 0) {
                    at = headerFound(fd, &list, next, at, end);
                    passed = at == UINT64_MAX ? end : at;
                }
                for (; next < list.count && list.items[next].offset < passed; ++next) {
                    if (countEntry(x, list.items[next].kind == ZELMO_MEMBER_FILE)) {
                        x->capHit = 1;
                        break;
                    }
                    refuse(x, zelmo_member_name(&list, next), "damaged or cannot be read");
                }
                if (x->capHit)
                    break;
                if (next < list.count && list.items[next].offset == at)
                    name = zelmo_member_name(&list, next);
            } else if (next < list.count &&
                       (!archive_entry_size_is_set(entry) ||
                        (uint64_t)archive_entry_size(entry) == list.items[next].size)) {
                name = zelmo_member_name(&list, next);
            } else {
                unpaired = 1; /* libarchive counts otherwise: its own names from here */
            }
            if (name)
                memberKind = list.items[next++].kind;
        }
        if (!name) {
            name = fallbackName(x, entry);
            memberKind =
                archive_entry_filetype(entry) == AE_IFDIR ? ZELMO_MEMBER_FOLDER : ZELMO_MEMBER_FILE;
        }
        if (countEntry(x, memberKind == ZELMO_MEMBER_FILE)) {
            x->capHit = 1;
            break;
        }
        if (memberKind == ZELMO_MEMBER_OTHER) {
            refuse(x, name, "not a plain file or folder");
            continue;
        }
        if (extractEntry(x, a, entry, name) != 0) {
            x->capHit = 1;
            break;
        }
    }
    if (a)
        archive_read_free(a);
    if (fd >= 0)
        close(fd);
    zelmo_member_list_free(&list);
    return verdict(x, result);
}

int zelmo_extract_all(const char* path, enum ZelmoArchiveKind kind, const char* destination,
                      int flat, const ZelmoExtractLimits* limits, char* report, size_t reportSize) {
    Extraction x;
    memset(&x, 0, sizeof x);
    x.flat = flat;
    x.limits = limits ? *limits : zelmo_extract_default_limits();
    x.report = report;
    x.reportSize = reportSize;
    if (report && reportSize > 0)
        report[0] = '\0';
    if (!path || !destination || !destination[0])
        return ZELMO_EXTRACT_BAD_ARGUMENT;
    x.root = openRoot(destination);
    if (x.root < 0) {
        note(&x, "cannot open the destination folder\n");
        return ZELMO_EXTRACT_BAD_FOLDER;
    }
    x.chunk = malloc(CHUNK);
    if (!x.chunk) {
        close(x.root);
        return ZELMO_EXTRACT_BAD_ARGUMENT;
    }
    void* previous = zelmo_utf8_locale_enter();
    /* An over-limit write must fail with EFBIG, not kill the caller; the handler is ours
     * only for the length of the call. */
    zelmo_file_size_signal_enter();
    int result = runExtraction(&x, path, kind);
    zelmo_file_size_signal_leave();
    zelmo_utf8_locale_leave(previous);
    close(x.root);
    free(x.chunk);
    note(&x, "%llu extracted, %llu refused, %llu bytes\n", (unsigned long long)x.extracted,
         (unsigned long long)x.refused, (unsigned long long)x.keptBytes);
    return result;
}
