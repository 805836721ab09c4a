#include "platform/PeIcon.h"

#include "platform/ByteReader.h"

#include <QBuffer>
#include <QImageReader>
#include <cstdint>
#include <cstdlib>

namespace platform {

namespace {
constexpr uint32_t kRtIcon = 3;
constexpr uint32_t kRtGroupIcon = 14;

// Little-endian reads that fail instead of reading past the end.

struct Section {
    uint32_t va, vsize, rawPtr, rawSize;
};

class PeResources {
public:
    explicit PeResources(QByteArrayView file) : b_(file) {}

    bool open() {
        uint32_t mz, peOff, sig, nSections, optSize, magic;
        if (!b_.u16(0, &mz) || mz != 0x5A4D || !b_.u32(0x3C, &peOff))
            return false;
        if (!b_.u32(peOff, &sig) || sig != 0x00004550)
            return false;
        const uint64_t coff = uint64_t(peOff) + 4;
        if (!b_.u16(coff + 2, &nSections) || !b_.u16(coff + 16, &optSize))
            return false;
        const uint64_t opt = coff + 20;
        if (!b_.u16(opt, &magic))
            return false;
        uint64_t countOff, dirOff;
        if (magic == 0x10B) {
            countOff = opt + 92;
            dirOff = opt + 96;
        } else if (magic == 0x20B) {
            countOff = opt + 108;
            dirOff = opt + 112;
        } else {
            return false;
        }
        uint32_t nDirs, rsrcRva, rsrcSize;
        if (!b_.u32(countOff, &nDirs) || nDirs < 3 || dirOff + 24 > opt + optSize ||
            !b_.u32(dirOff + 16, &rsrcRva) || !b_.u32(dirOff + 20, &rsrcSize) || rsrcRva == 0)
            return false;
        const uint64_t table = opt + optSize;
        if (!b_.has(table, uint64_t(nSections) * 40))
            return false;
        for (uint32_t i = 0; i < nSections; ++i) {
            const uint64_t s = table + uint64_t(i) * 40;
            Section sec{};
            b_.u32(s + 8, &sec.vsize);
            b_.u32(s + 12, &sec.va);
            b_.u32(s + 16, &sec.rawSize);
            b_.u32(s + 20, &sec.rawPtr);
            sections_[qMin<int>(i, kMaxSections - 1)] = sec;
            nSections_ = qMin<int>(i + 1, kMaxSections);
        }
        rsrcRva_ = rsrcRva;
        // Resource directory offsets are relative to the start of the resources.
        return rvaToOffset(rsrcRva, 16, &rsrc_);
    }

    // The file range of the section that holds the resource directory, from the headers
    // alone (valid after open(), also when the view holds only the headers).
    std::optional<std::pair<uint64_t, uint64_t>> resourceSection() const {
        for (int i = 0; i < nSections_; ++i) {
            const Section& s = sections_[i];
            if (rsrcRva_ >= s.va && uint64_t(rsrcRva_) - s.va < qMax(s.vsize, s.rawSize))
                return std::make_pair(uint64_t(s.rawPtr), uint64_t(s.rawSize));
        }
        return std::nullopt;
    }

    // The data of the first language of resource (type, id); id < 0: the first name.
    std::optional<QByteArrayView> find(uint32_t type, int64_t id) const {
        uint64_t nameDir, langDir, dataEntry;
        if (!entryOf(rsrc_, type, true, &nameDir))
            return std::nullopt;
        if (id < 0 ? !firstEntry(nameDir, true, &langDir)
                   : !entryOf(nameDir, uint32_t(id), true, &langDir))
            return std::nullopt;
        if (!firstEntry(langDir, false, &dataEntry))
            return std::nullopt;
        uint32_t dataRva, dataSize;
        uint64_t dataOff;
        if (!b_.u32(dataEntry, &dataRva) || !b_.u32(dataEntry + 4, &dataSize) ||
            !rvaToOffset(dataRva, dataSize, &dataOff))
            return std::nullopt;
        return b_.slice(dataOff, dataSize);
    }

private:
    static constexpr int kMaxSections = 96;

    bool rvaToOffset(uint32_t rva, uint32_t len, uint64_t* out) const {
        for (int i = 0; i < nSections_; ++i) {
            const Section& s = sections_[i];
            const uint64_t extent = qMax(s.vsize, s.rawSize);
            if (rva < s.va || uint64_t(rva) - s.va >= extent)
                continue;
            const uint64_t inSection = uint64_t(rva) - s.va;
            // Data beyond the raw bytes would be zero-filled in memory: not in the file.
            if (inSection + len > s.rawSize)
                return false;
            const uint64_t off = uint64_t(s.rawPtr) + inSection;
            if (!b_.has(off, len))
                return false;
            *out = off;
            return true;
        }
        return false;
    }

    // A directory entry's target inside the resources: a subdirectory when wantDir.
    bool target(uint32_t raw, bool wantDir, uint64_t* out) const {
        const bool isDir = raw & 0x80000000u;
        if (isDir != wantDir)
            return false;
        const uint64_t off = rsrc_ + (raw & 0x7FFFFFFFu);
        if (!b_.has(off, 16))
            return false;
        *out = off;
        return true;
    }

