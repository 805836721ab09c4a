#include "browser/FileFormat.h"

#include <QDate>
#include <QLocale>
#include <ctime>

namespace browser {

namespace {

// The first character of a format that is not a field letter or a space.
QString separatorIn(const QString& format, const QString& fallback) {
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || c.isLetter() || c.isSpace())
            continue;
        return QString(c);
    }
    return fallback;
}

QString twoDigits(int v) {
    return QString::number(v).rightJustified(2, u'0');
}

} // namespace

QString WithTrailingBackslash(const QString& path) {
    if (path.isEmpty() || path.endsWith(u'/'))
        return path;
    return path + u'/';
}

int32_t PackedFileTime(int64_t utcSeconds) {
    const time_t t = time_t(utcSeconds);
    struct tm local {};
    if (!::localtime_r(&t, &local))
        return 0;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107)
        return 0;
    const uint32_t packed = (uint32_t(year - 1980) << 25) | (uint32_t(local.tm_mon + 1) << 21) |
                            (uint32_t(local.tm_mday) << 16) | (uint32_t(local.tm_hour) << 11) |
                            (uint32_t(local.tm_min) << 5) | uint32_t(local.tm_sec / 2);
    return int32_t(packed);
}

QString FormatFileTime(int32_t packed) {
    const uint32_t v = uint32_t(packed);
    const int year = int(v >> 25) + 1980;
    const int month = int((v >> 21) & 0x0F);
    const int day = int((v >> 16) & 0x1F);
    const int hour = int((v >> 11) & 0x1F);
    const int minute = int((v >> 5) & 0x3F);
    const int second = int(v & 0x1F) * 2;
    // The text for "no valid time" is fixed; only real dates follow the locale.
    if (!QDate::isValid(year, month, day) || hour > 23 || minute > 59 || second > 59)
        return QStringLiteral("00/00/00-00:00");
    const QString ds = LocaleDateSeparator();
    const QString ts = LocaleTimeSeparator();
    return twoDigits(year % 100) + ds + twoDigits(month) + ds + twoDigits(day) + u'-' +
           twoDigits(hour) + ts + twoDigits(minute);
}

QString FormatAttributes(uint32_t attr) {
    QString s;
    if (attr & faSysFile)
        s += u'S';
    if (attr & faHidden)
        s += u'H';
    if (attr & faReadOnly)
        s += u'R';
    if (attr & faArchive)
        s += u'A';
    return s;
}

QString FormatSize(int64_t size) {
    const bool negative = size < 0;
    // Digits of the magnitude, computed unsigned so that the smallest value works too.
    uint64_t m = negative ? uint64_t(0) - uint64_t(size) : uint64_t(size);
    const QString sep = LocaleThousandsSeparator();
    QString digits = QString::number(m);
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += sep;
        out += digits.at(i);
    }
    return negative ? QString(QLocale().negativeSign()) + out : out;
}

QString LocaleDateSeparator() {
    return separatorIn(QLocale().dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
}

QString LocaleTimeSeparator() {
    return separatorIn(QLocale().timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
}

QString LocaleThousandsSeparator() {
    return QLocale().groupSeparator();
}

} // namespace browser
