#pragma once
// The program's own reader of a ZIP central directory: it lists every member of one
// archive at a time into the member record, the way the ZIP binding's member walk
// answers (open, first, next, close). Only the directory is read, never the members.
#include "outside/archive/ArchiveMemberInfo.h"

struct ZelmoZipEntry;

#include <QString>
#include <cstdint>
#include <memory>

namespace archive {

// Where the reader gets its bytes: a file, or memory in tests and the fuzzer.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // Up to len bytes at off; the count read (fewer past the end or on a read error).
    virtual uint64_t readAt(uint64_t off, char* dst, uint64_t len) = 0;
};

std::unique_ptr<ByteSource> memorySource(QByteArray bytes);

class ZipReader {
public:
    static constexpr int kFound = 0;
    static constexpr int kNone = -1;
    static constexpr uint32_t kMaxNameBytes = 256;

    // False when an archive is already open, or the path is not a readable regular file.
    bool open(const QString& path);
    bool open(std::unique_ptr<ByteSource> source);
    void close();
    bool isOpen() const { return source_ != nullptr; }

    // kFound with the record filled with the first member, else kNone (not a ZIP, a
    // damaged directory, a read failure).
    int findFirst(ArchiveMemberInfo* info);
    // kFound with the record filled with the next member, else kNone (the end, or damage).
    int findNext(ArchiveMemberInfo* info);
    // The sizes of the member found last, whole: the record holds 32 bits of them.
    uint64_t lastOriginalSize() const { return lastOriginal_; }
    uint64_t lastCompressedSize() const { return lastCompressed_; }

private:
    bool readFull(uint64_t off, char* dst, uint64_t len);
    static int readSource(void* reader, uint64_t off, void* dst, size_t len);
    int convert(ZelmoZipEntry& entry, ArchiveMemberInfo* info);

    std::unique_ptr<ByteSource> source_;
    uint64_t next_ = UINT64_MAX; // the next entry's header; none before the first
    uint64_t lastOriginal_ = 0, lastCompressed_ = 0;
};

// The member walk with the library's signatures, on one reader for the whole process
// (owner, mode, handle and wildcard are not used: every member is listed).
int UnzipOpenArchive(void* owner, const QString& path, uint32_t mode);           // 1 opened, 0 not
int UnzipFindFirst(void* handle, const char* wildcard, ArchiveMemberInfo* info); // 0 / -1
int UnzipFindNext(void* handle, ArchiveMemberInfo* info);                        // 0 / -1
int UnzipCloseArchive(void* handle);                                             // 0
// Closes whatever the process-wide reader holds (the binding's unload).
void ResetZipReader();
// The whole sizes of the member the process-wide reader found last, when they are the ones
// in record (the record's 32-bit fields are those sizes, capped): for the list's columns.
bool WholeZipMemberSizes(const ArchiveMemberInfo& record, uint64_t* original, uint64_t* compressed);

} // namespace archive
