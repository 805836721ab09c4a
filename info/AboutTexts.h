#pragma once
// What the information window shows, apart from the window: the memory meter's four
// values, the availability of the archive libraries and the picture plug-ins, the zoom,
// and what each second of its clock changes.
#include "platform/MemoryStatus.h"

#include <QString>
#include <QTime>
#include <functional>

namespace info {

// "free x 100 div total" as a whole percentage rounded down, followed by " %". Counts
// are in bytes and divided by 1024 first; the arithmetic is 64-bit, so memories beyond
// 21 GB do not overflow. No total (no swap) and a negative free value show 0.
QString PercentText(qint64 available, qint64 total);

struct MemoryTexts {
    QString memoly;   // memory load
    QString physical; // free physical memory
    QString pageFile; // free swap
    QString virtualMemory;
    bool operator==(const MemoryTexts&) const = default;
};
MemoryTexts MemoryMeterTexts(const platform::MemoryStatus& status);

// The availability texts of the LZH and ZIP libraries and of the two plug-ins.
QString UnLha32Text(bool available);
QString Unzip32Text(bool available);
QString SusieText(bool gifLoaded, bool jpegLoaded);

// The main window's zoom as the window shows it: "111 % ".
QString ZoomText(int zoom);

// What one second of the clock changes.
struct ClockTick {
    QString timeText;    // "hh:nn:ss"
    QString caption;     // minimised: the caption (the time); else empty (keep it)
    QString windowIcon;  // minimised: resource icon of the window; empty: keep it
    QString programIcon; // not minimised: resource icon of ProgramIcon; empty: keep it
    bool operator==(const ClockTick&) const = default;
};
// Minimised, the window icon shows the mascot on every fifth second and the program on
// every tenth; shown, the picture in the window runs in the opposite phase.
ClockTick AboutClockTick(QTime now, bool minimized);

// The time the clock shows: the current time; tests replace the source (null restores it).
QTime AboutClockNow();
void SetAboutClockSource(std::function<QTime()> source);

} // namespace info
