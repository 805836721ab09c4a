#include "pictures/DibBitmap.h"

#include <cstdint>
#include <cstring>

namespace pictures {

namespace {

constexpr std::uint64_t kHeaderSize = 40;
constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint64_t kLargestFile = 0x7fffffff; // the file-size field, and a QByteArray

std::uint32_t get32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::uint16_t get16(const unsigned char* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

void put32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = char(v >> (8 * i));
}

} // namespace

QByteArray BitmapFromDib(const void* info, std::size_t infoSize, const void* bits,
                         std::size_t bitsSize) {
    if (!info || !bits || infoSize < kHeaderSize)
        return {};
    const auto* header = static_cast<const unsigned char*>(info);
    if (get32(header) != kHeaderSize || get32(header + 16) != 0) // other headers, compression
        return {};
    const std::int32_t width = std::int32_t(get32(header + 4));
    const std::int32_t height = std::int32_t(get32(header + 8));
    const unsigned bitCount = get16(header + 14);
    std::uint64_t colours = get32(header + 32);
    if (width <= 0 || height == 0)
        return {};
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return {};
    if (colours == 0 && bitCount <= 8)
        colours = std::uint64_t(1) << bitCount;

    const std::uint64_t rows = height < 0 ? std::uint64_t(-std::int64_t(height)) : height;
    const std::uint64_t stride = (std::uint64_t(bitCount) * std::uint64_t(width) + 31) / 32 * 4;
    const std::uint64_t imageSize = rows * stride; // below 2^31 * 2^33: no overflow
    const std::uint64_t tableSize = 4 * colours;
    if (kHeaderSize + tableSize > infoSize || imageSize > bitsSize)
        return {};
    const std::uint64_t offset = kFileHeaderSize + kHeaderSize + tableSize;
    const std::uint64_t fileSize = offset + imageSize;
    if (fileSize > kLargestFile)
        return {};

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

} // namespace pictures
