#include "app/TitleClock.h"
#include "app/ViewerGeometry.h"
#include "app/ZoomRules.h"

#include <gtest/gtest.h>

using namespace zoom;

TEST(ZoomRules, StepsFollowTheIntegerArithmetic) {
    EXPECT_EQ(ZoomedOut(100), 70);
    EXPECT_EQ(ZoomedOut(70), 49);
    EXPECT_EQ(ZoomedIn(100), 111);
    EXPECT_EQ(ZoomedIn(111), 123);
    // No bounds: the steps simply go on.
    EXPECT_EQ(ZoomedOut(1), 0);
    EXPECT_EQ(ZoomedIn(0), 0);
    EXPECT_EQ(ZoomedIn(ZoomedOut(100)), 77);
}

TEST(ZoomRules, StartupZoom) {
    EXPECT_EQ(StartupZoom(0), 100);
    EXPECT_EQ(StartupZoom(95), 100);
    EXPECT_EQ(StartupZoom(105), 100);
    EXPECT_EQ(StartupZoom(94), 94);
    EXPECT_EQ(StartupZoom(106), 106);
    EXPECT_EQ(StartupZoom(49), 49);
    EXPECT_EQ(StartupZoom(-30), 100); // only a damaged file holds this
    EXPECT_TRUE(UsesSmallListFont(84));
    EXPECT_FALSE(UsesSmallListFont(85));
}

TEST(ZoomRules, ZoomInKeepsTheWindowOnTheScreen) {
    const QSize screen(1024, 768);
    EXPECT_EQ(BoundAfterZoomIn(QSize(700, 500), screen), QSize(700, 500));
    EXPECT_EQ(BoundAfterZoomIn(QSize(1000, 700), screen), QSize(921, 614));
    EXPECT_EQ(BoundAfterZoomIn(QSize(921, 614), screen), QSize(921, 614));
}

TEST(ZoomRules, AWindowPastTheScreensEdgeComesBackOnIt) {
    const QSize screen(1280, 1024);
    // Grown past the right edge (1152 wide at 344): it moves left, its top stays.
    EXPECT_EQ(KeptOnScreen(QRect(344, 171, 1152, 682), screen), QPoint(128, 171));
    EXPECT_EQ(KeptOnScreen(QRect(100, 600, 500, 600), screen), QPoint(100, 424));
    EXPECT_EQ(KeptOnScreen(QRect(100, 100, 500, 500), screen), QPoint(100, 100));
    // Larger than the screen: its left and top edges stay visible.
    EXPECT_EQ(KeptOnScreen(QRect(-50, -20, 1400, 1100), screen), QPoint(0, 0));
    // Wholly beyond the screen: on another monitor, left alone.
    EXPECT_EQ(KeptOnScreen(QRect(1400, 100, 500, 500), screen), QPoint(1400, 100));
}

TEST(ZoomRules, MaximizeAndNormalUndoEachOther) {
    // At 70 maximise scales back to full size, normal size scales to 70 again.
    ScaleStep max = MaximizeStep(70, 70);
    EXPECT_EQ(max, (ScaleStep{true, 100, 70, 70, 100}));
    ScaleStep nor = NormalStep(max.zoom, max.previousZoom);
    EXPECT_EQ(nor, (ScaleStep{true, 70, 100, 70, 70}));
    // A second normal-size step changes nothing.
    EXPECT_EQ(NormalStep(nor.zoom, nor.previousZoom), (ScaleStep{false, 1, 1, 70, 70}));

    // From 100 up nothing is scaled either way.
    EXPECT_EQ(MaximizeStep(111, 100), (ScaleStep{false, 1, 1, 111, 111}));
    EXPECT_EQ(NormalStep(111, 111), (ScaleStep{false, 1, 1, 111, 111}));
    // Zoom 0 counts as 100 when maximising; previous zoom 0 never divides.
    EXPECT_EQ(MaximizeStep(0, 49), (ScaleStep{false, 1, 1, 100, 100}));
    EXPECT_EQ(NormalStep(49, 0), (ScaleStep{false, 1, 1, 49, 0}));
}

