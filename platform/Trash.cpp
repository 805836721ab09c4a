#include "platform/Trash.h"

#include "platform/FileOperation.h"
#include "platform/FsName.h"

#include <QDateTime>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray join(const QByteArray& dir, const QByteArray& name) {
    return dir.endsWith('/') ? dir + name : dir + '/' + name;
}

QByteArray parentOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray homeTrashBytes() {
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (data.isEmpty() || data[0] != '/') { // a relative value is to be ignored
        QByteArray home = qgetenv("HOME");
        if (home.isEmpty()) {
            if (const passwd* pw = ::getpwuid(::getuid()))
                home = pw->pw_dir;
        }
        data = join(home, ".local/share");
    }
    return join(data, "Trash");
}

// mkdir -p with the given mode for the folders made.
bool makeDirs(const QByteArray& path, mode_t mode) {
    struct stat st;
    if (::stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const QByteArray parent = parentOf(path);
    if (parent != path && !makeDirs(parent, mode))
        return false;
    return ::mkdir(path.constData(), mode) == 0 || errno == EEXIST;
}

// The device of path, or of the nearest folder above it that exists.
dev_t deviceOf(QByteArray path) {
    struct stat st;
    while (::stat(path.constData(), &st) != 0) {
        if (path == "/")
            return 0;
        path = parentOf(path);
    }
    return st.st_dev;
}

bool isDirOnDevice(const QByteArray& path, dev_t dev) {
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_dev == dev;
}

// A trash folder that holds files/ and info/ on the device (made when missing).
bool usableTrash(const QByteArray& trash, dev_t dev) {
    for (const char* sub : {"files", "info"}) {
        const QByteArray dir = join(trash, sub);
        if (::mkdir(dir.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (!isDirOnDevice(dir, dev))
            return false;
    }
    return isDirOnDevice(trash, dev);
}

// A folder of ours, not a link: made when missing.
bool ownRealDir(const QByteArray& path) {
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

QByteArray topDirectoryTrash(const QByteArray& topdir, dev_t dev) {
    const QByteArray uid = QByteArray::number(uint(::getuid()));
    const QByteArray shared = join(topdir, ".Trash");
    struct stat st;
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QByteArray mine = join(shared, uid);
        if (ownRealDir(mine) && usableTrash(mine, dev))
            return mine;
    }
    const QByteArray own = join(topdir, ".Trash-" + uid);
    if (ownRealDir(own) && usableTrash(own, dev))
        return own;
    return {};
}

// The top directory of the file system that holds dir (a real path).
QByteArray topDirOf(QByteArray dir, dev_t dev) {
    while (dir != "/") {
        const QByteArray parent = parentOf(dir);
        struct stat st;
        if (::stat(parent.constData(), &st) != 0 || st.st_dev != dev)
            break;
        dir = parent;
    }
    return dir;
}

QByteArray realPath(const QByteArray& path) {
    char buffer[PATH_MAX];
    if (!::realpath(path.constData(), buffer))
        return {};
    return QByteArray(buffer);
}

// The trash keeps a name of its own plus ".trashinfo" (and a number) within NAME_MAX.
QByteArray trashBaseName(const QByteArray& name) {
    constexpr qsizetype kMax = NAME_MAX - 32;
    return name.size() > kMax ? name.left(kMax) : name;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

TrashResult failed(int err) {
    return {TrashOutcome::Failed, FileErrorText(err)};
}

} // namespace

QString HomeTrash() {
    return fromFsBytes(homeTrashBytes());
}

QString TopDirectoryTrash(const QString& topdir) {
    const QByteArray top = toFsBytes(topdir);
    struct stat st;
    if (::stat(top.constData(), &st) != 0)
        return {};
    return fromFsBytes(topDirectoryTrash(top, st.st_dev));
}

TrashResult MoveToTrash(const QString& path) {
    QByteArray bytes = toFsBytes(path);
    while (bytes.size() > 1 && bytes.endsWith('/'))
        bytes.chop(1);
    struct stat st;
    if (::lstat(bytes.constData(), &st) != 0)
        return failed(errno);
    const QByteArray name = bytes.mid(bytes.lastIndexOf('/') + 1);
    const QByteArray dir = realPath(bytes.contains('/') ? parentOf(bytes) : QByteArray("."));
    if (dir.isEmpty() || name.isEmpty() || name == "." || name == "..")
        return failed(dir.isEmpty() ? errno : EINVAL);
    const dev_t dev = st.st_dev;

    // The home trash when it is on the file's file system, else that file system's own.
    QByteArray trash;
    QByteArray original;
    const QByteArray home = homeTrashBytes();
    if (deviceOf(home) == dev && makeDirs(home, 0700) && usableTrash(home, dev)) {
        trash = home;
        original = join(dir, name);
    } else {
        const QByteArray top = topDirOf(dir, dev);
        trash = topDirectoryTrash(top, dev);
        original = dir == top ? name : join(dir.mid(top == "/" ? 1 : top.size() + 1), name);
    }
    if (trash.isEmpty())
        return {
            TrashOutcome::NoTrash,
            QStringLiteral("このファイルのあるファイルシステムには、使えるごみ箱がありません。")};

    // A name of its own in the trash: its information file is made exclusively.
    const QByteArray files = join(trash, "files");
    const QByteArray info = join(trash, "info");
    const QByteArray base = trashBaseName(name);
    const QByteArray text =
        "[Trash Info]\nPath=" + original.toPercentEncoding("/") + "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() +
        "\n";
    for (int n = 1; n < 100000; ++n) {
        const QByteArray entry = n == 1 ? base : base + '.' + QByteArray::number(n);
        struct stat taken;
        if (::lstat(join(files, entry).constData(), &taken) == 0)
            continue;
        const QByteArray infoPath = join(info, entry + ".trashinfo");
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return failed(errno);
        }
        const bool written = writeAll(fd, text) && ::fsync(fd) == 0;
        const int writeErr = errno;
        ::close(fd);
        if (!written) {
            ::unlink(infoPath.constData());
            return failed(writeErr);
        }
        if (::rename(bytes.constData(), join(files, entry).constData()) != 0) {
            const int err = errno;
            ::unlink(infoPath.constData());
            if (err == EXDEV)
                return {TrashOutcome::NoTrash,
                        QStringLiteral("ごみ箱が別のファイルシステムにあります。")};
            return failed(err);
        }
        return {TrashOutcome::Done, {}};
    }
    return failed(EEXIST);
}

} // namespace platform
