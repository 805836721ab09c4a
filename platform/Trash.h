#pragma once
// The desktop's trash (the freedesktop trash layout), written by our own code on the
// raw name so that names that are not UTF-8 keep their bytes: the file goes to
// TRASH/files/NAME and TRASH/info/NAME.trashinfo tells where it came from (Path=, its
// bytes percent-encoded) and when (DeletionDate=, local time). A file is never copied
// into a trash: a trash on another file system than the file is not used.
#include <QString>

namespace platform {

enum class TrashOutcome { Done, NoTrash, Failed };

struct TrashResult {
    TrashOutcome outcome = TrashOutcome::Failed;
    QString why; // NoTrash, Failed: the cause, for the user
};

// Moves the file (or link) at path into the trash of its file system: the home trash
// when it lies on the same file system, else the trash of the file system's top
// directory. NoTrash: no usable trash there (the caller may offer to delete for good).
TrashResult MoveToTrash(const QString& path);

// $XDG_DATA_HOME/Trash (default ~/.local/share/Trash).
QString HomeTrash();

// The trash of another file system whose top directory is topdir: topdir/.Trash/UID
// when topdir/.Trash is a real directory (not a link) with the sticky bit, else
// topdir/.Trash-UID; created when missing, with files/ and info/. Empty when neither
// can be used on the file system of topdir.
QString TopDirectoryTrash(const QString& topdir);

} // namespace platform
