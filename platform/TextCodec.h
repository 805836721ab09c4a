#pragma once
// Outside bytes (settings files, archive member names, text files) are UTF-8 when
// valid, else the Shift-JIS code page (CP932) of the files this program grew up with.
#include <QByteArray>
#include <QString>

namespace platform {

// Decodes the UTF-8 sequence starting at s[i]: returns its length and sets *cp, or 0
// when the bytes there are not a valid, shortest-form sequence.
int utf8SequenceAt(const unsigned char* s, qsizetype i, qsizetype size, char32_t* cp);

bool isValidUtf8(const char* data, qsizetype size);
inline bool isValidUtf8(const QByteArray& bytes) {
    return isValidUtf8(bytes.constData(), bytes.size());
}

// CP932 bytes to text; undecodable bytes become U+FFFD.
QString decodeCp932(const QByteArray& bytes);
// Text to CP932; ok is false when a character has no CP932 form.
QByteArray encodeCp932(const QString& text, bool* ok = nullptr);

// UTF-8 when the bytes are valid UTF-8, else CP932.
QString decodeText(const QByteArray& bytes);

} // namespace platform
