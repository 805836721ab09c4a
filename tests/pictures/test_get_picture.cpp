// The picture plug-ins' GetPicture on pictures the tests make: what comes back, pixel by
// pixel, and that damaged, cut, huge or foreign input gives an error and no blocks.
#include "tests/pictures/PictureMaker.h"
#include "tests/pictures/PluginHarness.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using testpics::Decoded;
using testpics::GifFrame;
using testpics::JpegKind;

namespace {

const QList<QRgb> kFour = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(10, 20, 30)};

class GetPictureTest : public ::testing::Test {
protected:
    testpics::PluginHarness gif{QStringLiteral(ZELMO_GIF_SPI)};
    testpics::PluginHarness jpeg{QStringLiteral(ZELMO_JPEG_SPI)};
    QTemporaryDir dir;

    void SetUp() override {
        ASSERT_TRUE(gif.ready());
        ASSERT_TRUE(jpeg.ready());
    }
    // The same answer from a file as from memory.
    Decoded viaFile(const testpics::PluginHarness& plugin, const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("picture"));
        EXPECT_TRUE(testpics::writeFile(path, bytes));
        const Decoded fromFile = plugin.fromFile(path);
        const Decoded fromMemory = plugin.fromMemory(bytes);
        EXPECT_EQ(fromFile.result, fromMemory.result);
        EXPECT_EQ(fromFile.info, fromMemory.info);
        EXPECT_EQ(fromFile.bits, fromMemory.bits);
        return fromFile;
    }
    static void expectFailure(const Decoded& d) {
        EXPECT_NE(d.result, SPI_OK);
        EXPECT_TRUE(d.handlesLeftEmpty);
    }
    static void expectNear(quint32 pixel, quint32 expected, int tolerance = 12) {
        for (int shift : {16, 8, 0})
            EXPECT_NEAR(int(pixel >> shift & 255), int(expected >> shift & 255), tolerance)
                << std::hex << pixel << " vs " << expected;
    }
};

TEST_F(GetPictureTest, GifGivesEightBitRowsBottomUpWithItsPalette) {
    // 5 x 3: rows padded to 8 bytes.
    GifFrame f{0, 0, 5, 3, false, -1, {0, 1, 2, 3, 0, 1, 1, 1, 1, 1, 3, 2, 1, 0, 3}, {}};
    const Decoded d = viaFile(gif, testpics::makeGif(5, 3, kFour, {f}));
    ASSERT_EQ(d.result, SPI_OK);
    ASSERT_EQ(d.info.size(), 40 + 256 * 4);
    EXPECT_EQ(d.field32(0), 40);
    EXPECT_EQ(d.width(), 5);
    EXPECT_EQ(d.height(), 3);
    EXPECT_EQ(d.bitCount(), 8);
    EXPECT_EQ(d.coloursUsed(), 256);
    EXPECT_EQ(d.field32(20), 8 * 3);
    EXPECT_EQ(d.bits.size(), 8 * 3);
    EXPECT_EQ(d.colour(0), 0xff0000u);
    EXPECT_EQ(d.colour(1), 0x00ff00u);
    EXPECT_EQ(d.colour(2), 0x0000ffu);
    EXPECT_EQ(d.colour(3), 0x0a141eu);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(d.pixel(x, y), f.pixels[y * 5 + x]) << x << "," << y;
    // The bottom row comes first in the block.
    EXPECT_EQ(uchar(d.bits[0]), 3);
    EXPECT_EQ(uchar(d.bits[5]), 0); // padding
}

TEST_F(GetPictureTest, GifTransparencyAndTheScreenAroundTheFrameAreWhite) {
    // A 2 x 2 frame at (1, 1) on a 4 x 3 screen; index 1 is transparent.
    GifFrame f{1, 1, 2, 2, false, 1, {0, 1, 1, 2}, {}};
    const Decoded d = gif.fromMemory(testpics::makeGif(4, 3, kFour, {f}));
    ASSERT_EQ(d.result, SPI_OK);
    EXPECT_EQ(d.width(), 4);
    EXPECT_EQ(d.height(), 3);
    EXPECT_EQ(d.colour(1), 0xffffffu);
    EXPECT_EQ(d.colour(d.pixel(1, 1)), 0xff0000u);
    EXPECT_EQ(d.colour(d.pixel(2, 1)), 0xffffffu);
    EXPECT_EQ(d.colour(d.pixel(2, 2)), 0x0000ffu);
    for (auto [x, y] : {std::pair{0, 0}, {3, 0}, {0, 2}, {3, 2}, {1, 0}})
        EXPECT_EQ(d.colour(d.pixel(x, y)), 0xffffffu) << x << "," << y;

    // Without a transparent index the screen around the frame takes a spare white entry.
    GifFrame opaque{1, 1, 2, 2, false, -1, {0, 1, 1, 2}, {}};
    const Decoded o = gif.fromMemory(testpics::makeGif(4, 3, kFour, {opaque}));
    ASSERT_EQ(o.result, SPI_OK);
    EXPECT_EQ(o.colour(o.pixel(0, 0)), 0xffffffu);
    EXPECT_EQ(o.colour(o.pixel(2, 1)), 0x00ff00u);
}