    bool entries(uint64_t dir, uint64_t* first, uint32_t* named, uint32_t* ids) const {
        if (!b_.u16(dir + 12, named) || !b_.u16(dir + 14, ids))
            return false;
        *first = dir + 16;
        return b_.has(*first, uint64_t(*named + *ids) * 8);
    }

    bool entryOf(uint64_t dir, uint32_t id, bool wantDir, uint64_t* out) const {
        uint64_t first;
        uint32_t named, ids;
        if (!entries(dir, &first, &named, &ids))
            return false;
        for (uint32_t i = named; i < named + ids; ++i) {
            uint32_t name = 0, raw = 0;
            b_.u32(first + uint64_t(i) * 8, &name);
            b_.u32(first + uint64_t(i) * 8 + 4, &raw);
            if (name == id)
                return target(raw, wantDir, out);
        }
        return false;
    }

    bool firstEntry(uint64_t dir, bool wantDir, uint64_t* out) const {
        uint64_t first;
        uint32_t named, ids;
        if (!entries(dir, &first, &named, &ids) || named + ids == 0)
            return false;
        uint32_t raw = 0;
        b_.u32(first + 4, &raw);
        return target(raw, wantDir, out);
    }

    ByteReader b_;
    Section sections_[kMaxSections] = {};
    int nSections_ = 0;
    uint64_t rsrc_ = 0;
    uint32_t rsrcRva_ = 0;
};

// How far an image of w x h is from size x size, lower is better. At the standard icon
// size (32) the closest; above it (a HiDPI screen) any image that covers the size beats
// every one that does not, so an icon is never enlarged when a larger one is there.
int sizeScore(int w, int h, int size) {
    const int distance = std::abs(w - size) + std::abs(h - size);
    if (size <= 32 || (w >= size && h >= size))
        return distance;
    return (1 << 20) + distance;
}

int sizeDistance(uint32_t w, uint32_t h, int size) {
    // 0 in a directory entry stands for 256.
    return sizeScore(w ? int(w) : 256, h ? int(h) : 256, size);
}
} // namespace

std::optional<std::pair<uint64_t, uint64_t>> peResourceSection(QByteArrayView headers) {
    PeResources pe(headers);
    pe.open(); // fails here when the resources lie beyond the headers, as they should
    return pe.resourceSection();
}

std::optional<QByteArray> iconFileFromPe(QByteArrayView file, int size) {
    PeResources pe(file);
    if (!pe.open())
        return std::nullopt;
    const auto group = pe.find(kRtGroupIcon, -1);
    if (!group)
        return std::nullopt;
    ByteReader g(*group);
    uint32_t type, count;
    if (!g.u16(2, &type) || type != 1 || !g.u16(4, &count) || !g.has(6, uint64_t(count) * 14))
        return std::nullopt;

    // Closest size first, then the deepest colours; entries whose image is missing or
    // damaged are passed over.
    struct Candidate {
        int distance;
        uint32_t bits;
        QByteArray header;
        QByteArrayView data;
    };
    std::optional<Candidate> best;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t e = 6 + uint64_t(i) * 14;
        const QByteArrayView entry = g.slice(e, 14);
        uint32_t bits = 0, id = 0;
        g.u16(e + 6, &bits);
        g.u16(e + 12, &id);
        const int distance = sizeDistance(uint8_t(entry[0]), uint8_t(entry[1]), size);
        if (best &&
            (distance > best->distance || (distance == best->distance && bits <= best->bits)))
            continue;
        const auto data = pe.find(kRtIcon, id);
        if (!data || data->size() < 8)
            continue;
        best = Candidate{distance, bits, entry.first(8).toByteArray(), *data};
    }
    if (!best)
        return std::nullopt;

    // ICONDIR, one ICONDIRENTRY (the group entry with the size and offset of the
    // image instead of its id), then the image.
    QByteArray ico;
    auto put16 = [&ico](uint32_t v) { ico.append(char(v & 0xFF)).append(char(v >> 8 & 0xFF)); };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    put16(0);
    put16(1);
    put16(1);
    ico.append(best->header);
    put32(uint32_t(best->data.size()));
    put32(22);
    ico.append(best->data.toByteArray());
    return ico;
}

QImage bestIconImage(const QByteArray& iconFile, int size) {
    // Icons stored as PNG are decoded as such; Qt's icon reader may not take them.
    static const QByteArray png("\x89PNG\r\n\x1a\n", 8);
    ByteReader b(iconFile);
    uint32_t count = 0;
    if (b.u16(4, &count) && count == 1) {
        uint32_t len, off;
        if (b.u32(14, &len) && b.u32(18, &off) && b.has(off, len) &&
            b.slice(off, len).startsWith(png))
            return QImage::fromData(b.slice(off, len).toByteArray(), "PNG");
    }
    QBuffer buffer;
    buffer.setData(iconFile);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ICO");
    QImage best;
    int bestDistance = 1 << 30;
    const int n = reader.imageCount();
    for (int i = 0; i < n; ++i) {
        if (!reader.jumpToImage(i))
            break;
        QImage img = reader.read();
        if (img.isNull())
            continue;
        const int d = sizeScore(img.width(), img.height(), size);
        if (d < bestDistance || (d == bestDistance && img.depth() > best.depth())) {
            best = img;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace platform
