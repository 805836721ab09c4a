#include "SpiCommon.h"

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

struct SpiBlock {
    size_t size;
    size_t reserved; /* keeps the bytes 16-byte aligned */
    unsigned char bytes[];
};

SpiHandle spi_block_new(size_t size) {
    if (size > SIZE_MAX - sizeof(struct SpiBlock))
        return NULL;
    struct SpiBlock* b = calloc(1, sizeof(struct SpiBlock) + size);
    if (b)
        b->size = size;
    return b;
}

unsigned char* spi_block_bytes(SpiHandle block) {
    return block ? block->bytes : NULL;
}

const void* SpiBlockData(SpiHandle block, size_t* size) {
    if (size)
        *size = block ? block->size : 0;
    return block ? block->bytes : NULL;
}

void SpiFreeBlock(SpiHandle block) {
    free(block);
}

int spi_input_open(SpiInput* in, const char* source, long offset, unsigned int flags) {
    memset(in, 0, sizeof *in);
    if (!source || offset < 0)
        return SPI_READ_ERROR;
    switch (flags & SPI_INPUT_MASK) {
    case SPI_INPUT_MEMORY:
        in->mem = (const unsigned char*)source;
        in->memSize = (size_t)offset;
        return SPI_OK;
    case SPI_INPUT_FILE: {
        int fd = open(source, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return SPI_READ_ERROR;
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
            lseek(fd, (off_t)offset, SEEK_SET) != (off_t)offset) {
            close(fd);
            return SPI_READ_ERROR;
        }
        in->file = fdopen(fd, "rb");
        if (!in->file) {
            close(fd);
            return SPI_READ_ERROR;
        }
        return SPI_OK;
    }
    default:
        return SPI_NOT_IMPLEMENTED;
    }
}

size_t spi_input_read(SpiInput* in, void* buffer, size_t n) {
    if (in->file)
        return fread(buffer, 1, n, in->file);
    size_t left = in->memSize - in->memPos;
    if (n > left)
        n = left;
    if (n) {
        memcpy(buffer, in->mem + in->memPos, n);
        in->memPos += n;
    }
    return n;
}

int spi_input_load(SpiInput* in, size_t limit) {
    if (!in->file)
        return in->mem != NULL;
    struct stat st;
    const long at = ftell(in->file);
    if (at < 0 || fstat(fileno(in->file), &st) != 0 || st.st_size < at ||
        (unsigned long long)(st.st_size - at) > limit)
        return 0;
    const size_t size = (size_t)(st.st_size - at);
    unsigned char* bytes = malloc(size ? size : 1);
    if (!bytes)
        return 0;
    size_t got = 0;
    while (got < size) {
        const size_t n = fread(bytes + got, 1, size - got, in->file);
        if (n == 0)
            break;
        got += n;
    }
    fclose(in->file);
    in->file = NULL;
    in->owned = bytes;
    in->mem = bytes;
    in->memSize = got;
    in->memPos = 0;
    return 1;
}

void spi_input_close(SpiInput* in) {
    if (in->file)
        fclose(in->file);
    free(in->owned);
    memset(in, 0, sizeof *in);
}

int spi_check_size(long long width, long long height, unsigned bitCount, size_t* stride,
                   size_t* imageSize) {
    if (width <= 0 || height <= 0 || bitCount == 0 || bitCount > 32)
        return SPI_BROKEN_DATA;
    if (width > SPI_MAX_SIDE || height > SPI_MAX_SIDE)
        return SPI_NO_MEMORY;
    /* Both sides are at most 2^14, so nothing below overflows 64 bits. */
    unsigned long long rowBytes = ((unsigned long long)width * bitCount + 31) / 32 * 4;
    unsigned long long total = rowBytes * (unsigned long long)height;
    if (total > SPI_MAX_PIXEL_BYTES)
        return SPI_NO_MEMORY;
    *stride = (size_t)rowBytes;
    *imageSize = (size_t)total;
    return SPI_OK;
}

void spi_target_size(long long width, long long height, int maxWidth, int maxHeight,
                     unsigned int flags, long long* targetWidth, long long* targetHeight) {
    const long long boxW = maxWidth > 0 && maxWidth < width ? maxWidth : width;
    const long long boxH = maxHeight > 0 && maxHeight < height ? maxHeight : height;
    *targetWidth = boxW;
    *targetHeight = boxH;
    if (!(flags & SPI_SCALE_KEEP_ASPECT) || (boxW == width && boxH == height) || width <= 0 ||
        height <= 0)
        return;
    /* Sides up to 2^31: the products stay below 2^62. */
    if (width * boxH >= height * boxW) { /* the width is what limits */
        long long h = (height * boxW + width / 2) / width;
        *targetHeight = h < 1 ? 1 : h > boxH ? boxH : h;
    } else {
        long long w = (width * boxH + height / 2) / height;
        *targetWidth = w < 1 ? 1 : w > boxW ? boxW : w;
    }
}

static void put16(unsigned char* p, uint16_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

static void put32(unsigned char* p, uint32_t v) {
    put16(p, (uint16_t)v);
    put16(p + 2, (uint16_t)(v >> 16));
}

void spi_write_header(unsigned char* p, uint32_t width, uint32_t height, uint16_t bitCount,
                      uint32_t coloursUsed, uint32_t imageSize) {
    memset(p, 0, SPI_DIB_HEADER_SIZE);
    put32(p, SPI_DIB_HEADER_SIZE);
    put32(p + 4, width);
    put32(p + 8, height); /* positive: the bottom row comes first */
    put16(p + 12, 1);     /* planes */
    put16(p + 14, bitCount);
    put32(p + 16, 0); /* uncompressed */
    put32(p + 20, imageSize);
    put32(p + 32, coloursUsed);
}
