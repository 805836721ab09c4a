#pragma once
// Fast directory reading for listings and recursive scans: readdir with the entry type
// the file system reports, and a stat on the open directory only for the entries the
// caller wants to know more about. Names are raw bytes (see FsName.h).
#include <QByteArray>
#include <cstdint>
#include <dirent.h>

namespace platform {

// The type readdir reports, before any stat.
enum class EntryType : unsigned char { Unknown, Directory, Regular, Symlink, Other };

struct RawEntry {
    const char* name = nullptr; // raw bytes, NUL-terminated, valid until the next next()
    qsizetype nameLength = 0;
    EntryType type = EntryType::Unknown;
};

// What a stat of an entry says, symbolic links followed (a dangling link keeps its own).
struct EntryStat {
    bool isDir = false;     // a directory, or a symbolic link to one
    bool isSymlink = false; // the entry itself is a symbolic link
    bool isRegular = false; // a regular file, or a link to one
    bool writable = true;   // this process' user may write it (owner, group or other bits)
    int64_t size = 0;       // bytes (0 for directories)
    int64_t mtimeSec = 0;   // modification time, seconds since the epoch (UTC)
};

class DirReader {
public:
    DirReader() = default;
    ~DirReader() { close(); }
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    // Opens dir (empty: the current directory). noFollow refuses a symbolic link as the
    // directory itself, so a recursive scan never walks through one. Returns 0 or errno.
    int open(const QByteArray& dir, bool noFollow = false);
    void close();
    bool isOpen() const { return dir_ != nullptr; }

    // The next entry except "." and ".."; false at the end.
    bool next(RawEntry& entry);

    // Stats the entry last returned by next(); false when it vanished meanwhile.
    bool stat(const RawEntry& entry, EntryStat& out) const;

    // Whether the entry last returned by next() is a directory or a symbolic link to one.
    // The type readdir reported decides; only a link or an unknown type costs a stat, so
    // a folder of many files is read without one per file. isSymlink (when given) tells
    // whether the entry itself is a link.
    bool isDirectory(const RawEntry& entry, bool* isSymlink = nullptr) const;

private:
    DIR* dir_ = nullptr;
    int fd_ = -1;
};

} // namespace platform
