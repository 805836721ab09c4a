/* Code pages to UTF-16 and back; see CodePage.h. The program's one user of iconv. */
#include "base/CodePage.h"

#include <errno.h>
#include <iconv.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { ESCAPE_BASE = 0xDC00, REPLACEMENT = 0xFFFD };

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
#define UTF16_NATIVE "UTF-16BE"
#else
#define UTF16_NATIVE "UTF-16LE"
#endif

int zelmo_utf8_at(const unsigned char* s, size_t len, uint32_t* cp) {
    if (len == 0)
        return 0;
    const unsigned c = s[0];
    if (c < 0x80) {
        *cp = c;
        return 1;
    }
    size_t n;
    uint32_t v;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        v = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        v = c & 0x07;
    } else {
        return 0;
    }
    if (n > len)
        return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((s[k] & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (s[k] & 0x3F);
    }
    if ((n == 3 && v < 0x800) || (n == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
        (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    *cp = v;
    return (int)n;
}

int zelmo_valid_utf8(const unsigned char* s, size_t len) {
    uint32_t cp;
    for (size_t i = 0; i < len;) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        const int n = zelmo_utf8_at(s + i, len - i, &cp);
        if (n == 0)
            return 0;
        i += (size_t)n;
    }
    return 1;
}

/* ---- The tables of 932 and 51932 ---- */

static uint16_t cp932Pair[65536], eucPair[65536], eucTriple[65536];
static uint32_t cp932Code[65536], eucCode[65536];
static ZelmoCpTable tables[2];
static pthread_once_t tablesOnce[2] = {PTHREAD_ONCE_INIT, PTHREAD_ONCE_INIT};

/* One character through iconv: its UTF-16 unit, or ZELMO_CP_NONE. */
static uint16_t iconvOne(iconv_t cd, const unsigned char* in, size_t n) {
    uint16_t out[4];
    char* ip = (char*)in;
    char* op = (char*)out;
    size_t il = n, ol = sizeof out;
    iconv(cd, NULL, NULL, NULL, NULL);
    if (iconv(cd, &ip, &il, &op, &ol) == (size_t)-1 || il != 0 || ol != sizeof out - 2)
        return ZELMO_CP_NONE;
    return out[0];
}

static void learn(uint32_t* code, uint16_t c, uint32_t bytes, uint32_t len) {
    if (c == ZELMO_CP_NONE || (code[c] != 0 && len > code[c] >> 24))
        return;
    code[c] = bytes | len << 24;
}

/* A character two codes decode to is written with the code iconv picks, as other
 * programs write it. */
static void preferIconv(iconv_t enc, uint32_t* code, uint16_t c) {
    unsigned char buf[8];
    char* ip = (char*)&c;
    char* op = (char*)buf;
    size_t il = 2, ol = sizeof buf;
    iconv(enc, NULL, NULL, NULL, NULL);
    if (iconv(enc, &ip, &il, &op, &ol) != (size_t)-1 && op - (char*)buf == 2)
        code[c] = (uint32_t)(buf[0] << 8 | buf[1]) | 2u << 24;
}

static void buildTable(int euc) {
    ZelmoCpTable* t = &tables[euc];
    uint16_t* pair = euc ? eucPair : cp932Pair;
    uint32_t* code = euc ? eucCode : cp932Code;
    const char* name = euc ? "EUC-JP" : "CP932";
    iconv_t dec = iconv_open(UTF16_NATIVE, name);
    iconv_t enc = iconv_open(name, UTF16_NATIVE);
    for (size_t k = 0; k < 65536; ++k)
        pair[k] = ZELMO_CP_NONE;
    t->pair = pair;
    t->encode = code;
    t->triple = NULL;
    if (dec == (iconv_t)-1 || enc == (iconv_t)-1) { /* no iconv module: ASCII only */
        for (int b = 0; b < 256; ++b)
            t->single[b] = b < 0x80 ? (uint16_t)b : ZELMO_CP_NONE;
        for (int b = 1; b < 0x80; ++b)
            code[b] = (uint32_t)b | 1u << 24;
        if (dec != (iconv_t)-1)
            iconv_close(dec);
        if (enc != (iconv_t)-1)
            iconv_close(enc);
        return;
    }
    for (int b = 0; b < 256; ++b) {
        const unsigned char in = (unsigned char)b;
        t->single[b] = b < 0x80 ? (uint16_t)b : iconvOne(dec, &in, 1);
        learn(code, t->single[b], (uint32_t)b, 1);
    }
    uint16_t* dups = malloc(65536 * sizeof *dups);
    size_t dupCount = 0;
    const int trailFirst = euc ? 0xA1 : 0x40, trailLast = euc ? 0xFE : 0xFC;
    for (int l = 0x80; l < 256; ++l) {
        const int isLead = euc ? (l >= 0xA1 && l <= 0xFE) || l == 0x8E
                               : (l >= 0x81 && l <= 0x9F) || (l >= 0xE0 && l <= 0xFC);
        if (!isLead)
            continue;
        t->lead[l] = 1;
        t->single[l] = ZELMO_CP_NONE;
        for (int tr = trailFirst; tr <= trailLast; ++tr) {
            const unsigned char in[2] = {(unsigned char)l, (unsigned char)tr};
            const uint16_t c = iconvOne(dec, in, 2);
            pair[l << 8 | tr] = c;
            if (c == ZELMO_CP_NONE)
                continue;
            if (code[c] != 0 && (code[c] >> 24) == 2 && dups)
                dups[dupCount++] = c;
            learn(code, c, (uint32_t)(l << 8 | tr), 2);
        }
    }
    if (euc) {
        t->lead[0x8F] = 1;
        t->single[0x8F] = ZELMO_CP_NONE;
        for (size_t k = 0; k < 65536; ++k)
            eucTriple[k] = ZELMO_CP_NONE;
        for (int x = 0xA1; x <= 0xFE; ++x)
            for (int y = 0xA1; y <= 0xFE; ++y) {
                const unsigned char in[3] = {0x8F, (unsigned char)x, (unsigned char)y};
                const uint16_t c = iconvOne(dec, in, 3);
                eucTriple[x << 8 | y] = c;
                if (c != ZELMO_CP_NONE && code[c] == 0)
                    code[c] = (uint32_t)(0x8F0000 | x << 8 | y) | 3u << 24;
            }
        t->triple = eucTriple;
    }
    for (size_t k = 0; k < dupCount; ++k)
        preferIconv(enc, code, dups[k]);
    free(dups);
    iconv_close(dec);
    iconv_close(enc);
}

static void buildCp932(void) {
    buildTable(0);
}
static void buildEucJp(void) {
    buildTable(1);
}

const ZelmoCpTable* zelmo_cp_table(int page) {
    if (page == ZELMO_CP_932) {
        pthread_once(&tablesOnce[0], buildCp932);
        return &tables[0];
    }
    if (page == ZELMO_CP_EUC_JP) {
        pthread_once(&tablesOnce[1], buildEucJp);
        return &tables[1];
    }
    return NULL;
}

/* Characters iconv writes in these pages but never reads back from them. */
typedef struct OneWay {
    uint16_t c;
    uint16_t code;
} OneWay;
static const OneWay cp932OneWay[] = {{0x00A2, 0x8191}, {0x00A3, 0x8192}, {0x00A5, 0x5C},
                                     {0x00AC, 0x81CA}, {0x2014, 0x815C}, {0x2016, 0x8161},
                                     {0x203E, 0x7E},   {0x2212, 0x817C}, {0x301C, 0x8160}};
static const OneWay eucOneWay[] = {{0x00A5, 0x5C}, {0x203E, 0x7E}};

static int oneWayBytes(int page, uint16_t c, char* b) {
    const OneWay* list = page == ZELMO_CP_932 ? cp932OneWay : eucOneWay;
    const size_t n = page == ZELMO_CP_932 ? sizeof cp932OneWay / sizeof *cp932OneWay
                                          : sizeof eucOneWay / sizeof *eucOneWay;
    for (size_t k = 0; k < n; ++k)
        if (list[k].c == c) {
            if (list[k].code > 0xFF) {
                b[0] = (char)(list[k].code >> 8);
                b[1] = (char)list[k].code;
                return 2;
            }
            b[0] = (char)list[k].code;
            return 1;
        }
    return 0;
}

/* ---- Windows-1252 by hand: the default of documents, read often ---- */

/* 0x80-0x9F; the rest of the page is Latin-1. */
static const uint16_t cp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

static uint16_t cp1252Char(unsigned char b) {
    return b >= 0x80 && b < 0xA0 ? cp1252High[b - 0x80] : b;
}

static int cp1252Byte(uint16_t c, char* b) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        *b = (char)c;
        return 1;
    }
    for (int k = 0; k < 32; ++k)
        if (cp1252High[k] == c && c != REPLACEMENT) {
            *b = (char)(0x80 + k);
            return 1;
        }
    return 0;
}

