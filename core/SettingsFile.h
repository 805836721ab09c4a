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
// only where platform::mayFollowLink allows. The file is kept as bytes (SettingsImage): a
// write changes one span of them and writes the file once, without parsing it again.
#include <QByteArray>
#include <QString>
#include <memory>

struct stat;
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

    // What was read of a file (in SettingsFile.cpp).
    struct Loaded;

private:
    void refresh() const;
    std::shared_ptr<Loaded> shared(const struct stat& st) const;
    void share() const;
    void adopt(QByteArray bytes, platform::UniqueFd* fd, const struct stat& st) const;
    bool readString(const QString& section, const QString& key, QString* value) const;

    QString path_;
    // The file as last read (the image of its bytes, and what identifies that version on
    // disk), shared by every accessor of the same path: a run of reads, by one accessor or
    // many, parses the file once while still seeing every outside change. Null: nothing
    // could be read (a missing or unreadable file reads as empty).
    mutable std::shared_ptr<Loaded> loaded_;
};
