/* The member walk over an LZH file; see LhaWalk.h. */
#include "outside/unlha32/LhaWalk.h"

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
    w->cp932 = (iconv_t)-1;
    w->utf16 = (iconv_t)-1;
    w->fd = open(path, O_RDONLY | O_CLOEXEC);
    if (w->fd < 0)
        return -1;
    struct stat st;
    if (fstat(w->fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        lha_walk_close(w);
        return -1;
    }
    w->size = (uint64_t)st.st_size;
    w->mtime = st.st_mtime;
    w->cp932 = iconv_open("UTF-8", "CP932");
    w->utf16 = iconv_open("UTF-8", "UTF-16LE");
    if (w->cp932 == (iconv_t)-1 || w->utf16 == (iconv_t)-1 || findFirst(w) != 0) {
        lha_walk_close(w);
        return -1;
    }
    w->next = w->first;
    return 0;
}

void lha_walk_close(LhaWalk* w) {
    if (w->fd >= 0)
        close(w->fd);
    if (w->cp932 != (iconv_t)-1)
        iconv_close(w->cp932);
    if (w->utf16 != (iconv_t)-1)
        iconv_close(w->utf16);
    free(w->buf);
    memset(w, 0, sizeof *w);
    w->fd = -1;
    w->cp932 = (iconv_t)-1;
    w->utf16 = (iconv_t)-1;
}

void lha_walk_rewind(LhaWalk* w) {
    w->next = w->first;
}

int lha_walk_next(LhaWalk* w, LhaHeader* h) {
    if (w->next == UINT64_MAX)
        return LHA_WALK_DAMAGED;
    const int rc = headerAt(w, w->next, h);
    if (rc == LHA_HEADER_END)
        return LHA_WALK_END;
    if (rc != 1) {
        w->next = UINT64_MAX;
        return LHA_WALK_DAMAGED;
    }
    w->next += h->headerLength + h->compressed;
    return LHA_WALK_MEMBER;
}

/* Converts len bytes with cd into out at *used; bytes it cannot convert become "?".
 * Returns -1 when out is full. */
static int convert(iconv_t cd, int wide, const unsigned char* in, size_t len, char* out, size_t cap,
                   size_t* used) {
    iconv(cd, NULL, NULL, NULL, NULL);
    char* src = (char*)in;
    size_t left = len;
    char* dst = out + *used;
    size_t room = cap - *used;
    while (left > 0) {
        if (iconv(cd, &src, &left, &dst, &room) != (size_t)-1)
            break;
        if (errno == E2BIG || room == 0)
            return -1;
        /* An unconvertible or cut sequence: one placeholder, skip one unit. */
        *dst++ = '?';
        --room;
        const size_t skip = wide ? 2 : 1;
        src += left < skip ? left : skip;
        left -= left < skip ? left : skip;
    }
    *used = cap - room;
    return 0;
}

int lha_walk_name(LhaWalk* w, const LhaHeader* h, char* out, size_t cap) {
    if (cap == 0)
        return -1;
    unsigned char raw[LHA_RAW_NAME_MAX];
    size_t used = 0;
    const size_t room = cap - 1;
    for (int part = 0; part < 2; ++part) {
        const unsigned char* bytes = part == 0 ? h->dir : h->name;
        const size_t len = part == 0 ? h->dirLen : h->nameLen;
        const int wide = part == 0 ? h->wideDir : h->wideName;
        if (len == 0)
            continue;
        memcpy(raw, bytes, len);
        if (!wide) /* 0xFF separates folders; it is never part of a CP932 character */
            for (size_t i = 0; i < len; ++i)
                if (raw[i] == 0xFF)
                    raw[i] = '/';
        if (convert(wide ? w->utf16 : w->cp932, wide, raw, len, out, room, &used) != 0)
            return -1;
        if (part == 0 && used > 0 && out[used - 1] != '/' && out[used - 1] != '\\') {
            if (used >= room)
                return -1;
            out[used++] = '/';
        }
    }
    for (size_t i = 0; i < used; ++i) {
        if (out[i] == '\\')
            out[i] = '/';
        else if (out[i] == '\0')
            out[i] = '?'; /* a NUL in a stored name would cut it short */
    }
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
    if (lha_walk_name(w, h, info->fileName, sizeof info->fileName) != 0)
        return -1;
    info->originalSize = h->original > UINT32_MAX ? UINT32_MAX : (uint32_t)h->original;
    info->compressedSize = h->compressed > UINT32_MAX ? UINT32_MAX : (uint32_t)h->compressed;
    info->crc = h->crc;
    info->osType = h->os;
    if (h->original > 0) {
        const uint64_t r =
            h->compressed >= UINT64_MAX / 1000 ? UINT16_MAX : h->compressed * 1000 / h->original;
        info->ratio = r > UINT16_MAX ? UINT16_MAX : (uint16_t)r;
    }
    if (h->hasDosTime) {
        info->date = h->dosDate;
        info->time = h->dosTime;
    } else {
        lha_dos_time(h->unixTime, &info->date, &info->time);
    }
    lha_attribute_text(lha_attributes(h), info->attribute);
    memcpy(info->method, h->method, 5);
    return 0;
}
