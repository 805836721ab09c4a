#pragma once
// Pictures the tests make themselves: GIFs through giflib's encoder, JPEGs through
// libjpeg's compressor, each as the bytes of a file.
#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>

namespace testpics {

struct GifFrame {
    int left = 0, top = 0, width = 1, height = 1;
    bool interlace = false;
    int transparent = -1; // index, or -1 for none
    QList<uchar> pixels;  // width x height indexes, top row first
    QList<QRgb> colours;  // a local colour map when not empty
};

// A GIF with a logical screen of width x height, a global colour map (a power of two
// entries) and the frames in order.
QByteArray makeGif(int width, int height, const QList<QRgb>& colours,
                   const QList<GifFrame>& frames);

enum class JpegKind { Colour, Grey, CmykAdobe, CmykPlain };
// A JPEG of width x height from samples (3 per pixel for Colour as R,G,B; 1 for Grey;
// 4 as stored C,M,Y,K for the CMYK kinds, with or without the Adobe marker).
QByteArray makeJpeg(int width, int height, JpegKind kind, const QList<uchar>& samples,
                    bool progressive = false, int quality = 95);

// How a JPEG is coded beyond the library's defaults.
struct JpegCoding {
    int quality = 95;
    bool progressive = false;
    bool arithmetic = false;
    bool optimized = false;   // Huffman tables made for the picture
    int lumaH = 0, lumaV = 0; // the first component's sampling factors; 0: the default
    int restartMcus = 0;      // restart interval in MCUs; 0: none
};
QByteArray makeJpeg(int width, int height, JpegKind kind, const QList<uchar>& samples,
                    const JpegCoding& coding);

// Writes bytes to a file; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace testpics
