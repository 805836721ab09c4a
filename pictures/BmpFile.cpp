#include "pictures/BmpFile.h"

#include "base/ByteOrder.h"
#include "platform/ReadOnlyFile.h"

#include <QBuffer>
#include <QImageReader>
#include <cstdint>

namespace pictures {

namespace {

constexpr qsizetype kFileHeaderSize = 14;
constexpr qsizetype kLongestHeader = kFileHeaderSize + 124 + 12; // the largest header, masks
enum Compression : std::uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

std::uint32_t get32(const QByteArray& b, qsizetype at) {
    return zelmo_le32(reinterpret_cast<const unsigned char*>(b.constData()) + at);
}

std::uint16_t get16(const QByteArray& b, qsizetype at) {
    return zelmo_le16(reinterpret_cast<const unsigned char*>(b.constData()) + at);
}

struct Header {
    std::uint64_t dataOffset = 0;
    std::uint64_t width = 0, rows = 0;
    unsigned bitCount = 0;
    std::uint32_t compression = Rgb;
};

// The header of a BMP file whose first bytes are in head.
std::optional<Header> headerOf(const QByteArray& head, qsizetype maxImageBytes) {
    if (head.size() < kFileHeaderSize + 12 || head[0] != 'B' || head[1] != 'M')
        return std::nullopt;
    Header h;
    h.dataOffset = get32(head, 10);
    const std::uint32_t infoSize = get32(head, kFileHeaderSize);
    std::int64_t width = 0, height = 0;
    if (infoSize == 12) { // the old core header: 16-bit sides
        width = get16(head, kFileHeaderSize + 4);
        height = get16(head, kFileHeaderSize + 6);
        h.bitCount = get16(head, kFileHeaderSize + 10);
    } else if (infoSize >= 40 && head.size() >= kFileHeaderSize + 40) {
        width = std::int32_t(get32(head, kFileHeaderSize + 4));
        height = std::int32_t(get32(head, kFileHeaderSize + 8));
        h.bitCount = get16(head, kFileHeaderSize + 14);
        h.compression = get32(head, kFileHeaderSize + 16);
    } else {
        return std::nullopt;
    }
    if (width <= 0 || height == 0)
        return std::nullopt;
    h.width = std::uint64_t(width);
    h.rows = std::uint64_t(height < 0 ? -height : height);
    switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return std::nullopt;
    }
    // The rows start at the data offset, but never inside the headers and the colour table.
    std::uint64_t tableEntries = 0;
    if (h.bitCount <= 8) {
        tableEntries = infoSize >= 40 ? get32(head, kFileHeaderSize + 32) : 0;
        if (tableEntries == 0)
            tableEntries = std::uint64_t(1) << h.bitCount;
        if (tableEntries > 256)
            return std::nullopt;
    }
    std::uint64_t masks = 0;
    if (infoSize == 40 && h.compression == BitFields)
        masks = 12;
    else if (infoSize == 40 && h.compression == AlphaBitFields)
        masks = 16;
    const std::uint64_t tableEnd =
        kFileHeaderSize + infoSize + masks + tableEntries * (infoSize == 12 ? 3 : 4);
    if (h.dataOffset < tableEnd)
        h.dataOffset = tableEnd;
    const bool runLength = h.compression == Rle8 || h.compression == Rle4;
    if (runLength && (height < 0 || h.bitCount != (h.compression == Rle8 ? 8u : 4u)))
        return std::nullopt;
    if (!runLength && h.compression != Rgb && h.compression != BitFields &&
        h.compression != AlphaBitFields)
        return std::nullopt;
    // What the toolkit makes of it: 8 bits a pixel for palettes, else 32.
    const std::uint64_t pixelBytes = h.bitCount <= 8 ? 1 : 4;
    if (h.width > 0x7fffffff || h.rows > 0x7fffffff ||
        (h.width * pixelBytes + 3) / 4 * 4 * h.rows > std::uint64_t(maxImageBytes))
        return std::nullopt;
    return h;
}

// The end of the run-length coded rows that start at from: past the end-of-picture
// marker, or nothing when the bytes end first.
std::optional<qsizetype> runLengthEnd(const QByteArray& bytes, qsizetype from, bool fourBit) {
    const qsizetype size = bytes.size();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    qsizetype at = from;
    while (at + 2 <= size) {
        const unsigned count = p[at], code = p[at + 1];
        at += 2;
        if (count > 0)
            continue; // a run: one value for count pixels
        if (code == 0)
            continue; // end of a row
        if (code == 1)
            return at; // end of the picture
        if (code == 2) {
            at += 2; // a move right and down
            continue;
        }
        // code pixels as they are, padded to an even count of bytes
        const qsizetype n = fourBit ? (code + 1) / 2 : code;
        at += n + (n & 1);
    }
    return std::nullopt;
}

} // namespace

std::optional<qsizetype> BmpExtent(const QByteArray& bytes, qsizetype maxImageBytes) {
    const std::optional<Header> h = headerOf(bytes, maxImageBytes);
    if (!h || h->dataOffset > std::uint64_t(bytes.size()))
        return std::nullopt;
    if (h->compression == Rle8 || h->compression == Rle4)
        return runLengthEnd(bytes, qsizetype(h->dataOffset), h->compression == Rle4);
    const std::uint64_t stride = (h->width * h->bitCount + 31) / 32 * 4;
    const std::uint64_t extent = h->dataOffset + stride * h->rows;
    if (extent > std::uint64_t(bytes.size()))
        return std::nullopt;
    return qsizetype(extent);
}

QImage ImageFromBmp(const QByteArray& bytes, qsizetype maxImageBytes) {
    const std::optional<qsizetype> extent = BmpExtent(bytes, maxImageBytes);
    if (!extent)
        return {};
    QByteArray whole = bytes.left(*extent);
    QBuffer buffer(&whole);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}

QImage ReadBmpFile(const QString& path, qsizetype maxImageBytes) {
    platform::ReadOnlyFile file;
    if (!file.open(path))
        return {};
    const std::uint64_t fileSize = file.size();
    QByteArray head(qsizetype(std::min<std::uint64_t>(fileSize, kLongestHeader)),
                    Qt::Uninitialized);
    if (file.readAt(0, head.data(), std::uint64_t(head.size())) != std::uint64_t(head.size()))
        return {};
    const std::optional<Header> h = headerOf(head, maxImageBytes);
    if (!h)
        return {};
    // Uncompressed: exactly the rows; run-length coded: up to a picture's worth of codes.
    std::uint64_t wanted = h->dataOffset + std::uint64_t(maxImageBytes);
    if (h->compression != Rle8 && h->compression != Rle4)
        wanted = h->dataOffset + (h->width * h->bitCount + 31) / 32 * 4 * h->rows;
    if (wanted > fileSize) {
        if (h->compression != Rle8 && h->compression != Rle4)
            return {}; // cut short
        wanted = fileSize;
    }
    QByteArray bytes(qsizetype(wanted), Qt::Uninitialized);
    if (file.readAt(0, bytes.data(), wanted) != wanted)
        return {};
    return ImageFromBmp(bytes, maxImageBytes);
}

} // namespace pictures
