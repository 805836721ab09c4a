#pragma once
// Pictures the tests make: BMP and JPEG through Qt's writers, GIF by hand (Qt reads GIF
// but does not write it), and Qt's readers standing in for the image plug-ins.
#include "browser/ThumbnailQueue.h"
#include "pictures/PictureService.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QString>
#include <atomic>

namespace testpictures {

inline QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Qt reads GIF but does not write it: a one-colour GIF with 8-bit codes, a clear code
// before every 100 pixels so the code width never grows.
inline QByteArray gifBytes(int w, int h, QRgb colour) {
    QByteArray out("GIF89a");
    auto word = [&](int v) {
        out += char(v & 0xff);
        out += char((v >> 8) & 0xff);
    };
    word(w);
    word(h);
    out += char(0x86); // global colour table of 128 entries
    out += char(0);
    out += char(0);
    for (int i = 0; i < 128; ++i) {
        out += char(i == 0 ? qRed(colour) : 0);
        out += char(i == 0 ? qGreen(colour) : 0);
        out += char(i == 0 ? qBlue(colour) : 0);
    }
    out += ',';
    word(0);
    word(0);
    word(w);
    word(h);
    out += char(0);
    out += char(7); // minimum code size
    QByteArray codes;
    for (int i = 0; i < w * h; ++i) {
        if (i % 100 == 0)
            codes += char(char(128)); // clear
        codes += char(0);
    }
    codes += char(char(129)); // end
    for (qsizetype i = 0; i < codes.size(); i += 255) {
        const QByteArray block = codes.mid(i, 255);
        out += char(block.size());
        out += block;
    }
    out += char(0);
    out += ';';
    return out;
}

inline QImage filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Qt's own readers standing in for the image plug-ins.
// Qt's readers in the place of the picture service, reducing as it does.
inline pictures::Picture qtPicture(const QString& path, const pictures::PictureRequest& request) {
    const QImage image = QImageReader(path).read();
    if (image.isNull())
        return {};
    return {pictures::Reduced(image, request.maxSize, request.fit), image.size()};
}
inline pictures::FileImage qtFileImage(const QString& path,
                                       const pictures::PictureRequest& request) {
    const pictures::Picture picture = qtPicture(path, request);
    return {pictures::ShownAs::Picture, picture.image, picture.size};
}

inline bool qtReader(const QString& path, QPixmap& bitmap) {
    const QImage image = QImageReader(path).read();
    if (image.isNull())
        return false;
    bitmap = QPixmap::fromImage(image);
    return true;
}

// The thumbnail workers' maker with Qt's readers in place of the plug-ins for GIF and
// JPEG; bitmaps as the program reads them.
inline browser::Thumbnail qtMaker(const browser::ThumbnailJob& job, const std::atomic<bool>& stop) {
    const QString ext = job.path.section(QLatin1Char('.'), -1).toUpper();
    if (ext != QLatin1String("GIF") && ext != QLatin1String("JPG") &&
        ext != QLatin1String("JPEG") && ext != QLatin1String("JPE"))
        return browser::MakeThumbnail(job, stop);
    const QImage image = QImageReader(job.path).read();
    if (image.isNull())
        return {QImage(), QSize(0, 0), true};
    if (job.drawn.isEmpty())
        return {QImage(), image.size(), true};
    const qreal ratio = std::max<qreal>(1.0, job.deviceRatio);
    QImage drawn = image.scaled(pictures::DeviceSize(job.drawn, ratio), Qt::IgnoreAspectRatio,
                                Qt::FastTransformation);
    drawn.setDevicePixelRatio(ratio);
    return {drawn, image.size(), true};
}

} // namespace testpictures
