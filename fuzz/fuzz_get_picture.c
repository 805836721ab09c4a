/* libFuzzer target: one picture plug-in's GetPicture on the input bytes (memory input),
 * with the blocks checked against the header they carry. Built once per plug-in. */
#include "outside/spi/SusiePlugin.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SpiHandle info = NULL, bits = NULL;
    if (GetPicture((const char*)data, (long)size, SPI_INPUT_MEMORY, &info, &bits, NULL, 0) !=
        SPI_OK) {
        if (info || bits)
            abort(); /* a failure must hand nothing out */
        return 0;
    }
    size_t infoSize = 0, bitsSize = 0;
    const uint8_t* header = SpiBlockData(info, &infoSize);
    const uint8_t* rows = SpiBlockData(bits, &bitsSize);
    int32_t width, height;
    uint16_t bitCount;
    uint32_t coloursUsed;
    if (infoSize < SPI_DIB_HEADER_SIZE)
        abort();
    memcpy(&width, header + 4, 4);
    memcpy(&height, header + 8, 4);
    memcpy(&bitCount, header + 14, 2);
    memcpy(&coloursUsed, header + 32, 4);
    if (width <= 0 || height <= 0 || width > SPI_MAX_SIDE || height > SPI_MAX_SIDE ||
        infoSize != SPI_DIB_HEADER_SIZE + 4 * (size_t)coloursUsed ||
        bitsSize != (size_t)height * (((size_t)bitCount * (size_t)width + 31) / 32 * 4))
        abort();
    /* Touch every byte, so a short block shows up under AddressSanitizer. */
    unsigned sum = 0;
    for (size_t i = 0; i < bitsSize; i += 61)
        sum += rows[i];
    sum += rows[bitsSize - 1];
    SpiFreeBlock(info);
    SpiFreeBlock(bits);
    return (int)(sum & 0);
}
