/* A plug-in whose GetPicture always answers that the data is broken. */
#include "outside/spi/SusiePlugin.h"

#include <stddef.h>

int GetPicture(const char* source, long offset, unsigned int flags, SpiHandle* info,
               SpiHandle* bits, SpiProgressCallback progress, long userData) {
    (void)source, (void)offset, (void)flags, (void)progress, (void)userData;
    *info = NULL;
    *bits = NULL;
    return SPI_BROKEN_DATA;
}
