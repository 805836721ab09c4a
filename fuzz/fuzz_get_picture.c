/* libFuzzer target: one picture plug-in's GetPicture on the input bytes (memory input),
 * with the blocks checked against the header they carry. Built once per plug-in. */
#include "fuzz/SpiBlockCheck.h"

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SpiHandle info = NULL, bits = NULL;
    if (GetPicture((const char*)data, (long)size, SPI_INPUT_MEMORY, &info, &bits, NULL, 0) !=
        SPI_OK) {
        if (info || bits)
            abort(); /* a failure must hand nothing out */
        return 0;
    }
    int32_t width, height;
    const unsigned touched = CheckAndFreeDib(info, bits, &width, &height);
    return (int)(touched & 0);
}
