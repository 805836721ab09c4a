/* "ifJpeg.spi": a JPEG as a 24-bit bitmap, on libjpeg-turbo. Grey pictures are spread
 * to three channels; CMYK and YCCK pictures are turned into RGB, with the inverted
 * values that Adobe's writers store. Errors of the library come back through longjmp to
 * the entry, which frees what it made: the library never ends the process.
 *
 * A cut or damaged file gives what the library makes of it, as other viewers show it:
 * missing data decodes grey, and rows after an error in the middle stay grey. Only a
 * file whose header cannot be read gives no picture. A reduced picture is decoded at the
 * smallest of the library's scales (1/8 to 8/8) that still covers it, then averaged down
 * to its size row by row, so the full-size picture is never held. A thumbnail at 1/8 of a
 * plain baseline file is made from the blocks' DC coefficients alone (DcScan.c). */
#include "../spi/SpiCommon.h"
#include "DcScan.h"

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

/* Warnings (corrupt data, a cut file) do not stop the picture: the library goes on and
 * fills what is missing. */
static void onMessage(j_common_ptr c, int level) {
    (void)c, (void)level;
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

/* Source columns (or rows) averaged into each of the target's: source i goes to target
 * i * target / source. Counts per target cell in count. */
static void binMap(JDIMENSION source, JDIMENSION target, unsigned* map, unsigned* count) {
    memset(count, 0, sizeof *count * target);
    for (JDIMENSION i = 0; i < source; ++i) {
        map[i] = (unsigned)((unsigned long long)i * target / source);
        ++count[map[i]];
    }
}

typedef struct {
    JDIMENSION width, height; /* the picture as decoded (possibly DCT-scaled) */
    JDIMENSION targetWidth, targetHeight;
    size_t stride;         /* of the target rows */
    unsigned char* pixels; /* the target's rows, bottom row first */
    unsigned *colMap, *colCount, *rowMap, *rowCount;
    unsigned* sums; /* one target row being averaged, 3 per pixel */
} Reducer;

static void reducerFree(Reducer* r) {
    if (!r)
        return;
    free(r->colMap);
    free(r->colCount);
    free(r->rowMap);
    free(r->rowCount);
    free(r->sums);
    free(r);
}

static int reducerInit(Reducer* r) {
    r->colMap = malloc(sizeof(unsigned) * r->width);
    r->colCount = malloc(sizeof(unsigned) * r->targetWidth);
    r->rowMap = malloc(sizeof(unsigned) * r->height);
    r->rowCount = malloc(sizeof(unsigned) * r->targetHeight);
    r->sums = calloc((size_t)r->targetWidth * 3, sizeof(unsigned));
    if (!r->colMap || !r->colCount || !r->rowMap || !r->rowCount || !r->sums)
        return 0;
    binMap(r->width, r->targetWidth, r->colMap, r->colCount);
    binMap(r->height, r->targetHeight, r->rowMap, r->rowCount);
    return 1;
}

/* Adds source row y (blue, green, red per pixel); writes the target row it completes. A
 * target cell averages at most 2048 x 2048 source pixels (a side of 16384 at 1/8), so the
 * sums stay below 2^31. */
static void reducerAdd(Reducer* r, const unsigned char* bgr, JDIMENSION y) {
    for (JDIMENSION x = 0; x < r->width; ++x, bgr += 3) {
        unsigned* s = r->sums + 3 * (size_t)r->colMap[x];
        s[0] += bgr[0];
        s[1] += bgr[1];
        s[2] += bgr[2];
    }
    const unsigned ty = r->rowMap[y];
    if (y + 1 < r->height && r->rowMap[y + 1] == ty)
        return;
    unsigned char* out = r->pixels + (size_t)(r->targetHeight - 1 - ty) * r->stride;
    for (JDIMENSION x = 0; x < r->targetWidth; ++x) {
        const unsigned n = r->colCount[x] * r->rowCount[ty];
        for (int c = 0; c < 3; ++c)
            out[3 * (size_t)x + c] = (unsigned char)((r->sums[3 * (size_t)x + c] + n / 2) / n);
    }
    memset(r->sums, 0, sizeof(unsigned) * 3 * (size_t)r->targetWidth);
}

/* The smallest scale M/8 of the library whose picture still covers target x targetH. */
static unsigned coveringScale(JDIMENSION width, JDIMENSION height, long long targetW,
                              long long targetH) {
    for (unsigned m = 1; m < 8; ++m)
        if (((long long)width * m + 7) / 8 >= targetW && ((long long)height * m + 7) / 8 >= targetH)
            return m;
    return 8;
}

/* The fast decoder's rows go where the library's would. */
typedef struct {
    unsigned char* pixels;
    size_t stride;
    JDIMENSION width, height;
    Reducer* reducer;
    SpiProgressCallback progress;
    long userData;
} RowSink;

static void sinkRow(void* context, const unsigned char* bgr, unsigned y) {
    RowSink* s = context;
    if (s->reducer)
        reducerAdd(s->reducer, bgr, y);
    else
        memcpy(s->pixels + (size_t)(s->height - 1 - y) * s->stride, bgr, (size_t)s->width * 3);
}

static int sinkProgress(void* context, unsigned done, unsigned total) {
    RowSink* s = context;
    return s->progress && s->progress((int)done, (int)total, s->userData);
}

/* Reads the header up to the first scan and sets the scale for the request: the picture's
 * target size and its rows' size. Errors longjmp. */
static void readHeader(j_decompress_ptr cinfo, SpiInput* in, int maxWidth, int maxHeight,
                       unsigned int flags, long long* targetW, long long* targetH, size_t* stride,
                       size_t* imageSize) {
    if (in->file) {
        jpeg_stdio_src(cinfo, in->file);
    } else {
        if (in->memSize == 0)
            fail((j_common_ptr)cinfo, SPI_BROKEN_DATA);
        jpeg_mem_src(cinfo, in->mem, (unsigned long)in->memSize);
    }
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK)
        fail((j_common_ptr)cinfo, SPI_BROKEN_DATA);
    int r = spi_check_size(cinfo->image_width, cinfo->image_height, 24, stride, imageSize);
    if (r != SPI_OK)
        fail((j_common_ptr)cinfo, r);
    spi_target_size(cinfo->image_width, cinfo->image_height, maxWidth, maxHeight, flags, targetW,
                    targetH);
    if (*targetW != cinfo->image_width || *targetH != cinfo->image_height) {
        r = spi_check_size(*targetW, *targetH, 24, stride, imageSize);
        if (r != SPI_OK)
            fail((j_common_ptr)cinfo, r);
        cinfo->scale_num =
            coveringScale(cinfo->image_width, cinfo->image_height, *targetW, *targetH);
        cinfo->scale_denom = 8;
    }
    const int cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_calc_output_dimensions(cinfo);
}

