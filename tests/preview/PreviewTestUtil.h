#pragma once
// Pictures the preview tests make themselves, written under raw name bytes.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <cstdio>

namespace previewtest {

inline bool writeBytes(const QByteArray& path, const QByteArray& data) {
    std::FILE* f = std::fopen(path.constData(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data.constData(), 1, size_t(data.size()), f) == size_t(data.size());
    return std::fclose(f) == 0 && ok;
}

// An image of w x h in one colour, encoded as format ("BMP", "ICO").
inline QByteArray pictureBytes(int w, int h, const char* format, QColor colour = Qt::red) {
    QImage image(w, h, format == QByteArray("ICO") ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

inline bool writePicture(const QByteArray& path, int w, int h, const char* format = "BMP",
                         QColor colour = Qt::red) {
    return writeBytes(path, pictureBytes(w, h, format, colour));
}

} // namespace previewtest
