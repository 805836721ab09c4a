#pragma once
// A settings file's bytes as read, with an index of its section lines by byte offset and,
// built when a section is first asked for, of that section's keys. Nothing is decoded until
// it is read, and a write changes one span of the bytes, so a file of any size is parsed
// once and every line nobody changed keeps its bytes (its line end, its encoding, bytes
// that decode in no encoding).
//
// Lines decode as the whole file does: UTF-8 when the file is valid UTF-8, CP932 when every
// line decodes in it, else line by line (UTF-8, CP932, or the file-name escape form).
// Section and key names match without regard to case; a key counts in the first section of
// its name only, and its first line there wins.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <vector>

class SettingsImage {
public:
    SettingsImage() = default;
    explicit SettingsImage(QByteArray bytes);
    SettingsImage(SettingsImage&&) = default;
    SettingsImage& operator=(SettingsImage&&) = default;

    const QByteArray& bytes() const { return bytes_; }

    // The text after the key's "=", trimmed; false when there is no such key.
    bool stored(const QString& section, const QString& key, QString* text) const;

    // One write: bytes [at, at + removed) become inserted.
    struct Splice {
        qsizetype at = 0, removed = 0;
        QByteArray inserted;
        int section = -1;    // the section it changes; -1: a new one at the end
        qsizetype line = -1; // where the changed key's line (or the new section's) starts after it
    };
    // Sets key to stored: in place when it is there, else at the end of its section (after
    // its last non-empty line), else in a new section at the end of the file.
    Splice plan(const QString& section, const QString& key, const QString& stored) const;
    // Takes a splice made by plan on this image (the index follows it).
    void apply(const Splice& splice);

    // A file wholly in CP932 cannot take a UTF-8 line (it would decode as CP932): it is
    // written as UTF-8 as a whole the first time it changes.
    bool needsRecode() const { return mode_ == Mode::Cp932; }
    // So is a file of mixed lines that the splice would leave wholly decodable as CP932
    // (its last undecodable line replaced): its UTF-8 lines would read garbled.
    bool needsRecodeAfter(const Splice& splice) const;
    // Every line as it reads now, in UTF-8 (bytes that decode in nothing kept).
    QByteArray recoded() const;

private:
    enum class Mode { Utf8, Cp932, Mixed };
    // A section's keys: hash of the folded name to line offsets from the section's line.
    using KeyIndex = QMultiHash<quint64, qsizetype>;

    void classify();
    void scan();
    QString decode(qsizetype from, qsizetype to) const;
    qsizetype contentEnd(qsizetype line) const;
    qsizetype nextLine(qsizetype line) const;
    qsizetype lineBefore(qsizetype pos) const;
    bool isBlank(qsizetype line) const;
    bool sectionAt(qsizetype line, QString* folded) const;
    bool keyAt(qsizetype line, QString* folded) const;
    int findSection(const QString& folded) const;
    qsizetype findKey(int section, const QString& folded) const;
    const KeyIndex& keysOf(int section) const;
    QByteArray lineEnd() const;

    QByteArray bytes_;
    Mode mode_ = Mode::Utf8;
    bool crlf_ = false; // new lines end as the file's lines do
    // Every section line's offset, in file order.
    std::vector<qsizetype> sections_;
    // Hash of the folded name to the index of the first section of that name.
    QMultiHash<quint64, int> names_;
    mutable QHash<int, KeyIndex> keys_;
};
