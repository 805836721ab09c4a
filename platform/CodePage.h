#pragma once
// Text in the Windows code pages that documents name by number (RTF's \ansicpg, the code
// pages behind \fcharset): 874, 932, 936, 949, 950, 1250-1258, Mac Roman (10000), and
// whatever else iconv knows under "CPnnnn".
#include <QByteArray>
#include <QString>

namespace platform {

// True when the code page can be decoded here.
bool codePageKnown(int codePage);
// True when b begins a two-byte character in that code page (only double-byte pages
// have such bytes).
bool isLeadByte(int codePage, unsigned char b);
// The bytes as text; a byte or pair that decodes as nothing gives U+FFFD, and an
// unknown code page is read as Windows-1252.
QString decodeCodePage(const QByteArray& bytes, int codePage);

} // namespace platform
