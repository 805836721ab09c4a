#include "tests/pictures/PictureMaker.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <gif_lib.h>
#include <jpeglib.h>
#include <vector>

namespace testpics {

namespace {

int appendOutput(GifFileType* gif, const GifByteType* data, int n) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), n);
    return n;
}

ColorMapObject* colourMap(const QList<QRgb>& colours) {
    std::vector<GifColorType> c(colours.size());
    for (qsizetype i = 0; i < colours.size(); ++i)
        c[i] = {GifByteType(qRed(colours[i])), GifByteType(qGreen(colours[i])),
                GifByteType(qBlue(colours[i]))};
    return GifMakeMapObject(int(colours.size()), c.data());
}

} // namespace

QByteArray makeGif(int width, int height, const QList<QRgb>& colours,
                   const QList<GifFrame>& frames) {
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendOutput, &error);
    if (!gif)
        return {};
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = colours.isEmpty() ? nullptr : colourMap(colours);
    EGifPutScreenDesc(gif, width, height, 8, 0, global);
    for (const GifFrame& f : frames) {
        if (f.transparent >= 0) {
            GraphicsControlBlock gcb{};
            gcb.TransparentColor = f.transparent;
            GifByteType ext[4];
            const size_t n = EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext);
        }
        ColorMapObject* local = f.colours.isEmpty() ? nullptr : colourMap(f.colours);
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local);
        GifFreeMapObject(local);
        // The encoder takes the rows in the order they are stored: pass by pass when
        // interlaced.
        std::vector<int> order;
        if (f.interlace) {
            const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int y = start[p]; y < f.height; y += step[p])
                    order.push_back(y);
        } else {
            for (int y = 0; y < f.height; ++y)
                order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> line(f.pixels.begin() + y * f.width,
                                           f.pixels.begin() + (y + 1) * f.width);
            EGifPutLine(gif, line.data(), f.width);
        }
        // The encoder keeps its own copy of a frame's colours and forgets it at the next
        // frame or at the close: released here.
        if (gif->Image.ColorMap) {
            GifFreeMapObject(gif->Image.ColorMap);
            gif->Image.ColorMap = nullptr;
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(global);
    return out;
}

QByteArray makeJpeg(int width, int height, JpegKind kind, const QList<uchar>& samples,
                    bool progressive, int quality) {
    JpegCoding coding;
    coding.progressive = progressive;
    coding.quality = quality;
    return makeJpeg(width, height, kind, samples, coding);
}

QByteArray makeJpeg(int width, int height, JpegKind kind, const QList<uchar>& samples,
                    const JpegCoding& coding) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    switch (kind) {
    case JpegKind::Colour:
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        break;
    case JpegKind::Grey:
        c.input_components = 1;
        c.in_color_space = JCS_GRAYSCALE;
        break;
    default:
        c.input_components = 4;
        c.in_color_space = JCS_CMYK;
        break;
    }
    jpeg_set_defaults(&c);
    if (kind == JpegKind::CmykPlain)
        c.write_Adobe_marker = FALSE;
    jpeg_set_quality(&c, coding.quality, TRUE);
    if (coding.progressive)
        jpeg_simple_progression(&c);
    c.arith_code = coding.arithmetic ? TRUE : FALSE;
    c.optimize_coding = coding.optimized ? TRUE : FALSE;
    if (coding.lumaH > 0) {
        c.comp_info[0].h_samp_factor = coding.lumaH;
        c.comp_info[0].v_samp_factor = coding.lumaV;
    }
    c.restart_interval = unsigned(coding.restartMcus);
    jpeg_start_compress(&c, TRUE);
    const int rowBytes = width * c.input_components;
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(samples.constData() + c.next_scanline * rowBytes);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace testpics
