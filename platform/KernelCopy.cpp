#include "platform/KernelCopy.h"

#include "base/TempFile.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <system_error>
#include <thread>
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
// Below this size the page cache's copy costs little, and a source read from the disk is
// not reliably faster the direct way (its first chunk is read before any write starts).
constexpr int64_t kDirectFrom = int64_t(64) << 20;
constexpr size_t kDirectChunk = size_t(16) << 20;
// A multiple of every device's logical block (512 or 4096 bytes) and of the page.
constexpr size_t kDirectAlign = 4096;

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

// Writes one chunk at a time at its offset on a thread of its own, so that the disk is
// busy with one chunk while the caller reads the next. The caller owns the chunk's buffer
// again once wait() returned.
class ChunkWriter {
public:
    explicit ChunkWriter(int out) : out_(out), thread_([this] { run(); }) {}
    ~ChunkWriter() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    // fault: the errno the write gives instead of writing (the test seam).
    void post(const char* data, size_t n, int64_t at, int fault) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            data_ = data, n_ = n, at_ = at, fault_ = fault;
            busy_ = true;
        }
        changed_.notify_all();
    }
    struct Result {
        size_t written = 0;
        int err = 0;
    };
    Result wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        return result_;
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return busy_ || quit_; });
            if (!busy_)
                return;
            const char* data = data_;
            const size_t n = n_;
            const int64_t at = at_;
            const int fault = fault_;
            lock.unlock();
            const Result r = fault ? Result{0, fault} : writeAt(data, n, at);
            lock.lock();
            result_ = r;
            busy_ = false;
            changed_.notify_all();
        }
    }
    Result writeAt(const char* data, size_t n, int64_t at) const {
        Result r;
        while (r.written < n) {
            const ssize_t w = ::pwrite(out_, data + r.written, n - r.written, off_t(at));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                r.err = w < 0 ? errno : ENOSPC;
                break;
            }
            r.written += size_t(w);
            at += w;
        }
        return r;
    }

    const int out_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const char* data_ = nullptr;
    size_t n_ = 0;
    int64_t at_ = 0;
    int fault_ = 0;
    bool busy_ = false, quit_ = false;
    Result result_;
    std::thread thread_;
};

