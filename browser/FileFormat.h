#pragma once
// The small text helpers of the file lists: trailing separator, packed file times and
// their text, attribute letters and the size text.
#include <QString>
#include <array>
#include <cstdint>

namespace browser {

// Attribute bits of a file record.
enum : uint32_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faDirectory = 0x10,
    faArchive = 0x20,
};

// The path with "/" appended when it is non-empty and does not end in "/".
QString WithTrailingBackslash(const QString& path);

// Seconds since the epoch (UTC) to the local time packed as a DOS date and time
// (bits 31-25 year-1980, 24-21 month, 20-16 day, 15-11 hour, 10-5 minute, 4-0 second/2);
// 0 when the time has no such form (before 1980, after 2107, or not convertible).
int32_t PackedFileTime(int64_t utcSeconds);

// PackedFileTime for the many files of one scan, with the same results. The local-time
// offset of a UTC hour is remembered once it is seen to hold at both ends of the hour
// (no time zone changes its offset twice within days), so most files in a folder cost
// a little arithmetic instead of a time-zone lookup. One per scan: a later scan reads
// the time zone again.
class PackedTimeCache {
public:
    int32_t Pack(int64_t utcSeconds);

private:
    enum : uint8_t { kEmpty, kSeenOnce, kSure, kMixed };
    struct Slot {
        int64_t hour = 0;
        int32_t offset = 0; // local minus UTC seconds, leap seconds included
        uint8_t state = kEmpty;
    };
    std::array<Slot, 64> slots_{};
};

// "yy/mm/dd-hh:nn" with the locale's date and time separators; the fixed text
// "00/00/00-00:00", whatever the locale, for a value that is no valid date and time
// (0 in particular).
QString FormatFileTime(int32_t packed);

// The letters "S", "H", "R", "A" for the bits set, in that order.
QString FormatAttributes(uint32_t attr);

// The number by the pattern "#,###,###,###,##0" with the locale's thousands separator.
QString FormatSize(int64_t size);

// The locale's separators the texts above use.
QString LocaleDateSeparator();
QString LocaleTimeSeparator();
QString LocaleThousandsSeparator();

} // namespace browser
