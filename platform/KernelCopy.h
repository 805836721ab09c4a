#pragma once
// The bytes of one open regular file copied into another, in the kernel where it can be:
// an instant copy-on-write clone on file systems that share extents (btrfs, XFS), else for
// large files direct I/O (O_DIRECT) from the source's own pages, mapped, or from our
// buffers (no copy into the page cache, no write-back left for the fsync), else
// copy_file_range in large chunks, else reads and writes through a 1 MiB buffer. Whatever
// way the bytes go, the copy ends only where a read of the source says it ends, so a file system
// that reports less than it holds (procfs, sysfs, some FUSE and network ones) still gives the whole
// file.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

enum class CopyWay { Clone, Direct, KernelRange, ReadWrite };

struct DataCopy {
    enum class End { Whole, Stopped, SourceFailed, DestinationFailed };
    End end = End::Whole;
    int err = 0;                      // the errno of a failure
    int64_t done = 0;                 // bytes in the destination
    CopyWay way = CopyWay::ReadWrite; // the last way used
};

// Copies in (from its offset to its end) into out (empty, at offset 0). progress is
// called with the bytes copied so far after every chunk (at most 64 MiB); false stops
// the copy (End::Stopped). The test seam's steps ("read", "write") come before each
// chunk and may fail it. With seen, every byte goes through the buffer and is shown to it.
DataCopy CopyFileData(int in, int out, const std::function<bool(int64_t done)>& progress,
                      const std::function<void(const char* bytes, size_t n)>& seen = {});

// Test seam: failures of the kernel's ways, as file systems without them give them.
struct DataCopyFaults {
    int cloneError = 0;       // errno of the clone (EOPNOTSUPP: no shared extents)
    int rangeError = 0;       // errno of copy_file_range (EXDEV, ENOSYS, EINVAL ...)
    int64_t rangeEndsAt = -1; // copy_file_range returns 0 from this many bytes on
    int writeError = 0;       // errno of our own writes (ENOSPC: disk full)
    // The direct way: taken from this size on (-1: the program's own threshold, INT64_MAX:
    // never), in chunks of directChunk bytes (0: the program's own). directError is the
    // errno of setting O_DIRECT when directFailsAtWrite < 0, else of that direct write
    // (counted from 0).
    int64_t directFrom = -1;
    size_t directChunk = 0;
    int directError = 0;
    int directFailsAtWrite = -1;
};
void SetDataCopyFaults(const DataCopyFaults& faults);

} // namespace platform
