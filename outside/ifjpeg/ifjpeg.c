/* "ifJpeg.spi": a JPEG as a 24-bit bitmap, on libjpeg-turbo. Grey pictures are spread
 * to three channels; CMYK and YCCK pictures are turned into RGB, with the inverted
 * values that Adobe's writers store. Errors of the library come back through longjmp to
 * GetPicture, which frees what it made: the library never ends the process. */
#include "../spi/SpiCommon.h"

#include <jpeglib.h>
/* After jpeglib.h: the list of messages depends on its configuration. */
#include <jerror.h>
#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

enum {
    MAX_SCANS = 500, /* a progressive file with more scans is a denial of service */
    MAX_LIBRARY_MEMORY = 512 * 1024 * 1024
};

typedef struct {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
    int result;
} ErrorManager;

typedef struct {
    struct jpeg_progress_mgr pub;
    SpiProgressCallback callback;
    long userData;
} ProgressManager;

static void fail(j_common_ptr c, int result) {
    ErrorManager* e = (ErrorManager*)c->err;
    e->result = result;
    longjmp(e->jump, 1);
}

static void onError(j_common_ptr c) {
    fail(c, c->err->msg_code == JERR_OUT_OF_MEMORY ? SPI_NO_MEMORY : SPI_BROKEN_DATA);
}

/* Warnings that mean picture data was lost (a cut file, corrupt entropy data) fail the
 * picture; the harmless ones (stray bytes between markers, odd version fields) do not. */
static void onMessage(j_common_ptr c, int level) {
    if (level >= 0)
        return;
    switch (c->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
#if JPEG_LIB_VERSION >= 70 || defined(D_ARITH_CODING_SUPPORTED)
    case JWRN_ARITH_BAD_CODE:
#endif
    case JWRN_MUST_RESYNC:
        fail(c, SPI_BROKEN_DATA);
        break;
    default:
        break;
    }
}

static void quiet(j_common_ptr c) {
    (void)c;
}

static void onProgress(j_common_ptr c) {
    j_decompress_ptr d = (j_decompress_ptr)c;
    if (d->input_scan_number > MAX_SCANS)
        fail(c, SPI_BROKEN_DATA);
    ProgressManager* p = (ProgressManager*)c->progress;
    if (p->callback && p->pub.pass_limit > 0 &&
        p->callback((int)(p->pub.pass_counter & 0x7fffffff), (int)(p->pub.pass_limit & 0x7fffffff),
                    p->userData))
        fail(c, SPI_CANCELLED);
}

/* One CMYK row to blue, green, red. Adobe's writers store the four values inverted. */
static void cmykToBgr(const JSAMPLE* in, unsigned char* out, JDIMENSION width, int inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = (unsigned char)((y * k + 127) / 255);
        out[1] = (unsigned char)((m * k + 127) / 255);
        out[2] = (unsigned char)((c * k + 127) / 255);
    }
}

int GetPicture(const char* source, long offset, unsigned int flags, SpiHandle* info,
               SpiHandle* bits, SpiProgressCallback progress, long userData) {
    if (!info || !bits)
        return SPI_INTERNAL_ERROR;
    *info = NULL;
    *bits = NULL;
    SpiInput in;
    int r = spi_input_open(&in, source, offset, flags);
    if (r != SPI_OK)
        return r;

    struct jpeg_decompress_struct cinfo;
    ErrorManager err;
    ProgressManager prog;
    /* Changed after setjmp and read after longjmp: volatile. */
    SpiHandle volatile infoBlock = NULL;
    SpiHandle volatile bitsBlock = NULL;
    JSAMPLE* volatile row = NULL;

    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.pub.output_message = quiet;
    err.result = SPI_BROKEN_DATA;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        free(row);
        SpiFreeBlock(infoBlock);
        SpiFreeBlock(bitsBlock);
        spi_input_close(&in);
        return err.result;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = MAX_LIBRARY_MEMORY;
    memset(&prog, 0, sizeof prog);
    prog.pub.progress_monitor = onProgress;
    prog.callback = progress;
    prog.userData = userData;
    cinfo.progress = &prog.pub;
    if (in.file) {
        jpeg_stdio_src(&cinfo, in.file);
    } else {
        if (in.memSize == 0)
            fail((j_common_ptr)&cinfo, SPI_BROKEN_DATA);
        jpeg_mem_src(&cinfo, in.mem, (unsigned long)in.memSize);
    }

    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        fail((j_common_ptr)&cinfo, SPI_BROKEN_DATA);
    size_t stride = 0, imageSize = 0;
    r = spi_check_size(cinfo.image_width, cinfo.image_height, 24, &stride, &imageSize);
    if (r != SPI_OK)
        fail((j_common_ptr)&cinfo, r);

    const int cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const JDIMENSION width = cinfo.output_width, height = cinfo.output_height;
    if (width != cinfo.image_width || height != cinfo.image_height)
        fail((j_common_ptr)&cinfo, SPI_INTERNAL_ERROR);

    infoBlock = spi_block_new(SPI_DIB_HEADER_SIZE);
    bitsBlock = spi_block_new(imageSize);
    if (cmyk)
        row = malloc((size_t)width * 4);
    if (!infoBlock || !bitsBlock || (cmyk && !row))
        fail((j_common_ptr)&cinfo, SPI_NO_MEMORY);
    spi_write_header(spi_block_bytes(infoBlock), width, height, 24, 0, (uint32_t)imageSize);

    unsigned char* pixels = spi_block_bytes(bitsBlock);
    while (cinfo.output_scanline < height) {
        unsigned char* dest = pixels + (size_t)(height - 1 - cinfo.output_scanline) * stride;
        JSAMPROW target = cmyk ? row : dest;
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1)
            fail((j_common_ptr)&cinfo, SPI_BROKEN_DATA);
        if (cmyk)
            cmykToBgr(row, dest, width, cinfo.saw_Adobe_marker);
    }
    /* Every row is in; what may follow the last one (the end marker) is not needed. */
    jpeg_destroy_decompress(&cinfo);
    free(row);
    spi_input_close(&in);
    *info = infoBlock;
    *bits = bitsBlock;
    return SPI_OK;
}
