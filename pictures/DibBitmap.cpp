#include "pictures/DibBitmap.h"

#include "base/ByteOrder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace pictures {

namespace {

constexpr std::uint64_t kHeaderSize = 40;
constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint64_t kLargestFile = 0x7fffffff; // the file-size field, and a QByteArray

void put32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = char(v >> (8 * i));
}

// What the header says, checked against both blocks.
struct Layout {
    std::uint64_t width = 0, rows = 0;
    bool topDown = false;
    unsigned bitCount = 0;
    std::uint64_t colours = 0; // entries in the table
    std::uint64_t stride = 0, imageSize = 0, tableSize = 0, offset = 0, fileSize = 0;
};

std::optional<Layout> layoutOf(const void* info, std::size_t infoSize, const void* bits,
                               std::size_t bitsSize) {
    if (!info || !bits || infoSize < kHeaderSize)
        return std::nullopt;
    const auto* header = static_cast<const unsigned char*>(info);
    if (zelmo_le32(header) != kHeaderSize ||
        zelmo_le32(header + 16) != 0) // other headers, compression
        return std::nullopt;
    const std::int32_t width = std::int32_t(zelmo_le32(header + 4));
    const std::int32_t height = std::int32_t(zelmo_le32(header + 8));
    Layout l;
    l.bitCount = zelmo_le16(header + 14);
    l.colours = zelmo_le32(header + 32);
    if (width <= 0 || height == 0)
        return std::nullopt;
    if (l.bitCount != 1 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 16 &&
        l.bitCount != 24 && l.bitCount != 32)
        return std::nullopt;
    if (l.colours == 0 && l.bitCount <= 8)
        l.colours = std::uint64_t(1) << l.bitCount;

    l.width = std::uint64_t(width);
    l.topDown = height < 0;
    l.rows = height < 0 ? std::uint64_t(-std::int64_t(height)) : std::uint64_t(height);
    l.stride = (std::uint64_t(l.bitCount) * l.width + 31) / 32 * 4;
    l.imageSize = l.rows * l.stride; // below 2^31 * 2^33: no overflow
    l.tableSize = 4 * l.colours;
    if (kHeaderSize + l.tableSize > infoSize || l.imageSize > bitsSize)
        return std::nullopt;
    l.offset = kFileHeaderSize + kHeaderSize + l.tableSize;
    l.fileSize = l.offset + l.imageSize;
    if (l.fileSize > kLargestFile)
        return std::nullopt;
    return l;
}

} // namespace

QByteArray BitmapFromDib(const void* info, std::size_t infoSize, const void* bits,
                         std::size_t bitsSize) {
    const std::optional<Layout> l = layoutOf(info, infoSize, bits, bitsSize);
    if (!l)
        return {};
    const auto* header = static_cast<const unsigned char*>(info);
    const std::uint64_t imageSize = l->imageSize, tableSize = l->tableSize, offset = l->offset,
                        fileSize = l->fileSize;

    QByteArray file(qsizetype(fileSize), Qt::Uninitialized);
    char* out = file.data();
    out[0] = 'B'; // 19778 as a 16-bit value
    out[1] = 'M';
    put32(out + 2, std::uint32_t(fileSize));
    put32(out + 6, 0); // two reserved 16-bit zeros
    put32(out + 10, std::uint32_t(offset));
    std::memcpy(out + kFileHeaderSize, header, std::size_t(kHeaderSize + tableSize));
    if (imageSize)
        std::memcpy(out + offset, bits, std::size_t(imageSize));
    return file;
}

QImage ImageFromDib(const void* info, std::size_t infoSize, const void* bits, std::size_t bitsSize,
                    qsizetype maxImageBytes) {
    const std::optional<Layout> l = layoutOf(info, infoSize, bits, bitsSize);
    if (!l)
        return {};
    const bool indexed = l->bitCount <= 8;
    const QImage::Format format = indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32;
    // The image's own row length (32-bit aligned) times its rows, as the toolkit counts.
    const std::uint64_t outStride = (l->width * (indexed ? 8 : 32) + 31) / 32 * 4;
    if (l->width > 0x7fffffff || l->rows > 0x7fffffff ||
        outStride * l->rows > std::uint64_t(maxImageBytes))
        return {};
    QImage image(int(l->width), int(l->rows), format);
    if (image.isNull())
        return {};

    const auto* table = static_cast<const unsigned char*>(info) + kHeaderSize;
    if (indexed) {
        QList<QRgb> colours(256, qRgb(0, 0, 0));
        const int count = int(std::min<std::uint64_t>(l->colours, 256));
        for (int i = 0; i < count; ++i)
            colours[i] = qRgb(table[4 * i + 2], table[4 * i + 1], table[4 * i]);
        // A two-colour picture with a short table has white for its second colour, as
        // the toolkit draws one.
        if (l->bitCount == 1 && count < 2)
            colours[1] = qRgb(255, 255, 255);
        image.setColorTable(colours);
    }
    const auto* pixels = static_cast<const unsigned char*>(bits);
    const int width = int(l->width);
    for (std::uint64_t y = 0; y < l->rows; ++y) {
        const unsigned char* in = pixels + (l->topDown ? y : l->rows - 1 - y) * l->stride;
        uchar* out = image.scanLine(int(y));
        switch (l->bitCount) {
        case 1:
            for (int x = 0; x < width; ++x)
                out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                out[x] = (x & 1) ? in[x >> 1] & 0x0f : in[x >> 1] >> 4;
            break;
        case 8:
            std::memcpy(out, in, std::size_t(width));
            break;
        case 16: {
            auto* o = reinterpret_cast<QRgb*>(out);
            for (int x = 0; x < width; ++x) {
                const unsigned v = zelmo_le16(in + 2 * x);
                o[x] = qRgb(int((v >> 10) & 0x1f) * 8, int((v >> 5) & 0x1f) * 8, int(v & 0x1f) * 8);
            }
            break;
        }
        case 24: {
            auto* o = reinterpret_cast<QRgb*>(out);
            for (int x = 0; x < width; ++x)
                o[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
            break;
        }
        default: { // 32: the fourth byte carries nothing
            auto* o = reinterpret_cast<QRgb*>(out);
            for (int x = 0; x < width; ++x)
                o[x] = qRgb(in[4 * x + 2], in[4 * x + 1], in[4 * x]);
            break;
        }
        }
    }
    return image;
}

} // namespace pictures
