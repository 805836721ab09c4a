#include "platform/SafeWrite.h"
#include "platform/UniqueFd.h"

#include "platform/FsName.h"

#include "base/TempFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString causeText(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空きが足りません");
    case EFBIG:
        return QStringLiteral("このファイルシステム（またはサイズの制限）には大きすぎます");
    case EIO:
        return QStringLiteral("読み書きのエラーです");
    case ENAMETOOLONG:
        return QStringLiteral("ファイル名が長すぎます");
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
    case ENOLINK:
        return QStringLiteral("リンク先がありません");
    case ESTALE:
        return QStringLiteral("保存の途中で別のプログラムがファイルを置き換えました");
    case EEXIST:
        return QStringLiteral("保存の途中で別のプログラムが同じ名前のファイルを作りました");
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

using Fd = UniqueFd;

void split(const QByteArray& path, QByteArray* folder, QByteArray* name) {
    const qsizetype slash = path.lastIndexOf('/');
    *folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    *name = path.mid(slash + 1);
}

// Reserves room for size bytes; file systems without the call count as done.
int reserve(int fd, qsizetype size) {
    if (size == 0)
        return 0;
    const int r = posix_fallocate(fd, 0, off_t(size));
    return r == EOPNOTSUPP || r == EINVAL || r == ENOSYS ? 0 : r;
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool mayFollowLink(const struct stat& link, const struct stat& folder, uid_t user) {
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || link.st_uid == user || link.st_uid == folder.st_uid;
}

int locateWriteTarget(const QByteArray& path, UniqueFd* dir, QByteArray* name) {
    QByteArray folder;
    split(path, &folder, name);
    if (name->isEmpty() || *name == "." || *name == "..")
        return EISDIR;
    dir->reset(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir->fd < 0)
        return errno;
    struct stat st, folderSt;
    if (::fstatat(dir->fd, name->constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(st.st_mode))
        return 0;
    if (::fstat(dir->fd, &folderSt) != 0)
        return errno;
    if (!mayFollowLink(st, folderSt, ::geteuid()))
        return EACCES;
    UniqueFd target;
    target.reset(::openat(dir->fd, name->constData(), O_PATH | O_CLOEXEC));
    if (target.fd < 0)
        return errno == ENOENT ? ENOLINK : errno; // a dangling link names no file to replace
    char real[PATH_MAX + 1];
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(target.fd);
    const ssize_t n = ::readlink(proc.constData(), real, PATH_MAX);
    if (n <= 0)
        return n < 0 ? errno : ENOENT;
    QByteArray targetName;
    split(QByteArray(real, n), &folder, &targetName);
    UniqueFd targetDir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat found, wanted;
    if (targetDir.fd < 0 ||
        ::fstatat(targetDir.fd, targetName.constData(), &found, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstat(target.fd, &wanted) != 0 || found.st_dev != wanted.st_dev ||
        found.st_ino != wanted.st_ino)
        return ESTALE; // moved while we looked
    *dir = std::move(targetDir);
    *name = targetName;
    return 0;
}

bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* error) {
    zelmo_catch_file_size_signal();
    const QByteArray bytesPath = toFsBytes(path);
    if (bytesPath.isEmpty())
        return fail(path, ENOENT, error);
    Fd dir;
    QByteArray name;
    if (const int err = locateWriteTarget(bytesPath, &dir, &name))
        return fail(path, err, error);

    struct stat old;
    const bool exists = ::fstatat(dir.fd, name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT)
        return fail(path, errno, error);
    if (exists && S_ISDIR(old.st_mode))
        return fail(path, EISDIR, error);
    // A file its owner made read-only stays as it is, also for root, whom access() lets
    // through; and a file we may not write is not replaced through the folder either.
    if (exists && ((old.st_mode & S_IWUSR) == 0 ||
                   ::faccessat(dir.fd, name.constData(), W_OK, AT_EACCESS) != 0))
        return fail(path, EACCES, error);

    zelmo_remove_stale_temps(dir.fd);
    ZelmoTempFile t;
    // A folder that takes no new file refuses the save: writing in place could be torn.
    if (const int err = zelmo_temp_create(dir.fd, 1, 0600, &t))
        return fail(path, err, error);
    int err = reserve(t.fd, bytes.size());
    if (!err)
        err = zelmo_write_all(t.fd, bytes.constData(), size_t(bytes.size()));
    if (!err && exists) {
        // Owner first: a change of owner clears the set-id bits that fchmod then restores.
        if (fchown(t.fd, old.st_uid, old.st_gid) != 0)
            (void)!fchown(t.fd, uid_t(-1), old.st_gid);
    }
    if (!err && fchmod(t.fd, exists ? old.st_mode & 07777 : newFileMode()) != 0)
        err = errno;
    if (!err)
        err = zelmo_write_step("sync");
    if (!err && fsync(t.fd) != 0)
        err = errno;
    if (!err) {
        ZelmoFileId id;
        zelmo_file_id(&old, &id);
        err = exists ? zelmo_temp_exchange(&t, name.constData(), &id)
                     : zelmo_temp_publish(&t, name.constData());
        if (err == ENOENT)
            err = ESTALE; // removed meanwhile: not the file the user saved over
    }
    const int closeErr = zelmo_temp_close(&t);
    if (!err)
        err = closeErr;
    if (err)
        return fail(path, err, error);
    // The new name reaches the disk with the folder's sync.
    fsync(dir.fd);
    return true;
}

} // namespace platform
