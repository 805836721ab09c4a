#pragma once
// A device-independent bitmap (a 40-byte header, its colour table, the pixel rows) made
// into a BMP file that the toolkit's BMP reader takes. No widgets: only bytes.
#include <QByteArray>
#include <QImage>
#include <cstddef>

namespace pictures {

// The BMP file for the bitmap whose header and colour table are in info and whose pixel
// rows are in bits: a 14-byte file header ("BM", file size 54 + 4 C + image size, data
// offset 54 + 4 C), the header and colour table (40 + 4 C bytes of info), then the image
// size bytes of bits. C is the header's colours-used count, or for 0 the full table of
// a 1-, 4- or 8-bit bitmap (2, 16, 256 entries) and none for more bits per pixel; the
// image size is |height| rows of (bitCount x width + 31) / 32 x 4 bytes.
// Empty when the header is not a 40-byte uncompressed one with a usable size and bit
// count, or when the blocks are shorter than the header says.
QByteArray BitmapFromDib(const void* info, std::size_t infoSize, const void* bits,
                         std::size_t bitsSize);

// The same bitmap made straight into an image, without a BMP file in between: the same
// pixels the toolkit's BMP reader makes of BitmapFromDib's file (8 bits and fewer as an
// indexed image, a colour missing from a short table black, or white for the second
// colour of a 1-bit one; 16, 24 and 32 bits as RGB32,
// 16 bits as 5-5-5). Null whenever BitmapFromDib refuses, and when the image would take
// more than maxImageBytes.
QImage ImageFromDib(const void* info, std::size_t infoSize, const void* bits, std::size_t bitsSize,
                    qsizetype maxImageBytes);

} // namespace pictures
