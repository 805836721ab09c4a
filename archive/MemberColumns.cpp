#include "archive/MemberColumns.h"

#include "archive/CommandQuote.h"
#include "editor/TextSearch.h"
#include "platform/TextCodec.h"

#include <QCollator>
#include <QLocale>
#include <cstring>

namespace archive {

namespace {

int sign(qint64 v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// The value of the digits in a size text; separators (whatever the locale uses) skipped.
qint64 digitsValue(const QString& text) {
    qint64 value = 0;
    for (const QChar c : text)
        if (c.isDigit())
            value = value * 10 + c.digitValue();
    return value;
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

ArchiveKind ArchiveKindOf(const QString& path) {
    const QString key = editor::ExtensionKey(path);
    if (key == QLatin1String(".LZH"))
        return ArchiveKind::Lzh;
    if (key == QLatin1String(".ZIP"))
        return ArchiveKind::Zip;
    return ArchiveKind::None;
}

QString SizeText(uint64_t size, const QLocale& locale) {
    // Separators always, also where the locale would leave them out by default (C).
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() & ~QLocale::OmitGroupSeparator);
    return l.toString(qulonglong(size));
}

QString LzhRatioText(uint16_t ratio) {
    return QString::number(ratio / 10) + QStringLiteral("% ");
}

QString ZipRatioText(uint64_t originalSize, uint64_t compressedSize) {
    if (originalSize == 0)
        return QStringLiteral(" - % ");
    // Compressed sizes past 2^57 would overflow the product: the percentage of such a
    // member comes from the quotient first.
    const uint64_t percent = compressedSize <= UINT64_MAX / 100
                                 ? compressedSize * 100 / originalSize
                                 : compressedSize / originalSize * 100;
    return QString::number(percent) + QStringLiteral("% ");
}

QString DosDateText(uint16_t date) {
    return QString::number((date >> 9) + 1980) + QLatin1Char('/') + twoDigits((date >> 5) & 15) +
           QLatin1Char('/') + twoDigits(date & 31);
}

QString DosTimeText(uint16_t time) {
    return twoDigits(time >> 11) + QLatin1Char(':') + twoDigits((time >> 5) & 63) +
           QLatin1Char(':') + twoDigits((time & 31) * 2);
}

QString MemberNameText(const QByteArray& nameBytes) {
    if (platform::isValidUtf8(nameBytes))
        return QString::fromUtf8(nameBytes);
    const QString cp932 = platform::decodeCp932(nameBytes);
    if (!cp932.contains(QChar::ReplacementCharacter))
        return cp932;
    // A name neither decodes is shown in the escape form throughout, every byte past
    // ASCII as "\xHH" (one name, one reading: no run of it taken for UTF-8); the name
    // stays these bytes for the library.
    QString shown;
    for (const char c : nameBytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            shown += QLatin1Char(c);
        else
            shown += QStringLiteral("\\x") +
                     QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    }
    return shown;
}

MemberRow MemberRowFrom(const ArchiveMemberInfo& info, ArchiveKind kind, const QLocale& locale) {
    return MemberRowFrom(info, kind, locale, info.originalSize, info.compressedSize);
}

MemberRow MemberRowFrom(const ArchiveMemberInfo& info, ArchiveKind kind, const QLocale& locale,
                        uint64_t original, uint64_t compressed) {
    // Fields copied out of the packed record before use.
    const uint16_t ratio = info.ratio, date = info.date, time = info.time;
    MemberRow row;
    row.nameBytes =
        QByteArray(info.fileName, qsizetype(strnlen(info.fileName, sizeof info.fileName)));
    row.texts[0] = MemberNameText(row.nameBytes);
    row.texts[1] = SizeText(original, locale);
    row.texts[2] = SizeText(compressed, locale);
    row.texts[3] =
        kind == ArchiveKind::Lzh ? LzhRatioText(ratio) : ZipRatioText(original, compressed);
    row.texts[4] = DosDateText(date);
    row.texts[5] = DosTimeText(time);
    return row;
}

int CompareMemberColumn(int column, const QString& a, const QString& b, const QCollator& names) {
    switch (column) {
    case 0:
        return sign(names.compare(a, b));
    case 1:
    case 2:
        return sign(digitsValue(a) - digitsValue(b));
    default:
        // The texts are ASCII: comparing their characters is comparing their bytes.
        return sign(a.compare(b, Qt::CaseSensitive));
    }
}

bool IsProgramMember(const QString& memberName) {
    // Stored names may separate folders with either slash.
    const qsizetype slash =
        qMax(memberName.lastIndexOf(QLatin1Char('/')), memberName.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = memberName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return false;
    const QString ext = memberName.mid(dot).toUpper();
    return ext == QLatin1String(".EXE") || ext == QLatin1String(".DLL");
}

QByteArray MemberCommand(const QByteArray& archivePath, const QByteArray& memberName) {
    return QuoteArgument(archivePath) + ' ' + QuoteArgument(memberName);
}

QByteArray ZipPrintCommand(const QByteArray& archivePath, const QByteArray& memberName) {
    // The member is quoted too: bare, a name such as "-x ..." would read as options.
    return QByteArrayLiteral("-p ") + MemberCommand(archivePath, memberName);
}

QString MemberCommandCaption(const QString& archivePathShown, const QString& memberName) {
    return QString::fromUtf8(MemberCommand(archivePathShown.toUtf8(), memberName.toUtf8()));
}

QByteArray TextInBuffer(const QByteArray& buffer, qsizetype limit) {
    const qsizetype size = qBound(qsizetype(0), limit, buffer.size());
    return QByteArray(buffer.constData(), qsizetype(qstrnlen(buffer.constData(), size_t(size))));
}

} // namespace archive
