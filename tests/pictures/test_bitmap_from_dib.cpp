// A plug-in's bitmap (header, colour table, rows) made into a BMP file: the file header's
// offsets, the colour-table sizes, what Qt's BMP reader makes of it, and headers that
// claim more than their blocks hold.
#include "pictures/DibBitmap.h"

#include <QImage>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

namespace {

QByteArray header(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t colours,
                  std::uint32_t size = 40, std::uint32_t compression = 0) {
    QByteArray h(40, '\0');
    auto put = [&h](int at, std::uint32_t v) { std::memcpy(h.data() + at, &v, 4); };
    put(0, size);
    put(4, std::uint32_t(width));
    put(8, std::uint32_t(height));
    h[12] = 1;
    h[14] = char(bitCount);
    put(16, compression);
    put(32, colours);
    return h;
}

std::uint32_t read32(const QByteArray& b, int at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}

QByteArray bmp(const QByteArray& info, const QByteArray& bits) {
    return pictures::BitmapFromDib(info.constData(), std::size_t(info.size()), bits.constData(),
                                   std::size_t(bits.size()));
}

TEST(BitmapFromDib, FourBitWithNoColoursUsedGetsSixteenEntries) {
    // 3 x 2 at 4 bits: rows of 4 bytes. Palette: entry 1 red, entry 2 green.
    QByteArray info = header(3, 2, 4, 0) + QByteArray(64, '\0');
    info[40 + 4 + 2] = char(255);
    info[40 + 8 + 1] = char(255);
    const QByteArray bits = QByteArray("\x12\x10\0\0\x21\x20\0\0", 8);
    const QByteArray file = bmp(info, bits);
    ASSERT_EQ(file.size(), 54 + 64 + 8);
    EXPECT_EQ(file.left(2), "BM");
    EXPECT_EQ(read32(file, 2), 54u + 64 + 8);
    EXPECT_EQ(read32(file, 6), 0u);
    EXPECT_EQ(read32(file, 10), 54u + 64);
    EXPECT_EQ(file.mid(14, 104), info);
    EXPECT_EQ(file.mid(118), bits);

    QImage image;
    ASSERT_TRUE(image.loadFromData(file, "BMP"));
    ASSERT_EQ(image.size(), QSize(3, 2));
    // Bottom-up: the first row in the block is the picture's last.
    EXPECT_EQ(image.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(2, 0), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(2, 1), qRgb(255, 0, 0));
}

TEST(BitmapFromDib, TableSizesFollowBitCountAndColoursUsed) {
    struct Case {
        int bitCount;
        std::uint32_t coloursUsed;
        int tableEntries;
    };
    for (const Case c : {Case{1, 0, 2}, Case{8, 0, 256}, Case{8, 3, 3}, Case{24, 0, 0},
                         Case{32, 0, 0}, Case{16, 0, 0}, Case{24, 2, 2}}) {
        SCOPED_TRACE(c.bitCount);
        const QByteArray info =
            header(5, 3, c.bitCount, c.coloursUsed) + QByteArray(4 * c.tableEntries, '\x40');
        const int stride = (c.bitCount * 5 + 31) / 32 * 4;
        const QByteArray file = bmp(info, QByteArray(stride * 3, '\x11'));
        ASSERT_EQ(file.size(), 54 + 4 * c.tableEntries + stride * 3);
        EXPECT_EQ(read32(file, 10), std::uint32_t(54 + 4 * c.tableEntries));
        EXPECT_FALSE(QImage::fromData(file, "BMP").isNull());
    }
}

TEST(BitmapFromDib, TwentyFourBitHasNoTableAndTopDownRowsStay) {
    // 2 x 2, rows of 8 bytes (6 + 2 padding); a negative height is a top-down bitmap.
    const QByteArray bits("\x00\x00\xff\x00\xff\x00\0\0\xff\x00\x00\xff\xff\xff\0\0", 16);
    const QByteArray file = bmp(header(2, -2, 24, 0), bits);
    ASSERT_EQ(file.size(), 54 + 16);
    EXPECT_EQ(read32(file, 10), 54u);
    const QImage image = QImage::fromData(file, "BMP");
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255));
    // Longer blocks than needed are fine: only the image size is copied.
    EXPECT_EQ(bmp(header(2, 2, 24, 0) + QByteArray(100, '\0'), bits + "more").size(), 70);
}

