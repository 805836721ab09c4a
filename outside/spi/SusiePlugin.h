/* The picture plug-ins ("ifgif.spi", "ifJpeg.spi") and the program that loads them meet
 * here. A plug-in is an ELF shared object loaded by its full path; the program calls only
 * GetPicture and hands the two blocks it gets back to the same plug-in's SpiFreeBlock.
 *
 * GetPicture(source, offset, flags, &info, &bits, progress, userData):
 *   source    a zero-terminated file path (flags SPI_INPUT_FILE), or the picture's bytes
 *             (flags SPI_INPUT_MEMORY);
 *   offset    where the picture starts in the file, or the count of bytes in memory;
 *   info      out: a device-independent bitmap header of 40 bytes followed by its colour
 *             table (4 bytes per entry: blue, green, red, 0);
 *   bits      out: the pixel rows, bottom row first, each padded to a multiple of 4 bytes;
 *   progress  may be null; called with (done, total, userData), a non-zero answer cancels.
 * The answer is SPI_OK with both blocks filled, or one of the errors below with both left
 * null. A picture larger than SPI_MAX_SIDE pixels a side, or whose pixel rows would take
 * more than SPI_MAX_PIXEL_BYTES, gives SPI_NO_MEMORY.
 *
 * GetPictureScaled(source, offset, flags, maxWidth, maxHeight, &info, &bits, &width,
 *                  &height, progress, userData): optional; a plug-in without it is called
 * through GetPicture and its picture reduced by the program. The same picture reduced to
 * at most maxWidth x maxHeight pixels, in the same blocks:
 *   flags     as above, plus SPI_SCALE_KEEP_ASPECT: the largest size of the picture's own
 *             proportions within the box (at least 1 pixel a side); without it each side
 *             is limited on its own, min(own, max);
 *   maxWidth, maxHeight  0 or less: that side is not limited. Never enlarged;
 *   width, height  out: the picture's own size (may be null), set whenever the answer is
 *             SPI_OK.
 * It refuses what GetPicture refuses (also a picture past the limits whose reduction would
 * be small), and allocates only what the reduced picture needs.
 */
#ifndef ZELMO_SUSIE_PLUGIN_H
#define ZELMO_SUSIE_PLUGIN_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SpiBlock* SpiHandle;

typedef int (*SpiProgressCallback)(int done, int total, long userData);

enum SpiResult {
    SPI_NOT_IMPLEMENTED = -1,
    SPI_OK = 0,
    SPI_CANCELLED = 1,
    SPI_UNKNOWN_FORMAT = 2,
    SPI_BROKEN_DATA = 3,
    SPI_NO_MEMORY = 4,
    SPI_MEMORY_ERROR = 5,
    SPI_READ_ERROR = 6,
    SPI_INTERNAL_ERROR = 8
};

#define SPI_INPUT_FILE 0u
#define SPI_INPUT_MEMORY 1u
#define SPI_INPUT_MASK 7u
#define SPI_SCALE_KEEP_ASPECT 0x100u

#define SPI_MAX_SIDE 16384
#define SPI_MAX_PIXEL_BYTES (256u * 1024u * 1024u)

/* The size of a device-independent bitmap header. */
#define SPI_DIB_HEADER_SIZE 40

typedef int (*SpiGetPictureFn)(const char* source, long offset, unsigned int flags, SpiHandle* info,
                               SpiHandle* bits, SpiProgressCallback progress, long userData);
typedef int (*SpiGetPictureScaledFn)(const char* source, long offset, unsigned int flags,
                                     int maxWidth, int maxHeight, SpiHandle* info, SpiHandle* bits,
                                     long* width, long* height, SpiProgressCallback progress,
                                     long userData);
/* The block's bytes and their count; null for a null block. */
typedef const void* (*SpiBlockDataFn)(SpiHandle block, size_t* size);
/* Gives a block back; a null block is ignored. */
typedef void (*SpiFreeBlockFn)(SpiHandle block);

#define SPI_GET_PICTURE_EXPORT "GetPicture"
#define SPI_GET_PICTURE_SCALED_EXPORT "GetPictureScaled"
#define SPI_BLOCK_DATA_EXPORT "SpiBlockData"
#define SPI_FREE_BLOCK_EXPORT "SpiFreeBlock"

#ifdef ZELMO_SPI_PLUGIN
#define SPI_EXPORT __attribute__((visibility("default")))
SPI_EXPORT int GetPicture(const char* source, long offset, unsigned int flags, SpiHandle* info,
                          SpiHandle* bits, SpiProgressCallback progress, long userData);
SPI_EXPORT int GetPictureScaled(const char* source, long offset, unsigned int flags, int maxWidth,
                                int maxHeight, SpiHandle* info, SpiHandle* bits, long* width,
                                long* height, SpiProgressCallback progress, long userData);
SPI_EXPORT const void* SpiBlockData(SpiHandle block, size_t* size);
SPI_EXPORT void SpiFreeBlock(SpiHandle block);
#endif

#ifdef __cplusplus
}
#endif

#endif
