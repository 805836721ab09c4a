/* libFuzzer target: one picture plug-in's GetPictureScaled on the input bytes (memory
 * input). The first three bytes choose the request: the largest width and height (1 to
 * 256, or unlimited for 0) and whether the proportions are kept. The blocks are checked
 * against the header they carry and against the request. Built once per plug-in. */
#include "fuzz/SpiBlockCheck.h"

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
    int32_t width, height;
    const unsigned touched = CheckAndFreeDib(info, bits, &width, &height);
    if (width > ownWidth || height > ownHeight || ownWidth > SPI_MAX_SIDE ||
        ownHeight > SPI_MAX_SIDE || (maxWidth > 0 && width > maxWidth) ||
        (maxHeight > 0 && height > maxHeight))
        abort();
    /* Each side is the request's, or the picture's own where that is smaller. */
    if (!(flags & SPI_SCALE_KEEP_ASPECT) &&
        (width != (maxWidth > 0 && maxWidth < ownWidth ? maxWidth : ownWidth) ||
         height != (maxHeight > 0 && maxHeight < ownHeight ? maxHeight : ownHeight)))
        abort();
    return (int)(touched & 0);
}
