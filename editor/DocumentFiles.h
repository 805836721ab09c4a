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

struct PlainText {
    QString text;          // line breaks as read, CR LF included
    TextEncoding encoding; // as read
};

// Plain text from a file's bytes: UTF-8 when valid (a BOM honoured), else CP932. A NUL
// byte ends the text.
PlainText DecodePlainText(const QByteArray& bytes);
// The bytes of a plain text in its encoding when every character fits, else UTF-8;
// *used tells which.
QByteArray EncodePlainText(const QString& text, TextEncoding preferred, TextEncoding* used);

// Reads an RTF document into doc. False with a message when nothing can be read; a
// damaged document gives what could be read.
bool ReadRtf(const QByteArray& rtf, QTextDocument* doc, QString* error);
// The document as RTF, keeping what the editor can show.
QByteArray WriteRtf(const QTextDocument* doc);

// Replaces the file at path (a symbolic link: its target) by bytes, through a temporary
// file in the same folder and a rename; the old file stays whole on any failure. False
// with the reason in *error.
bool SaveFileBytes(const QString& path, const QByteArray& bytes, QString* error);

} // namespace editor
