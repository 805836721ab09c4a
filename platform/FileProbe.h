#pragma once
// Small questions about a user's path, asked with the path's own bytes (toFsBytes), so
// names that are not valid UTF-8 are found like any other.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace platform {

bool pathExists(const QString& path);      // anything at all (a dangling link does not count)
bool pathIsDirectory(const QString& path); // a directory, or a link to one
bool pathIsFile(const QString& path);      // anything that exists and is not a directory
bool pathIsSymlink(const QString& path);
bool pathIsExecutable(const QString& path); // a regular file this user may execute

// The first n bytes of a file (fewer when it is shorter); empty when it cannot be read.
QByteArray readFileHead(const QString& path, qsizetype n);
// The whole file, when it can be read and is not larger than maxBytes.
std::optional<QByteArray> readWholeFile(const QString& path, qsizetype maxBytes);

// What tells one version of a file from another: its size, its modification time and
// its inode (links followed).
struct FileStamp {
    int64_t size = 0;
    int64_t mtimeNs = 0; // nanoseconds since the epoch
    uint64_t inode = 0;
    bool operator==(const FileStamp&) const = default;
};
// Nothing when the path cannot be examined.
std::optional<FileStamp> fileStamp(const QString& path);

// The process's current directory, with its own bytes.
QString currentDirectory();
// Makes path the process's current directory; false when it cannot be entered.
bool setCurrentDirectory(const QString& path);

// The absolute form of path against the process's current directory ("." and ".."
// folded, links left alone).
QString absolutePath(const QString& path);

} // namespace platform
