#pragma once
// A regular file opened for reading by its own bytes (toFsBytes), read at any offset
// through a small read-ahead buffer, so walking many small records costs few system
// calls. Nothing is mapped: a file truncated meanwhile only gives short reads.
#include <QString>
#include <cstdint>
#include <vector>

namespace platform {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // False when the path is not a regular file or cannot be opened (a FIFO or device
    // is refused rather than waited on).
    bool open(const QString& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    // The size when it was opened.
    uint64_t size() const { return size_; }
    // Up to len bytes at off into dst; the count read, fewer at the end of the file or on
    // a read error.
    uint64_t readAt(uint64_t off, char* dst, uint64_t len);

private:
    bool fill(uint64_t off);
    int fd_ = -1;
    uint64_t size_ = 0;
    std::vector<char> buf_;
    uint64_t bufOff_ = 0;
    uint64_t bufLen_ = 0;
};

} // namespace platform
