#pragma once
// The editor's search and size measures, without widgets. Both work on the bytes the
// text would be saved in (CP932 or EUC-JP when every character fits and the document
// came in it, else UTF-8; an escaped byte as itself), so a find text matches byte for
// byte as the user typed it.
#include "editor/DocumentFiles.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <vector>

class QTextDocument;

namespace editor {

// A text as the bytes of its measuring encoding. Where each character starts is found on
// demand from checkpoints every few dozen characters, so a long text costs its bytes and
// little more; the text must outlive the image.
class ByteImage {
public:
    // In encoding (a byte encoding); UTF-8 when a character does not fit.
    ByteImage(QStringView text, TextEncoding encoding);

    const QByteArray& bytes() const { return bytes_; }
    TextEncoding encoding() const { return encoding_; }
    // Byte offset of character position pos (0..text length); the low half of a
    // surrogate pair lies one byte inside its sequence, so it never counts as a start.
    qsizetype byteOf(qsizetype pos) const;
    // Character position of a byte offset, or -1 when it lies inside a character.
    qsizetype posOf(qsizetype byte) const;

private:
    struct Checkpoint {
        qsizetype pos, byte;
    };
    bool Build(TextEncoding encoding);
    // The offsets of the units from checkpoint c to the next one (EncodeLine's form).
    std::vector<qsizetype> OffsetsFrom(size_t c) const;

    QStringView text_;
    QByteArray bytes_;
    TextEncoding encoding_ = TextEncoding::Utf8;
    std::vector<Checkpoint> checkpoints_; // the first at 0; never inside a surrogate pair
};

// The encoding a text read in preferred is searched and measured in: its own byte
// encoding when every character fits, else UTF-8.
TextEncoding SearchEncodingFor(QStringView text, TextEncoding preferred);
// The byte length of a text in its measuring encoding.
qsizetype ByteLength(const QString& text, TextEncoding preferred);

// The first four characters of a path's extension with its dot, upper-cased (".rtfx"
// gives ".RTF"); empty without an extension.
QString ExtensionKey(const QString& path);

// 1234567 -> "1,234,567".
QString GroupThousands(qint64 n);

struct SearchOptions {
    bool down = true;
    bool matchCase = true;
    bool wholeWord = false;
};

// ASCII digits and letters; every other byte (0x80-0xFF included) delimits words.
inline bool IsWordByte(unsigned char b) {
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

// The byte-wise search of the edit box: from the selection (start s, length n, bytes)
// for find, down or up. A match is taken only where isBoundary holds at its start and
// its end. The byte offset of the hit, or -1.
qsizetype SearchBytes(const QByteArray& buffer, qsizetype s, qsizetype n, const QByteArray& find,
                      const SearchOptions& o, const std::function<bool(qsizetype)>& isBoundary);

// The search on a text: the hit as a character range (start, length), or none.
struct TextHit {
    qsizetype start = 0, length = 0;
};
std::optional<TextHit> SearchEditText(const QString& text, qsizetype selStart, qsizetype selLength,
                                      const QString& find, const SearchOptions& options,
                                      TextEncoding preferred);
// The same search on an edit box's document, in encoding (SearchEncodingFor of its text).
// Down, it reads the lines from the selection on, in a window that doubles (so a hit near
// the caret costs what the lines up to it cost) and then slides over the rest a few
// hundred thousand characters at a time; up, the lines from the top to the selection.
std::optional<TextHit> SearchDocument(const QTextDocument* doc, qsizetype selStart,
                                      qsizetype selLength, const QString& find,
                                      const SearchOptions& options, TextEncoding encoding);

} // namespace editor
