#include "app/TitleClock.h"

TitleTick TitleClockTick(QTime now, bool minimized, bool controlPageShown) {
    TitleTick t;
    t.timeText = now.toString(QStringLiteral("hh:mm:ss")).left(8);
    const QChar d = t.timeText.isEmpty() ? QChar() : t.timeText.back();

    t.title = QStringLiteral("Zelmo32");
    if (minimized) {
        if (d == QLatin1Char('0')) {
            t.windowIcon = QStringLiteral("MAINICON");
        } else if (d == QLatin1Char('5')) {
            t.windowIcon = QStringLiteral("ZELU");
            t.title = QStringLiteral("Your Friend");
        } else {
            t.title = t.timeText;
        }
    }
    if (controlPageShown) {
        if (d == QLatin1Char('5'))
            t.sbpGlyph = QStringLiteral("ZELU");
        else if (d == QLatin1Char('0'))
            t.sbpGlyph = QStringLiteral("MAINICON");
    }
    return t;
}

namespace {
std::function<QTime()>& ClockSource() {
    static std::function<QTime()> source;
    return source;
}
} // namespace

QTime TitleClockNow() {
    return ClockSource() ? ClockSource()() : QTime::currentTime();
}

void SetTitleClockSource(std::function<QTime()> source) {
    ClockSource() = std::move(source);
}
