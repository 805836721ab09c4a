#include "archive/ZipReader.h"
#include "outside/archive/MemberName.h"

#include "platform/FileProbe.h"
#include "platform/ReadOnlyFile.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>

namespace archive {

namespace {

constexpr uint32_t kEndSig = 0x06054b50;    // end of central directory
constexpr uint32_t kHeaderSig = 0x02014b50; // central directory file header
constexpr uint32_t kZip64EndSig = 0x06064b50;
constexpr uint32_t kZip64LocatorSig = 0x07064b50;
constexpr uint64_t kHeaderBytes = 46;
constexpr uint64_t kEndBytes = 22;
constexpr uint64_t kSearchBytes = kEndBytes + 65535; // the largest end record with comment
constexpr uint64_t kWindowBytes = 1024;
constexpr uint64_t kWindowOverlap = 21;
constexpr uint32_t kEncryptionHeaderBytes = 12;

uint16_t le16(const unsigned char* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint64_t le64(const unsigned char* p) {
    return le32(p) | uint64_t(le32(p + 4)) << 32;
}

class FileSource : public ByteSource {
public:
    bool open(const QString& path) { return file_.open(path); }
    uint64_t size() const override { return file_.size(); }
    uint64_t readAt(uint64_t off, char* dst, uint64_t len) override {
        return file_.readAt(off, dst, len);
    }

private:
    platform::ReadOnlyFile file_;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(QByteArray bytes) : bytes_(std::move(bytes)) {}
    uint64_t size() const override { return uint64_t(bytes_.size()); }
    uint64_t readAt(uint64_t off, char* dst, uint64_t len) override {
        if (off >= size())
            return 0;
        len = std::min(len, size() - off);
        std::memcpy(dst, bytes_.constData() + off, size_t(len));
        return len;
    }

private:
    QByteArray bytes_;
};

} // namespace

std::unique_ptr<ByteSource> memorySource(QByteArray bytes) {
    return std::make_unique<MemorySource>(std::move(bytes));
}

bool ZipReader::open(const QString& path) {
    if (isOpen() || !platform::pathIsFile(path))
        return false;
    auto file = std::make_unique<FileSource>();
    if (!file->open(path))
        return false;
    return open(std::move(file));
}

bool ZipReader::open(std::unique_ptr<ByteSource> source) {
    if (isOpen() || !source)
        return false;
    source_ = std::move(source);
    next_ = UINT64_MAX;
    sfxOffset_ = 0;
    dosExe_ = false;
    return true;
}

void ZipReader::close() {
    source_.reset();
    next_ = UINT64_MAX;
}

bool ZipReader::readFull(uint64_t off, char* dst, uint64_t len) {
    return source_->readAt(off, dst, len) == len;
}

// A ZIP64 end record names the directory when the 32-bit field cannot: its locator lies
// just in front of the ordinary end record.
bool ZipReader::zip64Directory(uint64_t endRecord, uint64_t* dir) {
    unsigned char loc[20];
    if (endRecord < sizeof loc ||
        !readFull(endRecord - sizeof loc, reinterpret_cast<char*>(loc), sizeof loc) ||
        le32(loc) != kZip64LocatorSig)
        return false;
    uint64_t at = le64(loc + 8);
    for (int pass = 0; pass < 2; ++pass) {
        unsigned char rec[56];
        if (readFull(at, reinterpret_cast<char*>(rec), sizeof rec) && le32(rec) == kZip64EndSig) {
            *dir = le64(rec + 48);
            return true;
        }
        if (!dosExe_ || sfxOffset_ <= 0 || at > UINT64_MAX - uint64_t(sfxOffset_))
            return false;
        at += uint64_t(sfxOffset_);
    }
    return false;
}

// The end record lies in the last 65 557 bytes. They are searched from the end in windows
// of 1 024 bytes, each overlapping the one after it by 21 bytes so that a record across
// a boundary is seen whole; the last window is cut at the search area's start, so the
// whole area is searched (a record with the longest comment included).
bool ZipReader::findDirectory(uint64_t* first) {
    const uint64_t fileSize = source_->size();
    const uint64_t low = fileSize - std::min(fileSize, kSearchBytes);
    uint64_t end = fileSize;
    unsigned char buf[kWindowBytes];
    unsigned char header[kHeaderBytes];
    for (;;) {
        const uint64_t start = end - low > kWindowBytes ? end - kWindowBytes : low;
        const uint64_t window = end - start;
        if (!readFull(start, reinterpret_cast<char*>(buf), window))
            return false;
        for (int64_t i = int64_t(window) - int64_t(kEndBytes); i >= 0; --i) {
            if (le32(buf + i) != kEndSig)
                continue;
            uint64_t dir = le32(buf + i + 16);
            if (dir == UINT32_MAX)
                zip64Directory(start + uint64_t(i), &dir);
            if (!readFull(dir, reinterpret_cast<char*>(header), kHeaderBytes))
                return false;
            if (le32(header) == kHeaderSig) {
                *first = dir;
                return true;
            }
            if (dosExe_) {
                // An offset recorded relative to the archive appended after a DOS stub.
                const uint64_t moved = dir + uint64_t(sfxOffset_); // wraps back when negative
                const bool inFile = sfxOffset_ >= 0 ? moved >= dir : moved < dir;
                if (!inFile || !readFull(moved, reinterpret_cast<char*>(header), kHeaderBytes))
                    return false;
                if (le32(header) == kHeaderSig) {
                    *first = moved;
                    return true;
                }
            }
        }
        if (start == low)
            return false;
        end = start + kWindowOverlap;
    }
}

int ZipReader::findFirst(ArchiveMemberInfo* info) {
    if (!isOpen() || !info)
        return kNone;
    const uint64_t fileSize = source_->size();
    if (fileSize < kEndBytes)
        return kNone;
    sfxOffset_ = 0;
    dosExe_ = false;
    if (fileSize >= 25) {
        unsigned char head[25];
        if (!readFull(0, reinterpret_cast<char*>(head), sizeof head))
            return kNone;
        if (((head[0] == 'M' && head[1] == 'Z') || (head[0] == 'Z' && head[1] == 'M')) &&
            head[24] < 0x40) {
            // Pages of 512 bytes, the last one holding this many.
            sfxOffset_ = (int64_t(le16(head + 4)) - 1) * 512 + le16(head + 2);
            dosExe_ = true;
        }
    }
    uint64_t first = 0;
    if (!findDirectory(&first))
        return kNone;
    next_ = first;
    unsigned char header[kHeaderBytes];
    if (!readFull(first, reinterpret_cast<char*>(header), kHeaderBytes))
        return kNone;
    return convert(header, info);
}

int ZipReader::findNext(ArchiveMemberInfo* info) {
    if (!isOpen() || !info || next_ == UINT64_MAX)
        return kNone;
    unsigned char header[kHeaderBytes];
    if (!readFull(next_, reinterpret_cast<char*>(header), kHeaderBytes) ||
        le32(header) != kHeaderSig)
        return kNone;
    return convert(header, info);
}

int ZipReader::convert(const unsigned char* h, ArchiveMemberInfo* info) {
    std::memset(info, 0, sizeof *info);
    uint64_t original = le32(h + 24);
    uint64_t compressed = le32(h + 20);
    const bool encrypted = le16(h + 8) & 1;
    const uint32_t nameLen = le16(h + 28);
    const uint32_t extraLen = le16(h + 30);
    const uint32_t commentLen = le16(h + 32);
    const uint64_t nameAt = next_ + kHeaderBytes;
    if (nameLen > kMaxNameBytes || !readFull(nameAt, info->fileName, nameLen))
        return kNone;
    info->fileName[nameLen] = 0;

    QByteArray extra(qsizetype(extraLen), Qt::Uninitialized);
    if (extraLen > 0 && !readFull(nameAt + nameLen, extra.data(), extraLen))
        return kNone;
    const auto* e = reinterpret_cast<const unsigned char*>(extra.constData());
    // A name in the Unicode path field (its CRC that of the stored name) is the member's
    // name when it fits the record.
    const unsigned char* unicode = nullptr;
    size_t unicodeLen = 0;
    if (zelmo_zip_unicode_name(reinterpret_cast<const unsigned char*>(info->fileName), nameLen, e,
                               extraLen, sizeof info->fileName - 1, &unicode, &unicodeLen)) {
        std::memcpy(info->fileName, unicode, unicodeLen);
        info->fileName[unicodeLen] = 0;
    }
    if (original == UINT32_MAX || compressed == UINT32_MAX) {
        // ZIP64: the full sizes stand in the extra field, in this order, each only when
        // its 32-bit field is all ones.
        for (uint32_t at = 0; at + 4 <= extraLen;) {
            const uint32_t id = le16(e + at);
            const uint32_t len = le16(e + at + 2);
            if (at + 4 + len > extraLen)
                break;
            if (id == 0x0001) {
                const unsigned char* v = e + at + 4;
                uint32_t left = len;
                if (original == UINT32_MAX && left >= 8) {
                    original = le64(v);
                    v += 8;
                    left -= 8;
                }
                if (compressed == UINT32_MAX && left >= 8)
                    compressed = le64(v);
                break;
            }
            at += 4 + len;
        }
    }
    // The 12-byte encryption header is not part of the member's data.
    if (encrypted)
        compressed = compressed >= kEncryptionHeaderBytes ? compressed - kEncryptionHeaderBytes : 0;
    // The record holds 32 bits: larger ZIP64 sizes show as the largest it can.
    lastOriginal_ = original;
    lastCompressed_ = compressed;
    info->originalSize = uint32_t(std::min<uint64_t>(original, UINT32_MAX));
    info->compressedSize = uint32_t(std::min<uint64_t>(compressed, UINT32_MAX));
    info->crc = le32(h + 16);
    info->date = le16(h + 14);
    info->time = le16(h + 12);
    next_ = nameAt + nameLen + extraLen + commentLen;
    return kFound;
}

namespace {
ZipReader& processReader() {
    static ZipReader reader;
    return reader;
}
} // namespace

int UnzipOpenArchive(void*, const QString& path, uint32_t) {
    return processReader().open(path) ? 1 : 0;
}

int UnzipFindFirst(void*, const char*, ArchiveMemberInfo* info) {
    return processReader().findFirst(info);
}

int UnzipFindNext(void*, ArchiveMemberInfo* info) {
    return processReader().findNext(info);
}

int UnzipCloseArchive(void*) {
    processReader().close();
    return 0;
}

void ResetZipReader() {
    processReader().close();
}

bool WholeZipMemberSizes(const ArchiveMemberInfo& record, uint64_t* original,
                         uint64_t* compressed) {
    const ZipReader& r = processReader();
    const uint32_t o = record.originalSize, c = record.compressedSize;
    if (std::min<uint64_t>(r.lastOriginalSize(), UINT32_MAX) != o ||
        std::min<uint64_t>(r.lastCompressedSize(), UINT32_MAX) != c)
        return false;
    *original = r.lastOriginalSize();
    *compressed = r.lastCompressedSize();
    return true;
}

} // namespace archive
