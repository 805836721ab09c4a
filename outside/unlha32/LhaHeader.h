/* One LZH member header (levels 0 to 3) read from bytes in memory, every field
 * bounds-checked against the bytes given. Names stay raw bytes here; LhaName turns them
 * into UTF-8. */
#ifndef ZELMO_LHA_HEADER_H
#define ZELMO_LHA_HEADER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LHA_RAW_NAME_MAX 1024

typedef struct LhaHeader {
    int level;
    char method[6];      /* "-lh5-" */
    uint64_t compressed; /* bytes of member data after the header */
    uint64_t original;
    uint64_t headerLength; /* bytes from the header's start to its data */
    uint16_t crc;
    uint8_t os; /* OS identifier byte, 0 when the header has none */
    int hasDosTime;
    uint16_t dosDate, dosTime;
    int hasUnixTime;
    int64_t unixTime;
    int hasWinTimes;
    int64_t createTime, accessTime; /* seconds since 1970, from Windows time stamps */
    uint8_t dosAttr;
    int hasUnixMode;
    uint16_t unixMode;
    int directory; /* "-lhd-" */
    /* Raw names: CP932 bytes (0xFF or "\" between folders), or UTF-16LE when wide. */
    unsigned char name[LHA_RAW_NAME_MAX];
    size_t nameLen;
    unsigned char dir[LHA_RAW_NAME_MAX];
    size_t dirLen;
    int wideName, wideDir;
    uint64_t offset; /* where the header begins in the file (set by the walk) */
} LhaHeader;

enum {
    LHA_HEADER_END = 0,        /* the end mark (a zero byte) or no bytes left */
    LHA_HEADER_NEED_MORE = -1, /* *needed holds how many bytes the header wants */
    LHA_HEADER_BROKEN = -2
};

/* Reads the header at p (avail bytes at hand, remaining bytes up to the file's end).
 * Returns 1 with *h filled, LHA_HEADER_END, LHA_HEADER_BROKEN, or LHA_HEADER_NEED_MORE
 * with *needed > avail (never more than remaining). */
int lha_parse_header(const unsigned char* p, size_t avail, uint64_t remaining, LhaHeader* h,
                     size_t* needed);

/* 1 when the bytes at p look like the start of a header (for archives behind a program). */
int lha_looks_like_header(const unsigned char* p, size_t avail);

#ifdef __cplusplus
}
#endif

#endif
