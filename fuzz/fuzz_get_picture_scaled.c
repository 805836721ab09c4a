/* libFuzzer target: one picture plug-in's GetPictureScaled on the input bytes (memory
 * input). The first three bytes choose the request: the largest width and height (1 to
 * 256, or unlimited for 0) and whether the proportions are kept. The blocks are checked
 * against the header they carry and against the request. Built once per plug-in. */
#include "outside/spi/SusiePlugin.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const int maxWidth = data[0], maxHeight = data[1];
    const unsigned flags = SPI_INPUT_MEMORY | ((data[2] & 1) ? SPI_SCALE_KEEP_ASPECT : 0u);
    data += 3;
    size -= 3;
    SpiHandle info = NULL, bits = NULL;
    long ownWidth = -1, ownHeight = -1;
    if (GetPictureScaled((const char*)data, (long)size, flags, maxWidth, maxHeight, &info, &bits,
                         &ownWidth, &ownHeight, NULL, 0) != SPI_OK) {
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
    if (width <= 0 || height <= 0 || width > ownWidth || height > ownHeight ||
        ownWidth > SPI_MAX_SIDE || ownHeight > SPI_MAX_SIDE || (maxWidth > 0 && width > maxWidth) ||
        (maxHeight > 0 && height > maxHeight) ||
        infoSize != SPI_DIB_HEADER_SIZE + 4 * (size_t)coloursUsed ||
        bitsSize != (size_t)height * (((size_t)bitCount * (size_t)width + 31) / 32 * 4))
        abort();
    /* Each side is the request's, or the picture's own where that is smaller. */
    if (!(flags & SPI_SCALE_KEEP_ASPECT) &&
        (width != (maxWidth > 0 && maxWidth < ownWidth ? maxWidth : ownWidth) ||
         height != (maxHeight > 0 && maxHeight < ownHeight ? maxHeight : ownHeight)))
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
