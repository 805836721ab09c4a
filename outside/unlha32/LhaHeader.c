/* The LZH member headers of levels 0 to 3; see LhaHeader.h. */
#include "outside/unlha32/LhaHeader.h"
#include "base/ByteOrder.h"

#include <string.h>

/* No real header is this long; a longer chain of extensions counts as damage. */
#define LHA_HEADER_MAX (1u << 20)

/* Windows file time (100 ns since 1601) to seconds since 1970. */
static int64_t fromFileTime(uint64_t ft) {
    return (int64_t)(ft / 10000000u) - INT64_C(11644473600);
}

/* Asks for len bytes: 0 when they are at hand, else the parser's answer. */
static int want(size_t len, size_t avail, uint64_t remaining, size_t* needed) {
    if (len <= avail)
        return 0;
    if (len > remaining || len > LHA_HEADER_MAX)
        return LHA_HEADER_BROKEN;
    *needed = len;
    return LHA_HEADER_NEED_MORE;
}

/* A narrow name ends at its first NUL: some archivers keep a comment after it. */
static size_t narrowLength(const unsigned char* name, size_t len) {
    const unsigned char* nul = memchr(name, 0, len);
    return nul ? (size_t)(nul - name) : len;
}

static int copyName(unsigned char* to, size_t* toLen, const unsigned char* from, size_t len) {
    if (len > LHA_RAW_NAME_MAX)
        return LHA_HEADER_BROKEN;
    memcpy(to, from, len);
    *toLen = len;
    return 0;
}

/* One extension: its type byte and data (without the trailing next-size field). */
static int readExtension(const unsigned char* e, size_t len, LhaHeader* h) {
    const unsigned char type = e[0];
    const unsigned char* d = e + 1;
    const size_t n = len - 1;
    switch (type) {
    case 0x01:
        if (h->wideName)
            return 0; /* the wide name wins */
        return copyName(h->name, &h->nameLen, d, narrowLength(d, n));
    case 0x02:
        if (h->wideDir)
            return 0;
        return copyName(h->dir, &h->dirLen, d, narrowLength(d, n));
    case 0x44:
        h->wideName = 1;
        return copyName(h->name, &h->nameLen, d, n & ~(size_t)1);
    case 0x45:
        h->wideDir = 1;
        return copyName(h->dir, &h->dirLen, d, n & ~(size_t)1);
    case 0x40:
        if (n >= 1)
            h->dosAttr = d[0];
        return 0;
    case 0x41:
        if (n >= 24) {
            h->hasWinTimes = 1;
            h->createTime = fromFileTime(zelmo_le64(d));
            h->accessTime = fromFileTime(zelmo_le64(d + 16));
        }
        return 0;
    case 0x42:
        if (n >= 16 && h->level >= 2) {
            h->compressed = zelmo_le64(d);
            h->original = zelmo_le64(d + 8);
        }
        return 0;
    case 0x50:
        /* OS-9/68000's writer puts its own permission bits here. */
        if (n >= 2 && h->os != 'K') {
            h->hasUnixMode = 1;
            h->unixMode = zelmo_le16(d);
        }
        return 0;
    case 0x54:
        if (n >= 4 && h->level < 2) {
            h->hasUnixTime = 1;
            h->unixTime = zelmo_le32(d);
        }
        return 0;
    default:
        return 0;
    }
}

/* The area of a level-0 header after its CRC: the system byte, and on Unix and OS-9/68000
 * the file's Unix time and mode (its last six bytes: mode, user, group; the OS-9 writer
 * puts the time in twice). Other writers (PMarc's comments among them) keep their own. */
static void readLevel0Area(const unsigned char* a, size_t len, LhaHeader* h) {
    h->os = a[0];
    if (memcmp(h->method, "-pm", 3) == 0 || (a[0] != 'U' && a[0] != 'K') || len < 12 || a[1] != 0)
        return;
    h->hasUnixTime = 1;
    h->unixTime = zelmo_le32(a + 2);
    if (a[0] == 'U') {
        h->hasUnixMode = 1;
        h->unixMode = zelmo_le16(a + len - 6);
    }
}

/* Levels 0 and 1 share the first part, with its one-byte size and checksum. */
static int parseLevel01(const unsigned char* p, size_t avail, uint64_t remaining, LhaHeader* h,
                        size_t* needed) {
    const size_t base = (size_t)p[0] + 2;
    int rc = want(base, avail, remaining, needed);
    if (rc != 0)
        return rc;
    unsigned sum = 0;
    for (size_t i = 2; i < base; ++i)
        sum += p[i];
    if ((sum & 0xFF) != p[1])
        return LHA_HEADER_BROKEN;
    const size_t nameLen = p[21];
    const size_t fixedEnd = 22 + nameLen + 2; /* name and data CRC */
    if (fixedEnd > base || (h->level == 1 && fixedEnd + 3 > base))
        return LHA_HEADER_BROKEN;
    h->nameLen = narrowLength(p + 22, nameLen);
    memcpy(h->name, p + 22, h->nameLen);
    h->crc = zelmo_le16(p + 22 + nameLen);
    h->hasDosTime = 1;
    h->dosTime = zelmo_le16(p + 15);
    h->dosDate = zelmo_le16(p + 17);
    h->dosAttr = p[19];
    const uint32_t skip = zelmo_le32(p + 7);
    if (h->level == 0) {
        if (base > fixedEnd)
            readLevel0Area(p + fixedEnd, base - fixedEnd, h);
        h->compressed = skip;
        h->headerLength = base;
        return 1;
    }
    h->os = p[fixedEnd];
    size_t pos = base;
    size_t next = zelmo_le16(p + base - 2);
    uint64_t extTotal = 0;
    while (next != 0) {
        if (next < 3 || extTotal + next > skip)
            return LHA_HEADER_BROKEN;
        rc = want(pos + next, avail, remaining, needed);
        if (rc != 0)
            return rc;
        rc = readExtension(p + pos, next - 2, h);
        if (rc != 0)
            return rc;
        extTotal += next;
        pos += next;
        next = zelmo_le16(p + pos - 2);
    }
    h->compressed = skip - extTotal;
    h->headerLength = pos;
    return 1;
}

