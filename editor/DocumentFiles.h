#pragma once
// The editor's documents on disk, without widgets: plain text in the encoding it was read
// in, rich text through our own RTF reader and writer, and saving that never leaves a
// half-written file.
#include <QByteArray>
#include <QString>

class QTextDocument;

namespace editor {

// The encoding a text was read in; saving uses it again when every character fits.
enum class TextEncoding { Utf8, Utf8Bom, Cp932 };

// How a plain text's lines end, taken from its first line break (LF when it has none).
enum class LineEnd { Lf, CrLf, Cr };

struct PlainText {
    QString text;                               // line breaks as read, CR LF included
    TextEncoding encoding = TextEncoding::Utf8; // as read
    LineEnd lineEnd = LineEnd::Lf;              // the first line break's style
    bool finalBreak = false;                    // the text ends with a line break
    bool cutAtNul = false;                      // a NUL byte ended the text early
};

// Plain text from a file's bytes: UTF-8 when valid (a BOM honoured), else CP932. A NUL
// byte ends the text, as a zero-terminated buffer set into the edit box does.
PlainText DecodePlainText(const QByteArray& bytes);
// The bytes of a plain text in its encoding when every character fits (it decodes back
// to the same text), else UTF-8 without a BOM; *used tells which. Nothing is ever lost.
// DecodePlainText then EncodePlainText of the unchanged text gives the same bytes (up to
// a NUL and whatever followed it, and undecodable CP932 bytes).
QByteArray EncodePlainText(const QString& text, TextEncoding preferred, TextEncoding* used);

// The edit box's document keeps no line-end style: it takes CR LF, CR and LF each as a
// paragraph break and gives LF back (toPlainText). EditorText gives the text with every
// CR LF and lone CR as LF; FileText puts the file's line end back in place of every LF,
// U+2029 and U+2028 of the edit box's text. So a file opened and saved unchanged keeps
// its line ends, and its final line break or the lack of one (a file of mixed line ends
// gets its first one throughout):
//   PlainText p = DecodePlainText(bytes);
//   doc.setPlainText(EditorText(p.text));
//   ... EncodePlainText(FileText(doc.toPlainText(), p.lineEnd), p.encoding, &used)
QString EditorText(const QString& text);
QString FileText(const QString& editorText, LineEnd lineEnd);

// True when a file opens as rich text: the first four characters of its extension
// (from the last "." of its name, the dot included), upper-cased, are ".RTF" or ".DOC"
// (so "x.rtfx" and "x.docx" too). Every other file opens as plain text.
bool IsRichTextName(const QString& path);

// Reads an RTF document into doc (cleared first). False with a message when nothing can
// be read (not RTF at all); a damaged document (cut short, nested too deeply) gives what
// could be read, true, and *error says what was wrong (empty for a sound document).
// For bytes that are not RTF a caller may show them as plain text, as a rich edit box
// does with such data.
// Formatting read: bold, italic, underline, strike-through, point size, colour and font
// family; \line as U+2028, \tab and \cell as tabs, \par and \row as paragraphs. Time
// and memory are linear in the input's size.
bool ReadRtf(const QByteArray& rtf, QTextDocument* doc, QString* error);
// The document as RTF, keeping what the editor can show: the text, its paragraphs and
// the formatting ReadRtf reads. Non-ASCII characters are written as \uN with a "?"
// fallback; ReadRtf(WriteRtf(doc)) gives the same text and runs.
QByteArray WriteRtf(const QTextDocument* doc);

// Replaces the file at path (a symbolic link: its target) by bytes, through a temporary
// file in the same folder and a rename; the old file stays whole on any failure. False
// with the reason in *error ("<path> に書き込めません" and why, on two lines). The new
// file keeps the old one's permissions and, where allowed, owner and group. Where the
// folder cannot take a temporary file but the file itself is writable, the file is
// written in place once its room is reserved. A file with several hard links gets a new
// inode: the other names keep the old content.
bool SaveFileBytes(const QString& path, const QByteArray& bytes, QString* error);

} // namespace editor