/* ---- Every other page through iconv, its converters kept for the run ---- */

typedef struct Page {
    int page;
    int known;
    iconv_t dec, enc; /* (iconv_t)-1 until needed */
    unsigned char lead[256];
} Page;
enum { PAGE_SLOTS = 64 };
static Page pages[PAGE_SLOTS];
static size_t pageCount;
static pthread_mutex_t pagesLock = PTHREAD_MUTEX_INITIALIZER;

/* The pages iconv knows by a name of their own; the rest are "CPnnnn" or ISO-8859-n. */
static const struct {
    int page;
    const char* name;
} namedPages[] = {{10000, "MACINTOSH"}, {1361, "JOHAB"},   {20127, "ASCII"},
                  {20866, "KOI8-R"},    {21866, "KOI8-U"}, {ZELMO_CP_UTF8, "UTF-8"}};

static void iconvName(int page, char* name, size_t size) {
    for (size_t k = 0; k < sizeof namedPages / sizeof *namedPages; ++k)
        if (namedPages[k].page == page) {
            snprintf(name, size, "%s", namedPages[k].name);
            return;
        }
    if (page >= 28591 && page <= 28606)
        snprintf(name, size, "ISO-8859-%d", page - 28590);
    else
        snprintf(name, size, "CP%d", page);
}