// Reads into buffer until it is full or the source ends; false with err on a failure.
bool readChunk(int in, char* buffer, size_t size, int64_t at, size_t* got, int* err) {
    *got = 0;
    while (*got < size) {
        const ssize_t n = ::pread(in, buffer + *got, size - *got, off_t(at + int64_t(*got)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *err = errno;
            return false;
        }
        if (n == 0)
            break;
        *got += size_t(n);
    }
    return true;
}

// The offset alignment direct I/O needs on out: 0 when it has none.
size_t directAlignment(int out) {
    struct statx sx;
    if (::statx(out, "", AT_EMPTY_PATH, STATX_DIOALIGN, &sx) != 0 ||
        !(sx.stx_mask & STATX_DIOALIGN))
        return kDirectAlign; // not told (older kernels, some file systems): tried
    if (sx.stx_dio_offset_align == 0)
        return 0;
    return std::max<size_t>({kDirectAlign, sx.stx_dio_offset_align, sx.stx_dio_mem_align});
}

// Whether the destination may be written straight from the source's mapped pages. Another
// program may change those pages while the disk reads them; a file system that checksums
// its data (btrfs) would then keep a checksum of other bytes and refuse to read the copy
// back. ext4 and XFS keep no data checksums: at worst the copy is torn, as any copy of a
// file being written is. Elsewhere the bytes go through our own buffers first.
bool mayWriteFromMapping(int out) {
    struct statfs fs;
    if (::fstatfs(out, &fs) != 0)
        return false;
    return fs.f_type == 0xEF53 /* ext2/3/4 */ || fs.f_type == 0x58465342 /* XFS */;
}

int setDirect(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return errno;
    if (on && faults().directError && faults().directFailsAtWrite < 0)
        return faults().directError;
    return ::fcntl(fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0 ? 0 : errno;
}

struct FreeBuffer {
    void operator()(char* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<char, FreeBuffer>;

Buffer alignedBuffer(size_t align, size_t size) {
    void* p = nullptr;
    return Buffer(::posix_memalign(&p, align, size) == 0 ? static_cast<char*>(p) : nullptr);
}

// The bytes after the last whole block, by an ordinary read and write; true when the copy
// ended here (a failure, or a cancel).
bool copyTail(int in, int out, size_t align, const std::function<bool(int64_t)>& progress,
              const std::function<void(const char*, size_t)>& seen, DataCopy& r) {
    std::vector<char> tail(align);
    size_t got = 0;
    int err = zelmo_write_step("read");
    if (err || !readChunk(in, tail.data(), tail.size(), ::lseek(in, 0, SEEK_CUR), &got, &err)) {
        r.end = DataCopy::End::SourceFailed, r.err = err;
        return true;
    }
    if (got == 0)
        return false;
    err = faults().writeError ? faults().writeError : zelmo_write_all(out, tail.data(), got);
    if (err || ::lseek(in, off_t(got), SEEK_CUR) < 0) {
        r.end = err ? DataCopy::End::DestinationFailed : DataCopy::End::SourceFailed;
        r.err = err ? err : errno;
        return true;
    }
    if (seen)
        seen(tail.data(), got);
    r.done += int64_t(got);
    r.way = CopyWay::Direct;
    if (progress && !progress(r.done)) {
        r.end = DataCopy::End::Stopped;
        return true;
    }
    return false;
}

// A chunk of the source mapped read-only, unmapped when done with.
struct Mapping {
    void* at = MAP_FAILED;
    size_t size = 0;
    Mapping() = default;
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    ~Mapping() { reset(); }
    void reset() {
        if (at != MAP_FAILED)
            ::munmap(at, size);
        at = MAP_FAILED;
    }
    enum Result { Mapped, Unmappable, CutShort };
    // The bytes in memory now; CutShort when the source no longer holds them (cut short
    // meanwhile: EFAULT, never a signal).
    Result map(int in, int64_t offset, size_t n) {
        reset();
        at = ::mmap(nullptr, n, PROT_READ, MAP_SHARED, in, off_t(offset));
        size = n;
        if (at == MAP_FAILED)
            return Unmappable;
        if (::madvise(at, n, MADV_POPULATE_READ) == 0 || errno == EINVAL)
            return Mapped; // (EINVAL: a kernel before 5.14; the write brings them in)
        reset();
        return CutShort;
    }
};

// The direct way from in's offset into out (empty, at 0), its size at least the
// threshold: the calling thread reads a chunk while the writer writes the one before. The
// writer takes the source's own pages where they can be mapped (no copy of ours at all:
// the disk reads them from the page cache), else our buffers, which seen is shown.
// True when the copy ended here (r.end tells how); false when the other ways go on from
// r.done with both files' offsets there: the direct way was refused (EINVAL at the fcntl
// or at any write, as file systems without it answer), the source was cut short
// meanwhile, or its end was reached (the other ways then confirm it with a read).
bool copyDirect(int in, int out, const std::function<bool(int64_t)>& progress,
                const std::function<void(const char*, size_t)>& seen, DataCopy& r) {
    struct stat st;
    const int64_t from = faults().directFrom >= 0 ? faults().directFrom : kDirectFrom;
    const size_t chunk = faults().directChunk ? faults().directChunk : kDirectChunk;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || int64_t(st.st_size) < from)
        return false;
    const off_t start = ::lseek(in, 0, SEEK_CUR);
    const size_t align = directAlignment(out);
    if (start < 0 || align == 0 || chunk % align != 0)
        return false;
    bool mapped = !seen && start % ::sysconf(_SC_PAGESIZE) == 0 && mayWriteFromMapping(out);
    Buffer buffers[2];
    Mapping maps[2];
    if (setDirect(out, true) != 0)
        return false;
    std::unique_ptr<ChunkWriter> writer;
    try {
        writer = std::make_unique<ChunkWriter>(out);
    } catch (const std::system_error&) {
        setDirect(out, false);
        return false; // no thread to be had: the other ways need none
    }
    // Ends the direct way with the files' offsets where the other ways go on.
    const auto handOver = [&] {
        writer.reset();
        if (const int err = setDirect(out, false)) {
            r.end = DataCopy::End::DestinationFailed, r.err = err;
            return true;
        }
        if (::lseek(in, start + off_t(r.done), SEEK_SET) < 0 ||
            ::lseek(out, off_t(r.done), SEEK_SET) < 0) {
            r.end = DataCopy::End::SourceFailed, r.err = errno;
            return true;
        }
        return false;
    };
    const auto fail = [&](DataCopy::End end, int err) {
        writer.reset();
        r.end = end, r.err = err;
        return true;
    };
    int writes = 0;
    int inFlight = -1; // the buffer or mapping the writer has
    // The chunk in flight, written or not: shown, counted and reported. True when the copy
    // ends; refused when the direct way stops here and the other ways go on (EINVAL from
    // the write; EFAULT: the mapped source was cut short meanwhile).
    const auto collect = [&](bool* refused) {
        const ChunkWriter::Result w = writer->wait();
        if (seen && w.written)
            seen(buffers[inFlight].get(), w.written);
        maps[inFlight].reset();
        r.done += int64_t(w.written);
        inFlight = -1;
        *refused = w.err == EINVAL || w.err == EFAULT;
        if (w.err && !*refused)
            return fail(DataCopy::End::DestinationFailed, w.err);
        if (w.written)
            r.way = CopyWay::Direct;
        if (!*refused && progress && !progress(r.done))
            return fail(DataCopy::End::Stopped, 0);
        return false;
    };
    int64_t posted = 0; // bytes handed to the writer
    for (int next = 0;; next ^= 1) {
        // The next chunk's whole blocks, while the writer writes the one before.
        const char* data = nullptr;
        size_t whole = 0;
        bool cut = false;
        int readErr = zelmo_write_step("read");
        if (!readErr && mapped) {
            const int64_t left = ::fstat(in, &st) == 0 ? int64_t(st.st_size) - start - posted : 0;
            whole = size_t(std::clamp<int64_t>(left, 0, int64_t(chunk))) / align * align;
            const Mapping::Result m =
                whole ? maps[next].map(in, int64_t(start) + posted, whole) : Mapping::Mapped;
            data = static_cast<const char*>(maps[next].at);
            cut = m == Mapping::CutShort;
            mapped = m != Mapping::Unmappable; // (then read into our buffers)
        }
        if (!readErr && !mapped) {
            if (!buffers[next])
                buffers[next] = alignedBuffer(align, chunk);
            size_t got = 0;
            if (!buffers[next])
                readErr = ENOMEM;
            else if (readChunk(in, buffers[next].get(), chunk, int64_t(start) + posted, &got,
                               &readErr))
                data = buffers[next].get(), whole = got / align * align;
        }
        bool refused = false;
        if (inFlight >= 0 && collect(&refused))
            return true;
        if (refused || cut)
            return handOver();
        if (readErr)
            return fail(DataCopy::End::SourceFailed, readErr);
        if (whole > 0) {
            if (const int fault = zelmo_write_step("write"))
                return fail(DataCopy::End::DestinationFailed, fault);
            const int fault = writes++ == faults().directFailsAtWrite ? faults().directError
                                                                      : faults().writeError;
            writer->post(data, whole, posted, fault);
            inFlight = next;
            posted += int64_t(whole);
        }
        if (whole == chunk)
            continue;
        // The source's end: its last whole blocks, then the tail by an ordinary write.
        if (inFlight >= 0 && collect(&refused))
            return true;
        if (handOver())
            return true;
        return !refused && copyTail(in, out, align, progress, seen, r);
    }
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
    if (copyDirect(in, out, progress, seen, r))
        return r;
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
