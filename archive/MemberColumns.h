#pragma once
// What the archive window shows of a member and how it orders and views members: the
// column texts of one member record, the comparisons of the six columns, and the commands
// that extract one member into memory. No widgets here.
#include "outside/archive/ArchiveMemberInfo.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

class QCollator;
class QLocale;

namespace archive {

enum class ArchiveKind { None, Lzh, Zip };

// By the first four characters of the extension, upper-cased (".Lzh5" is an LZH archive).
ArchiveKind ArchiveKindOf(const QString& path);

// The six columns: name, uncompressed size, compressed size, ratio, date, time.
constexpr int kMemberColumns = 6;

struct MemberRow {
    QByteArray nameBytes; // as stored in the archive, for the extraction command
    std::array<QString, kMemberColumns> texts;
};

// A whole number with the locale's thousands separators, no decimals.
QString SizeText(uint64_t size, const QLocale& locale);
// The LZH record's ratio (tenths of a percent) in whole percent, then "% ".
QString LzhRatioText(uint16_t ratio);
// Compressed per uncompressed size in whole percent, then "% "; " - % " for an empty member.
QString ZipRatioText(uint64_t originalSize, uint64_t compressedSize);
// MS-DOS date and time: "YYYY/MM/DD" and "HH:MM:SS".
QString DosDateText(uint16_t date);
QString DosTimeText(uint16_t time);

// The member name as text, decoded as a whole: UTF-8 when valid, else CP932, else the
// escape form ("\xHH" for every byte past ASCII).
QString MemberNameText(const QByteArray& nameBytes);
// The row of one record; the name ends at its first NUL or at the end of its field.
MemberRow MemberRowFrom(const ArchiveMemberInfo& info, ArchiveKind kind, const QLocale& locale);
// The same with sizes wider than the record holds (a ZIP64 member).
MemberRow MemberRowFrom(const ArchiveMemberInfo& info, ArchiveKind kind, const QLocale& locale,
                        uint64_t original, uint64_t compressed);

// -1, 0 or 1: the ascending order of column texts (names by the collator, sizes by their
// value whatever the separators, the rest character by character).
int CompareMemberColumn(int column, const QString& a, const QString& b, const QCollator& names);

// A member whose extension is .EXE or .DLL (any case) is not shown as text.
bool IsProgramMember(const QString& memberName);

// The archive path and the member name, each quoted, one space between: the command
// that extracts an LZH member into memory.
QByteArray MemberCommand(const QByteArray& archivePath, const QByteArray& memberName);
// The ZIP library's command that writes a member to its output: "-p " and the above.
QByteArray ZipPrintCommand(const QByteArray& archivePath, const QByteArray& memberName);
// The same command as a caption: the shown path and name, each quoted by the same rule.
QString MemberCommandCaption(const QString& archivePathShown, const QString& memberName);

// The member's text in a buffer: at most limit bytes, and up to the first NUL.
QByteArray TextInBuffer(const QByteArray& buffer, qsizetype limit);

} // namespace archive
