#include "platform/ReadOnlyFile.h"

#include "platform/FsName.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
constexpr uint64_t kBufferBytes = 64 << 10;
}

ReadOnlyFile::~ReadOnlyFile() {
    close();
}

bool ReadOnlyFile::open(const QString& path) {
    close();
    const int fd =
        ::open(toFsBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = uint64_t(st.st_size);
    bufOff_ = bufLen_ = 0;
    return true;
}

void ReadOnlyFile::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
    bufOff_ = bufLen_ = 0;
    buf_.clear();
    buf_.shrink_to_fit();
}

bool ReadOnlyFile::fill(uint64_t off) {
    buf_.resize(kBufferBytes);
    bufOff_ = off;
    bufLen_ = 0;
    while (bufLen_ < kBufferBytes) {
        const ssize_t n = ::pread(fd_, buf_.data() + bufLen_, size_t(kBufferBytes - bufLen_),
                                  off_t(off + bufLen_));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bufLen_ += uint64_t(n);
    }
    return bufLen_ > 0;
}

uint64_t ReadOnlyFile::readAt(uint64_t off, char* dst, uint64_t len) {
    if (fd_ < 0 || off >= size_)
        return 0;
    len = std::min(len, size_ - off);
    uint64_t done = 0;
    while (done < len) {
        const uint64_t at = off + done;
        if (at < bufOff_ || at >= bufOff_ + bufLen_) {
            if (!fill(at))
                break;
        }
        const uint64_t n = std::min(len - done, bufOff_ + bufLen_ - at);
        std::memcpy(dst + done, buf_.data() + (at - bufOff_), size_t(n));
        done += n;
    }
    return done;
}

} // namespace platform