/* The page's converters and lead bytes, found out once; called with pagesLock held.
 * Numbers nobody uses are not all remembered: past the slots, the last one is reused. */
static Page* pageOf(int page) {
    for (size_t k = 0; k < pageCount; ++k)
        if (pages[k].page == page)
            return &pages[k];
    Page* p = &pages[pageCount < PAGE_SLOTS ? pageCount++ : PAGE_SLOTS - 1];
    if (p->dec && p->dec != (iconv_t)-1)
        iconv_close(p->dec);
    if (p->enc && p->enc != (iconv_t)-1)
        iconv_close(p->enc);
    memset(p, 0, sizeof *p);
    p->page = page;
    p->enc = (iconv_t)-1;
    char name[32];
    iconvName(page, name, sizeof name);
    p->dec = iconv_open(UTF16_NATIVE, name);
    p->known = p->dec != (iconv_t)-1;
    if (p->known && page != ZELMO_CP_UTF8) /* UTF-8's lead bytes begin up to 4 bytes */
        for (int b = 0x80; b < 0x100; ++b) {
            /* A byte that needs a second one ends the input inside a character. */
            const unsigned char in = (unsigned char)b;
            uint16_t u[4];
            char* ip = (char*)&in;
            char* op = (char*)u;
            size_t il = 1, ol = sizeof u;
            iconv(p->dec, NULL, NULL, NULL, NULL);
            p->lead[b] = iconv(p->dec, &ip, &il, &op, &ol) == (size_t)-1 && errno == EINVAL;
        }
    return p;
}