// The directory panel keeps its part of the width through a maximise and back; the
// window with the viewer closed holds the whole strip, and open it stays on the screen.
TEST(ViewerGeometry, PanelShareSurvivesASizeChangeAndTheStripFits) {
    for (const int panel : {120, 193, 300}) {
        SCOPED_TRACE(panel);
        const int share = viewer::PanelShare(panel, 592);
        const int large = viewer::PanelWidth(1024, share);
        EXPECT_NEAR(double(large) / 1024, double(panel) / 592, 0.02);
        // Back at normal size, with the share taken before maximising, the panel is
        // where it was to a few pixels.
        EXPECT_NEAR(viewer::PanelWidth(592, share), panel, 6);
    }
    EXPECT_EQ(viewer::PanelShare(193, 0), 0); // a window of no width has no share
    for (const int notebook : {37, 25, 12}) {
        const int closed = viewer::ClosedHeight(notebook, 17, 2);
        EXPECT_GE(closed, notebook + 17 + 2);
        EXPECT_LT(closed, notebook + 17 + 2 + 10); // no empty band under the tabs
    }
    for (const int screen : {600, 768, 1000})
        EXPECT_LT(viewer::OpenHeight(screen), screen);
}

TEST(ViewerGeometry, ContextMenuOpensRightOfTheCursorExceptOverAClosedViewersSelection) {
    const QPoint c(300, 200);
    EXPECT_EQ(viewer::ContextMenuPos(c, true, false, false), QPoint(310, 200));
    EXPECT_EQ(viewer::ContextMenuPos(c, true, true, true), QPoint(310, 200));
    EXPECT_EQ(viewer::ContextMenuPos(c, false, true, false), QPoint(310, 200));
    EXPECT_EQ(viewer::ContextMenuPos(c, true, true, false), QPoint(300, 200));
}

TEST(TitleClock, MinimisedTitleRunsAsAClockWithNameAndGreeting) {
    TitleTick t = TitleClockTick(QTime(12, 0, 5), true, true);
    EXPECT_EQ(t, (TitleTick{"12:00:05", "Your Friend", "ZELU", "ZELU"}));
    t = TitleClockTick(QTime(12, 0, 7), true, true);
    EXPECT_EQ(t, (TitleTick{"12:00:07", "12:00:07", "", ""}));
    t = TitleClockTick(QTime(12, 0, 10), true, true);
    EXPECT_EQ(t, (TitleTick{"12:00:10", "Zelmo32", "MAINICON", "MAINICON"}));
    t = TitleClockTick(QTime(9, 5, 3), true, false);
    EXPECT_EQ(t, (TitleTick{"09:05:03", "09:05:03", "", ""}));
    t = TitleClockTick(QTime(23, 59, 59), true, true);
    EXPECT_EQ(t.title, "23:59:59");
}

TEST(TitleClock, NotMinimisedKeepsTheNameButStillSwapsTheButtonPicture) {
    EXPECT_EQ(TitleClockTick(QTime(12, 0, 5), false, true),
              (TitleTick{"12:00:05", "Zelmo32", "", "ZELU"}));
    EXPECT_EQ(TitleClockTick(QTime(12, 0, 7), false, true),
              (TitleTick{"12:00:07", "Zelmo32", "", ""}));
    EXPECT_EQ(TitleClockTick(QTime(12, 0, 10), false, true),
              (TitleTick{"12:00:10", "Zelmo32", "", "MAINICON"}));
    // Away from the control page the button is not shown, so its picture stays.
    EXPECT_EQ(TitleClockTick(QTime(12, 0, 10), false, false),
              (TitleTick{"12:00:10", "Zelmo32", "", ""}));
}
