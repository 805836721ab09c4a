#include "ui/ScreenMetrics.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <gtest/gtest.h>

using namespace ui;

TEST(ScreenMetrics, RealValuesComeFromThePrimaryScreenAndTheStyle) {
    const ScreenMetrics m = ReadScreenMetrics();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(m.screenWidth, screen.width());
    EXPECT_EQ(m.screenHeight, screen.height());
    EXPECT_GT(m.screenWidth, 0);
    EXPECT_EQ(m.captionHeight, QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight));
    EXPECT_GT(m.captionHeight, 0);
    EXPECT_GE(m.borderHeight, 0);
}

TEST(ScreenMetrics, ReplaceableSource) {
    SetScreenMetricsSource([] { return ScreenMetrics{1024, 768, 18, 1}; });
    const ScreenMetrics m = ReadScreenMetrics();
    EXPECT_EQ(m.screenWidth, 1024);
    EXPECT_EQ(m.screenHeight, 768);
    EXPECT_EQ(m.captionHeight, 18);
    EXPECT_EQ(m.borderHeight, 1);
    SetScreenMetricsSource(nullptr);
    EXPECT_EQ(ReadScreenMetrics().screenWidth,
              QGuiApplication::primaryScreen()->geometry().width());
}