static void closePages(void) __attribute__((destructor));
static void closePages(void) {
    for (size_t k = 0; k < pageCount; ++k) {
        if (pages[k].dec != (iconv_t)-1)
            iconv_close(pages[k].dec);
        if (pages[k].enc != (iconv_t)-1)
            iconv_close(pages[k].enc);
    }
    pageCount = 0;
}

int zelmo_cp_known(int page) {
    if (page == ZELMO_CP_932 || page == ZELMO_CP_EUC_JP || page == ZELMO_CP_1252)
        return 1;
    pthread_mutex_lock(&pagesLock);
    const int known = pageOf(page)->known;
    pthread_mutex_unlock(&pagesLock);
    return known;
}

int zelmo_cp_lead_byte(int page, unsigned char b) {
    if (b < 0x80 || page == ZELMO_CP_1252)
        return 0;
    const ZelmoCpTable* t = zelmo_cp_table(page);
    if (t)
        return t->lead[b];
    pthread_mutex_lock(&pagesLock);
    const int lead = pageOf(page)->lead[b];
    pthread_mutex_unlock(&pagesLock);
    return lead;
}

/* ---- Decoding ---- */

static uint16_t badByte(unsigned char b, int rule) {
    return rule == ZELMO_CP_ESCAPE ? (uint16_t)(ESCAPE_BASE + b) : REPLACEMENT;
}

static size_t tableDecode(const ZelmoCpTable* t, const unsigned char* s, size_t n, uint16_t* out,
                          size_t cap, int rule) {
    size_t o = 0;
    for (size_t i = 0; i < n; ++o) {
        if (o == cap)
            return ZELMO_CP_FULL;
        if (s[i] < 0x80) { /* ASCII is itself in both pages */
            out[o] = s[i++];
            continue;
        }
        uint16_t c;
        const int len = zelmo_cp_table_at(t, s, i, n, &c);
        if (len == 0) {
            if (rule == ZELMO_CP_FAIL)
                return ZELMO_CP_FAILED;
            out[o] = badByte(s[i++], rule);
        } else {
            out[o] = c;
            i += (size_t)len;
        }
    }
    return o;
}

static size_t cp1252Decode(const unsigned char* s, size_t n, uint16_t* out, size_t cap, int rule) {
    if (cap < n)
        return ZELMO_CP_FULL;
    for (size_t i = 0; i < n; ++i) {
        const uint16_t c = cp1252Char(s[i]);
        if (c == REPLACEMENT && rule == ZELMO_CP_FAIL)
            return ZELMO_CP_FAILED;
        out[i] = c == REPLACEMENT ? badByte(s[i], rule) : c;
    }
    return n;
}

/* One iconv conversion under way. */
typedef struct Run {
    char* ip;
    size_t il;
    char* op;
    size_t ol;
} Run;

/* Converts as far as it goes: 0 when the input is through, 1 at a spot iconv refuses (ip
 * there), -1 when out is full. */
static int iconvRun(iconv_t cd, Run* r) {
    if (r->il == 0 || iconv(cd, &r->ip, &r->il, &r->op, &r->ol) != (size_t)-1)
        return 0;
    return errno == E2BIG ? -1 : 1;
}

/* The end of a run: back to the first state, the bytes it takes written. */
static size_t iconvEnd(iconv_t cd, Run* r, int step) {
    if (step < 0)
        return ZELMO_CP_FULL;
    if (iconv(cd, NULL, NULL, &r->op, &r->ol) == (size_t)-1)
        return errno == E2BIG ? ZELMO_CP_FULL : ZELMO_CP_FAILED;
    return 0;
}

/* A byte iconv takes for no character (or the start of one cut short) goes by the rule,
 * and the rest goes on, so a damaged text still reads as far as it can. */
