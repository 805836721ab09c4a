#include "info/AboutTexts.h"

namespace info {

QString PercentText(qint64 available, qint64 total) {
    const qint64 totalKb = total / 1024;
    const qint64 percent = totalKb > 0 ? available / 1024 * 100 / totalKb : 0;
    return QString::number(qMax<qint64>(percent, 0)) + QStringLiteral(" %");
}

MemoryTexts MemoryMeterTexts(const platform::MemoryStatus& s) {
    MemoryTexts t;
    t.memoly = QString::number(qMax<qint64>(s.memoryLoad, 0)) + QStringLiteral(" %");
    t.physical = PercentText(s.availPhys, s.totalPhys);
    t.pageFile = PercentText(s.availPageFile, s.totalPageFile);
    t.virtualMemory = PercentText(s.availVirtual, s.totalVirtual);
    return t;
}

QString UnLha32Text(bool available) {
    return available ? QStringLiteral("ＬＺＨ 解凍可（ UNLHA32.DLL 有 ）")
                     : QStringLiteral("ＬＺＨ 解凍不可（ UNLHA32.DLL 無 ）");
}

QString Unzip32Text(bool available) {
    return available ? QStringLiteral("ＺＩＰ 解凍可（ UNZIP32.DLL 有 ）")
                     : QStringLiteral("ＺＩＰ 解凍不可（ UNZIP32.DLL 無 ）");
}

QString SusieText(bool gifLoaded, bool jpegLoaded) {
    if (gifLoaded && jpegLoaded)
        return QStringLiteral("GIF ＆ JPG 映像表示可（ SPI 有 ）");
    if (gifLoaded)
        return QStringLiteral("GIF表示可／JPG表示不可");
    if (jpegLoaded)
        return QStringLiteral("JPG表示可／GIF表示不可");
    return QStringLiteral("（IFGIF.SPI ＆ IFJPEG.SPI 無）");
}

QString ZoomText(int zoom) {
    return QString::number(zoom) + QStringLiteral(" % ");
}

ClockTick AboutClockTick(QTime now, bool minimized) {
    ClockTick t;
    t.timeText = now.toString(QStringLiteral("hh:mm:ss")).left(8);
    const QChar d = t.timeText.isEmpty() ? QChar() : t.timeText.back();
    const QString mainIcon = QStringLiteral("MAINICON"), mascot = QStringLiteral("ZELU");
    if (minimized) {
        t.caption = t.timeText;
        if (d == QLatin1Char('5'))
            t.windowIcon = mascot;
        else if (d == QLatin1Char('0'))
            t.windowIcon = mainIcon;
    } else if (d == QLatin1Char('5')) {
        t.programIcon = mainIcon;
    } else if (d == QLatin1Char('0')) {
        t.programIcon = mascot;
    }
    return t;
}

namespace {
std::function<QTime()>& clockSource() {
    static std::function<QTime()> source;
    return source;
}
} // namespace

QTime AboutClockNow() {
    return clockSource() ? clockSource()() : QTime::currentTime();
}

void SetAboutClockSource(std::function<QTime()> source) {
    clockSource() = std::move(source);
}

} // namespace info
