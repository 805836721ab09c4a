#include "platform/Shortcut.h"

#include "platform/ByteReader.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"

#include <QByteArray>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {
constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint32_t kHasLinkTargetIdList = 0x01;
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;
// {00021401-0000-0000-C000-000000000046} as stored.
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

} // namespace

std::optional<QString> shellLinkLocalPath(QByteArrayView bytes) {
    ByteReader r(bytes);
    uint32_t headerSize, flags;
    if (!r.u32(0, &headerSize) || headerSize != kHeaderSize || !r.has(0, kHeaderSize))
        return std::nullopt;
    if (std::memcmp(r.slice(4, 16).data(), kLinkClsid, 16) != 0)
        return std::nullopt;
    r.u32(0x14, &flags);
    uint64_t pos = kHeaderSize;
    if (flags & kHasLinkTargetIdList) {
        uint32_t idListSize;
        if (!r.u16(pos, &idListSize))
            return std::nullopt;
        pos += 2 + idListSize;
    }
    if (!(flags & kHasLinkInfo))
        return std::nullopt;
    uint32_t infoSize, infoHeaderSize, infoFlags, baseOff, suffixOff;
    if (!r.u32(pos, &infoSize) || !r.u32(pos + 4, &infoHeaderSize) || !r.u32(pos + 8, &infoFlags) ||
        !r.u32(pos + 16, &baseOff) || !r.u32(pos + 24, &suffixOff) || infoHeaderSize < 0x1C ||
        infoHeaderSize > infoSize || !r.has(pos, infoSize))
        return std::nullopt;
    if (!(infoFlags & kVolumeIdAndLocalBasePath))
        return std::nullopt;
    const uint64_t end = pos + infoSize;
    if (infoHeaderSize >= 0x24) {
        uint32_t baseOffW, suffixOffW;
        if (r.u32(pos + 28, &baseOffW) && r.u32(pos + 32, &suffixOffW) && baseOffW != 0) {
            auto base = r.wstr(pos + baseOffW, end);
            if (base && !base->isEmpty()) {
                auto suffix = suffixOffW ? r.wstr(pos + suffixOffW, end) : QString();
                return *base + suffix.value_or(QString());
            }
        }
    }
    if (baseOff == 0)
        return std::nullopt;
    auto base = r.cstr(pos + baseOff, end);
    if (!base || base->isEmpty())
        return std::nullopt;
    auto suffix = suffixOff ? r.cstr(pos + suffixOff, end) : QByteArray();
    return fromFsBytes(*base + suffix.value_or(QByteArray()));
}

QString ResolveShortcut(const QString& path) {
    if (pathIsSymlink(path)) {
        char buf[PATH_MAX];
        if (::realpath(toFsBytes(path).constData(), buf))
            return fromFsBytes(buf, qsizetype(strlen(buf)));
        return path;
    }
    const auto bytes = readWholeFile(path, 1 << 20);
    if (!bytes)
        return path;
    const auto target = shellLinkLocalPath(*bytes);
    if (target && pathExists(*target))
        return *target;
    return path;
}

} // namespace platform