TEST(BitmapFromDib, HeadersThatDoNotFitTheirBlocksGiveNoPicture) {
    const QByteArray rows(1024, '\0');
    EXPECT_TRUE(bmp(header(4, 4, 24, 0).left(39), rows).isEmpty());                // header cut
    EXPECT_TRUE(bmp(header(4, 4, 8, 0) + QByteArray(1020, '\0'), rows).isEmpty()); // table cut
    EXPECT_TRUE(bmp(header(4, 4, 8, 300) + QByteArray(1024, '\0'), rows).isEmpty());
    EXPECT_TRUE(bmp(header(4, 4, 8, 0xffffffffu) + QByteArray(1024, '\0'), rows).isEmpty());
    EXPECT_TRUE(bmp(header(4, 4, 24, 0), QByteArray(47, '\0')).isEmpty()); // rows cut
    EXPECT_FALSE(bmp(header(4, 4, 24, 0), QByteArray(48, '\0')).isEmpty());
    EXPECT_TRUE(bmp(header(0, 4, 24, 0), rows).isEmpty());
    EXPECT_TRUE(bmp(header(-4, 4, 24, 0), rows).isEmpty());
    EXPECT_TRUE(bmp(header(4, 0, 24, 0), rows).isEmpty());
    EXPECT_TRUE(bmp(header(4, 4, 3, 0), rows).isEmpty());
    EXPECT_TRUE(bmp(header(4, 4, 0, 0), rows).isEmpty());
    EXPECT_TRUE(bmp(header(4, 4, 24, 0, 108), rows).isEmpty()); // another header kind
    EXPECT_TRUE(bmp(header(4, 4, 8, 0, 40, 1) + QByteArray(1024, '\0'), rows).isEmpty()); // RLE
    // Sizes whose products overflow 32 bits, and the most negative height.
    EXPECT_TRUE(bmp(header(0x7fffffff, 0x7fffffff, 32, 0), rows).isEmpty());
    EXPECT_TRUE(bmp(header(0x40000000, 4, 32, 0), rows).isEmpty());
    EXPECT_TRUE(bmp(header(1, INT32_MIN, 32, 0), rows).isEmpty());
    EXPECT_TRUE(pictures::BitmapFromDib(nullptr, 0, rows.constData(), 1024).isEmpty());
}

QImage image(const QByteArray& info, const QByteArray& bits, qsizetype limit = 1 << 30) {
    return pictures::ImageFromDib(info.constData(), std::size_t(info.size()), bits.constData(),
                                  std::size_t(bits.size()), limit);
}

// Straight into an image, the same pixels as Qt's BMP reader makes of the BMP file.
TEST(ImageFromDib, GivesWhatTheBmpReaderMakesOfBitmapFromDib) {
    struct Case {
        int bitCount;
        std::uint32_t coloursUsed; // 0: the full table
        int height;                // negative: top-down
    };
    std::uint32_t seed = 12345;
    auto next = [&seed] { return char((seed = seed * 1103515245u + 12345u) >> 16); };
    for (const Case c :
         {Case{1, 0, 3}, Case{4, 0, 3}, Case{4, 5, -3}, Case{8, 0, 3}, Case{8, 7, 3},
          Case{8, 0, -3}, Case{16, 0, 3}, Case{24, 0, -3}, Case{24, 2, 3}, Case{32, 0, 3}}) {
        SCOPED_TRACE(std::to_string(c.bitCount) + " bits, " + std::to_string(c.coloursUsed) +
                     " colours, height " + std::to_string(c.height));
        const int entries = c.coloursUsed     ? int(c.coloursUsed)
                            : c.bitCount <= 8 ? 1 << c.bitCount
                                              : 0;
        QByteArray info = header(7, c.height, c.bitCount, c.coloursUsed);
        for (int i = 0; i < 4 * entries; ++i)
            info += (i % 4 == 3) ? '\0' : next();
        QByteArray bits;
        for (int i = 0; i < (c.bitCount * 7 + 31) / 32 * 4 * 3; ++i)
            bits += next();
        const QImage direct = image(info, bits);
        const QImage read = QImage::fromData(bmp(info, bits), "BMP");
        ASSERT_FALSE(read.isNull());
        ASSERT_EQ(direct.size(), read.size());
        EXPECT_EQ(direct.convertToFormat(QImage::Format_RGB32),
                  read.convertToFormat(QImage::Format_RGB32));
    }
}

TEST(ImageFromDib, RefusesWhatBitmapFromDibRefusesAndWhatIsPastTheLimit) {
    const QByteArray rows(1024, '\0');
    const QByteArray refused[][2] = {
        {header(4, 4, 24, 0).left(39), rows},
        {header(4, 4, 8, 0) + QByteArray(1020, '\0'), rows},
        {header(4, 4, 24, 0), QByteArray(47, '\0')},
        {header(0, 4, 24, 0), rows},
        {header(4, 0, 24, 0), rows},
        {header(4, 4, 3, 0), rows},
        {header(4, 4, 24, 0, 108), rows},
        {header(4, 4, 8, 0, 40, 1) + QByteArray(1024, '\0'), rows},
        {header(0x40000000, 4, 32, 0), rows},
        {header(1, INT32_MIN, 32, 0), rows},
    };
    for (const auto& r : refused) {
        EXPECT_TRUE(bmp(r[0], r[1]).isEmpty());
        EXPECT_TRUE(image(r[0], r[1]).isNull());
    }
    // 10 x 10 at 32 bits a pixel in the image: 400 bytes.
    EXPECT_TRUE(image(header(10, 10, 24, 0), QByteArray(320, '\0'), 399).isNull());
    EXPECT_EQ(image(header(10, 10, 24, 0), QByteArray(320, '\0'), 400).size(), QSize(10, 10));
}

} // namespace
