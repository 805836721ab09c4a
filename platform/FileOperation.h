#pragma once
// Copying, moving, deleting and sending to the trash one file into or from one folder, the
// way a desktop user expects: asked before deleting and before overwriting, progress for
// long copies with a way to cancel, no half-written files. No widgets here: the questions
// and the progress go through the callbacks, which the dialogs answer. Paths are kept as
// FsName strings and reach the file system as their own bytes.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

struct stat;

namespace platform {

enum class FileOpKind { Copy, Move, Delete, Trash };

enum class FileOpOutcome { Done, Cancelled, Failed };

struct FileOpResult {
    FileOpOutcome outcome = FileOpOutcome::Failed;
    QString reason; // for Failed: what went wrong, in Japanese, for the user
};

// A file as the overwrite question shows it, with what identifies it: "overwrite" replaces
// only this very file (device, inode, size, modification and change time), never another
// one that took its name meanwhile.
struct FileFacts {
    QString path;
    int64_t size = 0;
    QDateTime modified;
    bool readOnly = false; // no write permission for its owner
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t modifiedNs = 0; // since 1970
    int64_t changedNs = 0;
};

enum class OverwriteAnswer { Overwrite, Skip, Cancel };
enum class TrashFallbackAnswer { DeleteForGood, Cancel };

struct FileOpCallbacks {
    // Before Delete or Trash: true to go on.
    std::function<bool(FileOpKind kind, const QString& path)> confirmDelete;
    // The destination already holds a file of that name. Asked again when another file
    // has taken the name by the time the copy is whole.
    std::function<OverwriteAnswer(const FileFacts& existing, const FileFacts& incoming)>
        askOverwrite;
    // The file cannot go to the trash (no trash on its file system): delete it for good?
    std::function<TrashFallbackAnswer(const QString& path, const QString& why)> askTrashFallback;
    // Progress of a copy: called now and then with bytes done of total; false cancels.
    // The first call comes only once a copy has run about half a second.
    std::function<bool(int64_t done, int64_t total)> progress;
    // The copy is over (the progress dialog closes).
    std::function<void()> finished;
};

// One file and one destination folder (Copy, Move), or one file (Delete, Trash). "Skip"
// at the overwrite question counts as Cancelled: nothing was done. A copy is made unnamed
// (or under a temporary name) in the destination folder and gets its name only when whole;
// a move to another file system removes the source only when it is still the file that
// was copied, unchanged. A failure's reason says which side failed (source or destination).
FileOpResult RunFileOperation(FileOpKind kind, const QString& source,
                              const QString& destinationFolder, const FileOpCallbacks& callbacks);

// The cause of a failed file-system call (an errno value), for the user.
QString FileErrorText(int err);

// Test seam: failures as the system would report them, where a test cannot cause them,
// and the time a copy runs before its progress is shown. Defaults: none, 500 ms.
struct FileOpFaults {
    int moveRenameError = 0;      // errno of the rename that moves a file (EXDEV: other disk)
    int copyWriteError = 0;       // errno of the writes of a copy (ENOSPC: disk full)
    int cloneError = 0;           // errno of a copy's clone (EOPNOTSUPP: ext4, tmpfs)
    int copyRangeError = 0;       // errno of a copy's copy_file_range (EXDEV, ENOSYS ...)
    int64_t copyRangeEndsAt = -1; // copy_file_range returns 0 from this many bytes on
    int progressDelayMs = 500;
    // Called after each block a copy writes: another program acting meanwhile.
    std::function<void(int64_t done)> duringCopy;
};
void SetFileOpFaults(const FileOpFaults& faults);

// The facts of a file as lstat gave them.
FileFacts FileFactsOf(const QString& path, const struct stat& st);

} // namespace platform
