// The preview's decisions without a window: key steps with their wrap-around limits,
// the screen fit and the texts.
#include "platform/FsName.h"
#include "preview/PreviewRules.h"

#include <gtest/gtest.h>

using namespace preview;

namespace {

int step(int key, int index, int n, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const auto s = StepForKey(key, mods);
    return s ? SteppedIndex(*s, index, n) : -100;
}

} // namespace

TEST(PreviewSteps, FiveFilesWrapAtBothEnds) {
    // Right on the fifth of five shows the first again; Left on the first the fifth.
    EXPECT_EQ(step(Qt::Key_Right, 4, 5), 0);
    EXPECT_EQ(step(Qt::Key_Right, 3, 5), 4);
    EXPECT_EQ(step(Qt::Key_Left, 0, 5), 4);
    EXPECT_EQ(step(Qt::Key_Left, 1, 5), 0);
    // Up, Space and the pad's 6 step forward; Down and the pad's 4 back.
    EXPECT_EQ(step(Qt::Key_Up, 4, 5), 0);
    EXPECT_EQ(step(Qt::Key_Space, 2, 5), 3);
    EXPECT_EQ(step(Qt::Key_6, 4, 5, Qt::KeypadModifier), 0);
    EXPECT_EQ(step(Qt::Key_Down, 0, 5), 4);
    EXPECT_EQ(step(Qt::Key_4, 2, 5, Qt::KeypadModifier), 1);
    EXPECT_EQ(step(Qt::Key_Home, 3, 5), 0);
    EXPECT_EQ(step(Qt::Key_End, 0, 5), 4);
}

TEST(PreviewSteps, JumpsOfTenTwentyAndThirtyWrapOneFileEarly) {
    // With 15 files the pad's 1 goes from 3 to 13, but from 4 to 0: the limit is
    // n - 12, although index 14 exists.
    EXPECT_EQ(step(Qt::Key_1, 3, 15, Qt::KeypadModifier), 13);
    EXPECT_EQ(step(Qt::Key_1, 4, 15, Qt::KeypadModifier), 0);
    EXPECT_EQ(step(Qt::Key_2, 0, 15, Qt::KeypadModifier), 0); // 20 never fits in 15
    EXPECT_EQ(step(Qt::Key_2, 18, 40, Qt::KeypadModifier), 38);
    EXPECT_EQ(step(Qt::Key_2, 19, 40, Qt::KeypadModifier), 0);
    EXPECT_EQ(step(Qt::Key_3, 8, 40, Qt::KeypadModifier), 38);
    EXPECT_EQ(step(Qt::Key_3, 9, 40, Qt::KeypadModifier), 0);
    // A single file steps onto itself; an index left beyond the count starts again.
    EXPECT_EQ(step(Qt::Key_Right, 0, 1), 0);
    EXPECT_EQ(step(Qt::Key_Left, 0, 1), 0);
    EXPECT_EQ(step(Qt::Key_Right, 9, 5), 0);
}

TEST(PreviewSteps, OnlyThePadsDigitsJumpAndOtherKeysHaveNoStep) {
    // The digits of the main keyboard are not the pad's.
    EXPECT_FALSE(StepForKey(Qt::Key_1, Qt::NoModifier));
    EXPECT_FALSE(StepForKey(Qt::Key_6, Qt::NoModifier));
    // Without Num Lock the pad sends arrows, Home and End: they step as those keys.
    EXPECT_EQ(StepForKey(Qt::Key_End, Qt::KeypadModifier), PreviewStep::End);
    EXPECT_EQ(StepForKey(Qt::Key_Right, Qt::KeypadModifier), PreviewStep::Next);
    for (int key :
         {Qt::Key_F12, Qt::Key_Escape, Qt::Key_F4, Qt::Key_A, Qt::Key_PageDown, Qt::Key_Return})
        EXPECT_FALSE(StepForKey(key, Qt::NoModifier)) << key;
    EXPECT_FALSE(StepForKey(Qt::Key_5, Qt::KeypadModifier));
}

