#include "platform/FileOperation.h"

#include "platform/FsName.h"
#include "platform/Trash.h"

#include <QElapsedTimer>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

FileOpFaults& faults() {
    static FileOpFaults f;
    return f;
}

constexpr size_t kChunk = 1 << 20;

QByteArray join(const QByteArray& dir, const QByteArray& name) {
    return dir.endsWith('/') ? dir + name : dir + '/' + name;
}

QByteArray baseName(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path.mid(path.lastIndexOf('/') + 1);
}

QString verbText(FileOpKind kind) {
    switch (kind) {
    case FileOpKind::Copy:
        return QStringLiteral("コピー");
    case FileOpKind::Move:
        return QStringLiteral("移動");
    case FileOpKind::Delete:
        return QStringLiteral("削除");
    case FileOpKind::Trash:
        return QStringLiteral("ごみ箱へ移動");
    }
    return {};
}

// "<file> を<verb>できません。" and the cause.
FileOpResult failure(FileOpKind kind, const QString& path, const QString& cause) {
    return {FileOpOutcome::Failed, QStringLiteral("%1 を%2できません。\r\n\r\n%3")
                                       .arg(displayName(path), verbText(kind), cause)};
}

FileOpResult failure(FileOpKind kind, const QString& path, int err) {
    return failure(kind, path, FileErrorText(err));
}

const FileOpResult kDone{FileOpOutcome::Done, {}};
const FileOpResult kCancelled{FileOpOutcome::Cancelled, {}};

FileFacts factsOf(const QString& path, const struct stat& st) {
    FileFacts f;
    f.path = path;
    f.size = int64_t(st.st_size);
    f.modified = QDateTime::fromMSecsSinceEpoch(int64_t(st.st_mtim.tv_sec) * 1000 +
                                                st.st_mtim.tv_nsec / 1000000);
    return f;
}

bool writeAll(int fd, const char* data, size_t size, int* err) {
    if (faults().copyWriteError) {
        *err = faults().copyWriteError;
        return false;
    }
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *err = n < 0 ? errno : ENOSPC;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Makes a file of the destination folder's own under a temporary name and, once it is
// whole, renames it over the destination: a cancelled or failed copy leaves no part of
// a file behind and the old destination as it was.
class TempFile {
public:
    explicit TempFile(const QByteArray& folder) : path_(join(folder, ".zelmo32-XXXXXX")) {
        fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0)
            path_.clear();
    }
    ~TempFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.isEmpty())
            ::unlink(path_.constData());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    int fd() const { return fd_; }
    // Closes the file (its last write errors come out here) and renames it to dest.
    int commit(const QByteArray& dest) {
        const int rc = ::close(fd_);
        fd_ = -1;
        if (rc != 0)
            return errno;
        if (::rename(path_.constData(), dest.constData()) != 0)
            return errno;
        path_.clear();
        return 0;
    }

private:
    QByteArray path_;
    int fd_ = -1;
};

// Copies the regular file source (as a link follows: its target's content) to dest
// through a temporary file in destFolder, keeping permissions, owner where allowed and
// times.
FileOpResult copyFile(FileOpKind kind, const QString& source, const QByteArray& dest,
                      const QByteArray& destFolder, const FileOpCallbacks& callbacks) {
    const QByteArray src = toFsBytes(source);
    // Opened without waiting, so that a pipe or device cannot hold the copy up.
    const int in = ::open(src.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0)
        return failure(kind, source, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closeIn{in};
    struct stat st;
    if (::fstat(in, &st) != 0)
        return failure(kind, source, errno);
    if (!S_ISREG(st.st_mode))
        return failure(kind, source, QStringLiteral("通常のファイルではありません。"));
    ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);

    TempFile out(destFolder);
    if (out.fd() < 0)
        return failure(kind, source, errno);
    std::vector<char> buffer(kChunk);
    const int64_t total = int64_t(st.st_size);
    int64_t done = 0;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failure(kind, source, errno);
        if (n == 0)
            break;
        int err = 0;
        if (!writeAll(out.fd(), buffer.data(), size_t(n), &err))
            return failure(kind, source, err);
        done += n;
        if (callbacks.progress && clock.elapsed() >= faults().progressDelayMs &&
            !callbacks.progress(done, total))
            return kCancelled;
    }
    // The owner first: changing it clears the set-id bits that the mode then restores.
    if (::fchown(out.fd(), st.st_uid, st.st_gid) != 0)
        st.st_mode &= ~mode_t(S_ISUID | S_ISGID);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::fchmod(out.fd(), st.st_mode & 07777) != 0 || ::futimens(out.fd(), times) != 0 ||
        ::fsync(out.fd()) != 0)
        return failure(kind, source, errno);
    struct stat written;
    if (::fstat(out.fd(), &written) != 0 || written.st_size != off_t(done))
        return failure(kind, source, QStringLiteral("コピーしたファイルの大きさが違います。"));
    if (const int err = out.commit(dest))
        return failure(kind, source, err);
    return kDone;
}

