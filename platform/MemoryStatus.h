#pragma once
// The system's memory status, read from /proc/meminfo: the memory load and the total and
// free amounts of physical memory, swap (the page file) and commit space (the virtual
// memory), in bytes. The counts are 64-bit: machines hold far more than 2 GB.
#include <QByteArray>
#include <QtGlobal>
#include <functional>

namespace platform {

struct MemoryStatus {
    qint64 memoryLoad = 0; // percent of physical memory in use
    qint64 totalPhys = 0, availPhys = 0;
    qint64 totalPageFile = 0, availPageFile = 0; // 0 and 0 without swap
    // Commit space: the limit, and what is left of it (negative when the kernel has
    // promised more than the limit).
    qint64 totalVirtual = 0, availVirtual = 0;
    bool operator==(const MemoryStatus&) const = default;
};

// The status from the text of /proc/meminfo ("Key:   value kB" lines): physical memory
// is MemTotal with MemAvailable free (MemFree on kernels without it), the page file
// SwapTotal with SwapFree, the virtual memory CommitLimit with CommitLimit -
// Committed_AS free; the load is 100 - free x 100 div total. Missing keys count as 0.
MemoryStatus MemoryStatusFromMeminfo(const QByteArray& text);

// The current status of the machine.
MemoryStatus GlobalMemoryStatus();
// Tests give the text that stands for /proc/meminfo; null restores the real file.
void SetMeminfoSource(std::function<QByteArray()> source);

} // namespace platform
