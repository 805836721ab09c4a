/* A baseline JPEG at 1/8 of its size from the DC coefficients alone: each 8 x 8 block is
 * one pixel, its mean, as the library's 1 x 1 inverse DCT makes it. The AC coefficients'
 * codes are skipped, never decoded into values, which is most of a thumbnail's time.
 *
 * Only the plain case is taken: one sequential Huffman scan holding every component of an
 * 8-bit grey or YCbCr picture, sampling factors 1 or 2. Anything else is declined, and so
 * is any fault in the data (a code not in its table, a marker where none belongs, data
 * that ends early): the caller then decodes the file with the library, which gives a
 * damaged file the picture it always gave. */
#ifndef ZELMO_JPEG_DC_SCAN_H
#define ZELMO_JPEG_DC_SCAN_H

#include <stddef.h>
#include <stdio.h>

#include <jpeglib.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { DC_SCAN_DONE, DC_SCAN_DECLINED, DC_SCAN_CANCELLED, DC_SCAN_NO_MEMORY };

/* One row y of the 1/8 picture, blue, green, red per pixel; rows come top first. */
typedef void (*DcScanRowFn)(void* context, const unsigned char* bgr, unsigned y);
/* Asked once per row of blocks decoded (done of total); nonzero cancels. */
typedef int (*DcScanProgressFn)(void* context, unsigned done, unsigned total);

/* 1 when the library's reading of the header (up to the first scan) describes a picture
 * this decoder takes. */
int dc_scan_accepts(const struct jpeg_decompress_struct* cinfo);

/* Decodes the scan whose entropy-coded data begins at data (size bytes to the end of the
 * file) into rows of ceil(width / 8) x ceil(height / 8) pixels. No row is handed out
 * unless the whole scan decoded cleanly. */
int dc_scan_decode(const struct jpeg_decompress_struct* cinfo, const unsigned char* data,
                   size_t size, DcScanRowFn row, DcScanProgressFn progress, void* context);

#ifdef __cplusplus
}
#endif

#endif
