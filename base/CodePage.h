/* Text in the code pages the program meets, named by their Windows numbers: 932 (CP932)
 * and 51932 (EUC-JP) through tables built once from iconv, 1252 by hand, every other
 * page through iconv ("CPnnnn", 10000 Mac Roman, 2859x ISO-8859-n, 65001 UTF-8, ...).
 * Text is UTF-16 in the host's byte order. Bytes that are no character follow the rule the
 * caller picks; the lossless escape is the form file names use: U+DC00 + the byte, a lone
 * low surrogate. Thread-safe; the tables live as long as the program or library. */
#ifndef ZELMO_BASE_CODE_PAGE_H
#define ZELMO_BASE_CODE_PAGE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { ZELMO_CP_932 = 932, ZELMO_CP_1252 = 1252, ZELMO_CP_EUC_JP = 51932, ZELMO_CP_UTF8 = 65001 };

/* What happens to bytes of no character (decoding) and characters of no bytes (encoding). */
enum {
    ZELMO_CP_ESCAPE = 0,  /* decode: each byte as its escape; encode: escapes as their
                             bytes, and a character of no bytes fails */
    ZELMO_CP_REPLACE = 1, /* decode: U+FFFD a byte; encode: "?" a character */
    ZELMO_CP_FAIL = 2,    /* the whole conversion fails */
    /* Encoding, or-ed in: also iconv's one-way choices (U+301C as CP932's 81 60, ...),
       which do not read back as they were written. */
    ZELMO_CP_BEST_FIT = 0x100
};

/* Results of a conversion other than a length. */
#define ZELMO_CP_FAILED ((size_t)-1) /* the rule was ZELMO_CP_FAIL, or the page is unknown */
#define ZELMO_CP_FULL ((size_t)-2)   /* out has no room */

/* 1 when the page can be converted here. */
int zelmo_cp_known(int page);
/* 1 when b begins a character of more than one byte in page. */
int zelmo_cp_lead_byte(int page, unsigned char b);

/* len bytes to UTF-16 at out (cap units; 2 * len always suffice, len for 932, 51932 and
 * 1252): the units written, or ZELMO_CP_FAILED / ZELMO_CP_FULL. */
size_t zelmo_cp_decode(int page, const unsigned char* in, size_t len, uint16_t* out, size_t cap,
                       int rule);
/* The same as UTF-8 (no NUL added); rule ZELMO_CP_REPLACE or ZELMO_CP_FAIL. */
size_t zelmo_cp_decode_utf8(int page, const unsigned char* in, size_t len, char* out, size_t cap,
                            int rule);
/* len UTF-16 units to bytes at out (cap bytes; 4 * len always suffice): the bytes written,
 * or ZELMO_CP_FAILED / ZELMO_CP_FULL. A lone surrogate that is no escape has no bytes. */
size_t zelmo_cp_encode(int page, const uint16_t* in, size_t len, char* out, size_t cap, int rule);

/* UTF-8, the program's own text: the sequence at s (len bytes there) as a length with *cp
 * set, or 0 when it is no valid shortest-form sequence. */
int zelmo_utf8_at(const unsigned char* s, size_t len, uint32_t* cp);
/* cp as UTF-8 at out + at (cap bytes in all): the new end, or ZELMO_CP_FULL. */
size_t zelmo_utf8_put(char* out, size_t cap, size_t at, uint32_t cp);
/* 1 when the len bytes at s are valid UTF-8 (shortest forms, no surrogates). */
int zelmo_valid_utf8(const unsigned char* s, size_t len);

/* The tables of 932 and 51932, for callers that go character by character. */
#define ZELMO_CP_NONE 0xFFFFu /* no character / no code */
typedef struct ZelmoCpTable {
    uint16_t single[256]; /* a byte's character, ZELMO_CP_NONE for lead and stray bytes */
    unsigned char lead[256];
    const uint16_t* pair;   /* [lead << 8 | trail] */
    const uint16_t* triple; /* EUC-JP's 8F xx yy as [xx << 8 | yy]; NULL for CP932 */
    const uint32_t* encode; /* a BMP character's code: 0 none, else bytes | length << 24 */
} ZelmoCpTable;
/* The table of 932 or 51932 (built on first use), else NULL. */
const ZelmoCpTable* zelmo_cp_table(int page);

/* The character at s[i] (n bytes in all) and its length, 0 when s[i] begins none. */
static inline int zelmo_cp_table_at(const ZelmoCpTable* t, const unsigned char* s, size_t i,
                                    size_t n, uint16_t* c) {
    const unsigned char b = s[i];
    if (!t->lead[b]) {
        *c = t->single[b];
        return *c == ZELMO_CP_NONE ? 0 : 1;
    }
    if (b == 0x8F && t->triple) {
        if (i + 2 >= n)
            return 0;
        *c = t->triple[s[i + 1] << 8 | s[i + 2]];
        return *c == ZELMO_CP_NONE ? 0 : 3;
    }
    if (i + 1 >= n)
        return 0;
    *c = t->pair[b << 8 | s[i + 1]];
    return *c == ZELMO_CP_NONE ? 0 : 2;
}

/* A character's bytes written to b (at most 3): their number, 0 when it has none. */
static inline int zelmo_cp_table_bytes(const ZelmoCpTable* t, uint16_t c, char* b) {
    const uint32_t code = t->encode[c];
    if (code == 0 && c != 0)
        return 0;
    const int n = c == 0 ? 1 : (int)(code >> 24);
    for (int k = 0; k < n; ++k)
        b[k] = (char)(code >> (8 * (n - 1 - k)));
    return n;
}

#ifdef __cplusplus
}
#endif

#endif