namespace {
// The design window (427 x 273) with a panel of a 1-pixel border on a 1024 x 768 screen
// with 20-pixel captions.
FitInput onScreen(QSize picture) {
    return {{427, 273}, {425, 271}, picture, {1024, 768}, 20};
}
} // namespace

TEST(PreviewFit, APictureThatFitsGetsItsBorderAndMargin) {
    EXPECT_EQ(FitPreviewClient(onScreen({640, 480})), QSize(652, 492));
    // An empty picture: the panel's border plus 10 pixels each way.
    EXPECT_EQ(FitPreviewClient(onScreen({0, 0})), QSize(12, 12));
}

TEST(PreviewFit, TallAndWidePicturesAreReducedInProportion) {
    // Taller than the screen: the height is the screen's less a caption.
    // 812 x 1012 needed -> 748 high, 748 * 812 div 1012 = 600 wide.
    EXPECT_EQ(FitPreviewClient(onScreen({800, 1000})), QSize(600, 748));
    // Needed exactly the screen's height: no reduction.
    EXPECT_EQ(FitPreviewClient(onScreen({300, 756})), QSize(312, 768));
    // Wider than the screen: 2012 x 312 -> 1024 wide, 312 * 1024 div 2012 = 158 high.
    EXPECT_EQ(FitPreviewClient(onScreen({2000, 300})), QSize(1024, 158));
}

TEST(PreviewFit, APictureTallerAndFarWiderThanTheScreenStillFitsItsWidth) {
    // The height rule alone would give 3704 x 748, a window far wider than the screen.
    const QSize client = FitPreviewClient(onScreen({5000, 1000}));
    EXPECT_EQ(client, QSize(1024, 206));
    // Huge pictures do not overflow the arithmetic.
    const QSize huge = FitPreviewClient(onScreen({16384 * 16, 16384 * 8}));
    EXPECT_LE(huge.width(), 1024);
    EXPECT_LE(huge.height(), 748);
    EXPECT_GT(huge.height(), 0);
}

TEST(PreviewFit, TheWindowIsCentredTruncatingTowardZero) {
    EXPECT_EQ(CentredPosition({1024, 768}, {600, 768}), QPoint(212, 0));
    EXPECT_EQ(CentredPosition({1024, 768}, {653, 493}), QPoint(185, 137));
    // Larger than the screen: -3 div 2 is -1, not -2.
    EXPECT_EQ(CentredPosition({100, 100}, {103, 105}), QPoint(-1, -2));
}

TEST(PreviewTexts, CaptionsHaveOneSpaceWhenShownAndTwoAfterAStep) {
    const QString path = QStringLiteral("/home/ann/pics/a b.bmp");
    EXPECT_EQ(ShownCaption(2, 15, path), QStringLiteral("3/15 a b.bmp"));
    EXPECT_EQ(SteppedCaption(13, 15, path), QStringLiteral("14/15  a b.bmp"));
    EXPECT_EQ(PreviewHint(ShownCaption(2, 15, path), path),
              QStringLiteral("3/15 a b.bmp ( /home/ann/pics/ ) "));
    EXPECT_EQ(PreviewHint(QStringLiteral("1/1  x"), QString()), QStringLiteral("1/1  x (  ) "));
}

TEST(PreviewTexts, NamesThatAreNotUtf8AreShownDecoded) {
    // "絵" in Shift-JIS (0x8A 0x47) in both the folder and the file name.
    const QString path = platform::fromFsBytes(QByteArray("/d/\x8A\x47/\x8A\x47.bmp"));
    EXPECT_EQ(ShownCaption(0, 1, path), QStringLiteral("1/1 絵.bmp"));
    EXPECT_EQ(PreviewHint(QStringLiteral("c"), path), QStringLiteral("c ( /d/絵/ ) "));
}
