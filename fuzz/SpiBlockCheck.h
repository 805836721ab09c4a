/* The checks both picture fuzz targets make on what a plug-in handed out: the header's
 * own size and colour table, rows padded to 4 bytes for its height, every byte readable
 * (a short block shows up under AddressSanitizer). Frees both blocks; gives the size, and a sum of
 * the bytes read for the caller to fold into its result. */
#pragma once

#include "outside/spi/SusiePlugin.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

static unsigned CheckAndFreeDib(SpiHandle info, SpiHandle bits, int32_t* width, int32_t* height) {
    size_t infoSize = 0, bitsSize = 0;
    const uint8_t* header = SpiBlockData(info, &infoSize);
    const uint8_t* rows = SpiBlockData(bits, &bitsSize);
    uint16_t bitCount;
    uint32_t coloursUsed;
    if (infoSize < SPI_DIB_HEADER_SIZE)
        abort();
    memcpy(width, header + 4, 4);
    memcpy(height, header + 8, 4);
    memcpy(&bitCount, header + 14, 2);
    memcpy(&coloursUsed, header + 32, 4);
    if (*width <= 0 || *height <= 0 || *width > SPI_MAX_SIDE || *height > SPI_MAX_SIDE ||
        infoSize != SPI_DIB_HEADER_SIZE + 4 * (size_t)coloursUsed ||
        bitsSize != (size_t)*height * (((size_t)bitCount * (size_t)*width + 31) / 32 * 4))
        abort();
    unsigned sum = 0;
    for (size_t i = 0; i < bitsSize; i += 61)
        sum += rows[i];
    sum += rows[bitsSize - 1];
    SpiFreeBlock(info);
    SpiFreeBlock(bits);
    return sum; /* used by the caller, so the reads stay */
}
