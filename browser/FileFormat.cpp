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

constexpr int64_t kFarSeconds = int64_t(1) << 40; // some 35 000 years

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = floorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t* y, int* m, int* d) {
    z += 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = int(doy - (153 * mp + 2) / 5 + 1);
    *m = int(mp < 10 ? mp + 3 : mp - 9);
    *y = yoe + era * 400 + (*m <= 2);
}

// Local fields to the DOS layout; 0 outside 1980-2107.
int32_t pack(int64_t year, int month, int day, int hour, int minute, int second) {
    if (year < 1980 || year > 2107)
        return 0;
    const uint32_t packed = (uint32_t(year - 1980) << 25) | (uint32_t(month) << 21) |
                            (uint32_t(day) << 16) | (uint32_t(hour) << 11) |
                            (uint32_t(minute) << 5) | uint32_t(second / 2);
    return int32_t(packed);
}

// What turns t into the local fields: they read as UTC seconds, minus t. Taken from the
// fields rather than tm_gmtoff, so that zones counting leap seconds come out right too.
int64_t offsetOf(const struct tm& local, int64_t t) {
    return daysFromCivil(int64_t(local.tm_year) + 1900, local.tm_mon + 1, local.tm_mday) * 86400 +
           local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec - t;
}

bool localOffset(int64_t t, int64_t* offset) {
    const time_t tt = time_t(t);
    struct tm local {};
    if (!::localtime_r(&tt, &local))
        return false;
    *offset = offsetOf(local, t);
    return true;
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
    return pack(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec);
}

int32_t PackedTimeCache::Pack(int64_t utcSeconds) {
    // Far outside the packed range the hour arithmetic could overflow; those go direct.
    if (utcSeconds < -kFarSeconds || utcSeconds > kFarSeconds)
        return PackedFileTime(utcSeconds);
    const int64_t hour = floorDiv(utcSeconds, 3600);
    Slot& slot = slots_[size_t(hour) % slots_.size()];
    if (slot.state != kEmpty && slot.hour == hour) {
        if (slot.state == kSeenOnce) {
            // A second file in this hour: check that the offset holds for all of it.
            int64_t first = 0, last = 0;
            const bool same = localOffset(hour * 3600, &first) &&
                              localOffset(hour * 3600 + 3599, &last) && first == slot.offset &&
                              last == slot.offset;
            slot.state = same ? kSure : kMixed;
        }
        if (slot.state == kSure) {
            const int64_t local = utcSeconds + slot.offset;
            const int64_t days = floorDiv(local, 86400);
            const int64_t secs = local - days * 86400;
            int64_t y = 0;
            int m = 0, d = 0;
            civilFromDays(days, &y, &m, &d);
            return pack(y, m, d, int(secs / 3600), int(secs / 60 % 60), int(secs % 60));
        }
        return PackedFileTime(utcSeconds);
    }
    const time_t t = time_t(utcSeconds);
    struct tm local {};
    if (!::localtime_r(&t, &local))
        return 0;
    slot.hour = hour;
    slot.offset = int32_t(offsetOf(local, utcSeconds));
    slot.state = kSeenOnce;
    return pack(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec);
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
