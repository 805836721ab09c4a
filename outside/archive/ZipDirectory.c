/* The members of a ZIP file as its central directory lists them, found by the same search
 * as the program's own directory reader: from the end, the first end record whose
 * directory offset (or that offset past a DOS program in front) holds a directory entry.
 * A comment holding an end record of its own therefore does not hide the archive. */
#define _GNU_SOURCE
#include "outside/archive/ArchiveInternal.h"
#include "outside/archive/ArchiveMemberInfo.h"
#include "outside/archive/MemberName.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { END_BYTES = 22, HEADER_BYTES = 46, SEARCH_BYTES = 22 + 65535 };

static uint16_t le16(const unsigned char* p) {
    return (uint16_t)(p[0] | (p[1] << 8));
}
static uint32_t le32(const unsigned char* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
static uint64_t le64(const unsigned char* p) {
    return (uint64_t)le32(p) | ((uint64_t)le32(p + 4) << 32);
}

static int readAt(int fd, uint64_t off, void* dst, size_t len) {
    size_t got = 0;
    while (got < len) {
        ssize_t n = pread(fd, (char*)dst + got, len - got, (off_t)(off + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        got += (size_t)n;
    }
    return 0;
}

static int isHeader(int fd, uint64_t at) {
    unsigned char sig[4];
    return readAt(fd, at, sig, 4) == 0 && le32(sig) == 0x02014b50;
}

/* The directory's first entry and how far recorded offsets are off (a DOS program image
 * in front whose size the offsets leave out). 0, or -1 when none is found. */
static int findDirectory(int fd, uint64_t size, uint64_t* dir, uint64_t* shift) {
    if (size < END_BYTES)
        return -1;
    uint64_t sfx = 0;
    unsigned char head[25];
    if (size >= 25 && readAt(fd, 0, head, 25) == 0 &&
        ((head[0] == 'M' && head[1] == 'Z') || (head[0] == 'Z' && head[1] == 'M')) &&
        head[24] < 0x40 && le16(head + 4) > 0)
        sfx = (uint64_t)(le16(head + 4) - 1) * 512 + le16(head + 2);
    const size_t window = size < SEARCH_BYTES ? (size_t)size : SEARCH_BYTES;
    unsigned char* tail = malloc(window);
    if (!tail)
        return -1;
    const uint64_t start = size - window;
    int found = -1;
    if (readAt(fd, start, tail, window) == 0) {
        for (size_t i = window - END_BYTES + 1; found != 0 && i-- > 0;) {
            if (le32(tail + i) != 0x06054b50)
                continue;
            uint64_t d = le32(tail + i + 16);
            if (d == UINT32_MAX && start + i >= 20) {
                /* ZIP64: the locator just in front names the ZIP64 end record. */
                unsigned char loc[20], rec[56];
                if (readAt(fd, start + i - 20, loc, 20) == 0 && le32(loc) == 0x07064b50) {
                    uint64_t at = le64(loc + 8);
                    if ((readAt(fd, at, rec, 56) == 0 && le32(rec) == 0x06064b50) ||
                        (sfx && readAt(fd, at + sfx, rec, 56) == 0 && le32(rec) == 0x06064b50))
                        d = le64(rec + 48);
                }
            }
            if (isHeader(fd, d)) {
                *dir = d;
                *shift = 0;
                found = 0;
            } else if (sfx && d + sfx > d && isHeader(fd, d + sfx)) {
                *dir = d + sfx;
                *shift = sfx;
                found = 0;
            }
        }
    }
    free(tail);
    return found;
}

static int kindOf(const unsigned char* h, const unsigned char* name, size_t nameLen) {
    const unsigned madeBy = le16(h + 4) >> 8;
    const uint32_t attributes = le32(h + 38);
    if (madeBy == 3 /* Unix */ && (attributes >> 16) != 0) {
        const unsigned type = (attributes >> 16) & 0170000;
        if (type == 0040000)
            return ZELMO_MEMBER_FOLDER;
        if (type != 0100000 && type != 0)
            return ZELMO_MEMBER_OTHER;
    }
    if (nameLen > 0 && (name[nameLen - 1] == '/' || name[nameLen - 1] == '\\'))
        return ZELMO_MEMBER_FOLDER;
    return (attributes & 0x10) ? ZELMO_MEMBER_FOLDER : ZELMO_MEMBER_FILE;
}

static int byOffset(const void* a, const void* b) {
    const ZelmoMember* x = a;
    const ZelmoMember* y = b;
    if (x->offset != y->offset)
        return x->offset < y->offset ? -1 : 1;
    /* Equal offsets keep the directory's order (the text grows with it). */
    return x->raw < y->raw ? -1 : x->raw > y->raw;
}

int zelmo_list_zip(const char* path, ZelmoMemberList* list, size_t max) {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    uint64_t at = 0, shift = 0;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        findDirectory(fd, (uint64_t)st.st_size, &at, &shift) != 0) {
        close(fd);
        return -1;
    }
    iconv_t cp932 = iconv_open("UTF-8", "CP932");
    unsigned char h[HEADER_BYTES];
    unsigned char* var = malloc(3 * 65536);
    char* name = malloc(4 * 65536);
    while (var && name && list->count < max && readAt(fd, at, h, HEADER_BYTES) == 0 &&
           le32(h) == 0x02014b50) {
        const size_t nameLen = le16(h + 28), extraLen = le16(h + 30), commentLen = le16(h + 32);
        if (readAt(fd, at + HEADER_BYTES, var, nameLen + extraLen) != 0)
            break;
        uint64_t original = le32(h + 24), local = le32(h + 42);
        const unsigned char* e = var + nameLen;
        for (size_t i = 0; i + 4 <= extraLen;) {
            const unsigned id = le16(e + i), len = le16(e + i + 2);
            if (i + 4 + len > extraLen)
                break;
            if (id == 0x0001) {
                /* ZIP64: the full values, each only where its field is all ones. */
                const unsigned char* v = e + i + 4;
                size_t left = len;
                if (original == UINT32_MAX && left >= 8) {
                    original = le64(v);
                    v += 8;
                    left -= 8;
                }
                if (le32(h + 20) == UINT32_MAX && left >= 8) {
                    v += 8;
                    left -= 8;
                }
                if (local == UINT32_MAX && left >= 8)
                    local = le64(v);
                break;
            }
            i += 4 + len;
        }
        /* A name in the Unicode path field is the member's name, as the listing gives it. */
        const unsigned char* unicode;
        size_t unicodeLen;
        const int hasUnicode =
            zelmo_zip_unicode_name(var, nameLen, var + nameLen, extraLen,
                                   ARCHIVE_MEMBER_NAME_SIZE - 1, &unicode, &unicodeLen);
        const unsigned char* raw = hasUnicode ? unicode : var;
        const size_t rawLen = hasUnicode ? unicodeLen : nameLen;
        const size_t n = zelmo_decode_name(cp932, raw, rawLen, name, 4 * 65536);
        if (n == (size_t)-1 ||
            zelmo_member_list_add(list, local + shift, original, kindOf(h, var, nameLen),
                                  (const char*)raw, rawLen, name, n) != 0)
            break;
        at += HEADER_BYTES + nameLen + extraLen + commentLen;
    }
    free(var);
    free(name);
    if (cp932 != (iconv_t)-1)
        iconv_close(cp932);
    close(fd);
    /* libarchive reads members in the order of their data, and a member whose data
     * another entry already named only once. */
    qsort(list->items, list->count, sizeof *list->items, byOffset);
    size_t kept = 0;
    for (size_t i = 0; i < list->count; ++i)
        if (kept == 0 || list->items[i].offset != list->items[kept - 1].offset)
            list->items[kept++] = list->items[i];
    list->count = kept;
    return 0;
}
