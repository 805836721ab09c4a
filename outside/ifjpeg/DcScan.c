/* The DC-only decoder of a baseline scan. Its arithmetic follows the library's own at
 * 1/8 (the 1 x 1 inverse DCT with its range limit, chroma repeated over the luma blocks it
 * covers, the same fixed-point YCbCr conversion), so grey, 4:4:4 and 4:2:2 pictures come
 * out as the library makes them. For 4:2:0 the library decodes chroma at 2 x 2 from its
 * first AC coefficients; here it is the block's mean, a difference of a level or two. */
#include "DcScan.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

enum {
    LOOK = 12, /* bits looked up at once; longer codes take the slow way */
    ENTRY_EOB = 1 << 13,
    MAX_BLOCKS_IN_MCU = 10, /* the library's limit */
    MAX_SCAN_COMPONENTS = 3
};

/* One Huffman table as the skipping needs it, indexed by the next LOOK bits of data.
 * length and symbol: the code those bits begin with (length 0: a longer code, or none).
 * skip: for AC, as many whole codes with their magnitude bits as begin within the LOOK
 * bits: the bits they take (bits 0-4), the positions they advance (bits 5-12: run + 1
 * each, 16 for a run of 16 zeros), ENTRY_EOB when the last ends the block; 0 when the
 * first code is longer. */
typedef struct {
    uint32_t skip[1 << LOOK];
    uint8_t length[1 << LOOK];
    uint8_t symbol[1 << LOOK];
    int32_t maxcode[18]; /* the largest code of each length, -1 for none */
    int32_t valoffset[18];
    uint8_t huffval[256];
} Table;

/* The library's checks of a table (jpeg_make_d_derived_tbl) make a table it refuses one
 * this decoder declines. */
static int buildTable(const JHUFF_TBL* h, int dc, Table* t) {
    if (!h)
        return 0;
    unsigned char size[257];
    unsigned code[257];
    int n = 0;
    for (int l = 1; l <= 16; ++l) {
        const int count = h->bits[l];
        if (n + count > 256)
            return 0;
        for (int i = 0; i < count; ++i)
            size[n++] = (unsigned char)l;
    }
    size[n] = 0;
    unsigned c = 0;
    int si = size[0];
    for (int p = 0; size[p];) {
        while (size[p] == si)
            code[p++] = c++;
        if (c >= (1u << si))
            return 0;
        c <<= 1;
        ++si;
    }
    memcpy(t->huffval, h->huffval, sizeof t->huffval);
    for (int p = 0, l = 1; l <= 16; ++l) {
        if (h->bits[l]) {
            t->valoffset[l] = p - (int32_t)code[p];
            p += h->bits[l];
            t->maxcode[l] = (int32_t)code[p - 1];
        } else {
            t->maxcode[l] = -1;
        }
    }
    t->maxcode[17] = 0x7fffffff;
    memset(t->length, 0, sizeof t->length);
    for (int p = 0; p < n; ++p) {
        if (dc && h->huffval[p] > 15)
            return 0;
        if (size[p] > LOOK)
            continue;
        const unsigned first = code[p] << (LOOK - size[p]), count = 1u << (LOOK - size[p]);
        memset(t->length + first, size[p], count);
        memset(t->symbol + first, h->huffval[p], count);
    }
    if (dc)
        return 1;
    const unsigned mask = (1u << LOOK) - 1;
    for (unsigned i = 0; i <= mask; ++i) {
        unsigned at = 0, advance = 0, eob = 0;
        while (at < LOOK) {
            const unsigned next = (i << at) & mask, length = t->length[next];
            if (!length || length > LOOK - at)
                break;
            const unsigned sym = t->symbol[next], r = sym >> 4, s = sym & 15;
            at += length + s;
            if (s) {
                advance += r + 1;
            } else if (r == 15) {
                advance += 16;
            } else {
                eob = ENTRY_EOB;
                break;
            }
        }
        t->skip[i] = at ? at | advance << 5 | eob : 0;
    }
    return 1;
}

/* The entropy-coded bits, most significant first in buf. bits counts the real ones; past a
 * marker or the end zeros come in and bits goes below zero once they are used. */
typedef struct {
    uint64_t buf;
    int bits;
    const uint8_t *p, *end;
} Bits;

/* Loads bytes until more than 56 bits are in or a marker or the end is reached. */
static void fillSlow(Bits* b) {
    if (b->bits < 0)
        return; /* already past the end */
    while (b->bits <= 56 && b->p < b->end) {
        const uint8_t c = b->p[0];
        if (c == 0xFF) {
            /* Only a stuffed 0xFF is data; a marker (or fill bytes before one) ends it. */
            if (b->end - b->p < 2 || b->p[1] != 0)
                return;
            b->p += 2;
        } else {
            ++b->p;
        }
        b->buf |= (uint64_t)c << (56 - b->bits);
        b->bits += 8;
    }
}

