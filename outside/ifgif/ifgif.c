/* "ifgif.spi": the first frame of a GIF as an 8-bit bitmap with a 256-entry palette, on
 * giflib. The frame is placed on the GIF's logical screen; transparent pixels and the
 * screen around the frame are white, because the bitmap carries no alpha. A reduced
 * picture samples the screen: each target pixel takes the screen pixel at its centre, so
 * only the target is ever held, whatever size the screen declares. */
#include "../spi/SpiCommon.h"

#include <gif_lib.h>
#include <stdlib.h>
#include <string.h>

enum { PALETTE_SIZE = 256 };

static int readInput(GifFileType* gif, GifByteType* buffer, int n) {
    if (n <= 0)
        return 0;
    return (int)spi_input_read((SpiInput*)gif->UserData, buffer, (size_t)n);
}

static int colourDistanceToWhite(const unsigned char* bgr0) {
    return (255 - bgr0[0]) + (255 - bgr0[1]) + (255 - bgr0[2]);
}

/* Fills the palette (blue, green, red, 0 per entry) and answers the index that stands for
 * "nothing here": the transparent index made white, else a spare entry made white, else
 * the entry nearest to white. */
static int buildPalette(unsigned char* palette, const ColorMapObject* map, int transparent) {
    int count = 0;
    if (map && map->Colors && map->ColorCount > 0) {
        count = map->ColorCount < PALETTE_SIZE ? map->ColorCount : PALETTE_SIZE;
        for (int i = 0; i < count; ++i) {
            palette[4 * i] = map->Colors[i].Blue;
            palette[4 * i + 1] = map->Colors[i].Green;
            palette[4 * i + 2] = map->Colors[i].Red;
        }
    } else {
        /* No colour map at all: a grey ramp, as the format suggests. */
        count = PALETTE_SIZE;
        for (int i = 0; i < PALETTE_SIZE; ++i)
            memset(palette + 4 * i, i, 3);
    }
    int blank = transparent;
    if (blank < 0 || blank >= PALETTE_SIZE) {
        if (count < PALETTE_SIZE) {
            blank = count;
        } else {
            blank = 0;
            for (int i = 1; i < PALETTE_SIZE; ++i)
                if (colourDistanceToWhite(palette + 4 * i) <
                    colourDistanceToWhite(palette + 4 * blank))
                    blank = i;
            return blank;
        }
    }
    memset(palette + 4 * blank, 255, 3);
    return blank;
}

typedef struct {
    int maxWidth, maxHeight;
    unsigned int flags;
    long *ownWidth, *ownHeight;
    SpiProgressCallback progress;
    long userData;
} Request;

/* The centre of target cell i among target cells over source pixels. */
static long long sampleAt(long long i, long long target, long long source) {
    return (2 * i + 1) * source / (2 * target);
}

