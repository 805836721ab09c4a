#include "platform/DirReader.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

DirReadObserver& readObserver() {
    static DirReadObserver observer;
    return observer;
}

struct Identity {
    uid_t uid = 0;
    std::vector<gid_t> groups;
};

const Identity& identity() {
    static const Identity id = [] {
        Identity i;
        i.uid = ::geteuid();
        i.groups.push_back(::getegid());
        int n = ::getgroups(0, nullptr);
        if (n > 0) {
            std::vector<gid_t> g(static_cast<size_t>(n));
            n = ::getgroups(n, g.data());
            for (int k = 0; k < n; ++k)
                i.groups.push_back(g[size_t(k)]);
        }
        return i;
    }();
    return id;
}

// The write permission that applies to us, decided from the mode bits without an extra
// system call per file.
bool writableByUs(const struct stat& st) {
    const Identity& id = identity();
    if (id.uid == 0) // root may write anything; a file nobody may write still counts as protected
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    if (st.st_uid == id.uid)
        return (st.st_mode & S_IWUSR) != 0;
    for (gid_t g : id.groups) {
        if (st.st_gid == g)
            return (st.st_mode & S_IWGRP) != 0;
    }
    return (st.st_mode & S_IWOTH) != 0;
}

EntryType typeOf(unsigned char dt) {
    switch (dt) {
    case DT_DIR:
        return EntryType::Directory;
    case DT_REG:
        return EntryType::Regular;
    case DT_LNK:
        return EntryType::Symlink;
    case DT_UNKNOWN:
        return EntryType::Unknown;
    default:
        return EntryType::Other;
    }
}

constexpr int kBufferSize = 32 * 1024;

} // namespace

void SetDirReadObserver(DirReadObserver observer) {
    readObserver() = std::move(observer);
}

int DirReader::open(const QByteArray& dir, bool noFollow) {
    close();
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (noFollow)
        flags |= O_NOFOLLOW;
    return adopt(::open(dir.isEmpty() ? "." : dir.constData(), flags), dir);
}

int DirReader::openAt(const DirReader& parent, const char* name) {
    close();
    if (parent.fd_ < 0)
        return EBADF;
    return adopt(::openat(parent.fd_, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW),
                 parent.observed_ ? parent.path_ + '/' + name : QByteArray(name));
}

int DirReader::openAt(int parentFd, const char* name, const QByteArray& path) {
    close();
    return adopt(::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW), path);
}

int DirReader::adopt(int fd, const QByteArray& path) {
    if (fd < 0)
        return errno;
    fd_ = fd;
    if (!buffer_)
        buffer_ = std::make_unique_for_overwrite<char[]>(kBufferSize);
    filled_ = 0;
    at_ = 0;
    atEnd_ = false;
    observed_ = bool(readObserver());
    if (observed_) {
        path_ = path;
        entries_ = 0;
        stats_ = 0;
    }
    return 0;
}

void DirReader::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    filled_ = 0;
    at_ = 0;
    atEnd_ = true;
    if (observed_) {
        observed_ = false;
        if (const DirReadObserver& observer = readObserver())
            observer(DirReadRecord{std::exchange(path_, QByteArray()), entries_, stats_});
    }
}

bool DirReader::next(RawEntry& entry) {
    for (;;) {
        if (at_ >= filled_) {
            if (atEnd_ || fd_ < 0)
                return false;
            const ssize_t n = ::getdents64(fd_, buffer_.get(), kBufferSize);
            if (n <= 0) { // the end, or a folder removed or unreadable meanwhile
                atEnd_ = true;
                return false;
            }
            filled_ = int(n);
            at_ = 0;
        }
        // glibc's dirent64 is the kernel's record.
        const auto* d = reinterpret_cast<const dirent64*>(buffer_.get() + at_);
        at_ += d->d_reclen;
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        entry.name = n;
        entry.nameLength = qsizetype(std::strlen(n));
        entry.type = typeOf(d->d_type);
        entries_ += observed_;
        return true;
    }
}

bool DirReader::stat(const RawEntry& entry, EntryStat& out) const {
    stats_ += observed_;
    struct stat st {};
    if (::fstatat(fd_, entry.name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    out = EntryStat{};
    if (S_ISLNK(st.st_mode)) {
        out.isSymlink = true;
        struct stat target {};
        if (::fstatat(fd_, entry.name, &target, 0) == 0)
            st = target;
    }
    out.isDir = S_ISDIR(st.st_mode);
    out.isRegular = S_ISREG(st.st_mode);
    out.writable = writableByUs(st);
    out.size = out.isDir ? 0 : int64_t(st.st_size);
    out.mtimeSec = int64_t(st.st_mtim.tv_sec);
    return true;
}

bool DirReader::isDirectory(const RawEntry& entry, bool* isSymlink) const {
    if (isSymlink)
        *isSymlink = entry.type == EntryType::Symlink;
    switch (entry.type) {
    case EntryType::Directory:
        return true;
    case EntryType::Regular:
    case EntryType::Other:
        return false;
    case EntryType::Symlink:
    case EntryType::Unknown:
        break;
    }
    stats_ += observed_;
    struct stat st {};
    if (entry.type == EntryType::Unknown) {
        if (::fstatat(fd_, entry.name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return false; // vanished meanwhile
        if (!S_ISLNK(st.st_mode))
            return S_ISDIR(st.st_mode);
        if (isSymlink)
            *isSymlink = true;
    }
    return ::fstatat(fd_, entry.name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

} // namespace platform
