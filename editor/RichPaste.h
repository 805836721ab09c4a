#pragma once
// Formatted text pasted into an RTF document: the clipboard's HTML flattened to text runs
// with the character formats RTF documents keep here (font, size, colour, bold, italic,
// underline, strike-out). Tables, lists, images and paragraph formats go; their text
// stays, each paragraph (or table cell) a line of its own.
#include <QString>

class QTextCursor;
class QTextCharFormat;

namespace editor {

// The formats of a run that an RTF document keeps, nothing else.
QTextCharFormat RtfCharFormat(const QTextCharFormat& f);
// Inserts html's text at the cursor (replacing its selection) as one undo step.
void InsertFormattedHtml(QTextCursor& cursor, const QString& html);

} // namespace editor
