#pragma once
// ISO-2022-JP (the 7-bit JIS code of Japanese mail and news), one line at a time. Each
// line starts in ASCII, as the code wants every line to end in it. The escape sequences
// are no text: they vanish from the line's text and come back where an encoded line
// needs them.
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

namespace editor {

// True for 7-bit bytes that hold a JIS escape sequence into a double-byte or kana set.
bool LooksIso2022Jp(const QByteArray& bytes);

// Bytes of no character stay as escapes (in whatever set they stood).
QString DecodeIso2022JpLine(const char* data, qsizetype size);
// False when a character has no form in the code (out unchanged past its old size), or
// when escaped bytes would not read back as the same text where they now stand.
bool EncodeIso2022JpLine(QStringView text, QByteArray* out, std::vector<qsizetype>* offsets);

// JIS X 0208 through the EUC-JP table: the character of row/cell bytes a, b (0x21-0x7E),
// 0xFFFF for none; and back (false when the set has no such character).
char16_t JisX0208Char(unsigned char a, unsigned char b);
bool JisX0208Bytes(char16_t c, char* ab);

} // namespace editor
