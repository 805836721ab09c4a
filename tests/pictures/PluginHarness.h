#pragma once
// A built plug-in loaded by its path, and one GetPicture call with the blocks copied out.
#include "outside/spi/SusiePlugin.h"
#include "platform/DynamicLibrary.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>
#include <cstring>

namespace testpics {

struct Decoded {
    int result = -100;
    bool handlesLeftEmpty = false; // both out handles null (checked on failure)
    QByteArray info, bits;

    std::int32_t field32(int at) const {
        std::int32_t v = 0;
        std::memcpy(&v, info.constData() + at, 4);
        return v;
    }
    int width() const { return field32(4); }
    int height() const { return field32(8); }
    int bitCount() const { return quint16(field32(14)); }
    int coloursUsed() const { return field32(32); }
    int stride() const { return (bitCount() * width() + 31) / 32 * 4; }
    // The pixel at (x, y) counted from the top: an index for 8 bits, else 0xRRGGBB.
    quint32 pixel(int x, int y) const {
        const auto* row =
            reinterpret_cast<const uchar*>(bits.constData()) + (height() - 1 - y) * stride();
        if (bitCount() == 8)
            return row[x];
        const uchar* p = row + 3 * x;
        return quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
    }
    // Palette entry i as 0xRRGGBB.
    quint32 colour(int i) const {
        const auto* p = reinterpret_cast<const uchar*>(info.constData()) + 40 + 4 * i;
        return quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
    }
};

class PluginHarness {
public:
    explicit PluginHarness(const QString& path) {
        if (lib_.load(path)) {
            get_ = reinterpret_cast<SpiGetPictureFn>(lib_.symbol(SPI_GET_PICTURE_EXPORT));
            scaled_ =
                reinterpret_cast<SpiGetPictureScaledFn>(lib_.symbol(SPI_GET_PICTURE_SCALED_EXPORT));
            data_ = reinterpret_cast<SpiBlockDataFn>(lib_.symbol(SPI_BLOCK_DATA_EXPORT));
            free_ = reinterpret_cast<SpiFreeBlockFn>(lib_.symbol(SPI_FREE_BLOCK_EXPORT));
        }
    }
    bool ready() const { return get_ && data_ && free_; }
    bool hasScaledEntry() const { return scaled_ != nullptr; }

    // The scaled entry on a file; own receives the picture's own size.
    Decoded fromFileScaled(const QString& path, int maxWidth, int maxHeight, unsigned flags = 0,
                           QSize* own = nullptr) const {
        const QByteArray p = path.toLocal8Bit();
        Decoded d;
        SpiHandle info = reinterpret_cast<SpiHandle>(1), bits = reinterpret_cast<SpiHandle>(1);
        long w = -1, h = -1;
        d.result = scaled_(p.constData(), 0, SPI_INPUT_FILE | flags, maxWidth, maxHeight, &info,
                           &bits, &w, &h, nullptr, 0);
        d.handlesLeftEmpty = !info && !bits;
        if (own)
            *own = QSize(int(w), int(h));
        if (d.result == SPI_OK)
            take(d, info, bits);
        return d;
    }

    Decoded fromMemory(const QByteArray& bytes) const {
        return call(bytes.constData(), long(bytes.size()), SPI_INPUT_MEMORY);
    }
    Decoded fromFile(const QString& path) const {
        const QByteArray p = path.toLocal8Bit();
        return call(p.constData(), 0, SPI_INPUT_FILE);
    }

private:
    Decoded call(const char* source, long offset, unsigned flags) const {
        Decoded d;
        SpiHandle info = reinterpret_cast<SpiHandle>(1), bits = reinterpret_cast<SpiHandle>(1);
        d.result = get_(source, offset, flags, &info, &bits, nullptr, 0);
        d.handlesLeftEmpty = !info && !bits;
        if (d.result == SPI_OK)
            take(d, info, bits);
        return d;
    }
    void take(Decoded& d, SpiHandle info, SpiHandle bits) const {
        size_t n = 0;
        const void* p = data_(info, &n);
        d.info = QByteArray(static_cast<const char*>(p), qsizetype(n));
        p = data_(bits, &n);
        d.bits = QByteArray(static_cast<const char*>(p), qsizetype(n));
        free_(info);
        free_(bits);
    }

    platform::DynamicLibrary lib_;
    SpiGetPictureFn get_ = nullptr;
    SpiGetPictureScaledFn scaled_ = nullptr;
    SpiBlockDataFn data_ = nullptr;
    SpiFreeBlockFn free_ = nullptr;
};

} // namespace testpics
