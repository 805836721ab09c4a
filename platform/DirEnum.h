#pragma once
// Directory enumeration with the size and time of every entry, for listings and
// recursive scans. Names are raw bytes; turn them into names with fromFsBytes().
#include <QByteArray>
#include <cstdint>
#include <functional>

namespace platform {

struct DirEntry {
    const char* name = nullptr; // raw bytes, valid during the callback only
    qsizetype nameLength = 0;
    bool isDir = false;      // a directory, or a symbolic link to one
    bool isSymlink = false;  // the entry itself is a symbolic link
    bool isRegular = false;  // a regular file (or a link to one)
    bool writable = true;    // the owner may write it
    int64_t size = 0;        // bytes (0 for directories)
    int64_t mtimeSec = 0;    // modification time, seconds since the epoch (UTC)
    int32_t mtimeNsec = 0;
};

// Calls visit for every entry of dir except "." and "..". Returns 0, or the errno of
// a directory that cannot be opened. visit returns false to stop early.
int enumerateDirectory(const QByteArray& dir, const std::function<bool(const DirEntry&)>& visit);

} // namespace platform
