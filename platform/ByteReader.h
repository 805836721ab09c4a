#pragma once
// Bounds-checked little-endian reads from a byte buffer, for parsing files from other
// systems (program resources, shell links): every read says whether it lay inside.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>

namespace platform {

class ByteReader {
public:
    explicit ByteReader(QByteArrayView v) : v_(v) {}
    uint64_t size() const { return uint64_t(v_.size()); }
    bool has(uint64_t off, uint64_t len) const { return off <= size() && len <= size() - off; }
    bool u16(uint64_t off, uint32_t* out) const {
        if (!has(off, 2))
            return false;
        *out = byte(off) | byte(off + 1) << 8;
        return true;
    }
    bool u32(uint64_t off, uint32_t* out) const {
        if (!has(off, 4))
            return false;
        *out = byte(off) | byte(off + 1) << 8 | byte(off + 2) << 16 | byte(off + 3) << 24;
        return true;
    }
    // Only after has(off, len).
    QByteArrayView slice(uint64_t off, uint64_t len) const {
        return v_.sliced(qsizetype(off), qsizetype(len));
    }
    // A zero-terminated byte string lying wholly in [off, end).
    std::optional<QByteArray> cstr(uint64_t off, uint64_t end) const {
        for (uint64_t i = off; i < end && has(i, 1); ++i) {
            if (byte(i) == 0)
                return slice(off, i - off).toByteArray();
        }
        return std::nullopt;
    }
    // A zero-terminated UTF-16LE string lying wholly in [off, end).
    std::optional<QString> wstr(uint64_t off, uint64_t end) const {
        QString out;
        for (uint64_t i = off; i + 1 < end && has(i, 2); i += 2) {
            const char16_t c = char16_t(byte(i) | byte(i + 1) << 8);
            if (c == 0)
                return out;
            out.append(QChar(c));
        }
        return std::nullopt;
    }

private:
    uint32_t byte(uint64_t off) const { return uint8_t(v_[qsizetype(off)]); }
    QByteArrayView v_;
};

} // namespace platform
