#pragma once
// Drives on Linux. A drive is a mounted volume whose root directory stands where a
// drive letter's root stood: "/", the user's home directory and the volumes mounted
// under /media, /run/media and /mnt. Roots are file names (see FsName.h): they map back
// to the same bytes, so a volume label that is not UTF-8 still reaches its folder.
//
// A root is kept without a trailing "/" (except "/" itself); the path the user sees for
// a selected drive root ends in "/" ("/", "/home/ann/").
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// Undoes the octal escapes (\040 space, \011 tab, \012 newline, \134 backslash) the
// kernel writes into mount point fields.
QByteArray unescapeMountField(const QByteArray& field);

// Mount points listed in /proc/self/mountinfo text (the fifth field of every line).
QStringList parseMountInfo(const QByteArray& text);
// Mount points listed in /proc/mounts text (the second field of every line).
QStringList parseProcMounts(const QByteArray& text);

// The drive list made of the mount points and the home directory: "/" first, then home,
// then every volume under /media, /run/media and /mnt in name order; no duplicates.
QStringList drivesFromMounts(const QStringList& mountPoints, const QString& home);

// The drives of this machine, read from /proc/self/mountinfo (or /proc/mounts).
QStringList systemDrives();

// The drive list the program uses. Tests replace its source with temporary folders.
using DriveSource = std::function<QStringList()>;
QStringList DriveList();
void SetDriveSource(DriveSource source); // null restores systemDrives()

// "/home/ann/" -> "/home/ann", "///" -> "/"; other text unchanged.
QString normalizeDriveRoot(const QString& root);
// The root as the path of a selected drive: always ends in "/".
QString driveRootPath(const QString& root);
// True when path is root itself or lies below it (a whole-component prefix).
bool pathIsUnder(const QString& path, const QString& root);
// The drive of a path: the longest root of roots that is a prefix of it; empty when none.
QString driveOfPath(const QString& path, const QStringList& roots);
inline QString DriveOfPath(const QString& path) {
    return driveOfPath(path, DriveList());
}

// Free space (for this user) and total size of the volume holding root.
struct DiskSpace {
    uint64_t freeBytes = 0;
    uint64_t totalBytes = 0;
};
std::optional<DiskSpace> GetDiskFreeSpace(const QString& root);

// True when the drive's root directory can be opened and listed now.
bool DriveReady(const QString& root);

} // namespace platform