TEST_F(GetPictureTest, InterlacedGifRowsLandInPlace) {
    GifFrame f{0, 0, 2, 11, true, -1, {}, {}};
    for (int y = 0; y < 11; ++y)
        f.pixels << uchar(y % 4) << uchar(3 - y % 4);
    const Decoded d = gif.fromMemory(testpics::makeGif(2, 11, kFour, {f}));
    ASSERT_EQ(d.result, SPI_OK);
    for (int y = 0; y < 11; ++y) {
        EXPECT_EQ(d.pixel(0, y), quint32(y % 4)) << y;
        EXPECT_EQ(d.pixel(1, y), quint32(3 - y % 4)) << y;
    }
}

TEST_F(GetPictureTest, AnimatedGifGivesItsFirstFrameWithItsLocalColours) {
    GifFrame first{0, 0, 2, 1, false, -1, {0, 1}, {qRgb(1, 2, 3), qRgb(4, 5, 6)}};
    GifFrame second{0, 0, 2, 1, false, -1, {3, 3}, {}};
    const Decoded d = gif.fromMemory(testpics::makeGif(2, 1, kFour, {first, second}));
    ASSERT_EQ(d.result, SPI_OK);
    EXPECT_EQ(d.colour(d.pixel(0, 0)), 0x010203u);
    EXPECT_EQ(d.colour(d.pixel(1, 0)), 0x040506u);
}

TEST_F(GetPictureTest, JpegGivesTwentyFourBitRowsInBlueGreenRedOrder) {
    // 16 x 16: red on the left half, blue on the right; baseline and progressive.
    QList<uchar> rgb;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            rgb << (x < 8 ? 255 : 0) << 0 << (x < 8 ? 0 : 255);
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const QByteArray file = testpics::makeJpeg(16, 16, JpegKind::Colour, rgb, progressive);
        const Decoded d = viaFile(jpeg, file);
        ASSERT_EQ(d.result, SPI_OK);
        ASSERT_EQ(d.info.size(), 40);
        EXPECT_EQ(d.bitCount(), 24);
        EXPECT_EQ(d.coloursUsed(), 0);
        EXPECT_EQ(d.width(), 16);
        EXPECT_EQ(d.height(), 16);
        EXPECT_EQ(d.bits.size(), 48 * 16);
        expectNear(d.pixel(2, 3), 0xff0000);
        expectNear(d.pixel(13, 12), 0x0000ff);
    }
}

TEST_F(GetPictureTest, GreyAndCmykJpegsComeOutAsRgb) {
    // 5 x 2 (rows of 15 bytes padded to 16).
    const Decoded grey =
        jpeg.fromMemory(testpics::makeJpeg(5, 2, JpegKind::Grey, QList<uchar>(10, 100)));
    ASSERT_EQ(grey.result, SPI_OK);
    EXPECT_EQ(grey.bitCount(), 24);
    EXPECT_EQ(grey.bits.size(), 16 * 2);
    expectNear(grey.pixel(4, 1), 0x646464, 3);

    // Red and green, written the way Adobe's writers store CMYK (inverted) and plainly.
    QList<uchar> adobe, plain;
    for (int i = 0; i < 8; ++i) {
        adobe << 255 << 0 << 0 << 255; // inverted C,M,Y,K of red
        plain << 255 << 0 << 255 << 0; // C,M,Y,K of green
    }
    const Decoded a = jpeg.fromMemory(testpics::makeJpeg(8, 1, JpegKind::CmykAdobe, adobe));
    ASSERT_EQ(a.result, SPI_OK);
    expectNear(a.pixel(3, 0), 0xff0000);
    const Decoded p = jpeg.fromMemory(testpics::makeJpeg(8, 1, JpegKind::CmykPlain, plain));
    ASSERT_EQ(p.result, SPI_OK);
    expectNear(p.pixel(3, 0), 0x00ff00);
}

