#pragma once
// Plain text files, kept byte for byte. A file is read in the encoding its bytes show
// (a BOM, UTF-8, CP932 or EUC-JP) and cut into lines at its line ends; each line
// decodes on its own. What a line cannot say as text (bytes of no character, and the
// characters the edit box's document reserves for itself: U+2029, U+FDD0, U+FDD1,
// U+FFFC) stays in it as escapes, one per byte, in the form file names use: U+DC00 + the
// byte, a lone low surrogate. Encoding a line turns each escape back into its byte, so
// decode then encode gives the same bytes for any input.
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

namespace editor {

// The encoding a text was read in; saving uses it again when every character fits.
// The UTF-16 forms are recognised by their BOM only and always written with it.
enum class TextEncoding { Utf8, Utf8Bom, Cp932, EucJp, Utf16Le, Utf16Be, Iso2022Jp };

// A line break's bytes in the file (None: the last line, or a line of a new text).
enum class LineEnd : unsigned char { None, Lf, CrLf, Cr };

// The escape of one byte, and back.
inline bool IsByteEscape(QStringView s, qsizetype i) {
    const char16_t c = s[i].unicode();
    return c >= 0xDC00 && c <= 0xDCFF && !(i > 0 && QChar::isHighSurrogate(s[i - 1].unicode()));
}
inline QChar ByteEscape(unsigned char b) {
    return QChar(char16_t(0xDC00 + b));
}

// One line of a file: where its bytes lie (the line end not included) and its end.
struct LineSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    LineEnd end = LineEnd::None;
};

inline qsizetype LineEndLength(LineEnd end, TextEncoding encoding) {
    const int units = end == LineEnd::None ? 0 : end == LineEnd::CrLf ? 2 : 1;
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be ? 2 * units
                                                                                  : units;
}

// A file's bytes cut into lines, with the encoding found: two compact arrays, not an
// object per line.
struct PlainFile {
    QByteArray bytes;      // the whole file
    qsizetype bomSize = 0; // the BOM's bytes at the start
    TextEncoding encoding = TextEncoding::Utf8;
    // Line k's bytes start at starts[k] and run to its line end ends[k] (the last line
    // has none); starts holds one more entry, the end of the bytes.
    std::vector<qsizetype> starts;
    std::vector<LineEnd> ends;
    LineEnd firstEnd = LineEnd::None;

    int LineCount() const { return int(ends.size()); }
    LineSpan Line(int k) const {
        const qsizetype start = starts[size_t(k)];
        return {start, starts[size_t(k) + 1] - start - LineEndLength(ends[size_t(k)], encoding),
                ends[size_t(k)]};
    }
};

// The encoding of a file's bytes: a BOM; ISO-2022-JP for 7-bit bytes holding its escape
// sequences into JIS X 0208 or kana; UTF-8 when valid, or when only a cut final
// character or a few stray bytes break it; else CP932 or EUC-JP, EUC-JP where both
// decode and CP932 would read mostly half-width katakana; else CP932.
TextEncoding DetectEncoding(const QByteArray& bytes);
// Detects, then cuts the file into lines (a BOM is not part of the first line).
PlainFile SplitPlainFile(QByteArray bytes);
PlainFile SplitPlainFile(QByteArray bytes, TextEncoding encoding);

// One line's bytes (no line end in them) as text, escapes for what is not text.
QString DecodeLine(const char* data, qsizetype size, TextEncoding encoding);
// The whole file's text (no BOM): every line as DecodeLine reads it, each followed by its
// line end as characters ("\r\n", "\n", "\r"), where Qt's document starts its blocks.
// *utf8 gets the lines' UTF-8 bytes and *escapes their escapes (line ends not counted).
QString DecodeText(const PlainFile& file, qsizetype* utf8, qsizetype* escapes);
// A line's text in encoding, escapes as their bytes. False (out unchanged past its old
// size) when a character has no form there; UTF-8 takes every character (a lone
// surrogate that is no escape becomes U+FFFD).
// offsets, when given, gets the byte offset (in out) where each UTF-16 unit starts; the
// low half of a pair gets its pair's offset + 1.
bool EncodeLine(QStringView text, TextEncoding encoding, QByteArray* out,
                std::vector<qsizetype>* offsets = nullptr);
// The bytes EncodeLine would give, -1 when a character does not fit.
qsizetype EncodedLength(QStringView text, TextEncoding encoding);
// A line end's bytes in encoding.
QByteArray LineEndBytes(LineEnd end, TextEncoding encoding);
QByteArray BomBytes(TextEncoding encoding);

// The encoding's name for messages ("CP932", "EUC-JP", ...).
QString EncodingName(TextEncoding encoding);

// True when the text holds escapes.
bool HasByteEscapes(QStringView text);
// The text for places that take only real characters (the clipboard, RTF): a run of
// escapes that is valid UTF-8 in a UTF-8 text as its characters, else U+FFFD for each
// byte; any other lone surrogate as U+FFFD.
QString WithoutEscapes(QStringView text, TextEncoding encoding);

} // namespace editor
