#pragma once
// The editor's documents on disk, without widgets: plain text byte for byte (PlainText.h,
// DocumentBytes.h), rich text through our own RTF reader and writer, and saving that
// never leaves a half-written file.
#include "editor/PlainText.h"

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace editor {

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
