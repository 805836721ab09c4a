#pragma once
// Outside bytes (settings files, archive member names, text files) are UTF-8 when
// valid, else the Shift-JIS code page (CP932) of the files this program grew up with.
// The code pages themselves are base/CodePage.h's; this is their Qt side.
#include "base/CodePage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace platform {

// Decodes the UTF-8 sequence starting at s[i]: returns its length and sets *cp, or 0
// when the bytes there are not a valid, shortest-form sequence.
inline int utf8SequenceAt(const unsigned char* s, qsizetype i, qsizetype size, char32_t* cp) {
    uint32_t v = 0;
    const int n = zelmo_utf8_at(s + i, size_t(size - i), &v);
    *cp = v;
    return n;
}

inline bool isValidUtf8(const char* data, qsizetype size) {
    return zelmo_valid_utf8(reinterpret_cast<const unsigned char*>(data), size_t(size)) != 0;
}
inline bool isValidUtf8(const QByteArray& bytes) {
    return isValidUtf8(bytes.constData(), bytes.size());
}

// Bytes in a code page as text, bytes of no character by rule (ZELMO_CP_ESCAPE or
// ZELMO_CP_REPLACE); with ZELMO_CP_FAIL, or for a page not known, a null string and *ok
// false.
QString decodeBytes(QByteArrayView bytes, int codePage, int rule, bool* ok = nullptr);
// Text in a code page by rule (ZELMO_CP_*, ZELMO_CP_BEST_FIT or-ed in as wanted): empty
// and *ok false when it fails.
QByteArray encodeText(QStringView text, int codePage, int rule, bool* ok = nullptr);

// CP932 bytes to text; undecodable bytes become U+FFFD.
QString decodeCp932(const QByteArray& bytes);
// Text to CP932 as other programs write it; ok is false when a character has no CP932
// form (it is written as "?").
QByteArray encodeCp932(const QString& text, bool* ok = nullptr);

// UTF-8 when the bytes are valid UTF-8, else CP932.
QString decodeText(const QByteArray& bytes);

} // namespace platform
