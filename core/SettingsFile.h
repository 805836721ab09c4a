#pragma once
// The settings file accessor: INI format with the classic profile rules. Section and
// key names match without regard to case; writing replaces a value in place or adds
// the key at the end of its section (and the section at the end of the file). A string
// reads back exactly as it was written, however long and whatever it holds (line breaks,
// file-name bytes that are not UTF-8, spaces at its ends): the rare value a plain line
// cannot carry is stored in an escape form (README, "How odd names are stored"), while
// the file stays UTF-8. Every read sees the file as it is on disk now, and every write
// reaches the disk before it returns (atomically, through a temporary file and a
// rename), so nothing needs flushing at exit. A write works on the file as it is under a
// lock on its folder, so two programs writing different keys keep both: it reads the file
// again unless it is provably the version last read (its descriptor held open, so its
// inode cannot be reused; device, inode, size, modification and change time the same).
// A write whose reading fails writes nothing and raises the write error; a file that
// cannot be read reads as empty and is never replaced. A link as the file is followed
// only where platform::mayFollowLink allows.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <sys/stat.h>

namespace platform {
struct UniqueFd;
}

class SettingsFile {
public:
    // Bound to the program's settings file (platform::settingsFilePath()).
    SettingsFile();
    explicit SettingsFile(const QString& path);

    const QString& path() const { return path_; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    // Each raises EWriteError ("<path> に書き込めません") when the file cannot be written.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // The integer rules on a stored text: decimal, or "0x" hexadecimal when longer than
    // two characters; anything else gives def.
    static int ParseInteger(const QString& text, int def);

private:
    void refresh() const;
    // Takes bytes (read from fd, whose fstat is st) as the version last read.
    void adopt(const QByteArray& bytes, int fd, const struct stat& st) const;
    void forget() const;
    bool isVersion(const struct stat& st) const;
    void index() const;
    bool findKey(const QString& section, const QString& key, qsizetype* sectionLine,
                 qsizetype* keyLine) const;

    QString path_;
    // The file's lines as last read, with what identifies that version on disk, so a
    // run of reads parses the file once while still seeing every outside change.
    mutable QStringList lines_;
    // For a file read line by line (its lines not all in one encoding): each line's own
    // bytes, written back as they were unless the line changed (then null). Else empty.
    mutable QList<QByteArray> raw_;
    mutable bool crlf_ = false;
    mutable bool loaded_ = false;
    // The version last read: held open, and what identified it then.
    mutable std::shared_ptr<platform::UniqueFd> version_;
    mutable struct stat versionSt_ {};
    // Folded "section\nkey" and folded section names to their first lines, as findKey
    // would find them; rebuilt when lines move.
    mutable QHash<QString, qsizetype> keys_, sections_;
    mutable bool indexed_ = false;
};
