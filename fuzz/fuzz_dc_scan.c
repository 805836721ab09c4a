/* libFuzzer target: the JPEG plug-in's DC-only thumbnail decoder on the input bytes, checked
 * against the library. The library reads the header; when the decoder takes the scan and
 * decodes it cleanly, the library's own 1/8 picture of the same bytes must come out the
 * same size and without an error, and, except for 4:2:0 chroma (decoded at 2 x 2 by the
 * library), with the same pixels. */
#include "outside/ifjpeg/DcScan.h"

#include <setjmp.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
} Error;

static void onError(j_common_ptr c) {
    longjmp(((Error*)c->err)->jump, 1);
}
static void onMessage(j_common_ptr c, int level) {
    (void)c, (void)level;
}

typedef struct {
    unsigned char* pixels;
    unsigned width, height, rows;
} Picture;

static void takeRow(void* context, const unsigned char* bgr, unsigned y) {
    Picture* p = context;
    if (y != p->rows || y >= p->height)
        abort(); /* rows come in order, each once */
    memcpy(p->pixels + (size_t)y * p->width * 3, bgr, (size_t)p->width * 3);
    ++p->rows;
}

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    struct jpeg_decompress_struct c;
    Error err;
    Picture* volatile fast = NULL;
    unsigned char* volatile row = NULL;
    volatile int decoded = 0, subsampledChroma = 0;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    if (setjmp(err.jump)) {
        /* The library may fail on what the decoder refused, never on what it decoded. */
        if (decoded)
            abort();
        jpeg_destroy_decompress(&c);
        if (fast)
            free(fast->pixels);
        free(fast);
        free(row);
        return 0;
    }
    jpeg_create_decompress(&c);
    c.mem->max_memory_to_use = 256L * 1024 * 1024;
    jpeg_mem_src(&c, data, (unsigned long)size);
    jpeg_read_header(&c, TRUE);
    /* The plug-in's own limit on sides, before the decoder ever runs. */
    if (c.image_width > 16384 || c.image_height > 16384 || !dc_scan_accepts(&c)) {
        jpeg_destroy_decompress(&c);
        return 0;
    }
    fast = calloc(1, sizeof *fast);
    if (!fast)
        abort();
    fast->width = (c.image_width + 7) / 8;
    fast->height = (c.image_height + 7) / 8;
    fast->pixels = malloc((size_t)fast->width * fast->height * 3);
    if (!fast->pixels)
        abort();
    const size_t at = (size_t)(c.src->next_input_byte - data);
    const int result = dc_scan_decode(&c, data + at, size - at, takeRow, NULL, fast);
    if (result != DC_SCAN_DONE) {
        if (result != DC_SCAN_DECLINED || fast->rows != 0)
            abort(); /* no row before a clean end */
        jpeg_destroy_decompress(&c);
        free(fast->pixels);
        free(fast);
        return 0;
    }
    if (fast->rows != fast->height)
        abort();
    for (int i = 1; i < c.num_components; ++i)
        if (c.comp_info[i].h_samp_factor * 2 == c.max_h_samp_factor &&
            c.comp_info[i].v_samp_factor * 2 == c.max_v_samp_factor)
            subsampledChroma = 1;
    decoded = 1;

    jpeg_abort_decompress(&c);
    jpeg_mem_src(&c, data, (unsigned long)size);
    jpeg_read_header(&c, TRUE);
    c.scale_num = 1;
    c.scale_denom = 8;
    c.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&c);
    if (c.output_width != fast->width || c.output_height != fast->height)
        abort();
    row = malloc((size_t)c.output_width * 3);
    if (!row)
        abort();
    while (c.output_scanline < c.output_height) {
        const JDIMENSION y = c.output_scanline;
        JSAMPROW target = row;
        if (jpeg_read_scanlines(&c, &target, 1) != 1)
            abort();
        if (!subsampledChroma &&
            memcmp(row, fast->pixels + (size_t)y * fast->width * 3, (size_t)fast->width * 3))
            abort();
    }
    jpeg_destroy_decompress(&c);
    free(fast->pixels);
    free(fast);
    free(row);
    return 0;
}
