// Placement records: the ten keys, restoring with its defaults, and the Qt mapping.
#include "core/Placement.h"
#include "core/SettingsFile.h"
#include "tests/SettingsFileFixture.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

class PlacementTest : public SettingsFileFixture {
protected:
    const QList<QRect> screens{QRect(0, 0, 1024, 768)};
    const QSize screen{1024, 768};
    // A window at its design size somewhere on the screen.
    PlacementRecord current() const {
        return placement::FromWindowState(QRect(10, 20, 592, 453), false, false);
    }
};

// What a maximised window stores brings it back to its normal rectangle, marked to be
// maximised again; a normal window comes back where it was.
TEST_F(PlacementTest, AWindowComesBackWhereItWasSaved) {
    const QRect normal(10, 20, 592, 453);
    for (const bool maximized : {false, true}) {
        SCOPED_TRACE(maximized ? "maximised" : "normal");
        {
            SettingsFile ini(path());
            placement::Write(ini, "TForm1", placement::FromWindowState(normal, maximized, false));
        }
        const PlacementRecord r = placement::Read(
            SettingsFile(path()), "TForm1",
            placement::FromWindowState(QRect(0, 0, 300, 200), false, false), screen, screens);
        EXPECT_EQ(r.normalRect(), normal);
        EXPECT_EQ(bool(r.flags & PlacementRecord::kRestoreToMaximized), maximized);
    }
}

TEST_F(PlacementTest, WritesTheTenKeysInOrder) {
    SettingsFile ini(path());
    PlacementRecord r = placement::FromWindowState(QRect(-5, 7, 100, 50), true, false);
    r.maxPos = QPoint(-4, -4);
    placement::Write(ini, "TForm1", r);
    EXPECT_EQ(readAll(), "[TForm1]\nPlaceFlags=2\nPlaceShowCmd=3\nPlaceMinPos.X=-1\n"
                         "PlaceMinPos.Y=-1\nPlaceMaxPos.X=-4\nPlaceMaxPos.Y=-4\n"
                         "PlaceNormalPos.Left=-5\nPlaceNormalPos.Top=7\n"
                         "PlaceNormalPos.Right=95\nPlaceNormalPos.Bottom=57\n");
}

TEST_F(PlacementTest, FreshFileCentresAtCurrentSize) {
    const PlacementRecord r =
        placement::Read(SettingsFile(path()), "TForm1", current(), screen, screens);
    EXPECT_EQ(r.normalRect(), QRect(216, 157, 592, 453));
    EXPECT_EQ(r.flags, 0);
}

TEST_F(PlacementTest, OnlyLeftAndTopMoveTheWindowAndKeepItsSize) {
    write("[TForm1]\nPlaceNormalPos.Left=40\nPlaceNormalPos.Top=30\n");
    const PlacementRecord r =
        placement::Read(SettingsFile(path()), "TForm1", current(), screen, screens);
    EXPECT_EQ(r.normalRect(), QRect(40, 30, 592, 453));
}

TEST_F(PlacementTest, ShowCommandIsNotRestoredButFlagsAre) {
    write("[TForm1]\nPlaceFlags=2\nPlaceShowCmd=3\nPlaceMaxPos.X=-4\nPlaceMaxPos.Y=-4\n"
          "PlaceNormalPos.Left=1\nPlaceNormalPos.Top=2\nPlaceNormalPos.Right=301\n"
          "PlaceNormalPos.Bottom=202\n");
    const PlacementRecord r =
        placement::Read(SettingsFile(path()), "TForm1", current(), screen, screens);
    EXPECT_EQ(r.showCmd, 1);
    EXPECT_EQ(r.flags, 2);
    EXPECT_EQ(r.maxPos, QPoint(-4, -4));
    EXPECT_EQ(r.normalRect(), QRect(1, 2, 300, 200));
}

TEST_F(PlacementTest, SectionsAreSeparate) {
    write("[TMeltL]\nPlaceNormalPos.Left=40\n");
    const PlacementRecord r =
        placement::Read(SettingsFile(path()), "TMeltM", current(), screen, screens);
    EXPECT_EQ(r.left, 216);
}

TEST_F(PlacementTest, RectangleOffEveryScreenIsCentredKeepingItsSize) {
    write("[TForm1]\nPlaceNormalPos.Left=3000\nPlaceNormalPos.Top=100\n"
          "PlaceNormalPos.Right=3400\nPlaceNormalPos.Bottom=400\n");
    const PlacementRecord r =
        placement::Read(SettingsFile(path()), "TForm1", current(), screen, screens);
    EXPECT_EQ(r.normalRect(), QRect(312, 234, 400, 300));
    // On a second monitor that is still there, the same rectangle stays.
    const QList<QRect> two{QRect(0, 0, 1024, 768), QRect(2048, 0, 1920, 1080)};
    EXPECT_EQ(placement::Read(SettingsFile(path()), "TForm1", current(), screen, two).left, 3000);
}

TEST_F(PlacementTest, WindowLargerThanTheScreenKeepsNegativeLeftAndTop) {
    const PlacementRecord big = placement::FromWindowState(QRect(0, 0, 1101, 900), false, false);
    const PlacementRecord r = placement::Read(SettingsFile(path()), "TForm1", big, screen, screens);
    EXPECT_EQ(r.left, -38); // (1024 - 1101) / 2, toward zero
    EXPECT_EQ(r.top, -66);
    EXPECT_EQ(r.normalRect().size(), QSize(1101, 900));
}

TEST_F(PlacementTest, SaveAndRestoreOfAFramelessWindowRoundTrip) {
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.setGeometry(33, 44, 300, 200);
    ASSERT_EQ(CurrentPlacement(&w).normalRect(), QRect(33, 44, 300, 200));
    PlacementRecord r = CurrentPlacement(&w);
    r.left = 50;
    r.right = 450; // 400 wide
    r.minPos = QPoint(7, 8);
    ApplyPlacement(&w, r);
    EXPECT_EQ(w.geometry(), QRect(50, 44, 400, 200));
    // Positions Qt has no use for come back unchanged on the next save.
    EXPECT_EQ(CurrentPlacement(&w).minPos, QPoint(7, 8));
}

} // namespace