static size_t iconvDecode(iconv_t cd, const unsigned char* in, size_t len, uint16_t* out,
                          size_t cap, int rule) {
    Run r = {(char*)in, len, (char*)out, cap * 2};
    iconv(cd, NULL, NULL, NULL, NULL);
    int step;
    while ((step = iconvRun(cd, &r)) == 1) {
        if (rule == ZELMO_CP_FAIL)
            return ZELMO_CP_FAILED;
        if (r.ol < 2)
            return ZELMO_CP_FULL;
        const uint16_t u = badByte((unsigned char)*r.ip, rule);
        memcpy(r.op, &u, 2);
        r.op += 2;
        r.ol -= 2;
        ++r.ip;
        --r.il;
    }
    const size_t end = iconvEnd(cd, &r, step);
    return end != 0 ? end : cap - r.ol / 2;
}

size_t zelmo_cp_decode(int page, const unsigned char* in, size_t len, uint16_t* out, size_t cap,
                       int rule) {
    rule &= 0xFF;
    const ZelmoCpTable* t = zelmo_cp_table(page);
    if (t)
        return tableDecode(t, in, len, out, cap, rule);
    if (page == ZELMO_CP_1252)
        return cp1252Decode(in, len, out, cap, rule);
    pthread_mutex_lock(&pagesLock);
    const Page* p = pageOf(page);
    const size_t n = p->known ? iconvDecode(p->dec, in, len, out, cap, rule) : ZELMO_CP_FAILED;
    pthread_mutex_unlock(&pagesLock);
    return n;
}

