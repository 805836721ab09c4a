#include "platform/FileProbe.h"

#include "platform/FsName.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
bool statPath(const QString& path, struct stat* st) {
    if (path.isEmpty())
        return false;
    return ::stat(toFsBytes(path).constData(), st) == 0;
}

int openForReading(const QString& path) {
    if (path.isEmpty())
        return -1;
    int fd;
    do {
        fd = ::open(toFsBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st;
    // Reading a fifo or a device could block or never end.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads up to n bytes; false on a read error.
bool readUpTo(int fd, QByteArray* out, qsizetype n) {
    out->resize(n);
    qsizetype got = 0;
    while (got < n) {
        ssize_t r = ::read(fd, out->data() + got, size_t(n - got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            out->clear();
            return false;
        }
        if (r == 0)
            break;
        got += r;
    }
    out->resize(got);
    return true;
}
} // namespace

bool pathExists(const QString& path) {
    struct stat st;
    return statPath(path, &st);
}

bool pathIsDirectory(const QString& path) {
    struct stat st;
    return statPath(path, &st) && S_ISDIR(st.st_mode);
}

bool pathIsFile(const QString& path) {
    struct stat st;
    return statPath(path, &st) && !S_ISDIR(st.st_mode);
}

bool pathIsSymlink(const QString& path) {
    struct stat st;
    return !path.isEmpty() && ::lstat(toFsBytes(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool pathIsExecutable(const QString& path) {
    struct stat st;
    return statPath(path, &st) && S_ISREG(st.st_mode) &&
           ::access(toFsBytes(path).constData(), X_OK) == 0;
}

QByteArray readFileHead(const QString& path, qsizetype n) {
    int fd = openForReading(path);
    if (fd < 0)
        return {};
    QByteArray out;
    readUpTo(fd, &out, n);
    ::close(fd);
    return out;
}

std::optional<QByteArray> readWholeFile(const QString& path, qsizetype maxBytes) {
    int fd = openForReading(path);
    if (fd < 0)
        return std::nullopt;
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_size > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    // The buffer takes the file's size, not the limit: a 6-byte file must not reserve
    // a gigabyte. One byte more tells a file that grew since fstat; it is read on to
    // the limit in steps.
    QByteArray out;
    qsizetype want = std::min<qsizetype>(qsizetype(st.st_size) + 1, maxBytes + 1);
    bool ok = readUpTo(fd, &out, want);
    while (ok && out.size() == want && want <= maxBytes) {
        QByteArray more;
        const qsizetype step =
            std::min<qsizetype>(std::max<qsizetype>(want, 4096), maxBytes + 1 - want);
        ok = readUpTo(fd, &more, step);
        if (more.isEmpty())
            break;
        out += more;
        want += step;
        if (more.size() < step)
            break;
    }
    ::close(fd);
    if (!ok || out.size() > maxBytes)
        return std::nullopt;
    out.squeeze();
    return out;
}

std::optional<FileStamp> fileStamp(const QString& path) {
    struct stat st;
    if (!statPath(path, &st))
        return std::nullopt;
    FileStamp stamp;
    stamp.size = int64_t(st.st_size);
    stamp.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.inode = uint64_t(st.st_ino);
    return stamp;
}

QString currentDirectory() {
    // getcwd keeps the directory's own bytes; QDir::currentPath would not.
    QByteArray buf(4096, '\0');
    while (::getcwd(buf.data(), size_t(buf.size())) == nullptr) {
        if (errno != ERANGE || buf.size() > (1 << 20))
            return QDir::currentPath();
        buf.resize(buf.size() * 2);
    }
    return fromFsBytes(buf.constData(), qsizetype(strlen(buf.constData())));
}

bool setCurrentDirectory(const QString& path) {
    return !path.isEmpty() && ::chdir(toFsBytes(path).constData()) == 0;
}

QString absolutePath(const QString& path) {
    if (path.isEmpty())
        return currentDirectory();
    return QDir::cleanPath(path.startsWith('/') ? path : currentDirectory() + '/' + path);
}

} // namespace platform