/* At least 32 bits in: eight bytes at once where none of them is 0xFF. */
static inline void fill(Bits* b) {
    if (b->bits >= 32)
        return;
    if (b->end - b->p >= 8) {
        uint64_t w;
        memcpy(&w, b->p, 8);
        w = __builtin_bswap64(w);
        const uint64_t inverted = ~w;
        if (!((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull)) {
            b->buf |= w >> b->bits;
            b->p += (63 - b->bits) >> 3;
            b->bits |= 56;
            return;
        }
    }
    fillSlow(b);
}

static inline void drop(Bits* b, int n) {
    b->buf <<= n;
    b->bits -= n;
}

/* The code the data begins with: its symbol, or -1 for a code not in the table. */
static int symbolAt(uint64_t buf, const Table* t, int* length) {
    const unsigned top = (unsigned)(buf >> (64 - LOOK));
    if (t->length[top]) {
        *length = t->length[top];
        return t->symbol[top];
    }
    const int32_t peek = (int32_t)(buf >> 48);
    for (int l = LOOK + 1; l <= 16; ++l) {
        const int32_t code = peek >> (16 - l);
        if (code <= t->maxcode[l]) {
            *length = l;
            return t->huffval[(code + t->valoffset[l]) & 0xFF];
        }
    }
    return -1;
}

/* One block: the DC difference added to *dc, the AC codes skipped, several per look-up
 * while they all fall inside the block. 0 on a bad code. The reader's state is kept in
 * locals here, where nearly all the time goes. */
static int skipBlock(Bits* reader, const Table* dct, const Table* act, int* dc) {
    Bits b = *reader;
    fill(&b);
    int length;
    int s = symbolAt(b.buf, dct, &length);
    if (s < 0)
        return 0;
    drop(&b, length);
    if (s) {
        int v = (int)(b.buf >> (64 - s));
        drop(&b, s);
        if (v < (1 << (s - 1)))
            v -= (1 << s) - 1;
        *dc += v;
    }
    for (unsigned k = 1; k < 64;) {
        fill(&b);
        const uint32_t e = act->skip[b.buf >> (64 - LOOK)];
        if (e && k + (e >> 5 & 255) < 64) {
            drop(&b, e & 31);
            if (e & ENTRY_EOB)
                break;
            k += e >> 5 & 255;
            continue;
        }
        /* A long code, or the block's last positions: one code at a time, as the library
         * reads them (a run past the end ends the block too). */
        const int sym = symbolAt(b.buf, act, &length);
        if (sym < 0)
            return 0;
        const int r = sym >> 4;
        s = sym & 15;
        drop(&b, length + s);
        if (s)
            k += (unsigned)r + 1;
        else if (r == 15)
            k += 16;
        else
            break;
    }
    *reader = b;
    return b.bits >= 0;
}

/* The library's range limit after its inverse DCT (value & 1023, centred on 128); a DC
 * far out of range wraps as it does there. */
static uint8_t idctLimit(int value) {
    const int v = value & 1023;
    return (uint8_t)(v < 128 ? v + 128 : v < 512 ? 255 : v < 896 ? 0 : v - 896);
}

static uint8_t clamp255(int v) {
    return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v);
}

#define FIX(x) ((int32_t)((x)*65536.0 + 0.5))

typedef struct {
    const Table *dc, *ac;
    int quant;
    int h, v;               /* blocks of the component in one MCU */
    unsigned width, height; /* its plane, in blocks */
    uint8_t* plane;         /* one pixel per block */
} Component;