TEST_F(GetPictureTest, OnePixelPictures) {
    const Decoded g =
        gif.fromMemory(testpics::makeGif(1, 1, kFour, {GifFrame{0, 0, 1, 1, false, -1, {2}, {}}}));
    ASSERT_EQ(g.result, SPI_OK);
    EXPECT_EQ(g.bits.size(), 4);
    EXPECT_EQ(g.colour(g.pixel(0, 0)), 0x0000ffu);
    const Decoded j = jpeg.fromMemory(testpics::makeJpeg(1, 1, JpegKind::Colour, {0, 200, 0}));
    ASSERT_EQ(j.result, SPI_OK);
    EXPECT_EQ(j.bits.size(), 4);
    expectNear(j.pixel(0, 0), 0x00c800);
}

TEST_F(GetPictureTest, CutGifsDamagedAndForeignInputFail) {
    QList<uchar> samples;
    for (int i = 0; i < 64 * 64 * 3; ++i)
        samples << uchar(i * 7);
    const QByteArray jpg = testpics::makeJpeg(64, 64, JpegKind::Colour, samples);
    GifFrame f{0, 0, 64, 64, false, -1, {}, {}};
    for (int i = 0; i < 64 * 64; ++i)
        f.pixels << uchar(i % 4);
    const QByteArray gf = testpics::makeGif(64, 64, kFour, {f});

    // (A cut JPEG gives its top rows: test_picture_service.)
    expectFailure(viaFile(gif, gf.left(gf.size() / 2)));
    expectFailure(gif.fromMemory(gf.left(13))); // the screen, no image
    expectFailure(jpeg.fromMemory(jpg.left(2)));
    expectFailure(gif.fromMemory(jpg));
    expectFailure(jpeg.fromMemory(gf));
    expectFailure(gif.fromMemory(QByteArray()));
    expectFailure(jpeg.fromMemory(QByteArray()));

    QRandomGenerator random(1234);
    for (int round = 0; round < 50; ++round) {
        QByteArray noise(int(random.bounded(1, 4096)), Qt::Uninitialized);
        for (char& c : noise)
            c = char(random.bounded(256));
        expectFailure(gif.fromMemory(noise));
        expectFailure(jpeg.fromMemory(noise));
        // Noise after a real start.
        expectFailure(gif.fromMemory(gf.left(30) + noise));
    }
}

TEST_F(GetPictureTest, HugePicturesAreRefusedBeforeAnyAllocation) {
    // Logical screen 16 385 pixels wide; then 16 384 x 16 384 of 24-bit JPEG (768 MB of
    // rows) and 20 000 rows of JPEG: all past the limits.
    GifFrame f{0, 0, 1, 1, false, -1, {0}, {}};
    EXPECT_EQ(gif.fromMemory(testpics::makeGif(16385, 1, kFour, {f})).result, SPI_NO_MEMORY);
    GifFrame far{16000, 0, 1000, 1, false, -1, QList<uchar>(1000, 0), {}};
    EXPECT_EQ(gif.fromMemory(testpics::makeGif(1, 1, kFour, {far})).result, SPI_NO_MEMORY);

    QByteArray jpg = testpics::makeJpeg(8, 8, JpegKind::Grey, QList<uchar>(64, 9));
    const qsizetype sof = jpg.indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    auto setSize = [&](int width, int height) {
        jpg[sof + 5] = char(height >> 8);
        jpg[sof + 6] = char(height);
        jpg[sof + 7] = char(width >> 8);
        jpg[sof + 8] = char(width);
    };
    setSize(16384, 16384);
    EXPECT_EQ(jpeg.fromMemory(jpg).result, SPI_NO_MEMORY);
    setSize(8, 20000);
    EXPECT_EQ(jpeg.fromMemory(jpg).result, SPI_NO_MEMORY);
    setSize(0, 8);
    expectFailure(jpeg.fromMemory(jpg));
}

TEST_F(GetPictureTest, OnlyRegularFilesAreRead) {
    const QString fifo = dir.filePath(QStringLiteral("pipe.gif"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    expectFailure(gif.fromFile(fifo)); // would block forever if opened for reading
    expectFailure(gif.fromFile(dir.path()));
    expectFailure(jpeg.fromFile(dir.filePath(QStringLiteral("missing.jpg"))));
}

} // namespace