// A symbolic link moved to another file system stays a link with the same target.
FileOpResult copyLink(const QString& source, const QByteArray& dest, const QByteArray& destFolder) {
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = ::readlink(toFsBytes(source).constData(), target.data(), target.size());
    if (n < 0 || size_t(n) >= target.size())
        return failure(FileOpKind::Move, source, n < 0 ? errno : ENAMETOOLONG);
    target[size_t(n)] = '\0';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temp = join(destFolder, ".zelmo32-link" + QByteArray::number(attempt));
        if (::symlink(target.data(), temp.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return failure(FileOpKind::Move, source, errno);
        }
        if (::rename(temp.constData(), dest.constData()) != 0) {
            const int err = errno;
            ::unlink(temp.constData());
            return failure(FileOpKind::Move, source, err);
        }
        return kDone;
    }
    return failure(FileOpKind::Move, source, EEXIST);
}

// The destination folder and what already stands at dest: a result to stop with, or
// nothing to go on (the overwrite question answered "overwrite").
std::optional<FileOpResult> checkDestination(FileOpKind kind, const QString& source,
                                             const struct stat& srcSt, const QByteArray& dest,
                                             const QByteArray& destFolder,
                                             const FileOpCallbacks& callbacks) {
    struct stat st;
    if (::stat(destFolder.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return failure(kind, source, QStringLiteral("行き先のフォルダがありません。"));
    if (::lstat(dest.constData(), &st) != 0)
        return errno == ENOENT ? std::nullopt
                               : std::optional<FileOpResult>(failure(kind, source, errno));
    struct stat followed;
    const bool same = (st.st_dev == srcSt.st_dev && st.st_ino == srcSt.st_ino) ||
                      (::stat(dest.constData(), &followed) == 0 &&
                       followed.st_dev == srcSt.st_dev && followed.st_ino == srcSt.st_ino);
    if (same)
        return failure(kind, source, QStringLiteral("元のファイルと行き先のファイルが同じです。"));
    if (S_ISDIR(st.st_mode))
        return failure(kind, source, QStringLiteral("行き先に同じ名前のフォルダがあります。"));
    if (!callbacks.askOverwrite)
        return kCancelled;
    const QString destName = fromFsBytes(dest);
    switch (callbacks.askOverwrite(factsOf(destName, st), factsOf(source, srcSt))) {
    case OverwriteAnswer::Overwrite:
        return std::nullopt;
    case OverwriteAnswer::Skip:
    case OverwriteAnswer::Cancel:
        break;
    }
    return kCancelled;
}

FileOpResult copyOrMove(FileOpKind kind, const QString& source, const QString& folder,
                        const FileOpCallbacks& callbacks) {
    const QByteArray src = toFsBytes(source);
    struct stat srcSt;
    if (::lstat(src.constData(), &srcSt) != 0)
        return failure(kind, source, errno);
    // A copy takes what a link points to; a move takes the link itself.
    if (kind == FileOpKind::Copy && S_ISLNK(srcSt.st_mode) && ::stat(src.constData(), &srcSt) != 0)
        return failure(kind, source, errno);
    if (S_ISDIR(srcSt.st_mode) && kind == FileOpKind::Copy)
        return failure(kind, source, QStringLiteral("フォルダはコピーできません。"));
    const QByteArray destFolder = toFsBytes(folder);
    const QByteArray dest = join(destFolder, baseName(src));
    if (auto stop = checkDestination(kind, source, srcSt, dest, destFolder, callbacks))
        return *stop;

    struct Finish {
        const FileOpCallbacks& callbacks;
        ~Finish() {
            if (callbacks.finished)
                callbacks.finished();
        }
    };
    if (kind == FileOpKind::Copy) {
        Finish finish{callbacks};
        return copyFile(kind, source, dest, destFolder, callbacks);
    }
    const int renameErr = faults().moveRenameError ? faults().moveRenameError
                          : ::rename(src.constData(), dest.constData()) == 0 ? 0
                                                                             : errno;
    if (renameErr == 0)
        return kDone;
    if (renameErr != EXDEV)
        return failure(kind, source, renameErr);
    // Another file system: copy, check, and only then remove the source.
    if (S_ISDIR(srcSt.st_mode))
        return failure(kind, source,
                       QStringLiteral("フォルダは別のファイルシステムへ移動できません。"));
    FileOpResult copied;
    {
        Finish finish{callbacks};
        copied = S_ISLNK(srcSt.st_mode) ? copyLink(source, dest, destFolder)
                                        : copyFile(kind, source, dest, destFolder, callbacks);
    }
    if (copied.outcome != FileOpOutcome::Done)
        return copied;
    struct stat destSt;
    if (::lstat(dest.constData(), &destSt) != 0 || destSt.st_size != srcSt.st_size)
        return failure(kind, source, QStringLiteral("コピーしたファイルの大きさが違います。"));
    if (::unlink(src.constData()) != 0) {
        const int err = errno;
        return failure(kind, source,
                       QStringLiteral("%1\r\n%2 にはコピーされています。")
                           .arg(FileErrorText(err), displayName(fromFsBytes(dest))));
    }
    return kDone;
}

FileOpResult removeFile(FileOpKind kind, const QString& path) {
    if (::unlink(toFsBytes(path).constData()) != 0)
        return failure(kind, path, errno);
    return kDone;
}

FileOpResult deleteOrTrash(FileOpKind kind, const QString& path, const FileOpCallbacks& callbacks) {
    struct stat st;
    if (::lstat(toFsBytes(path).constData(), &st) != 0)
        return failure(kind, path, errno);
    if (!callbacks.confirmDelete || !callbacks.confirmDelete(kind, path))
        return kCancelled;
    if (kind == FileOpKind::Delete)
        return removeFile(kind, path);
    const TrashResult trashed = MoveToTrash(path);
    switch (trashed.outcome) {
    case TrashOutcome::Done:
        return kDone;
    case TrashOutcome::Failed:
        return failure(kind, path, trashed.why);
    case TrashOutcome::NoTrash:
        break;
    }
    // Never deleted for good without being asked.
    if (callbacks.askTrashFallback &&
        callbacks.askTrashFallback(path, trashed.why) == TrashFallbackAnswer::DeleteForGood)
        return removeFile(FileOpKind::Delete, path);
    return kCancelled;
}

} // namespace

QString FileErrorText(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空き容量が足りません。");
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが拒否されました。");
    case EROFS:
        return QStringLiteral("読み取り専用のファイルシステムです。");
    case ENOENT:
        return QStringLiteral("ファイルが見つかりません。");
    case ENAMETOOLONG:
        return QStringLiteral("ファイル名が長すぎます。");
    case EISDIR:
        return QStringLiteral("フォルダです。");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("使用中です。");
    case EIO:
        return QStringLiteral("読み書きのエラーです。");
    default:
        return QStringLiteral("システムエラー %1 (%2)。")
            .arg(err)
            .arg(QString::fromLocal8Bit(::strerror(err)));
    }
}

void SetFileOpFaults(const FileOpFaults& f) {
    faults() = f;
}

FileOpResult RunFileOperation(FileOpKind kind, const QString& source,
                              const QString& destinationFolder, const FileOpCallbacks& callbacks) {
    switch (kind) {
    case FileOpKind::Copy:
    case FileOpKind::Move:
        return copyOrMove(kind, source, destinationFolder, callbacks);
    case FileOpKind::Delete:
    case FileOpKind::Trash:
        return deleteOrTrash(kind, source, callbacks);
    }
    return failure(kind, source, EINVAL);
}

} // namespace platform
