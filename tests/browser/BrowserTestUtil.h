#pragma once
// Real temporary folders for the file list tests: files made from raw name bytes, with
// a given size (sparse) and modification time.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testutil {

inline QByteArray bytesOf(const QTemporaryDir& dir) {
    return QFile::encodeName(dir.path());
}

// Creates (or truncates) dir/name with `size` bytes, sparse beyond what is written.
inline bool makeFile(const QByteArray& path, int64_t size = 0, int64_t mtime = -1) {
    int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::ftruncate(fd, off_t(size)) == 0;
    ::close(fd);
    if (ok && mtime >= 0) {
        struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
        ok = ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0;
    }
    return ok;
}

inline bool makeDir(const QByteArray& path) {
    return ::mkdir(path.constData(), 0755) == 0;
}

// Runs f with the file-system permissions of an unprivileged user on this thread, so
// that permission tests mean something when the tests run as root.
template <class F> void asUnprivileged(F f) {
    const bool root = ::geteuid() == 0;
    if (root) {
        ::setfsgid(65534);
        ::setfsuid(65534);
    }
    f();
    if (root) {
        ::setfsuid(0);
        ::setfsgid(0);
    }
}

} // namespace testutil

#include <QStringList>
#include <ostream>
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << l.join('|').toStdString();
}
QT_END_NAMESPACE
