#include "platform/KernelCopy.h"

#include "base/TempFile.h"

#include <algorithm>
#include <cerrno>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

DataCopyFaults& faults() {
    static DataCopyFaults f;
    return f;
}

constexpr size_t kRangeChunk = size_t(64) << 20;
constexpr size_t kBufferChunk = size_t(1) << 20;

// The destination as a clone of the whole source; an errno when the file system cannot.
int cloneInto(int in, int out, int64_t* done) {
    if (faults().cloneError || faults().writeError)
        return faults().cloneError ? faults().cloneError : faults().writeError;
    struct stat st;
    if (::fstat(in, &st) != 0 || st.st_size == 0 || ::lseek(in, 0, SEEK_CUR) != 0)
        return EINVAL; // an empty file (procfs too) or a partial copy: not cloned
    if (const int fault = zelmo_write_step("write"))
        return fault;
    if (::ioctl(out, FICLONE, in) != 0)
        return errno;
    if (::fstat(out, &st) != 0)
        return errno;
    *done = int64_t(st.st_size);
    return 0;
}

ssize_t copyRange(int in, int out, size_t len, int64_t done) {
    if (faults().rangeError || faults().writeError) {
        errno = faults().rangeError ? faults().rangeError : faults().writeError;
        return -1;
    }
    if (faults().rangeEndsAt >= 0) {
        if (done >= faults().rangeEndsAt)
            return 0;
        len = std::min<size_t>(len, size_t(faults().rangeEndsAt - done));
    }
    return ::copy_file_range(in, nullptr, out, nullptr, len, 0);
}

} // namespace

void SetDataCopyFaults(const DataCopyFaults& f) {
    faults() = f;
}

DataCopy CopyFileData(int in, int out, const std::function<bool(int64_t done)>& progress,
                      const std::function<void(const char* bytes, size_t n)>& seen) {
    DataCopy r;
    if (!seen && cloneInto(in, out, &r.done) == 0) {
        // Shared extents: the copy is whole at once. Any failure (other file system, no
        // support, a file system that refuses) leaves the destination empty.
        r.way = CopyWay::Clone;
        if (progress && !progress(r.done))
            r.end = DataCopy::End::Stopped;
        return r;
    }
    // In the kernel, from both files' offsets, until the source says it has no more. Any
    // failure goes on with the buffer from where the kernel stopped, which then reports
    // a real failure with its side (a full disk on the write, a bad sector on the read).
    while (!seen) {
        if (const int fault = zelmo_write_step("read")) {
            r.end = DataCopy::End::SourceFailed;
            r.err = fault;
            return r;
        }
        if (const int fault = zelmo_write_step("write")) {
            r.end = DataCopy::End::DestinationFailed;
            r.err = fault;
            return r;
        }
        const ssize_t n = copyRange(in, out, kRangeChunk, r.done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        r.way = CopyWay::KernelRange;
        r.done += n;
        if (progress && !progress(r.done)) {
            r.end = DataCopy::End::Stopped;
            return r;
        }
    }
    // The end the kernel found is checked by a read: a file system whose copy_file_range
    // returns 0 early (or not at all) gives the rest here.
    std::vector<char> buffer(kBufferChunk);
    for (;;) {
        if (const int fault = zelmo_write_step("read")) {
            r.end = DataCopy::End::SourceFailed;
            r.err = fault;
            return r;
        }
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            r.end = DataCopy::End::SourceFailed;
            r.err = errno;
            return r;
        }
        if (n == 0)
            return r;
        r.way = CopyWay::ReadWrite;
        const int err = faults().writeError ? faults().writeError
                                            : zelmo_write_all(out, buffer.data(), size_t(n));
        if (err) {
            r.end = DataCopy::End::DestinationFailed;
            r.err = err;
            return r;
        }
        if (seen)
            seen(buffer.data(), size_t(n));
        r.done += n;
        if (progress && !progress(r.done)) {
            r.end = DataCopy::End::Stopped;
            return r;
        }
    }
}

} // namespace platform
