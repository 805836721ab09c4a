/* Member-name wildcards with Windows rules; see UnlhaInternal.h. */
#include "outside/unlha32/UnlhaInternal.h"

#include <string.h>

static int lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

/* Length of the UTF-8 character at s (1 for a stray byte). */
static size_t charLength(const unsigned char* s) {
    size_t n = 1;
    if (*s >= 0xC0)
        while (n < 4 && (s[n] & 0xC0) == 0x80)
            ++n;
    return n;
}

/* p[0..plen) against name, with the "*" backtracking of a single star at a time. */
static int match(const unsigned char* p, size_t plen, const unsigned char* n) {
    size_t pi = 0;
    const unsigned char* star = NULL;
    size_t starPi = 0;
    while (*n) {
        if (pi < plen && p[pi] == '*') {
            star = n;
            starPi = ++pi;
        } else if (pi < plen && p[pi] == '?') {
            ++pi;
            n += charLength(n);
        } else if (pi < plen && lower(p[pi]) == lower(*n)) {
            ++pi;
            ++n;
        } else if (star) {
            star += charLength(star);
            n = star;
            pi = starPi;
        } else {
            return 0;
        }
    }
    while (pi < plen && p[pi] == '*')
        ++pi;
    return pi == plen;
}

int unlha_wildcard_match(const char* wildcard, const char* name) {
    if (!wildcard || !*wildcard)
        return 1;
    const unsigned char* p = (const unsigned char*)wildcard;
    const unsigned char* n = (const unsigned char*)name;
    const size_t len = strlen(wildcard);
    if (match(p, len, n))
        return 1;
    /* "name.*" also stands for "name" without an extension, so "*.*" takes every name. */
    if (len >= 2 && p[len - 2] == '.' && p[len - 1] == '*' && !strchr((const char*)n, '.'))
        return match(p, len - 2, n);
    return 0;
}
