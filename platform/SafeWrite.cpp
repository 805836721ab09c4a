#include "platform/SafeWrite.h"

#include "platform/FsName.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString causeText(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("ディスクの空きが足りません");
    case EACCES:
    case EPERM:
        return QStringLiteral("書き込みの権限がありません");
    case EROFS:
        return QStringLiteral("読み取り専用の場所です");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("フォルダがありません");
    case EISDIR:
        return QStringLiteral("フォルダです");
    case ELOOP:
        return QStringLiteral("シンボリックリンクが循環しています");
    default:
        return QString::fromLocal8Bit(strerror(err));
    }
}

bool fail(const QString& path, int err, QString* error) {
    if (error)
        *error = QStringLiteral("%1 に書き込めません").arg(displayName(path)) +
                 QStringLiteral("\r\n") + causeText(err);
    return false;
}

QByteArray dirOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

// Follows symbolic links to the file they name; a dangling link gives its target.
bool resolveLinks(QByteArray* path, int* err) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path->constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        QByteArray target(qsizetype(PATH_MAX) + 1, '\0');
        const ssize_t n = readlink(path->constData(), target.data(), size_t(target.size()));
        if (n < 0) {
            *err = errno;
            return false;
        }
        target.resize(n);
        *path = target.startsWith('/') ? target : dirOf(*path) + '/' + target;
    }
    *err = ELOOP;
    return false;
}

bool writeAll(int fd, const QByteArray& bytes, int* err) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(std::min<qsizetype>(left, 1 << 20)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *err = errno;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Reserves room for size bytes; file systems without the call count as done.
bool reserve(int fd, qsizetype size, int* err) {
    if (size == 0)
        return true;
    const int r = posix_fallocate(fd, 0, off_t(size));
    if (r == 0 || r == EOPNOTSUPP || r == EINVAL || r == ENOSYS)
        return true;
    *err = r;
    return false;
}

bool writeInPlace(const QByteArray& target, const QByteArray& bytes, int* err) {
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        *err = errno;
        return false;
    }
    bool ok = reserve(fd, bytes.size(), err) && writeAll(fd, bytes, err);
    if (ok && ftruncate(fd, off_t(bytes.size())) != 0) {
        *err = errno;
        ok = false;
    }
    if (ok && fsync(fd) != 0) {
        *err = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        *err = errno;
        ok = false;
    }
    return ok;
}

} // namespace

bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* error) {
    QByteArray target = toFsBytes(path);
    int err = 0;
    if (target.isEmpty())
        return fail(path, ENOENT, error);
    if (!resolveLinks(&target, &err))
        return fail(path, err, error);

    struct stat old;
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return fail(path, EISDIR, error);

    const QByteArray dir = dirOf(target);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray base = target.mid(slash + 1);
    std::random_device rd;
    std::mt19937 rng(rd());
    QByteArray temp;
    int fd = -1;
    for (int tries = 0; tries < 100 && fd < 0; ++tries) {
        temp = dir + "/." + base.left(200) + '.' + QByteArray::number(rng() % 1000000000u) + ".tmp";
        // A new file gets the umask's permissions, an old file's own come below.
        fd =
            ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        err = errno;
        // A folder closed to new files, with the file itself writable, is written in place.
        if (exists && (err == EACCES || err == EPERM || err == EROFS) &&
            access(target.constData(), W_OK) == 0) {
            if (writeInPlace(target, bytes, &err))
                return true;
        }
        return fail(path, err, error);
    }

    bool ok = reserve(fd, bytes.size(), &err) && writeAll(fd, bytes, &err);
    if (ok && exists) {
        // Owner first: a change of owner clears the set-id bits that fchmod then restores.
        if (fchown(fd, old.st_uid, old.st_gid) != 0)
            (void)!fchown(fd, uid_t(-1), old.st_gid);
        if (fchmod(fd, old.st_mode & 07777) != 0) {
            err = errno;
            ok = false;
        }
    }
    if (ok && fsync(fd) != 0) {
        err = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (ok && ::rename(temp.constData(), target.constData()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.constData());
        return fail(path, err, error);
    }
    // The rename itself reaches the disk with the folder's sync.
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        ::close(dfd);
    }
    return true;
}

} // namespace platform