int dc_scan_accepts(const struct jpeg_decompress_struct* c) {
    if (c->progressive_mode || c->arith_code || c->data_precision != 8 ||
        c->comps_in_scan != c->num_components || c->Ss != 0 || c->Se != 63 || c->Ah || c->Al)
        return 0;
    if (!(c->num_components == 1 && c->jpeg_color_space == JCS_GRAYSCALE) &&
        !(c->num_components == 3 && c->jpeg_color_space == JCS_YCbCr))
        return 0;
    int blocks = 0;
    for (int i = 0; i < c->num_components; ++i) {
        const jpeg_component_info* comp = &c->comp_info[i];
        if (comp->h_samp_factor < 1 || comp->h_samp_factor > 2 || comp->v_samp_factor < 1 ||
            comp->v_samp_factor > 2 || comp->quant_tbl_no < 0 ||
            comp->quant_tbl_no >= NUM_QUANT_TBLS || !c->quant_tbl_ptrs[comp->quant_tbl_no] ||
            c->quant_tbl_ptrs[comp->quant_tbl_no]->quantval[0] > 32767)
            return 0; /* past 15 bits the library's multiplier may wrap */
        blocks += comp->h_samp_factor * comp->v_samp_factor;
    }
    /* Chroma is repeated over the luma blocks: luma must have the largest factors. */
    if (c->comp_info[0].h_samp_factor != c->max_h_samp_factor ||
        c->comp_info[0].v_samp_factor != c->max_v_samp_factor ||
        (c->num_components > 1 && blocks > MAX_BLOCKS_IN_MCU))
        return 0;
    for (int i = 0; i < c->comps_in_scan; ++i) {
        const jpeg_component_info* comp = c->cur_comp_info[i];
        if (!comp || comp->dc_tbl_no < 0 || comp->dc_tbl_no >= NUM_HUFF_TBLS ||
            comp->ac_tbl_no < 0 || comp->ac_tbl_no >= NUM_HUFF_TBLS ||
            !c->dc_huff_tbl_ptrs[comp->dc_tbl_no] || !c->ac_huff_tbl_ptrs[comp->ac_tbl_no])
            return 0;
    }
    return 1;
}

/* After restart_interval MCUs: the rest of the current byte is padding, then RSTn. */
static int restart(Bits* b, int n) {
    if (b->bits < 0 || b->bits >= 8 || b->end - b->p < 2 || b->p[0] != 0xFF || b->p[1] != 0xD0 + n)
        return 0;
    b->p += 2;
    b->buf = 0;
    b->bits = 0;
    return 1;
}

/* Every block's DC into the planes. */
static int decodeScan(const struct jpeg_decompress_struct* c, Component* comps, Bits* b,
                      DcScanProgressFn progress, void* context) {
    const int interleaved = c->comps_in_scan > 1;
    const unsigned mcusX = interleaved ? comps[0].width / (unsigned)comps[0].h : comps[0].width;
    const unsigned mcusY = interleaved ? comps[0].height / (unsigned)comps[0].v : comps[0].height;
    Component* order[MAX_SCAN_COMPONENTS];
    for (int i = 0; i < c->comps_in_scan; ++i)
        order[i] = &comps[c->cur_comp_info[i]->component_index];
    int dc[MAX_SCAN_COMPONENTS] = {0};
    unsigned restartsLeft = c->restart_interval;
    int nextRestart = 0;
    for (unsigned my = 0; my < mcusY; ++my) {
        if (progress && progress(context, my, mcusY))
            return DC_SCAN_CANCELLED;
        for (unsigned mx = 0; mx < mcusX; ++mx) {
            if (c->restart_interval) {
                if (restartsLeft == 0) {
                    if (!restart(b, nextRestart))
                        return DC_SCAN_DECLINED;
                    nextRestart = (nextRestart + 1) & 7;
                    restartsLeft = c->restart_interval;
                    memset(dc, 0, sizeof dc);
                }
                --restartsLeft;
            }
            for (int i = 0; i < c->comps_in_scan; ++i) {
                Component* k = order[i];
                const int ci = (int)(k - comps);
                const int h = interleaved ? k->h : 1, v = interleaved ? k->v : 1;
                for (int by = 0; by < v; ++by) {
                    uint8_t* out = k->plane + (size_t)(my * (unsigned)v + (unsigned)by) * k->width +
                                   mx * (unsigned)h;
                    for (int bx = 0; bx < h; ++bx) {
                        if (!skipBlock(b, k->dc, k->ac, &dc[ci]))
                            return DC_SCAN_DECLINED;
                        /* A DC past 16 bits is no 8-bit picture's: leave it to the library. */
                        if (dc[ci] < -32768 || dc[ci] > 32767)
                            return DC_SCAN_DECLINED;
                        out[bx] = idctLimit((dc[ci] * k->quant + 4) >> 3);
                    }
                }
            }
        }
    }
    return DC_SCAN_DONE;
}

