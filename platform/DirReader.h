#pragma once
// Fast directory reading for listings and recursive scans: the entries as the kernel's
// getdents64 delivers them, with the entry type the file system reports, and a stat on
// the open directory only for the entries the caller wants to know more about. Names
// are raw bytes (see FsName.h).
#include <QByteArray>
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// The type the directory entry reports, before any stat.
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

// What one reading of a directory cost, told as its reader closes: the entries read and
// the stats made (one per entry for a listing, none for a reading by entry type).
struct DirReadRecord {
    QByteArray dir; // as given to open()
    int entries = 0;
    int stats = 0;
};
using DirReadObserver = std::function<void(const DirReadRecord&)>;
// For measurements and tests: sees every reading of the process (null: none). Set and
// used on one thread.
void SetDirReadObserver(DirReadObserver observer);

class DirReader {
public:
    DirReader() = default;
    ~DirReader() { close(); }
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    // Opens dir (empty: the current directory). noFollow refuses a symbolic link as the
    // directory itself, so a recursive scan never walks through one. Returns 0 or errno.
    int open(const QByteArray& dir, bool noFollow = false);
    // Opens the directory `name` (one component) inside the directory `parent` has open,
    // never through a symbolic link; the path up to it is not looked up again.
    int openAt(const DirReader& parent, const char* name);
    // The same inside the directory open as parentFd; path is what observers are told.
    int openAt(int parentFd, const char* name, const QByteArray& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; } // for *at() calls on the entries; -1 when closed

    // The next entry except "." and ".."; false at the end (or on a read error).
    bool next(RawEntry& entry);

    // Stats the entry last returned by next(); false when it vanished meanwhile.
    bool stat(const RawEntry& entry, EntryStat& out) const;

    // Whether the entry last returned by next() is a directory or a symbolic link to one.
    // The type readdir reported decides; only a link or an unknown type costs a stat, so
    // a folder of many files is read without one per file. isSymlink (when given) tells
    // whether the entry itself is a link.
    bool isDirectory(const RawEntry& entry, bool* isSymlink = nullptr) const;

private:
    int adopt(int fd, const QByteArray& path);

    int fd_ = -1;
    std::unique_ptr<char[]> buffer_; // kept across open() calls
    int filled_ = 0;                 // bytes of entries in buffer_
    int at_ = 0;                     // offset of the next entry in buffer_
    bool atEnd_ = false;
    // Counted only while an observer is set.
    bool observed_ = false;
    QByteArray path_;
    int entries_ = 0;
    mutable int stats_ = 0;
};

} // namespace platform
