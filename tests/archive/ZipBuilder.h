#pragma once
// Writes small ZIP archives byte by byte (stored members), with the knobs the directory
// reader cares about: raw names, flags, sizes, ZIP64 fields, comments, a prefix in
// front of the archive and where the recorded offsets count from.
#include <QByteArray>
#include <cstdint>
#include <vector>

namespace ziptest {

inline void put16(QByteArray& b, uint32_t v) {
    b.append(char(v & 0xff));
    b.append(char(v >> 8 & 0xff));
}
inline void put32(QByteArray& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}
inline void put64(QByteArray& b, uint64_t v) {
    put32(b, uint32_t(v));
    put32(b, uint32_t(v >> 32));
}

struct Member {
    QByteArray name;
    QByteArray data;
    uint16_t flags = 0;
    uint16_t date = 0x5A21; // 2025-01-01
    uint16_t time = 0x6000; // 12:00:00
    uint32_t crc = 0x12345678;
    // When set, the directory entry's sizes are taken from here instead of the data.
    int64_t recordedCompressed = -1;
    int64_t recordedOriginal = -1;
    bool zip64Sizes = false;   // 32-bit sizes all ones, the full ones in the extra field
    uint32_t extraPadding = 0; // more (unknown) extra bytes
    QByteArray comment;
};

struct Options {
    QByteArray prefix;              // bytes in front of the archive (a program stub)
    bool offsetsFromPrefix = false; // offsets count from the file's start, not the archive's
    QByteArray comment;
    bool zip64End = false;        // a ZIP64 end record; the 32-bit directory offset all ones
    int64_t directoryOffset = -1; // when set, recorded instead of the real one
};

inline QByteArray build(const std::vector<Member>& members, const Options& o = {}) {
    QByteArray zip;
    std::vector<uint32_t> localAt;
    for (const Member& m : members) {
        localAt.push_back(uint32_t(zip.size()));
        put32(zip, 0x04034b50);
        put16(zip, 20);
        put16(zip, m.flags);
        put16(zip, 0);
        put16(zip, m.time);
        put16(zip, m.date);
        put32(zip, m.crc);
        put32(zip, uint32_t(m.data.size()));
        put32(zip, uint32_t(m.data.size()));
        put16(zip, uint32_t(m.name.size()));
        put16(zip, 0);
        zip += m.name;
        zip += m.data;
    }
    const uint64_t base = o.offsetsFromPrefix ? uint64_t(o.prefix.size()) : 0;
    const uint64_t dirAt = uint64_t(zip.size());
    for (size_t i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        const uint64_t comp =
            m.recordedCompressed >= 0 ? uint64_t(m.recordedCompressed) : uint64_t(m.data.size());
        const uint64_t orig =
            m.recordedOriginal >= 0 ? uint64_t(m.recordedOriginal) : uint64_t(m.data.size());
        QByteArray extra;
        if (m.zip64Sizes) {
            put16(extra, 0x0001);
            put16(extra, 16);
            put64(extra, orig);
            put64(extra, comp);
        }
        extra += QByteArray(qsizetype(m.extraPadding), '\0');
        put32(zip, 0x02014b50);
        put16(zip, 20);
        put16(zip, 20);
        put16(zip, m.flags);
        put16(zip, 0);
        put16(zip, m.time);
        put16(zip, m.date);
        put32(zip, m.crc);
        put32(zip, m.zip64Sizes ? UINT32_MAX : uint32_t(comp));
        put32(zip, m.zip64Sizes ? UINT32_MAX : uint32_t(orig));
        put16(zip, uint32_t(m.name.size()));
        put16(zip, uint32_t(extra.size()));
        put16(zip, uint32_t(m.comment.size()));
        put16(zip, 0);
        put16(zip, 0);
        put32(zip, 0);
        put32(zip, uint32_t(localAt[i] + base));
        zip += m.name;
        zip += extra;
        zip += m.comment;
    }
    const uint64_t dirSize = uint64_t(zip.size()) - dirAt;
    const uint64_t recordedDir =
        o.directoryOffset >= 0 ? uint64_t(o.directoryOffset) : dirAt + base;
    if (o.zip64End) {
        const uint64_t endAt = uint64_t(zip.size());
        put32(zip, 0x06064b50);
        put64(zip, 44);
        put16(zip, 45);
        put16(zip, 45);
        put32(zip, 0);
        put32(zip, 0);
        put64(zip, members.size());
        put64(zip, members.size());
        put64(zip, dirSize);
        put64(zip, recordedDir);
        put32(zip, 0x07064b50);
        put32(zip, 0);
        put64(zip, endAt + base);
        put32(zip, 1);
    }
    put32(zip, 0x06054b50);
    put16(zip, 0);
    put16(zip, 0);
    put16(zip, o.zip64End ? 0xffff : uint32_t(members.size()));
    put16(zip, o.zip64End ? 0xffff : uint32_t(members.size()));
    put32(zip, uint32_t(dirSize));
    put32(zip, o.zip64End ? UINT32_MAX : uint32_t(recordedDir));
    put16(zip, uint32_t(o.comment.size()));
    zip += o.comment;
    return o.prefix + zip;
}

// A DOS program stub of (pages - 1) * 512 + lastPage bytes, with the byte that
// tells DOS programs (below 0x40) from Windows programs at offset 24.
inline QByteArray dosStub(uint16_t pages, uint16_t lastPage, uint8_t relocByte = 0x1c,
                          const char* mark = "MZ") {
    const qsizetype size = qsizetype((pages - 1) * 512 + lastPage);
    QByteArray stub(size, '\x90');
    stub[0] = mark[0];
    stub[1] = mark[1];
    stub[2] = char(lastPage & 0xff);
    stub[3] = char(lastPage >> 8);
    stub[4] = char(pages & 0xff);
    stub[5] = char(pages >> 8);
    stub[24] = char(relocByte);
    stub[25] = 0;
    return stub;
}

} // namespace ziptest