/* CRC-16 (polynomial 0xA001) of the header's len bytes, its own CRC field at crcAt taken
 * as zero. */
static uint16_t headerCrc(const unsigned char* p, size_t len, size_t crcAt) {
    uint16_t crc = 0;
    for (size_t i = 0; i < len; ++i) {
        crc ^= (i == crcAt || i == crcAt + 1) ? 0 : p[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? (uint16_t)((crc >> 1) ^ 0xA001) : (uint16_t)(crc >> 1);
    }
    return crc;
}

/* Levels 2 and 3: the whole header's size in the base part, then extended headers, each
 * led by its size (two bytes at level 2, four at level 3). */
static int parseLevel23(const unsigned char* p, size_t avail, uint64_t remaining, LhaHeader* h,
                        size_t* needed) {
    const int three = h->level == 3;
    const size_t base = three ? 28 : 24; /* where the first extension's size stands */
    const size_t field = three ? 4 : 2;
    int rc = want(base + field, avail, remaining, needed);
    if (rc != 0)
        return rc;
    if (three && zelmo_le16(p) != 4)
        return LHA_HEADER_BROKEN;
    uint64_t total64 = three ? zelmo_le32(p + 24) : zelmo_le16(p);
    /* The OS-9/68000 writer counts its level-2 header without the size field itself. */
    if (!three && p[23] == 'K')
        total64 += 2;
    if (total64 < base + field || total64 > LHA_HEADER_MAX)
        return LHA_HEADER_BROKEN;
    const size_t total = (size_t)total64;
    rc = want(total, avail, remaining, needed);
    if (rc != 0)
        return rc;
    h->compressed = zelmo_le32(p + 7);
    h->hasUnixTime = 1;
    h->unixTime = zelmo_le32(p + 15);
    h->crc = zelmo_le16(p + 21);
    h->os = p[23];
    size_t pos = base + field;
    size_t next = three ? zelmo_le32(p + base) : zelmo_le16(p + base);
    size_t crcAt = 0; /* where the header's own CRC stands, 0 when it has none */
    while (next != 0) {
        if (next < field + 1 || next > total || pos + next - field > total)
            return LHA_HEADER_BROKEN;
        /* The extension: its type, its data, the next one's size. */
        if (p[pos] == 0x00 && next >= field + 3)
            crcAt = pos + 1;
        rc = readExtension(p + pos, next - field, h);
        if (rc != 0)
            return rc;
        pos += next - field;
        if (pos + field > total)
            return LHA_HEADER_BROKEN;
        next = three ? zelmo_le32(p + pos) : zelmo_le16(p + pos);
        pos += field;
    }
    if (crcAt != 0 && headerCrc(p, total, crcAt) != zelmo_le16(p + crcAt))
        return LHA_HEADER_BROKEN;
    h->headerLength = total;
    return 1;
}

int lha_looks_like_header(const unsigned char* p, size_t avail) {
    return avail >= 22 && p[0] != 0 && p[2] == '-' && p[3] == 'l' && p[6] == '-' &&
           (p[4] == 'h' || p[4] == 'z') && p[20] <= 3;
}

int lha_parse_header(const unsigned char* p, size_t avail, uint64_t remaining, LhaHeader* h,
                     size_t* needed) {
    if (avail > remaining)
        avail = (size_t)remaining;
    if (remaining == 0)
        return LHA_HEADER_END;
    int rc = want(1, avail, remaining, needed);
    if (rc != 0)
        return rc;
    if (p[0] == 0)
        return LHA_HEADER_END;
    rc = want(22, avail, remaining, needed);
    if (rc != 0)
        return rc;
    if (p[2] != '-' || p[6] != '-')
        return LHA_HEADER_BROKEN;
    memset(h, 0, sizeof *h);
    memcpy(h->method, p + 2, 5);
    h->level = p[20];
    h->original = zelmo_le32(p + 11);
    h->directory = memcmp(h->method, "-lhd-", 5) == 0;
    switch (h->level) {
    case 0:
    case 1:
        rc = parseLevel01(p, avail, remaining, h, needed);
        break;
    case 2:
    case 3:
        rc = parseLevel23(p, avail, remaining, h, needed);
        break;
    default:
        return LHA_HEADER_BROKEN;
    }
    if (rc != 1)
        return rc;
    /* The member's data must lie inside the file. */
    if (h->headerLength > remaining || h->compressed > remaining - h->headerLength)
        return LHA_HEADER_BROKEN;
    return 1;
}
