/* A plug-in that loads and hands out blocks but exports no GetPicture. */
#include "outside/spi/SusiePlugin.h"

SPI_EXPORT int GetPictureInfo(void) {
    return SPI_NOT_IMPLEMENTED;
}
