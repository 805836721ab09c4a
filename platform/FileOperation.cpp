#include "platform/FileOperation.h"
#include "platform/UniqueFd.h"

#include "platform/FsName.h"
#include "platform/KernelCopy.h"
#include "platform/Trash.h"

#include "base/MoveRecord.h"
#include "base/TempFile.h"

#include <QElapsedTimer>
#include <algorithm>
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

bool sameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

ZelmoFileId idOf(const FileFacts& f) {
    ZelmoFileId id;
    id.dev = dev_t(f.device);
    id.ino = ino_t(f.inode);
    id.size = off_t(f.size);
    id.mtime = {time_t(f.modifiedNs / 1000000000), long(f.modifiedNs % 1000000000)};
    id.ctime = {time_t(f.changedNs / 1000000000), long(f.changedNs % 1000000000)};
    return id;
}

using Fd = UniqueFd;

// The temporary file of a copy, closed (and its temporary name removed) on every way out.
struct Temp {
    ZelmoTempFile t{-1, -1, 0, {}};
    ~Temp() {
        if (t.fd >= 0 || t.name[0])
            zelmo_temp_close(&t);
    }
};

enum class Side { Source, Destination };

// "<file> を<verb>できません。" and the cause, named by its side.
FileOpResult failure(FileOpKind kind, const QString& path, Side side, const QString& cause) {
    return failure(
        kind, path,
        (side == Side::Source ? QStringLiteral("元のファイル：") : QStringLiteral("行き先：")) +
            cause);
}

FileOpResult failure(FileOpKind kind, const QString& path, Side side, int err) {
    return failure(kind, path, side, FileErrorText(err));
}

// One operation: the source, the destination folder (held open, so every name below it is
// the folder the user chose) and the name the file gets there.
struct Job {
    FileOpKind kind;
    QString source;
    QByteArray src;       // its bytes
    struct stat srcSt {}; // lstat; for a copy, what a link points to
    QByteArray folder;
    int destDir = -1;
    QByteArray name;
    QString destShown;
    const FileOpCallbacks& callbacks;
    // The checksum of the bytes a copy wrote, taken while copying (a move's record).
    mutable uint32_t copySum = 0;
};

// The file standing at the destination's name: refused when it is the source itself
// (through links too) or a folder; else the overwrite question. A result to stop with, or
// the agreement to replace that very file.
std::optional<FileOpResult> askAbout(const Job& job, const struct stat& there,
                                     std::optional<ZelmoFileId>* agreed) {
    struct stat srcTarget, destTarget;
    const bool followed = ::stat(job.src.constData(), &srcTarget) == 0 &&
                          ::fstatat(job.destDir, job.name.constData(), &destTarget, 0) == 0;
    if (sameInode(there, job.srcSt) || (followed && sameInode(srcTarget, destTarget)))
        return failure(job.kind, job.source,
                       QStringLiteral("元のファイルと行き先のファイルが同じです。"));
    if (S_ISDIR(there.st_mode))
        return failure(job.kind, job.source,
                       QStringLiteral("行き先に同じ名前のフォルダがあります。"));
    if (!job.callbacks.askOverwrite)
        return kCancelled;
    const FileFacts existing = FileFactsOf(job.destShown, there);
    if (job.callbacks.askOverwrite(existing, FileFactsOf(job.source, job.srcSt)) !=
        OverwriteAnswer::Overwrite)
        return kCancelled;
    *agreed = idOf(existing);
    return std::nullopt;
}

