/* The member walk over an LZH file; see LhaWalk.h. */
#include "outside/unlha32/LhaWalk.h"

#include "outside/archive/MemberName.h"
#include "outside/unlha32/LhaData.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

/* Bytes read at a time: many small headers come from one read. */
#define LHA_WINDOW (64u * 1024u)
/* How far a program in front of the archive may reach. */
#define LHA_SFX_SCAN (256u * 1024u)

/* Makes bytes [offset, offset + len) available in the window; len is cut at the file's
 * end. Returns the bytes at hand from offset (0 on a read failure). */
static size_t fill(LhaWalk* w, uint64_t offset, size_t len) {
    if (offset >= w->size)
        return 0;
    if (len > w->size - offset)
        len = (size_t)(w->size - offset);
    if (offset >= w->bufStart && offset + len <= w->bufStart + w->bufLen)
        return (size_t)(w->bufStart + w->bufLen - offset);
    size_t want = len > LHA_WINDOW ? len : LHA_WINDOW;
    if (want > w->size - offset)
        want = (size_t)(w->size - offset);
    if (want > w->bufCap) {
        unsigned char* grown = realloc(w->buf, want);
        if (!grown)
            return 0;
        w->buf = grown;
        w->bufCap = want;
    }
    size_t got = 0;
    while (got < want) {
        ssize_t n = pread(w->fd, w->buf + got, want - got, (off_t)(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += (size_t)n;
    }
    w->bufStart = offset;
    w->bufLen = got;
    return got;
}

/* Reads the header at offset, asking for more bytes as the header needs them. */
static int headerAt(LhaWalk* w, uint64_t offset, LhaHeader* h) {
    size_t len = 256;
    for (int tries = 0; tries < 64; ++tries) {
        const size_t avail = fill(w, offset, len);
        const unsigned char* p = avail ? w->buf + (offset - w->bufStart) : w->buf;
        size_t needed = 0;
        const int rc =
            lha_parse_header(p, avail, w->size > offset ? w->size - offset : 0, h, &needed);
        if (rc != LHA_HEADER_NEED_MORE)
            return rc;
        if (needed <= avail)
            return LHA_HEADER_BROKEN; /* the file shrank under us */
        len = needed;
    }
    return LHA_HEADER_BROKEN;
}

/* The first header: at the start, or behind a program that unpacks the archive. */
static int findFirst(LhaWalk* w) {
    LhaHeader h;
    const int rc = headerAt(w, 0, &h);
    if (rc == 1 || (rc == LHA_HEADER_END && w->size > 0)) {
        w->first = 0;
        return 0;
    }
    /* Only a program ("MZ") may stand in front: anything else is no archive. */
    if (fill(w, 0, 2) < 2 || memcmp(w->buf + (0 - w->bufStart), "MZ", 2) != 0)
        return -1;
    const uint64_t limit = w->size < LHA_SFX_SCAN ? w->size : LHA_SFX_SCAN;
    for (uint64_t at = 1; at + 22 <= limit; ++at) {
        const size_t avail = fill(w, at, 22);
        if (avail < 22)
            return -1;
        if (lha_looks_like_header(w->buf + (at - w->bufStart), avail) && headerAt(w, at, &h) == 1) {
            w->first = at;
            return 0;
        }
    }
    return -1;
}

int lha_walk_open(LhaWalk* w, const char* path) {
    memset(w, 0, sizeof *w);
    w->fd = -1;
    /* A FIFO or a device named *.lzh would block the open or the reads: only a regular
     * file is opened, without waiting, and checked again on the descriptor. */
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    w->fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (w->fd < 0)
        return -1;
    if (fstat(w->fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        lha_walk_close(w);
        return -1;
    }
    w->size = (uint64_t)st.st_size;
    w->mtime = st.st_mtime;
    if (findFirst(w) != 0) {
        lha_walk_close(w);
        return -1;
    }
    w->next = w->first;
    return 0;
}

void lha_walk_close(LhaWalk* w) {
    if (w->fd >= 0)
        close(w->fd);
    free(w->buf);
    memset(w, 0, sizeof *w);
    w->fd = -1;
}

void lha_walk_rewind(LhaWalk* w) {
    w->next = w->first;
    w->damaged = 0;
}

/* The next whole header after a damaged one, searched byte by byte: 1 with *h read and
 * *at its offset, 0 when none follows. */
static int resync(LhaWalk* w, uint64_t from, LhaHeader* h, uint64_t* at) {
    for (uint64_t p = from; p + 22 <= w->size; ++p) {
        const size_t avail = fill(w, p, 22);
        if (avail < 22)
            return 0;
        if (lha_looks_like_header(w->buf + (p - w->bufStart), avail) && headerAt(w, p, h) == 1) {
            *at = p;
            return 1;
        }
    }
    return 0;
}

int lha_walk_next(LhaWalk* w, LhaHeader* h) {
    if (w->next == UINT64_MAX)
        return LHA_WALK_DAMAGED;
    uint64_t at = w->next;
    const int rc = headerAt(w, at, h);
    if (rc == LHA_HEADER_END)
        return LHA_WALK_END;
    if (rc != 1) {
        /* One damaged header never hides the members after it. */
        w->damaged++;
        w->damagedAt = at;
        if (!resync(w, at + 1, h, &at)) {
            w->next = UINT64_MAX;
            return LHA_WALK_DAMAGED;
        }
    }
    h->offset = at;
    w->next = at + h->headerLength + h->compressed;
    return LHA_WALK_MEMBER;
}

void lha_walk_seek(LhaWalk* w, uint64_t offset) {
    w->next = offset;
}

int lha_walk_name(const LhaHeader* h, char* out, size_t cap) {
    if (cap == 0)
        return -1;
    size_t used = 0;
    if (!h->wideDir && !h->wideName) {
        /* One name of stored bytes, decoded as a whole: its folder (0xFF between parts,
         * never part of a CP932 character), "/", its file name. */
        unsigned char raw[2 * LHA_RAW_NAME_MAX + 1];
        size_t len = 0;
        memcpy(raw, h->dir, h->dirLen);
        for (; len < h->dirLen; ++len)
            if (raw[len] == 0xFF)
                raw[len] = '/';
        if (len > 0 && raw[len - 1] != '/' && raw[len - 1] != '\\')
            raw[len++] = '/';
        for (size_t i = 0; i < h->nameLen; ++i)
            raw[len++] = h->name[i] == 0xFF ? '/' : h->name[i];
        used = zelmo_decode_name(raw, len, out, cap);
        if (used == (size_t)-1)
            return -1;
    } else {
        /* A wide part is UTF-16 (U+FFFF between folders); a narrow one beside it is
         * decoded on its own. */
        for (int part = 0; part < 2; ++part) {
            const unsigned char* bytes = part == 0 ? h->dir : h->name;
            const size_t len = part == 0 ? h->dirLen : h->nameLen;
            const int wide = part == 0 ? h->wideDir : h->wideName;
            if (len == 0)
                continue;
            size_t n;
            if (wide) {
                n = zelmo_decode_utf16_name(bytes, len, out + used, cap - used);
            } else {
                unsigned char raw[LHA_RAW_NAME_MAX];
                for (size_t i = 0; i < len; ++i)
                    raw[i] = bytes[i] == 0xFF ? '/' : bytes[i];
                n = zelmo_decode_name(raw, len, out + used, cap - used);
            }
            if (n == (size_t)-1)
                return -1;
            used += n;
            if (part == 0 && used > 0 && out[used - 1] != '/' && out[used - 1] != '\\') {
                if (used + 1 >= cap)
                    return -1;
                out[used++] = '/';
                out[used] = '\0';
            }
        }
    }
    for (size_t i = 0; i < used; ++i)
        if (out[i] == '\\')
            out[i] = '/';
    out[used] = '\0';
    return 0;
}

void lha_dos_time(int64_t t, uint16_t* date, uint16_t* time) {
    time_t tt = (time_t)t;
    struct tm tm;
    if (!localtime_r(&tt, &tm) || tm.tm_year < 80) {
        *date = (1 << 5) | 1; /* 1980/01/01 00:00:00 */
        *time = 0;
        return;
    }
    if (tm.tm_year > 207) {
        *date = (uint16_t)((127 << 9) | (12 << 5) | 31);
        *time = (uint16_t)((23 << 11) | (59 << 5) | 29);
        return;
    }
    *date = (uint16_t)(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    *time = (uint16_t)((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
}

int64_t lha_from_dos_time(uint16_t date, uint16_t time) {
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    tm.tm_year = (date >> 9) + 80;
    tm.tm_mon = ((date >> 5) & 15) - 1;
    tm.tm_mday = date & 31;
    tm.tm_hour = time >> 11;
    tm.tm_min = (time >> 5) & 63;
    tm.tm_sec = (time & 31) * 2;
    tm.tm_isdst = -1;
    const time_t t = mktime(&tm);
    return t == (time_t)-1 ? 0 : (int64_t)t;
}

unsigned lha_attributes(const LhaHeader* h) {
    unsigned a = h->dosAttr & 0x27; /* read-only, hidden, system, archive */
    if (h->hasUnixMode && !(h->unixMode & 0200))
        a |= 0x01;
    if (h->directory || (h->hasUnixMode && (h->unixMode & 0170000) == 0040000))
        a = (a & ~0x20u) | 0x10;
    return a;
}

void lha_attribute_text(unsigned attributes, char out[8]) {
    static const char letters[] = "RHSDA";
    static const unsigned bits[] = {0x01, 0x02, 0x04, 0x10, 0x20};
    memset(out, 0, 8);
    for (int i = 0; i < 5; ++i)
        out[i] = (attributes & bits[i]) ? letters[i] : '-';
}

int lha_walk_record(LhaWalk* w, const LhaHeader* h, ArchiveMemberInfo* info) {
    memset(info, 0, sizeof *info);
    if (lha_walk_name(h, info->fileName, sizeof info->fileName) != 0)
        return -1;
    const uint64_t original = lha_member_size(w, h);
    info->originalSize = original > UINT32_MAX ? UINT32_MAX : (uint32_t)original;
    info->compressedSize = h->compressed > UINT32_MAX ? UINT32_MAX : (uint32_t)h->compressed;
    info->crc = h->crc;
    info->osType = h->os;
    if (h->original > 0) {
        const uint64_t r =
            h->compressed >= UINT64_MAX / 1000 ? UINT16_MAX : h->compressed * 1000 / h->original;
        info->ratio = r > UINT16_MAX ? UINT16_MAX : (uint16_t)r;
    }
    /* The instant extraction gives the file, as the list shows dates. */
    lha_dos_time(lha_member_time(h), &info->date, &info->time);
    lha_attribute_text(lha_attributes(h), info->attribute);
    memcpy(info->method, h->method, 5);
    return 0;
}

int lha_list_members(const char* path, ZelmoMemberList* list, size_t max) {
    LhaWalk w;
    if (lha_walk_open(&w, path) != 0)
        return -1;
    LhaHeader h;
    char name[4 * LHA_RAW_NAME_MAX];
    for (;;) {
        if (lha_walk_next(&w, &h) != LHA_WALK_MEMBER || list->count >= max)
            break;
        if (lha_walk_name(&h, name, sizeof name) != 0)
            strcpy(name, "?");
        const size_t len = strlen(name);
        if (zelmo_member_list_add(list, h.offset, h.original, lha_member_kind(&h), name, len, name,
                                  len) != 0)
            break;
    }
    lha_walk_close(&w);
    return 0;
}

int lha_member_kind(const LhaHeader* h) {
    int kind = h->directory ? ZELMO_MEMBER_FOLDER : ZELMO_MEMBER_FILE;
    if (h->hasUnixMode && (h->unixMode & 0170000) != 0) {
        const unsigned type = h->unixMode & 0170000;
        kind = type == 0040000 ? ZELMO_MEMBER_FOLDER : type == 0100000 ? kind : ZELMO_MEMBER_OTHER;
    }
    return kind;
}

int64_t lha_member_time(const LhaHeader* h) {
    if (h->hasUnixTime)
        return h->unixTime;
    const unsigned month = (h->dosDate >> 5) & 15, day = h->dosDate & 31;
    /* A stamp without a month or a day (PMarc leaves it all zero) is no date: the first
     * one the stamps can hold. */
    if (month < 1 || month > 12 || day < 1)
        return lha_from_dos_time((1 << 5) | 1, 0);
    return lha_from_dos_time(h->dosDate, h->dosTime);
}

uint64_t lha_member_size(LhaWalk* w, const LhaHeader* h) {
    if (h->os != 'm' || h->original < LHA_MACBINARY_BYTES)
        return h->original;
    uint64_t size = h->original;
    LhaData* d = lha_data_open(w->fd, h, NULL);
    if (d) {
        lha_data_macbinary_size(d, &size);
        lha_data_close(d);
    }
    return size;
}
