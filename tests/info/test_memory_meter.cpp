// The memory meter's texts from fixed /proc/meminfo samples, and the clock's seconds.
#include "info/AboutTexts.h"
#include "platform/MemoryStatus.h"

#include <gtest/gtest.h>

using namespace info;
using platform::MemoryStatusFromMeminfo;

namespace {

// A /proc/meminfo text with the given kB values (and a few lines the meter ignores).
QByteArray meminfo(qint64 total, qint64 available, qint64 swapTotal, qint64 swapFree,
                   qint64 commitLimit, qint64 committed) {
    return QStringLiteral("MemTotal:       %1 kB\n"
                          "MemFree:          1234 kB\n"
                          "MemAvailable:   %2 kB\n"
                          "Buffers:           100 kB\n"
                          "SwapTotal:      %3 kB\n"
                          "SwapFree:       %4 kB\n"
                          "CommitLimit:    %5 kB\n"
                          "Committed_AS:   %6 kB\n"
                          "HugePages_Total:       0\n")
        .arg(total)
        .arg(available)
        .arg(swapTotal)
        .arg(swapFree)
        .arg(commitLimit)
        .arg(committed)
        .toLatin1();
}

} // namespace

TEST(MemoryMeter, ReadsTheStatusFromMeminfoInBytes) {
    const platform::MemoryStatus s =
        MemoryStatusFromMeminfo(meminfo(65536, 16384, 131072, 32768, 98304, 49152));
    EXPECT_EQ(s.totalPhys, 65536LL * 1024);
    EXPECT_EQ(s.availPhys, 16384LL * 1024);
    EXPECT_EQ(s.memoryLoad, 75);
    EXPECT_EQ(s.totalPageFile, 131072LL * 1024);
    EXPECT_EQ(s.availPageFile, 32768LL * 1024);
    EXPECT_EQ(s.totalVirtual, 98304LL * 1024);
    EXPECT_EQ(s.availVirtual, 49152LL * 1024);

    // 64 MB of which 16 MB free: a quarter free, three quarters in use.
    const MemoryTexts t = MemoryMeterTexts(s);
    EXPECT_EQ(t.physical, QStringLiteral("25 %"));
    EXPECT_EQ(t.memoly, QStringLiteral("75 %"));
    EXPECT_EQ(t.pageFile, QStringLiteral("25 %"));
    EXPECT_EQ(t.virtualMemory, QStringLiteral("50 %"));
}

TEST(MemoryMeter, OlderKernelsWithoutMemAvailableCountMemFree) {
    const platform::MemoryStatus s =
        MemoryStatusFromMeminfo("MemTotal: 1000 kB\nMemFree: 300 kB\nSwapTotal: 0 kB\n");
    EXPECT_EQ(s.availPhys, 300LL * 1024);
    EXPECT_EQ(s.memoryLoad, 70);
    EXPECT_EQ(MemoryStatusFromMeminfo(""), platform::MemoryStatus());
}

TEST(MemoryMeter, WholePercentagesRoundedDownAndNoOverflowBeyond21GB) {
    // 3 of 7: 42.86 shows 42.
    EXPECT_EQ(PercentText(3 * 1024, 7 * 1024), QStringLiteral("42 %"));
    // Counts below 1 kB vanish in the division by 1024, as they always did.
    EXPECT_EQ(PercentText(1023, 4096), QStringLiteral("0 %"));
    // 32 GB with 24 GB free: (free div 1024) x 100 passes 2^31 but stays right.
    const qint64 gb = 1024LL * 1024 * 1024;
    EXPECT_EQ(PercentText(24 * gb, 32 * gb), QStringLiteral("75 %"));
    const platform::MemoryStatus big = MemoryStatusFromMeminfo(
        meminfo(512LL * 1024 * 1024, 511LL * 1024 * 1024, 0, 0, 256LL * 1024 * 1024, 1024));
    const MemoryTexts t = MemoryMeterTexts(big);
    EXPECT_EQ(t.physical, QStringLiteral("99 %"));
    EXPECT_EQ(t.memoly, QStringLiteral("1 %"));
    EXPECT_EQ(t.virtualMemory, QStringLiteral("99 %"));
}

TEST(MemoryMeter, NoSwapAndOvercommittedMemoryShowZero) {
    // No swap: nothing to divide by.
    // Committed beyond the limit: a negative free value shows 0, not "-50 %".
    const platform::MemoryStatus s =
        MemoryStatusFromMeminfo(meminfo(65536, 16384, 0, 0, 65536, 98304));
    EXPECT_LT(s.availVirtual, 0);
    const MemoryTexts t = MemoryMeterTexts(s);
    EXPECT_EQ(t.pageFile, QStringLiteral("0 %"));
    EXPECT_EQ(t.virtualMemory, QStringLiteral("0 %"));
    EXPECT_EQ(MemoryMeterTexts(platform::MemoryStatus()),
              (MemoryTexts{QStringLiteral("0 %"), QStringLiteral("0 %"), QStringLiteral("0 %"),
                           QStringLiteral("0 %")}));
}

TEST(MemoryMeter, TheRealMeminfoGivesPercentagesOfZeroToHundred) {
    const MemoryTexts t = MemoryMeterTexts(platform::GlobalMemoryStatus());
    for (const QString& text : {t.memoly, t.physical, t.pageFile, t.virtualMemory}) {
        ASSERT_TRUE(text.endsWith(QStringLiteral(" %"))) << text.toStdString();
        bool ok = false;
        const int v = text.chopped(2).toInt(&ok);
        EXPECT_TRUE(ok && v >= 0 && v <= 100) << text.toStdString();
    }
    EXPECT_GT(platform::GlobalMemoryStatus().totalPhys, 0);
}

TEST(AboutClock, MinimisedTheCaptionRunsAndTheIconsAlternateInOppositePhases) {
    EXPECT_EQ(AboutClockTick(QTime(9, 5, 15), true),
              (ClockTick{"09:05:15", "09:05:15", "ZELU", QString()}));
    EXPECT_EQ(AboutClockTick(QTime(9, 5, 20), true),
              (ClockTick{"09:05:20", "09:05:20", "MAINICON", QString()}));
    EXPECT_EQ(AboutClockTick(QTime(23, 59, 59), true),
              (ClockTick{"23:59:59", "23:59:59", QString(), QString()}));
    // Shown: the caption stays, the picture in the window takes the other phase.
    EXPECT_EQ(AboutClockTick(QTime(9, 5, 15), false),
              (ClockTick{"09:05:15", QString(), QString(), "MAINICON"}));
    EXPECT_EQ(AboutClockTick(QTime(0, 0, 0), false),
              (ClockTick{"00:00:00", QString(), QString(), "ZELU"}));
    EXPECT_EQ(AboutClockTick(QTime(0, 0, 1), false),
              (ClockTick{"00:00:01", QString(), QString(), QString()}));
}