/* The planes to rows of blue, green, red. */
static int emitRows(const struct jpeg_decompress_struct* c, const Component* comps, DcScanRowFn row,
                    void* context) {
    const unsigned width = (c->image_width + 7) / 8, height = (c->image_height + 7) / 8;
    uint8_t* bgr = malloc((size_t)width * 3);
    if (!bgr)
        return DC_SCAN_NO_MEMORY;
    const int colour = c->num_components == 3;
    const int rh1 = colour ? comps[0].h / comps[1].h : 1,
              rv1 = colour ? comps[0].v / comps[1].v : 1;
    const int rh2 = colour ? comps[0].h / comps[2].h : 1,
              rv2 = colour ? comps[0].v / comps[2].v : 1;
    for (unsigned y = 0; y < height; ++y) {
        const uint8_t* luma = comps[0].plane + (size_t)y * comps[0].width;
        uint8_t* o = bgr;
        if (!colour) {
            for (unsigned x = 0; x < width; ++x, o += 3)
                o[0] = o[1] = o[2] = luma[x];
        } else {
            const uint8_t* cbRow = comps[1].plane + (size_t)(y / (unsigned)rv1) * comps[1].width;
            const uint8_t* crRow = comps[2].plane + (size_t)(y / (unsigned)rv2) * comps[2].width;
            for (unsigned x = 0; x < width; ++x, o += 3) {
                const int l = luma[x], cb = cbRow[x / (unsigned)rh1] - 128,
                          cr = crRow[x / (unsigned)rh2] - 128;
                o[2] = clamp255(l + ((FIX(1.40200) * cr + 32768) >> 16));
                o[1] = clamp255(l + ((-FIX(0.34414) * cb + 32768 - FIX(0.71414) * cr) >> 16));
                o[0] = clamp255(l + ((FIX(1.77200) * cb + 32768) >> 16));
            }
        }
        row(context, bgr, y);
    }
    free(bgr);
    return DC_SCAN_DONE;
}

int dc_scan_decode(const struct jpeg_decompress_struct* c, const unsigned char* data, size_t size,
                   DcScanRowFn row, DcScanProgressFn progress, void* context) {
    if (!dc_scan_accepts(c))
        return DC_SCAN_DECLINED;
    const int n = c->num_components;
    const int interleaved = c->comps_in_scan > 1;
    const unsigned mcusX = interleaved
                               ? (c->image_width + 8u * (unsigned)c->max_h_samp_factor - 1) /
                                     (8u * (unsigned)c->max_h_samp_factor)
                               : c->comp_info[0].width_in_blocks;
    const unsigned mcusY = interleaved
                               ? (c->image_height + 8u * (unsigned)c->max_v_samp_factor - 1) /
                                     (8u * (unsigned)c->max_v_samp_factor)
                               : c->comp_info[0].height_in_blocks;
    /* Each table the scan uses, made once: DC ones first, then AC. */
    Table* tables = malloc(sizeof(Table) * 2 * NUM_HUFF_TBLS);
    int built[2 * NUM_HUFF_TBLS] = {0};
    Component comps[MAX_SCAN_COMPONENTS];
    memset(comps, 0, sizeof comps);
    int result = tables ? DC_SCAN_DONE : DC_SCAN_NO_MEMORY;
    for (int i = 0; i < n && result == DC_SCAN_DONE; ++i) {
        const jpeg_component_info* info = &c->comp_info[i];
        Component* k = &comps[i];
        k->h = info->h_samp_factor;
        k->v = info->v_samp_factor;
        k->width = mcusX * (interleaved ? (unsigned)k->h : 1u);
        k->height = mcusY * (interleaved ? (unsigned)k->v : 1u);
        k->quant = c->quant_tbl_ptrs[info->quant_tbl_no]->quantval[0];
        const int dcAt = info->dc_tbl_no, acAt = NUM_HUFF_TBLS + info->ac_tbl_no;
        if ((!built[dcAt] && !buildTable(c->dc_huff_tbl_ptrs[info->dc_tbl_no], 1, &tables[dcAt])) ||
            (!built[acAt] && !buildTable(c->ac_huff_tbl_ptrs[info->ac_tbl_no], 0, &tables[acAt])))
            result = DC_SCAN_DECLINED;
        built[dcAt] = built[acAt] = 1;
        k->dc = &tables[dcAt];
        k->ac = &tables[acAt];
        k->plane = malloc((size_t)k->width * k->height);
        if (!k->plane)
            result = DC_SCAN_NO_MEMORY;
    }
    if (result == DC_SCAN_DONE) {
        /* The luma plane must cover the picture's 1/8 size. */
        if (comps[0].width * 8 < c->image_width || comps[0].height * 8 < c->image_height)
            result = DC_SCAN_DECLINED;
    }
    if (result == DC_SCAN_DONE) {
        Bits b = {0, 0, data, data + size};
        result = decodeScan(c, comps, &b, progress, context);
    }
    if (result == DC_SCAN_DONE)
        result = emitRows(c, comps, row, context);
    for (int i = 0; i < n; ++i)
        free(comps[i].plane);
    free(tables);
    return result;
}
