// The pixel size read from a picture's header, next to what the picture decodes to.
#include "PictureMaker.h"
#include "pictures/PictureHeader.h"
#include "platform/FsName.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

using pictures::ReadPictureHeaderSize;

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray bmp(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::blue);
    return encoded(image, "BMP");
}

void putLe32(QByteArray& b, int at, qint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((quint32(v) >> (8 * i)) & 0xff);
}

// An OS/2 bitmap: 12-byte core header with 16-bit sizes, 24 bits, no colour table.
QByteArray os2Bmp(int w, int h) {
    const int stride = (w * 3 + 3) / 4 * 4;
    QByteArray b(26 + stride * h, '\0');
    b[0] = 'B';
    b[1] = 'M';
    putLe32(b, 2, b.size());
    putLe32(b, 10, 26);
    putLe32(b, 14, 12);
    b[18] = char(w & 0xff);
    b[19] = char(w >> 8);
    b[20] = char(h & 0xff);
    b[21] = char(h >> 8);
    b[22] = 1;
    b[24] = 24;
    return b;
}

QByteArray jpeg(int w, int h, bool progressive = false) {
    return testpics::makeJpeg(w, h, testpics::JpegKind::Colour, QList<uchar>(w * h * 3, 128),
                              progressive);
}

// A JPEG with an application segment of `extra` bytes before its frame header, so the
// header lies far beyond the first block read.
QByteArray jpegWithBigSegments(int w, int h, int segments) {
    QByteArray b = jpeg(w, h);
    QByteArray app;
    for (int i = 0; i < segments; ++i) {
        app += "\xFF\xE1";
        app += char(0xFF);
        app += char(0xF0); // 65 520 bytes with the length
        app += QByteArray(0xFFF0 - 2, 'x');
    }
    return b.left(2) + app + b.mid(2);
}

QByteArray gif(int screenW, int screenH, int left, int top, int w, int h, bool comment) {
    testpics::GifFrame frame;
    frame.left = left;
    frame.top = top;
    frame.width = w;
    frame.height = h;
    frame.pixels = QList<uchar>(w * h, 1);
    QByteArray b = testpics::makeGif(screenW, screenH, {qRgb(0, 0, 0), qRgb(255, 0, 0)}, {frame});
    if (comment) { // a comment extension of two sub-blocks before the frame
        const qsizetype frameAt = b.indexOf(',', 13 + 6);
        b.insert(frameAt, QByteArray("\x21\xFE\x05hello\x03"
                                     "abc\x00",
                                     13));
    }
    return b;
}

} // namespace

TEST(PictureHeader, SizesOfEachFormatWithoutDecoding) {
    struct Case {
        const char* what;
        QByteArray bytes;
        std::optional<QSize> expected;
    };
    const QByteArray bmp640 = bmp(640, 480);
    QByteArray topDown = bmp(16, 9);
    putLe32(topDown, 22, -9);
    const QByteArray jpegPlain = jpeg(640, 480);
    const QByteArray gifPlain = gif(100, 50, 0, 0, 10, 10, false);
    const Case cases[] = {
        {"BMP, bottom-up", bmp640, QSize(640, 480)},
        {"BMP, top-down (negative height)", topDown, QSize(16, 9)},
        {"BMP, OS/2 core header", os2Bmp(16, 16), QSize(16, 16)},
        {"BMP cut inside its header", bmp640.left(20), std::nullopt},
        {"BMP with zero width",
         [&] {
             QByteArray b = bmp640;
             putLe32(b, 18, 0);
             return b;
         }(),
         std::nullopt},
        {"JPEG baseline", jpegPlain, QSize(640, 480)},
        {"JPEG progressive", jpeg(33, 17, true), QSize(33, 17)},
        {"JPEG with 130 KB of segments before its frame", jpegWithBigSegments(12, 7, 2),
         QSize(12, 7)},
        {"JPEG cut before its frame header", jpegPlain.left(20), std::nullopt},
        {"JPEG cut after its frame header", jpegPlain.left(jpegPlain.size() / 2), QSize(640, 480)},
        {"GIF screen", gifPlain, QSize(100, 50)},
        {"GIF with a comment before its frame", gif(100, 50, 0, 0, 10, 10, true), QSize(100, 50)},
        {"GIF frame beyond its screen", gif(100, 50, 95, 40, 20, 30, false), QSize(115, 70)},
        {"GIF cut inside its colour table", gifPlain.left(15), std::nullopt},
        {"GIF without a frame", gifPlain.left(13 + 6) + ';', std::nullopt},
        {"PNG", encoded(QImage(4, 4, QImage::Format_RGB32), "PNG"), std::nullopt},
        {"random bytes", QByteArray("\x12\x34\x56\x78 not a picture"), std::nullopt},
        {"empty file", QByteArray(), std::nullopt},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int n = 0;
    for (const Case& c : cases) {
        // Names that are not UTF-8 are read like any other.
        const QString path = platform::fromFsBytes(QFile::encodeName(dir.path()) + "/\xff" +
                                                   QByteArray::number(n++) + ".pic");
        const QByteArray fsPath = platform::toFsBytes(path);
        FILE* out = std::fopen(fsPath.constData(), "wb");
        ASSERT_NE(out, nullptr) << c.what;
        std::fwrite(c.bytes.constData(), 1, size_t(c.bytes.size()), out);
        std::fclose(out);
        EXPECT_EQ(ReadPictureHeaderSize(path), c.expected) << c.what;
        ::unlink(fsPath.constData()); // the temporary folder cannot remove such names
        // What the header says is what a reader that decodes the file finds.
        const QByteArray what(c.what);
        if (c.expected && (what.startsWith("BMP") || what.startsWith("JPEG"))) {
            const QImage decoded = QImage::fromData(c.bytes);
            if (!decoded.isNull()) {
                EXPECT_EQ(decoded.size(), *c.expected) << c.what;
            }
        }
    }
    EXPECT_EQ(ReadPictureHeaderSize(dir.path() + QStringLiteral("/missing.jpg")), std::nullopt);
}
