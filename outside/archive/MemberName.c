/* Member names decoded one by one; see MemberName.h. */
#include "outside/archive/MemberName.h"
#include "base/ByteOrder.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

static void noNuls(char* s, size_t len) {
    for (size_t i = 0; i < len; ++i)
        if (s[i] == '\0')
            s[i] = '?'; /* a NUL in a stored name would cut it short */
}

size_t zelmo_decode_name(const unsigned char* in, size_t len, char* out, size_t cap) {
    if (cap == 0)
        return (size_t)-1;
    if (!zelmo_valid_utf8(in, len)) {
        /* CP932, every byte or none (a cut character at the end is no CP932 name either) */
        const size_t used =
            zelmo_cp_decode_utf8(ZELMO_CP_932, in, len, out, cap - 1, ZELMO_CP_FAIL);
        if (used == ZELMO_CP_FULL)
            return (size_t)-1;
        if (used != ZELMO_CP_FAILED) {
            out[used] = '\0';
            noNuls(out, used);
            return used;
        }
    }
    /* Valid UTF-8, or bytes nothing decodes: kept as stored. */
    if (len >= cap)
        return (size_t)-1;
    memcpy(out, in, len);
    out[len] = '\0';
    noNuls(out, len);
    return len;
}

size_t zelmo_decode_utf16_name(const unsigned char* in, size_t len, char* out, size_t cap) {
    if (cap == 0)
        return (size_t)-1;
    size_t at = 0;
    for (size_t i = 0; i + 1 < len; i += 2) {
        uint32_t u = (uint32_t)in[i] | ((uint32_t)in[i + 1] << 8);
        if (u == 0xFFFF) {
            u = '/';
        } else if (u == 0) {
            u = '?';
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 3 < len) {
            const uint32_t low = (uint32_t)in[i + 2] | ((uint32_t)in[i + 3] << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else {
                u = 0xFFFD;
            }
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        at = zelmo_utf8_put(out, cap - 1, at, u); /* room kept for the NUL */
        if (at == ZELMO_CP_FULL)
            return (size_t)-1;
    }
    out[at] = '\0';
    return at;
}

static uint32_t crc32Of(const unsigned char* p, size_t len) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < len; ++i) {
        crc ^= p[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

int zelmo_zip_unicode_name(const unsigned char* name, size_t nameLen, const unsigned char* extra,
                           size_t extraLen, size_t max, const unsigned char** utf8,
                           size_t* utf8Len) {
    for (size_t i = 0; i + 4 <= extraLen;) {
        const unsigned id = zelmo_le16(extra + i);
        const size_t len = zelmo_le16(extra + i + 2);
        if (i + 4 + len > extraLen)
            return 0;
        const unsigned char* f = extra + i + 4;
        if (id == 0x7075 && len > 5 && f[0] == 1) {
            const uint32_t crc = zelmo_le32(f + 1);
            const size_t n = len - 5;
            if (crc != crc32Of(name, nameLen) || n > max || memchr(f + 5, 0, n) ||
                !zelmo_valid_utf8(f + 5, n))
                return 0;
            *utf8 = f + 5;
            *utf8Len = n;
            return 1;
        }
        i += 4 + len;
    }
    return 0;
}

static size_t addText(ZelmoMemberList* l, const char* s, size_t len) {
    if (l->textLen + len + 1 > l->textCap) {
        size_t cap = l->textCap ? l->textCap : 4096;
        while (cap < l->textLen + len + 1)
            cap *= 2;
        char* grown = realloc(l->text, cap);
        if (!grown)
            return (size_t)-1;
        l->text = grown;
        l->textCap = cap;
    }
    const size_t at = l->textLen;
    memcpy(l->text + at, s, len);
    l->text[at + len] = '\0';
    l->textLen += len + 1;
    return at;
}

int zelmo_member_list_add(ZelmoMemberList* l, uint64_t offset, uint64_t size, int kind,
                          const char* raw, size_t rawLen, const char* name, size_t nameLen) {
    if (l->count == l->cap) {
        const size_t cap = l->cap ? l->cap * 2 : 64;
        ZelmoMember* grown = realloc(l->items, cap * sizeof *grown);
        if (!grown)
            return -1;
        l->items = grown;
        l->cap = cap;
    }
    ZelmoMember* m = &l->items[l->count];
    m->offset = offset;
    m->size = size;
    m->kind = kind;
    m->raw = addText(l, raw, rawLen);
    if (m->raw == (size_t)-1)
        return -1;
    if (rawLen == nameLen && memcmp(raw, name, rawLen) == 0)
        m->name = m->raw;
    else if ((m->name = addText(l, name, nameLen)) == (size_t)-1)
        return -1;
    l->count++;
    return 0;
}

void zelmo_member_list_free(ZelmoMemberList* l) {
    free(l->items);
    free(l->text);
    memset(l, 0, sizeof *l);
}
