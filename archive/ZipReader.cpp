#include "archive/ZipReader.h"

#include "base/ZipFinder.h"
#include "outside/archive/MemberName.h"

#include "platform/FileProbe.h"
#include "platform/ReadOnlyFile.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>

namespace archive {

namespace {

constexpr uint32_t kEncryptionHeaderBytes = 12;

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
    return true;
}

void ZipReader::close() {
    source_.reset();
    next_ = UINT64_MAX;
}

bool ZipReader::readFull(uint64_t off, char* dst, uint64_t len) {
    return source_->readAt(off, dst, len) == len;
}

// The finder's reads, through the reader's source.
int ZipReader::readSource(void* reader, uint64_t off, void* dst, size_t len) {
    return static_cast<ZipReader*>(reader)->readFull(off, static_cast<char*>(dst), len) ? 0 : -1;
}

int ZipReader::findFirst(ArchiveMemberInfo* info) {
    if (!isOpen() || !info)
        return kNone;
    ZelmoZipDirectory dir;
    if (zelmo_zip_find_directory(&ZipReader::readSource, this, source_->size(), &dir) != 0)
        return kNone;
    next_ = dir.first;
    return findNext(info);
}

int ZipReader::findNext(ArchiveMemberInfo* info) {
    if (!isOpen() || !info || next_ == UINT64_MAX)
        return kNone;
    unsigned char header[ZELMO_ZIP_HEADER_BYTES];
    ZelmoZipEntry e;
    if (!readFull(next_, reinterpret_cast<char*>(header), sizeof header) ||
        zelmo_zip_parse_entry(header, &e) != 0)
        return kNone;
    return convert(e, info);
}

int ZipReader::convert(ZelmoZipEntry& e, ArchiveMemberInfo* info) {
    std::memset(info, 0, sizeof *info);
    const uint64_t nameAt = next_ + ZELMO_ZIP_HEADER_BYTES;
    if (e.nameLen > kMaxNameBytes || !readFull(nameAt, info->fileName, e.nameLen))
        return kNone;
    info->fileName[e.nameLen] = 0;

    QByteArray extra(qsizetype(e.extraLen), Qt::Uninitialized);
    if (e.extraLen > 0 && !readFull(nameAt + e.nameLen, extra.data(), e.extraLen))
        return kNone;
    const auto* fields = reinterpret_cast<const unsigned char*>(extra.constData());
    // A name in the Unicode path field (its CRC that of the stored name) is the member's
    // name when it fits the record.
    const unsigned char* unicode = nullptr;
    size_t unicodeLen = 0;
    if (zelmo_zip_unicode_name(reinterpret_cast<const unsigned char*>(info->fileName), e.nameLen,
                               fields, e.extraLen, sizeof info->fileName - 1, &unicode,
                               &unicodeLen)) {
        std::memcpy(info->fileName, unicode, unicodeLen);
        info->fileName[unicodeLen] = 0;
    }
    if (e.original == UINT32_MAX || e.compressed == UINT32_MAX)
        zelmo_zip64_entry(fields, e.extraLen, &e);
    uint64_t compressed = e.compressed;
    // The 12-byte encryption header is not part of the member's data.
    if (e.flags & 1)
        compressed = compressed >= kEncryptionHeaderBytes ? compressed - kEncryptionHeaderBytes : 0;
    // The record holds 32 bits: larger ZIP64 sizes show as the largest it can.
    lastOriginal_ = e.original;
    lastCompressed_ = compressed;
    info->originalSize = uint32_t(std::min<uint64_t>(e.original, UINT32_MAX));
    info->compressedSize = uint32_t(std::min<uint64_t>(compressed, UINT32_MAX));
    info->crc = e.crc;
    info->date = e.date;
    info->time = e.time;
    next_ += zelmo_zip_entry_bytes(&e);
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
