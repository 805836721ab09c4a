#include "platform/Trash.h"
#include "platform/UniqueFd.h"

#include "platform/FileOperation.h"
#include "platform/FsName.h"

#include "base/TempFile.h"

#include <QDateTime>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

using Fd = UniqueFd;

// A folder of the trash, opened without following a link: a real directory of ours on
// the device, else -1.
Fd ownDirAt(int parent, const char* name, dev_t dev, bool followLink = false) {
    if (::mkdirat(parent, name, 0700) != 0 && errno != EEXIST)
        return Fd();
    Fd dir(
        ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW)));
    struct stat st;
    if (dir.fd < 0 || ::fstat(dir.fd, &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::getuid() || st.st_dev != dev)
        return Fd();
    return dir;
}

// A trash folder with files/ and info/, made when missing. Each must be a real directory
// owned by the user: another user who could write into a loose trash folder may have put
// their own folder or a link in the place of files/. A loose mode of the user's own trash
// folder is closed to others first. The home trash may be the user's own link.
struct TrashDirs {
    Fd files, info;
};
bool openTrash(const QByteArray& trash, dev_t dev, TrashDirs* out, bool home = false) {
    const qsizetype slash = trash.lastIndexOf('/');
    Fd parent(::open(slash <= 0 ? "/" : trash.left(slash).constData(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent.fd < 0)
        return false;
    Fd top = ownDirAt(parent.fd, trash.mid(slash + 1).constData(), dev, home);
    struct stat st;
    if (top.fd < 0 || ::fstat(top.fd, &st) != 0)
        return false;
    if ((st.st_mode & 077) != 0 && ::fchmod(top.fd, 0700) != 0)
        return false;
    out->files = ownDirAt(top.fd, "files", dev);
    out->info = ownDirAt(top.fd, "info", dev);
    return out->files.fd >= 0 && out->info.fd >= 0;
}

QByteArray topDirectoryTrash(const QByteArray& topdir, dev_t dev, TrashDirs* dirs) {
    const QByteArray uid = QByteArray::number(uint(::getuid()));
    const QByteArray shared = join(topdir, ".Trash");
    struct stat st;
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QByteArray mine = join(shared, uid);
        if (openTrash(mine, dev, dirs))
            return mine;
    }
    const QByteArray own = join(topdir, ".Trash-" + uid);
    if (openTrash(own, dev, dirs))
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
    TrashDirs dirs;
    return fromFsBytes(topDirectoryTrash(top, st.st_dev, &dirs));
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
    TrashDirs dirs;
    const QByteArray home = homeTrashBytes();
    if (deviceOf(home) == dev && makeDirs(parentOf(home), 0700) &&
        openTrash(home, dev, &dirs, true)) {
        trash = home;
        original = join(dir, name);
    } else {
        const QByteArray top = topDirOf(dir, dev);
        trash = topDirectoryTrash(top, dev, &dirs);
        original = dir == top ? name : join(dir.mid(top == "/" ? 1 : top.size() + 1), name);
    }
    if (trash.isEmpty())
        return {
            TrashOutcome::NoTrash,
            QStringLiteral("このファイルのあるファイルシステムには、使えるごみ箱がありません。")};
    Fd from(::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (from.fd < 0)
        return failed(errno);

    // A name of its own in the trash: its information file is made exclusively, and the
    // file never replaces one there. Both go through the folders opened above.
    const QByteArray base = trashBaseName(name);
    const QByteArray text =
        "[Trash Info]\nPath=" + original.toPercentEncoding("/") + "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() +
        "\n";
    for (int n = 1; n < 100000; ++n) {
        const QByteArray entry = n == 1 ? base : base + '.' + QByteArray::number(n);
        struct stat taken;
        if (::fstatat(dirs.files.fd, entry.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        const QByteArray infoName = entry + ".trashinfo";
        const int fd = ::openat(dirs.info.fd, infoName.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return failed(errno);
        }
        const bool written = writeAll(fd, text) && ::fsync(fd) == 0;
        const int writeErr = errno;
        ::close(fd);
        if (!written) {
            ::unlinkat(dirs.info.fd, infoName.constData(), 0);
            return failed(writeErr);
        }
        const int err =
            zelmo_rename_noreplace(from.fd, name.constData(), dirs.files.fd, entry.constData());
        if (err == 0)
            return {TrashOutcome::Done, {}};
        ::unlinkat(dirs.info.fd, infoName.constData(), 0);
        if (err == EEXIST)
            continue;
        if (err == EXDEV)
            return {TrashOutcome::NoTrash,
                    QStringLiteral("ごみ箱が別のファイルシステムにあります。")};
        return failed(err);
    }
    return failed(EEXIST);
}

} // namespace platform