static int decodeImage(GifFileType* gif, int transparent, SpiHandle* info, SpiHandle* bits,
                       const Request* q) {
    const GifImageDesc* d = &gif->Image;
    if (d->Left < 0 || d->Top < 0 || d->Width <= 0 || d->Height <= 0)
        return SPI_BROKEN_DATA;
    long long right = (long long)d->Left + d->Width, bottom = (long long)d->Top + d->Height;
    long long width = gif->SWidth > right ? gif->SWidth : right;
    long long height = gif->SHeight > bottom ? gif->SHeight : bottom;
    size_t stride = 0, imageSize = 0;
    int r = spi_check_size(width, height, 8, &stride, &imageSize);
    if (r != SPI_OK)
        return r;
    long long targetW = width, targetH = height;
    spi_target_size(width, height, q->maxWidth, q->maxHeight, q->flags, &targetW, &targetH);
    r = spi_check_size(targetW, targetH, 8, &stride, &imageSize);
    if (r != SPI_OK)
        return r;
    const int sampled = targetW != width || targetH != height;

    SpiHandle infoBlock = spi_block_new(SPI_DIB_HEADER_SIZE + 4 * PALETTE_SIZE);
    SpiHandle bitsBlock = spi_block_new(imageSize);
    GifPixelType* line = malloc((size_t)d->Width);
    /* Per frame row the target row that samples it (or -1), per target column the frame
     * column it samples (or -1). */
    int* rowTarget = sampled ? malloc(sizeof(int) * (size_t)d->Height) : NULL;
    int* columnSource = sampled ? malloc(sizeof(int) * (size_t)targetW) : NULL;
    if (!infoBlock || !bitsBlock || !line || (sampled && (!rowTarget || !columnSource))) {
        r = SPI_NO_MEMORY;
        goto fail;
    }
    unsigned char* header = spi_block_bytes(infoBlock);
    spi_write_header(header, (uint32_t)targetW, (uint32_t)targetH, 8, PALETTE_SIZE,
                     (uint32_t)imageSize);
    const int blank = buildPalette(header + SPI_DIB_HEADER_SIZE,
                                   d->ColorMap ? d->ColorMap : gif->SColorMap, transparent);
    unsigned char* pixels = spi_block_bytes(bitsBlock);
    for (long long y = 0; y < targetH; ++y)
        memset(pixels + (size_t)y * stride, blank, (size_t)targetW);
    if (sampled) {
        for (int row = 0; row < d->Height; ++row)
            rowTarget[row] = -1;
        for (long long ty = 0; ty < targetH; ++ty) {
            const long long y = sampleAt(ty, targetH, height) - d->Top;
            if (y >= 0 && y < d->Height)
                rowTarget[y] = (int)ty;
        }
        for (long long tx = 0; tx < targetW; ++tx) {
            const long long x = sampleAt(tx, targetW, width) - d->Left;
            columnSource[tx] = x >= 0 && x < d->Width ? (int)x : -1;
        }
    }

    /* Interlaced frames come in four passes: every 8th row from 0, every 8th from 4,
     * every 4th from 2, every 2nd from 1. */
    static const int passStart[4] = {0, 4, 2, 1}, passStep[4] = {8, 8, 4, 2};
    const int passes = d->Interlace ? 4 : 1;
    int done = 0;
    for (int p = 0; p < passes; ++p) {
        const int start = d->Interlace ? passStart[p] : 0, step = d->Interlace ? passStep[p] : 1;
        for (int row = start; row < d->Height; row += step) {
            if (DGifGetLine(gif, line, d->Width) == GIF_ERROR) {
                r = SPI_BROKEN_DATA;
                goto fail;
            }
            if (!sampled) {
                unsigned char* dest = pixels + (size_t)(height - 1 - (d->Top + row)) * stride;
                memcpy(dest + d->Left, line, (size_t)d->Width);
            } else if (rowTarget[row] >= 0) {
                unsigned char* dest = pixels + (size_t)(targetH - 1 - rowTarget[row]) * stride;
                for (long long tx = 0; tx < targetW; ++tx)
                    if (columnSource[tx] >= 0)
                        dest[tx] = line[columnSource[tx]];
            }
            if (q->progress && (++done & 63) == 0 && q->progress(done, d->Height, q->userData)) {
                r = SPI_CANCELLED;
                goto fail;
            }
        }
    }
    free(line);
    free(rowTarget);
    free(columnSource);
    if (q->ownWidth)
        *q->ownWidth = (long)width;
    if (q->ownHeight)
        *q->ownHeight = (long)height;
    *info = infoBlock;
    *bits = bitsBlock;
    return SPI_OK;

fail:
    free(line);
    free(rowTarget);
    free(columnSource);
    SpiFreeBlock(infoBlock);
    SpiFreeBlock(bitsBlock);
    return r;
}

/* Reads records up to the first image; a graphic control extension before it gives the
 * transparent index. */
static int decodeFirstFrame(GifFileType* gif, SpiHandle* info, SpiHandle* bits, const Request* q) {
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return SPI_BROKEN_DATA;
        switch (type) {
        case IMAGE_DESC_RECORD_TYPE:
            if (DGifGetImageDesc(gif) == GIF_ERROR)
                return SPI_BROKEN_DATA;
            return decodeImage(gif, transparent, info, bits, q);
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* ext = NULL;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR)
                return SPI_BROKEN_DATA;
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] == 4) {
                GraphicsControlBlock gcb;
                if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK)
                    transparent = gcb.TransparentColor;
            }
            while (ext)
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR)
                    return SPI_BROKEN_DATA;
            break;
        }
        default: /* the end before any image */
            return SPI_BROKEN_DATA;
        }
    }
}

static int decode(const char* source, long offset, SpiHandle* info, SpiHandle* bits,
                  const Request* q) {
    if (!info || !bits)
        return SPI_INTERNAL_ERROR;
    *info = NULL;
    *bits = NULL;
    SpiInput in;
    int r = spi_input_open(&in, source, offset, q->flags);
    if (r != SPI_OK)
        return r;
    int error = 0;
    GifFileType* gif = DGifOpen(&in, readInput, &error);
    if (!gif) {
        spi_input_close(&in);
        return error == D_GIF_ERR_NOT_GIF_FILE ? SPI_UNKNOWN_FORMAT : SPI_BROKEN_DATA;
    }
    if (q->progress && q->progress(0, 1, q->userData))
        r = SPI_CANCELLED;
    else
        r = decodeFirstFrame(gif, info, bits, q);
    DGifCloseFile(gif, &error);
    spi_input_close(&in);
    return r;
}

int GetPicture(const char* source, long offset, unsigned int flags, SpiHandle* info,
               SpiHandle* bits, SpiProgressCallback progress, long userData) {
    const Request q = {0, 0, flags & SPI_INPUT_MASK, NULL, NULL, progress, userData};
    return decode(source, offset, info, bits, &q);
}

#ifndef ZELMO_SPI_WITHOUT_SCALED
int GetPictureScaled(const char* source, long offset, unsigned int flags, int maxWidth,
                     int maxHeight, SpiHandle* info, SpiHandle* bits, long* width, long* height,
                     SpiProgressCallback progress, long userData) {
    const Request q = {maxWidth, maxHeight, flags, width, height, progress, userData};
    return decode(source, offset, info, bits, &q);
}
#endif