// Another file took the name meanwhile (or nothing stands there any more): asked again.
std::optional<FileOpResult> askAgain(const Job& job, std::optional<ZelmoFileId>* agreed) {
    struct stat there;
    if (::fstatat(job.destDir, job.name.constData(), &there, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            return failure(job.kind, job.source, Side::Destination, errno);
        agreed->reset();
        return std::nullopt;
    }
    return askAbout(job, there, agreed);
}

// The destination folder still is the one opened at the start (not swapped for a link).
bool folderStillThere(const Job& job) {
    struct stat now, held;
    return ::stat(job.folder.constData(), &now) == 0 && ::fstat(job.destDir, &held) == 0 &&
           sameInode(now, held);
}

FileOpResult folderReplaced(const Job& job) {
    return failure(job.kind, job.source, Side::Destination,
                   QStringLiteral("行き先のフォルダが途中で置き換えられました。"));
}

// Gives the whole temporary its name: a new name never replaces; a file the user agreed to
// replace is exchanged only while it is still that file, else the question comes again.
FileOpResult publish(const Job& job, ZelmoTempFile* t, std::optional<ZelmoFileId> agreed) {
    for (int round = 0; round < 50; ++round) {
        const int err = agreed ? zelmo_temp_exchange(t, job.name.constData(), &*agreed)
                               : zelmo_temp_publish(t, job.name.constData());
        if (err == 0) {
            ::fsync(job.destDir); // the new name reaches the disk too
            return kDone;
        }
        if (err != EEXIST && err != ESTALE && err != ENOENT)
            return failure(job.kind, job.source, Side::Destination, err);
        if (auto stop = askAgain(job, &agreed))
            return *stop;
    }
    return failure(job.kind, job.source, Side::Destination, EEXIST);
}

// Copies the regular file into a new file of the destination folder and publishes it;
// copied receives the source as it was when the copy was whole.
FileOpResult copyFile(const Job& job, std::optional<ZelmoFileId> agreed, struct stat* copied) {
    // Opened without waiting, so that a pipe or device cannot hold the copy up. A move
    // takes the file it checked, not what a link put in its place points to.
    const int flags =
        O_RDONLY | O_CLOEXEC | O_NONBLOCK | (job.kind == FileOpKind::Move ? O_NOFOLLOW : 0);
    Fd in(::open(job.src.constData(), flags));
    if (in.fd < 0)
        return failure(job.kind, job.source, Side::Source, errno);
    struct stat st;
    if (::fstat(in.fd, &st) != 0)
        return failure(job.kind, job.source, Side::Source, errno);
    if (!S_ISREG(st.st_mode))
        return failure(job.kind, job.source, QStringLiteral("通常のファイルではありません。"));
    if (!sameInode(st, job.srcSt))
        return failure(job.kind, job.source, Side::Source,
                       QStringLiteral("コピーの途中で置き換えられました。"));
    ::fcntl(in.fd, F_SETFL, ::fcntl(in.fd, F_GETFL) & ~O_NONBLOCK);
    ZelmoFileId start;
    zelmo_file_id(&st, &start);

    Temp out;
    job.copySum = 0;
    if (const int err = zelmo_temp_create(job.destDir, 1, 0600, &out.t))
        return failure(job.kind, job.source, Side::Destination, err);
    const int64_t total = int64_t(st.st_size);
    QElapsedTimer clock;
    clock.start();
    // A move records a checksum of the bytes it copied (its recovery checks the copy by
    // it): the bytes then pass through the buffer.
    const DataCopy data = CopyFileData(
        in.fd, out.t.fd,
        [&](int64_t done) {
            if (faults().duringCopy)
                faults().duringCopy(done);
            return !job.callbacks.progress || clock.elapsed() < faults().progressDelayMs ||
                   job.callbacks.progress(done, total);
        },
        job.kind == FileOpKind::Move
            ? std::function<void(const char*, size_t)>([&job](const char* bytes, size_t n) {
                  job.copySum = zelmo_checksum(job.copySum, bytes, n);
              })
            : nullptr);
    switch (data.end) {
    case DataCopy::End::Whole:
        break;
    case DataCopy::End::Stopped:
        return kCancelled;
    case DataCopy::End::SourceFailed:
        return failure(job.kind, job.source, Side::Source, data.err);
    case DataCopy::End::DestinationFailed:
        return failure(job.kind, job.source, Side::Destination, data.err);
    }
    const int64_t done = data.done;
    // The owner first: changing it clears the set-id bits that the mode then restores.
    mode_t mode = st.st_mode & 07777;
    if (::fchown(out.t.fd, st.st_uid, st.st_gid) != 0)
        mode &= ~mode_t(S_ISUID | S_ISGID);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    int err = zelmo_write_step("sync");
    if (!err && (::fchmod(out.t.fd, mode) != 0 || ::futimens(out.t.fd, times) != 0 ||
                 ::fsync(out.t.fd) != 0))
        err = errno;
    if (err)
        return failure(job.kind, job.source, Side::Destination, err);
    struct stat written;
    if (::fstat(out.t.fd, &written) != 0 || written.st_size != off_t(done))
        return failure(job.kind, job.source,
                       QStringLiteral("コピーしたファイルの大きさが違います。"));
    if (::fstat(in.fd, copied) != 0)
        return failure(job.kind, job.source, Side::Source, errno);
    // A move removes its source afterwards: what was copied must be all of it.
    if (job.kind == FileOpKind::Move &&
        (copied->st_size != off_t(done) || !zelmo_file_id_matches(&start, copied, 1)))
        return failure(job.kind, job.source, Side::Source,
                       QStringLiteral("コピーの途中で変更されました。移動は取りやめました。"));
    if (!folderStillThere(job))
        return folderReplaced(job);
    FileOpResult r = publish(job, &out.t, agreed);
    if (r.outcome == FileOpOutcome::Done) {
        if (const int err = zelmo_temp_close(&out.t))
            return failure(job.kind, job.source, Side::Destination, err);
    }
    return r;
}

// A symbolic link moved to another file system stays a link with the same target.
FileOpResult copyLink(const Job& job, std::optional<ZelmoFileId> agreed) {
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = ::readlink(job.src.constData(), target.data(), target.size());
    if (n < 0 || size_t(n) >= target.size())
        return failure(job.kind, job.source, Side::Source, n < 0 ? errno : ENAMETOOLONG);
    target[size_t(n)] = '\0';
    Temp link;
    link.t.dir = job.destDir;
    for (int attempt = 0;; ++attempt) {
        zelmo_random_name(ZELMO_TEMP_PREFIX, link.t.name, sizeof link.t.name);
        int err = zelmo_write_step("create");
        if (!err && ::symlinkat(target.data(), job.destDir, link.t.name) == 0)
            break;
        if (!err)
            err = errno;
        if (err != EEXIST || attempt == 100) {
            link.t.name[0] = '\0';
            return failure(job.kind, job.source, Side::Destination, err);
        }
    }
    if (!folderStillThere(job))
        return folderReplaced(job);
    return publish(job, &link.t, agreed);
}

// The source's folder, held open, and its name there.
struct SourcePlace {
    Fd dir;
    QByteArray folder;
    QByteArray name;
};

int openSource(const Job& job, SourcePlace* place) {
    const qsizetype slash = job.src.lastIndexOf('/');
    place->folder = slash < 0    ? QByteArray(".")
                    : slash == 0 ? QByteArray("/")
                                 : job.src.left(slash);
    place->name = job.src.mid(slash + 1);
    place->dir.reset(::open(place->folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return place->dir.fd < 0 ? errno : 0;
}

// The record of a move that sets the source aside (written before the first rename): a
// move cut short is then finished or undone by the next write into the source's folder.
int beginRecord(const Job& job, const SourcePlace& place, const struct stat& source,
                const struct stat* replaced, int64_t copySize, ZelmoMoveRecord* record) {
    char real[PATH_MAX + 1];
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(job.destDir);
    const ssize_t n = ::readlink(proc.constData(), real, PATH_MAX);
    if (n <= 0)
        return n < 0 ? errno : ENOENT;
    const QByteArray folder(real, n);
    const ZelmoMoveFacts facts{place.name.constData(),
                               &source,
                               folder.constData(),
                               job.name.constData(),
                               replaced,
                               copySize >= 0,
                               uint64_t(std::max<int64_t>(copySize, 0)),
                               job.copySum};
    return zelmo_move_record_begin(place.dir.fd, &facts, record);
}

// Renames the source aside (so nothing can take its name meanwhile), checks it is still the
// file that was copied, unchanged, and only then removes it; else puts it back.
FileOpResult removeMovedSource(const Job& job, const struct stat& copied) {
    const QString copiedTo =
        QStringLiteral("\r\n%1 にはコピーされています。").arg(displayName(job.destShown));
    SourcePlace place;
    if (const int err = openSource(job, &place))
        return failure(job.kind, job.source, Side::Source, FileErrorText(err) + copiedTo);
    ZelmoMoveRecord record;
    int err = beginRecord(job, place, copied, nullptr,
                          S_ISLNK(copied.st_mode) ? 0 : int64_t(copied.st_size), &record);
    if (err == 0)
        err = zelmo_rename_noreplace(place.dir.fd, place.name.constData(), place.dir.fd,
                                     record.aside);
    if (err != 0) {
        zelmo_move_record_end(&record, 0);
        return failure(job.kind, job.source, Side::Source, FileErrorText(err) + copiedTo);
    }
    const char* aside = record.aside;
    struct stat now;
    ZelmoFileId was;
    zelmo_file_id(&copied, &was);
    if (::fstatat(place.dir.fd, aside, &now, AT_SYMLINK_NOFOLLOW) == 0 && sameInode(now, copied) &&
        (S_ISLNK(now.st_mode) || zelmo_file_id_matches(&was, &now, 0))) {
        err = zelmo_write_step("unlink");
        if (!err && ::unlinkat(place.dir.fd, aside, 0) == 0) {
            zelmo_move_record_end(&record, 0);
            ::fsync(place.dir.fd);
            return kDone;
        }
        if (!err)
            err = errno;
    }
    // Another file, or the same one changed: it stays, under its own name again.
    const int back =
        zelmo_rename_noreplace(place.dir.fd, aside, place.dir.fd, place.name.constData());
    QString cause = err ? FileErrorText(err)
                        : QStringLiteral("コピーの後で変更されたため、削除しませんでした。");
    if (back != 0)
        cause += QStringLiteral("\r\n元のファイルは %1 として残っています。")
                     .arg(displayName(fromFsBytes(join(place.folder, aside))));
    zelmo_move_record_end(&record, back != 0);
    return failure(job.kind, job.source, Side::Source, cause + copiedTo);
}

// Moves the source over the agreed file within one file system. The source is set aside
// first (with its record), then exchanged with the destination; what then stands at the
// aside name must be the agreed file (else it is swapped back: ESTALE), and it is removed.
// A kill at any point leaves each name its old file or the moved one once the record is
// acted on. 0 or an errno value (EXDEV: another file system).
int exchangeMove(const Job& job, const ZelmoFileId& agreed) {
    Fd old(::openat(job.destDir, job.name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (old.fd < 0)
        return errno;
    struct stat before;
    if (::fstat(old.fd, &before) != 0 || !zelmo_file_id_matches(&agreed, &before, 1))
        return ESTALE;
    if (before.st_dev != job.srcSt.st_dev)
        return EXDEV;
    SourcePlace place;
    if (const int err = openSource(job, &place))
        return err;
    ZelmoMoveRecord record;
    if (const int err = beginRecord(job, place, job.srcSt, &before, -1, &record))
        return err;
    const int srcDir = place.dir.fd;
    const char* aside = record.aside;
    int err = zelmo_rename_noreplace(srcDir, place.name.constData(), srcDir, aside);
    if (err) {
        zelmo_move_record_end(&record, 0);
        return err;
    }
    err = zelmo_write_step("exchange");
    if (!err && ::renameat2(srcDir, aside, job.destDir, job.name.constData(), RENAME_EXCHANGE) != 0)
        err = errno;
    if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP) {
        // No exchange on this file system: look, then rename over at once.
        struct stat now;
        if (::fstatat(job.destDir, job.name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0)
            err = errno;
        else if (!sameInode(now, before) || !zelmo_file_id_matches(&agreed, &now, 0))
            err = ESTALE;
        else if (!(err = zelmo_write_step("rename")) &&
                 ::renameat(srcDir, aside, job.destDir, job.name.constData()) != 0)
            err = errno;
        if (!err) {
            zelmo_move_record_end(&record, 0);
            return 0;
        }
    } else if (!err) {
        struct stat out;
        if (::fstatat(srcDir, aside, &out, AT_SYMLINK_NOFOLLOW) == 0 && sameInode(out, before) &&
            zelmo_file_id_matches(&agreed, &out, 0)) {
            // The agreed file, replaced: removed (a failed removal is left to the record).
            const bool removed =
                zelmo_write_step("unlink") == 0 && ::unlinkat(srcDir, aside, 0) == 0;
            zelmo_move_record_end(&record, !removed);
            ::fsync(srcDir);
            return 0;
        }
        err = zelmo_write_step("exchange");
        if (!err &&
            ::renameat2(job.destDir, job.name.constData(), srcDir, aside, RENAME_EXCHANGE) != 0)
            err = errno;
        if (err) {
            zelmo_move_record_end(&record, 1);
            return err;
        }
        err = ESTALE;
    }
    // Not moved: the source goes back under its name (else the record does it later).
    const int back = zelmo_rename_noreplace(srcDir, aside, srcDir, place.name.constData());
    zelmo_move_record_end(&record, back != 0);
    return err;
}

// A rename within one file system: never onto a name it was not allowed to replace.
// 0 done, or the errno value (EXDEV: another file system).
int renameInto(const Job& job, std::optional<ZelmoFileId>* agreed,
               std::optional<FileOpResult>* stop) {
    for (int round = 0; round < 50; ++round) {
        int err = faults().moveRenameError;
        if (!err && !*agreed) {
            err = zelmo_rename_noreplace(AT_FDCWD, job.src.constData(), job.destDir,
                                         job.name.constData());
        } else if (!err) {
            err = exchangeMove(job, **agreed);
        }
        if (err == 0 || err == EXDEV || (err != EEXIST && err != ESTALE && err != ENOENT))
            return err;
        struct stat st;
        if (err == ENOENT && ::lstat(job.src.constData(), &st) != 0)
            return ENOENT; // the source itself is gone
        if ((*stop = askAgain(job, agreed)))
            return -1;
    }
    return EEXIST;
}

FileOpResult copyOrMove(FileOpKind kind, const QString& source, const QString& folder,
                        const FileOpCallbacks& callbacks) {
    Job job{kind, source, toFsBytes(source), {}, toFsBytes(folder), -1, {}, {}, callbacks};
    if (::lstat(job.src.constData(), &job.srcSt) != 0)
        return failure(kind, source, Side::Source, errno);
    // A copy takes what a link points to; a move takes the link itself.
    if (kind == FileOpKind::Copy && S_ISLNK(job.srcSt.st_mode) &&
        ::stat(job.src.constData(), &job.srcSt) != 0)
        return failure(kind, source, Side::Source, errno);
    if (S_ISDIR(job.srcSt.st_mode) && kind == FileOpKind::Copy)
        return failure(kind, source, QStringLiteral("フォルダはコピーできません。"));
    // The folder the user chose, held open: everything below goes through it.
    Fd dir(::open(job.folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0)
        return failure(kind, source, QStringLiteral("行き先のフォルダがありません。"));
    job.destDir = dir.fd;
    zelmo_remove_stale_temps(dir.fd); // what killed writes of ours left there
    job.name = baseName(job.src);
    job.destShown = fromFsBytes(join(job.folder, job.name));
    std::optional<ZelmoFileId> agreed;
    struct stat there;
    if (::fstatat(dir.fd, job.name.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0) {
        if (auto stop = askAbout(job, there, &agreed))
            return *stop;
    } else if (errno != ENOENT) {
        return failure(kind, source, Side::Destination, errno);
    }

    struct Finish {
        const FileOpCallbacks& callbacks;
        ~Finish() {
            if (callbacks.finished)
                callbacks.finished();
        }
    };
    struct stat copied = job.srcSt;
    if (kind == FileOpKind::Copy) {
        Finish finish{callbacks};
        return copyFile(job, agreed, &copied);
    }
    std::optional<FileOpResult> stop;
    const int renameErr = renameInto(job, &agreed, &stop);
    if (stop)
        return *stop;
    if (renameErr == 0) {
        ::fsync(dir.fd);
        return kDone;
    }
    if (renameErr != EXDEV)
        return failure(kind, source, renameErr);
    // Another file system: copy, check, and only then remove the source.
    if (S_ISDIR(job.srcSt.st_mode))
        return failure(kind, source,
                       QStringLiteral("フォルダは別のファイルシステムへ移動できません。"));
    FileOpResult result;
    {
        Finish finish{callbacks};
        result =
            S_ISLNK(job.srcSt.st_mode) ? copyLink(job, agreed) : copyFile(job, agreed, &copied);
    }
    if (result.outcome != FileOpOutcome::Done)
        return result;
    return removeMovedSource(job, copied);
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
    case EFBIG: // past the file system's largest file, or the size limit (ulimit -f)
        return QStringLiteral(
            "このファイルシステム（またはサイズの制限）には大きすぎるファイルです。");
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

FileFacts FileFactsOf(const QString& path, const struct stat& st) {
    FileFacts f;
    f.path = path;
    f.size = int64_t(st.st_size);
    f.modified = QDateTime::fromMSecsSinceEpoch(int64_t(st.st_mtim.tv_sec) * 1000 +
                                                st.st_mtim.tv_nsec / 1000000);
    f.readOnly = (st.st_mode & S_IWUSR) == 0;
    f.device = uint64_t(st.st_dev);
    f.inode = uint64_t(st.st_ino);
    f.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    f.changedNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return f;
}

void SetFileOpFaults(const FileOpFaults& f) {
    faults() = f;
    SetDataCopyFaults({f.cloneError, f.copyRangeError, f.copyRangeEndsAt, f.copyWriteError});
}

FileOpResult RunFileOperation(FileOpKind kind, const QString& source,
                              const QString& destinationFolder, const FileOpCallbacks& callbacks) {
    zelmo_catch_file_size_signal();
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
