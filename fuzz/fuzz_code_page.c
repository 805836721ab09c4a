/* The code pages on any bytes (the first byte picks the page): read with escapes and
 * written back, every byte returns, or for a character with two codes (CP932's NEC and IBM
 * twins) the code it is written with reads as the same character; conversions never reach
 * past their buffers, and say so when the room is short. */
#include "base/CodePage.h"

#include <stdlib.h>
#include <string.h>

static const int pages[] = {932, 51932, 1252, 1251, 28591, 874, 936, 949, 950, 1258, 65001};
enum { PAGES = sizeof pages / sizeof *pages, EXACT = 6 /* the first six: one code a char */ };

/* The bytes a table page writes text with, built piece by piece from the input; 0 when a
 * character's written code does not read back as it. */
static int tableExpected(int page, const unsigned char* s, size_t size, const uint16_t* text,
                         size_t n, char* out, size_t* outLen) {
    const ZelmoCpTable* t = zelmo_cp_table(page);
    size_t o = 0, k = 0;
    for (size_t i = 0; i < size; ++k) {
        uint16_t c;
        const int len = zelmo_cp_table_at(t, s, i, size, &c);
        if (k >= n)
            return 0;
        if (len == 0) {
            if (text[k] != 0xDC00 + s[i])
                return 0;
            out[o++] = (char)s[i++];
            continue;
        }
        if (text[k] != c)
            return 0;
        const int m = zelmo_cp_table_bytes(t, c, out + o);
        uint16_t back;
        if (m == 0 ||
            zelmo_cp_table_at(t, (const unsigned char*)out + o, 0, (size_t)m, &back) != m ||
            back != c)
            return 0;
        o += (size_t)m;
        i += (size_t)len;
    }
    *outLen = o;
    return k == n;
}

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const int which = data[0] % PAGES;
    const int page = pages[which];
    ++data;
    --size;
    const size_t cap = 2 * size + 8;
    uint16_t* text = malloc(cap * sizeof *text);
    char* back = malloc(4 * cap + 8);
    char* expected = malloc(4 * cap + 8);
    const size_t n = zelmo_cp_decode(page, data, size, text, cap, ZELMO_CP_ESCAPE);
    if (n == ZELMO_CP_FAILED || n == ZELMO_CP_FULL)
        abort();
    const size_t m = zelmo_cp_encode(page, text, n, back, 4 * cap + 8, ZELMO_CP_ESCAPE);
    if (m == ZELMO_CP_FAILED || m == ZELMO_CP_FULL)
        abort(); /* everything read has bytes again */
    size_t expectedLen = 0;
    if (which < EXACT && (m != size || memcmp(back, data, size) != 0)) {
        if (page != ZELMO_CP_932 ||
            !tableExpected(page, data, size, text, n, expected, &expectedLen) || expectedLen != m ||
            memcmp(back, expected, m) != 0)
            abort();
    }
    /* The other rules read as many characters, or refuse. */
    const size_t r = zelmo_cp_decode(page, data, size, text, cap, ZELMO_CP_REPLACE);
    const size_t f = zelmo_cp_decode(page, data, size, text, cap, ZELMO_CP_FAIL);
    if (r != n || (f != n && f != ZELMO_CP_FAILED))
        abort();
    /* Short of room by one: said, not overrun (the buffer is exactly that long). */
    if (n > 0) {
        uint16_t* tight = malloc((n > 1 ? n - 1 : 1) * sizeof *tight);
        if (zelmo_cp_decode(page, data, size, tight, n - 1, ZELMO_CP_ESCAPE) != ZELMO_CP_FULL)
            abort();
        free(tight);
    }
    const size_t u =
        zelmo_cp_decode_utf8(page, data, size, expected, 4 * cap + 8, ZELMO_CP_REPLACE);
    if (u == ZELMO_CP_FAILED || u == ZELMO_CP_FULL ||
        !zelmo_valid_utf8((unsigned char*)expected, u))
        abort();
    free(text);
    free(back);
    free(expected);
    return 0;
}
