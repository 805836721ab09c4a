#include "pictures/PictureHeader.h"

#include "platform/FileProbe.h"

#include <algorithm>
#include <cstdint>

namespace pictures {

namespace {

// No header worth waiting for lies further in: JPEG application segments are at most
// 64 KB each, and a GIF's comments before its first frame are rarely more than a few.
constexpr qsizetype kMaxHeaderBytes = 16 * 1024 * 1024;

uint8_t byteAt(const QByteArray& b, qsizetype i) {
    return uint8_t(b[i]);
}
int be16(const QByteArray& b, qsizetype i) {
    return byteAt(b, i) << 8 | byteAt(b, i + 1);
}
int le16(const QByteArray& b, qsizetype i) {
    return byteAt(b, i) | byteAt(b, i + 1) << 8;
}
int64_t le32s(const QByteArray& b, qsizetype i) {
    return int32_t(uint32_t(le16(b, i)) | uint32_t(le16(b, i + 2)) << 16);
}

HeaderScan sized(int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    return {HeaderScan::Size, QSize(width, height), 0};
}
HeaderScan needMore(qsizetype bytes) {
    return {HeaderScan::NeedMore, QSize(), bytes};
}

HeaderScan scanBmp(const QByteArray& b) {
    if (b.size() < 18)
        return needMore(18);
    const int64_t infoSize = le32s(b, 14);
    if (infoSize == 12) { // the OS/2 core header: 16-bit sizes
        if (b.size() < 22)
            return needMore(22);
        return sized(le16(b, 18), le16(b, 20));
    }
    if (infoSize < 16)
        return {};
    if (b.size() < 26)
        return needMore(26);
    const int64_t width = le32s(b, 18);
    const int64_t height = le32s(b, 22);
    if (width > INT32_MAX || height == INT32_MIN)
        return {};
    return sized(int(width), int(height < 0 ? -height : height));
}

HeaderScan scanGif(const QByteArray& b) {
    if (b.size() < 13)
        return needMore(13);
    const int screenWidth = le16(b, 6);
    const int screenHeight = le16(b, 8);
    const uint8_t flags = byteAt(b, 10);
    qsizetype pos = 13 + ((flags & 0x80) ? qsizetype(3) << ((flags & 7) + 1) : 0);
    // Extensions (comments, graphic control, applications) may come before the first frame.
    for (;;) {
        if (pos >= b.size())
            return needMore(pos + 1);
        const uint8_t block = byteAt(b, pos);
        if (block == 0x2C) {
            if (b.size() < pos + 9)
                return needMore(pos + 9);
            const int left = le16(b, pos + 1), top = le16(b, pos + 3);
            const int width = le16(b, pos + 5), height = le16(b, pos + 7);
            if (width == 0 || height == 0)
                return {};
            return sized(std::max(screenWidth, left + width), std::max(screenHeight, top + height));
        }
        if (block != 0x21)
            return {}; // the trailer, or no GIF block at all: no frame
        pos += 2;      // introducer and label
        for (;;) {
            if (pos >= b.size())
                return needMore(pos + 1);
            const int length = byteAt(b, pos);
            pos += 1 + length;
            if (length == 0)
                break;
        }
    }
}

HeaderScan scanJpeg(const QByteArray& b) {
    qsizetype pos = 2;
    for (;;) {
        // Stray bytes before a marker are skipped, as the decoder does.
        while (pos < b.size() && byteAt(b, pos) != 0xFF)
            ++pos;
        while (pos < b.size() && byteAt(b, pos) == 0xFF)
            ++pos;
        if (pos >= b.size())
            return needMore(pos + 4096);
        const uint8_t marker = byteAt(b, pos++);
        if (marker == 0xD9 || marker == 0xDA) // the end, or scan data before any frame
            return {};
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue; // markers without a length
        if (b.size() < pos + 2)
            return needMore(pos + 2);
        const int length = be16(b, pos);
        if (length < 2)
            return {};
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (b.size() < pos + 7)
                return needMore(pos + 7);
            return sized(be16(b, pos + 5), be16(b, pos + 3));
        }
        pos += length;
    }
}

} // namespace

HeaderScan ScanPictureHeader(const QByteArray& head) {
    if (head.size() < 2)
        return needMore(16);
    if (head.startsWith("BM"))
        return scanBmp(head);
    if (byteAt(head, 0) == 0xFF && byteAt(head, 1) == 0xD8)
        return scanJpeg(head);
    if (head.size() < 6)
        return QByteArrayLiteral("GIF8").startsWith(head.left(4)) ? needMore(6) : HeaderScan{};
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return scanGif(head);
    return {};
}

std::optional<QSize> ReadPictureHeaderSize(const QString& path) {
    qsizetype want = 4096;
    for (;;) {
        const QByteArray head = platform::readFileHead(path, want);
        const HeaderScan scan = ScanPictureHeader(head);
        if (scan.outcome == HeaderScan::Size)
            return scan.size;
        // A file that ends before its header does is as unreadable as a wrong header.
        if (scan.outcome == HeaderScan::Unreadable || head.size() < want || want >= kMaxHeaderBytes)
            return std::nullopt;
        want = std::min(kMaxHeaderBytes, std::max(scan.needed, want * 2));
    }
}

} // namespace pictures
