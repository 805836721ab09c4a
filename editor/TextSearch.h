#pragma once
// The editor's search and size measures, without widgets. Both work on the bytes the
// text would be saved in (CP932 or EUC-JP when every character fits and the document
// came in it, else UTF-8; an escaped byte as itself), so a find text matches byte for
// byte as the user typed it.
#include "editor/DocumentFiles.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstring>
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
template <typename Boundary>
qsizetype SearchBytes(const QByteArray& buffer, qsizetype s, qsizetype n, const QByteArray& find,
                      const SearchOptions& o, Boundary isBoundary);

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

// ---- template body -------------------------------------------------------------------

template <typename Boundary>
qsizetype SearchBytes(const QByteArray& buffer, qsizetype s, qsizetype n, const QByteArray& find,
                      const SearchOptions& o, Boundary isBoundary) {
    const qsizetype L = buffer.size(), F = find.size();
    if (F == 0 || L == 0)
        return -1;
    qsizetype p, count;
    const int dir = o.down ? 1 : -1;
    if (o.down) {
        p = s + n;
        count = L - p - F;
        if (count < 0)
            return -1;
    } else {
        p = s - F;
        count = p;
    }
    if (p < 0 || p > L)
        return -1;

    // Without match case, ASCII letters compare upper-cased (what the ANSI upper-casing
    // knows of the bytes of either encoding).
    unsigned char map[256];
    for (int i = 0; i < 256; ++i)
        map[i] =
            (!o.matchCase && i >= 'a' && i <= 'z') ? (unsigned char)(i - 32) : (unsigned char)i;
    QByteArray key = find;
    for (char& c : key)
        c = char(map[(unsigned char)c]);
    const auto* buf = reinterpret_cast<const unsigned char*>(buffer.constData());
    const auto* k = reinterpret_cast<const unsigned char*>(key.constData());

    // The next word start: down skips the word, then the delimiters; up skips the
    // delimiters, then the word, and steps back onto the word's first byte.
    auto nextWordStart = [&]() {
        while (count > 0 && (o.down == IsWordByte(buf[p]))) {
            p += dir;
            --count;
        }
        while (count > 0 && (o.down != IsWordByte(buf[p]))) {
            p += dir;
            --count;
        }
        if (!o.down && count > 0 && !IsWordByte(buf[p]))
            ++p;
        return count >= 0;
    };

    if (!o.wholeWord) {
        // Without whole words every position is a candidate: let the C library find the
        // next one that matches (over a folded copy when case does not matter).
        QByteArray folded;
        if (!o.matchCase) {
            folded = buffer;
            for (char& c : folded)
                c = char(map[(unsigned char)c]);
            buf = reinterpret_cast<const unsigned char*>(folded.constData());
        }
        while (count >= 0) {
            const unsigned char* at;
            if (o.down) {
                at = static_cast<const unsigned char*>(
                    memmem(buf + p, size_t(count + F), k, size_t(F)));
            } else {
                at = nullptr;
                for (qsizetype q = p + 1; q > 0;) {
                    const auto* first =
                        static_cast<const unsigned char*>(memrchr(buf, k[0], size_t(q)));
                    if (!first || first < buf + p - count)
                        break;
                    if (std::memcmp(first, k, size_t(F)) == 0) {
                        at = first;
                        break;
                    }
                    q = first - buf;
                }
            }
            if (!at)
                return -1;
            const qsizetype q = at - buf;
            if (isBoundary(q) && isBoundary(q + F))
                return q;
            count -= (q - p) * dir + 1;
            p = q + dir;
        }
        return -1;
    }

    while (count >= 0) {
        if (o.wholeWord && !nextWordStart())
            return -1;
        qsizetype i = 0;
        while (i < F && map[buf[p + i]] == k[i])
            ++i;
        if (i == F && isBoundary(p) && isBoundary(p + F)) {
            if (!o.wholeWord || count == 0 || !IsWordByte(buf[p + F]))
                return p;
        }
        p += dir;
        --count;
    }
    return -1;
}

} // namespace editor