/* Files up to this size are read whole, once, for both decoders; larger ones are streamed
 * to the library. */
static const size_t MAX_LOADED_FILE = 64u * 1024 * 1024;

static int decode(const char* source, long offset, unsigned int flags, int maxWidth, int maxHeight,
                  SpiHandle* info, SpiHandle* bits, long* ownWidth, long* ownHeight,
                  SpiProgressCallback progress, long userData) {
    if (!info || !bits)
        return SPI_INTERNAL_ERROR;
    *info = NULL;
    *bits = NULL;
    SpiInput in;
    int r = spi_input_open(&in, source, offset, flags);
    if (r != SPI_OK)
        return r;
    spi_input_load(&in, MAX_LOADED_FILE);

    struct jpeg_decompress_struct cinfo;
    ErrorManager err;
    ProgressManager prog;
    Reducer* volatile reducer = NULL;
    /* Changed after setjmp and read after longjmp: volatile. */
    SpiHandle volatile infoBlock = NULL;
    SpiHandle volatile bitsBlock = NULL;
    JSAMPLE* volatile row = NULL;
    unsigned char* volatile bgrRow = NULL;
    volatile int rowsStarted = 0;

    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.pub.output_message = quiet;
    err.result = SPI_BROKEN_DATA;
    if (setjmp(err.jump)) {
        /* An error in the middle of the rows keeps the rows made so far; the rest stay
         * grey. Running out of memory or being cancelled gives nothing. */
        const int keep = rowsStarted && err.result == SPI_BROKEN_DATA;
        jpeg_destroy_decompress(&cinfo);
        free(row);
        free(bgrRow);
        reducerFree(reducer);
        spi_input_close(&in);
        if (keep) {
            *info = infoBlock;
            *bits = bitsBlock;
            return SPI_OK;
        }
        SpiFreeBlock(infoBlock);
        SpiFreeBlock(bitsBlock);
        return err.result;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = MAX_LIBRARY_MEMORY;
    memset(&prog, 0, sizeof prog);
    prog.pub.progress_monitor = onProgress;
    prog.callback = progress;
    prog.userData = userData;
    cinfo.progress = &prog.pub;

    size_t stride = 0, imageSize = 0;
    long long targetW = 0, targetH = 0;
    readHeader(&cinfo, &in, maxWidth, maxHeight, flags, &targetW, &targetH, &stride, &imageSize);
    const int cmyk = cinfo.out_color_space == JCS_CMYK;
    const JDIMENSION width = cinfo.output_width, height = cinfo.output_height;
    if (width < targetW || height < targetH)
        fail((j_common_ptr)&cinfo, SPI_INTERNAL_ERROR);
    const int reduce = width != targetW || height != targetH;

    infoBlock = spi_block_new(SPI_DIB_HEADER_SIZE);
    bitsBlock = spi_block_new(imageSize);
    if (cmyk)
        row = malloc((size_t)width * 4);
    if (cmyk || reduce)
        bgrRow = malloc((size_t)width * 3);
    if (!infoBlock || !bitsBlock || (cmyk && !row) || ((cmyk || reduce) && !bgrRow))
        fail((j_common_ptr)&cinfo, SPI_NO_MEMORY);
    spi_write_header(spi_block_bytes(infoBlock), (uint32_t)targetW, (uint32_t)targetH, 24, 0,
                     (uint32_t)imageSize);
    unsigned char* pixels = spi_block_bytes(bitsBlock);
    memset(pixels, 128, imageSize); /* grey until decoded */
    if (reduce) {
        reducer = calloc(1, sizeof(Reducer));
        if (!reducer)
            fail((j_common_ptr)&cinfo, SPI_NO_MEMORY);
        reducer->width = width;
        reducer->height = height;
        reducer->targetWidth = (JDIMENSION)targetW;
        reducer->targetHeight = (JDIMENSION)targetH;
        reducer->stride = stride;
        reducer->pixels = pixels;
        if (!reducerInit(reducer))
            fail((j_common_ptr)&cinfo, SPI_NO_MEMORY);
    }
    if (ownWidth)
        *ownWidth = (long)cinfo.image_width;
    if (ownHeight)
        *ownHeight = (long)cinfo.image_height;

    /* A thumbnail of a plain baseline file needs only each block's mean. The fast decoder
     * hands out rows only once its whole scan decoded; when it declines, the library
     * decodes the file from its start. */
    if (cinfo.scale_num == 1 && cinfo.scale_denom == 8 && !in.file && dc_scan_accepts(&cinfo)) {
        RowSink sink = {pixels, stride, width, height, reducer, progress, userData};
        const size_t at = (size_t)(cinfo.src->next_input_byte - in.mem);
        r = dc_scan_decode(&cinfo, in.mem + at, in.memSize - at, sinkRow, sinkProgress, &sink);
        if (r == DC_SCAN_CANCELLED)
            fail((j_common_ptr)&cinfo, SPI_CANCELLED);
        if (r == DC_SCAN_NO_MEMORY)
            fail((j_common_ptr)&cinfo, SPI_NO_MEMORY);
        if (r == DC_SCAN_DONE) {
            jpeg_destroy_decompress(&cinfo);
            free(bgrRow);
            reducerFree(reducer);
            spi_input_close(&in);
            *info = infoBlock;
            *bits = bitsBlock;
            return SPI_OK;
        }
        jpeg_abort_decompress(&cinfo);
        readHeader(&cinfo, &in, maxWidth, maxHeight, flags, &targetW, &targetH, &stride,
                   &imageSize);
    }

    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != width || cinfo.output_height != height)
        fail((j_common_ptr)&cinfo, SPI_INTERNAL_ERROR);
    rowsStarted = 1;
    while (cinfo.output_scanline < height) {
        const JDIMENSION y = cinfo.output_scanline;
        unsigned char* dest = reduce ? bgrRow : pixels + (size_t)(height - 1 - y) * stride;
        JSAMPROW target = cmyk ? row : dest;
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1)
            fail((j_common_ptr)&cinfo, SPI_BROKEN_DATA);
        if (cmyk)
            cmykToBgr(row, dest, width, cinfo.saw_Adobe_marker);
        if (reduce)
            reducerAdd(reducer, bgrRow, y);
    }
    /* Every row is in; what may follow the last one (the end marker) is not needed. */
    jpeg_destroy_decompress(&cinfo);
    free(row);
    free(bgrRow);
    reducerFree(reducer);
    spi_input_close(&in);
    *info = infoBlock;
    *bits = bitsBlock;
    return SPI_OK;
}

int GetPicture(const char* source, long offset, unsigned int flags, SpiHandle* info,
               SpiHandle* bits, SpiProgressCallback progress, long userData) {
    return decode(source, offset, flags & SPI_INPUT_MASK, 0, 0, info, bits, NULL, NULL, progress,
                  userData);
}

#ifndef ZELMO_SPI_WITHOUT_SCALED
int GetPictureScaled(const char* source, long offset, unsigned int flags, int maxWidth,
                     int maxHeight, SpiHandle* info, SpiHandle* bits, long* width, long* height,
                     SpiProgressCallback progress, long userData) {
    return decode(source, offset, flags, maxWidth, maxHeight, info, bits, width, height, progress,
                  userData);
}
#endif