size_t zelmo_utf8_put(char* out, size_t cap, size_t at, uint32_t cp) {
    unsigned char b[4];
    size_t n;
    if (cp < 0x80) {
        b[0] = (unsigned char)cp;
        n = 1;
    } else if (cp < 0x800) {
        b[0] = (unsigned char)(0xC0 | (cp >> 6));
        b[1] = (unsigned char)(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        b[0] = (unsigned char)(0xE0 | (cp >> 12));
        b[1] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
        b[2] = (unsigned char)(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        b[0] = (unsigned char)(0xF0 | (cp >> 18));
        b[1] = (unsigned char)(0x80 | ((cp >> 12) & 0x3F));
        b[2] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
        b[3] = (unsigned char)(0x80 | (cp & 0x3F));
        n = 4;
    }
    if (at + n > cap)
        return ZELMO_CP_FULL;
    memcpy(out + at, b, n);
    return at + n;
}

size_t zelmo_cp_decode_utf8(int page, const unsigned char* in, size_t len, char* out, size_t cap,
                            int rule) {
    rule &= 0xFF;
    if (rule == ZELMO_CP_ESCAPE) /* escapes have no UTF-8 form */
        return ZELMO_CP_FAILED;
    uint16_t small[512];
    const size_t room = 2 * len + 8;
    uint16_t* u = room <= 512 ? small : malloc(room * sizeof *u);
    if (!u)
        return ZELMO_CP_FULL;
    size_t n = zelmo_cp_decode(page, in, len, u, room, rule);
    if (n != ZELMO_CP_FAILED && n != ZELMO_CP_FULL) {
        size_t at = 0;
        for (size_t i = 0; i < n && at != ZELMO_CP_FULL; ++i) {
            uint32_t cp = u[i];
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && u[i + 1] >= 0xDC00 &&
                u[i + 1] <= 0xDFFF)
                cp = 0x10000 + ((cp - 0xD800) << 10) + (u[++i] - 0xDC00);
            else if (cp >= 0xD800 && cp <= 0xDFFF)
                cp = REPLACEMENT;
            at = zelmo_utf8_put(out, cap, at, cp);
        }
        n = at;
    }
    if (u != small)
        free(u);
    return n;
}

/* ---- Encoding ---- */

static int isHigh(uint16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
static int isLow(uint16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

/* The bytes of the BMP character c in a page done here (table or 1252), at most 3. */
static int ownBytes(int page, const ZelmoCpTable* t, uint16_t c, int bestFit, char* b) {
    if (!t)
        return cp1252Byte(c, b);
    const int n = zelmo_cp_table_bytes(t, c, b);
    return n == 0 && bestFit ? oneWayBytes(page, c, b) : n;
}

static size_t ownEncode(int page, const ZelmoCpTable* t, const uint16_t* in, size_t len, char* out,
                        size_t cap, int rule, int bestFit) {
    size_t o = 0;
    char b[4];
    for (size_t i = 0; i < len;) {
        const uint16_t c = in[i];
        int n = 0;
        size_t used = 1;
        if (isHigh(c) && i + 1 < len && isLow(in[i + 1])) {
            used = 2; /* beyond the BMP: none of these pages has it */
        } else if (c >= ESCAPE_BASE && c <= ESCAPE_BASE + 0xFF && rule == ZELMO_CP_ESCAPE) {
            b[0] = (char)(c - ESCAPE_BASE);
            n = 1;
        } else if (!isHigh(c) && !isLow(c)) {
            n = ownBytes(page, t, c, bestFit, b);
        }
        if (n == 0) {
            if (rule != ZELMO_CP_REPLACE)
                return ZELMO_CP_FAILED;
            b[0] = '?';
            n = 1;
        }
        if (o + (size_t)n > cap)
            return ZELMO_CP_FULL;
        memcpy(out + o, b, (size_t)n);
        o += (size_t)n;
        i += used;
    }
    return o;
}

static size_t iconvEncode(iconv_t cd, const uint16_t* in, size_t len, char* out, size_t cap,
                          int rule) {
    Run r = {(char*)in, len * 2, out, cap};
    iconv(cd, NULL, NULL, NULL, NULL);
    int step;
    while ((step = iconvRun(cd, &r)) == 1) {
        uint16_t c;
        memcpy(&c, r.ip, 2);
        size_t used = 2;
        char b = '?';
        if (isHigh(c) && r.il >= 4) {
            uint16_t next;
            memcpy(&next, r.ip + 2, 2);
            used = isLow(next) ? 4 : 2;
        }
        if (rule == ZELMO_CP_ESCAPE && c >= ESCAPE_BASE && c <= ESCAPE_BASE + 0xFF)
            b = (char)(c - ESCAPE_BASE);
        else if (rule != ZELMO_CP_REPLACE)
            return ZELMO_CP_FAILED;
        /* Back to the page's first state, where the byte is taken as it is. */
        if (iconv(cd, NULL, NULL, &r.op, &r.ol) == (size_t)-1 || r.ol < 1)
            return ZELMO_CP_FULL;
        *r.op++ = b;
        --r.ol;
        r.ip += used;
        r.il -= used;
    }
    const size_t end = iconvEnd(cd, &r, step);
    return end != 0 ? end : cap - r.ol;
}

size_t zelmo_cp_encode(int page, const uint16_t* in, size_t len, char* out, size_t cap, int rule) {
    const int bestFit = (rule & ZELMO_CP_BEST_FIT) != 0;
    rule &= 0xFF;
    const ZelmoCpTable* t = zelmo_cp_table(page);
    if (t || page == ZELMO_CP_1252)
        return ownEncode(page, t, in, len, out, cap, rule, bestFit);
    pthread_mutex_lock(&pagesLock);
    Page* p = pageOf(page);
    size_t n = ZELMO_CP_FAILED;
    if (p->known && p->enc == (iconv_t)-1) {
        char name[32];
        iconvName(page, name, sizeof name);
        p->enc = iconv_open(name, UTF16_NATIVE);
    }
    if (p->known && p->enc != (iconv_t)-1)
        n = iconvEncode(p->enc, in, len, out, cap, rule);
    pthread_mutex_unlock(&pagesLock);
    return n;
}
