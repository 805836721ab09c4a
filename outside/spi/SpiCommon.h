/* What both picture plug-ins share: their blocks, their input (a file or memory), the
 * size limits and the bitmap header. Compiled into each plug-in. */
#ifndef ZELMO_SPI_COMMON_H
#define ZELMO_SPI_COMMON_H

#include "SusiePlugin.h"

#include <stdint.h>
#include <stdio.h>

/* A new zero-filled block of size bytes; null when memory runs out. */
SpiHandle spi_block_new(size_t size);
unsigned char* spi_block_bytes(SpiHandle block);

typedef struct SpiInput {
    FILE* file;               /* file input, positioned at the picture */
    const unsigned char* mem; /* memory input */
    size_t memSize, memPos;
    unsigned char* owned; /* a file's bytes read by spi_input_load */
} SpiInput;

/* Opens the picture's source; SPI_OK or SPI_READ_ERROR. Only a regular file is opened, so
 * a pipe or device named like a picture never blocks the caller. */
int spi_input_open(SpiInput* in, const char* source, long offset, unsigned int flags);
size_t spi_input_read(SpiInput* in, void* buffer, size_t n);
void spi_input_close(SpiInput* in);
/* Turns a file input of at most limit bytes (from its position) into a memory input of its
 * bytes, read at once; 1 when the input is in memory. A read that fails part-way keeps the
 * bytes read before it, as a file cut there. */
int spi_input_load(SpiInput* in, size_t limit);

/* The row stride and the size of the pixel rows of a width x height picture of bitCount
 * bits per pixel; SPI_OK, or SPI_BROKEN_DATA for an empty picture, or SPI_NO_MEMORY past
 * the limits. */
int spi_check_size(long long width, long long height, unsigned bitCount, size_t* stride,
                   size_t* imageSize);

/* The size a width x height picture is reduced to for GetPictureScaled's limits (0 or less:
 * that side unlimited) and flags (SPI_SCALE_KEEP_ASPECT); never larger than the picture. */
void spi_target_size(long long width, long long height, int maxWidth, int maxHeight,
                     unsigned int flags, long long* targetWidth, long long* targetHeight);

/* Writes a bottom-up, uncompressed bitmap header into the first 40 bytes of p. */
void spi_write_header(unsigned char* p, uint32_t width, uint32_t height, uint16_t bitCount,
                      uint32_t coloursUsed, uint32_t imageSize);

#endif
