// Which control of a slot receives the mouse, through the window as a user's click would.
#include "launcher/SlotControls.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class SlotControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        page.resize(200, 40);
        button = new launcher::SlotButton(4, &page);
        button->setGeometry(5, 1, 36, 36);
        image = new launcher::SlotImage(4, &page);
        image->setGeometry(7, 3, 32, 32);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
    QWindow* window() { return page.windowHandle(); }
    const QPoint inside{20, 20}; // on the image, which lies on the button's face
    QWidget page;
    launcher::SlotButton* button = nullptr;
    launcher::SlotImage* image = nullptr;
};

TEST_F(SlotControlsTest, DisabledImageLetsClicksThroughToTheButton) {
    image->setSlotEnabled(false);
    QSignalSpy buttonClicks(button, &QPushButton::clicked);
    QSignalSpy imageClicks(image, &launcher::SlotImage::clicked);
    QTest::mouseClick(window(), Qt::LeftButton, {}, inside);
    EXPECT_EQ(buttonClicks.count(), 1);
    EXPECT_EQ(imageClicks.count(), 0);
    EXPECT_TRUE(image->isEnabled()); // not greyed
}

TEST_F(SlotControlsTest, EnabledImageTakesTheClick) {
    image->setSlotEnabled(true);
    QSignalSpy buttonClicks(button, &QPushButton::clicked);
    QSignalSpy imageClicks(image, &launcher::SlotImage::clicked);
    QTest::mouseClick(window(), Qt::LeftButton, {}, inside);
    EXPECT_EQ(buttonClicks.count(), 0);
    EXPECT_EQ(imageClicks.count(), 1);
    // On the button's rim, outside the image, the button still gets it.
    QTest::mouseClick(window(), Qt::LeftButton, {}, QPoint(6, 2));
    EXPECT_EQ(buttonClicks.count(), 1);
}

TEST_F(SlotControlsTest, RightPressOnButtonThatEnablesTheImageLetsTheReleaseLandOnIt) {
    image->setSlotEnabled(false);
    QObject::connect(button, &launcher::SlotButton::mouseDown, [this](Qt::MouseButton b, QPoint) {
        if (b == Qt::RightButton)
            image->setSlotEnabled(true);
    });
    QSignalSpy downs(button, &launcher::SlotButton::mouseDown);
    QSignalSpy ups(image, &launcher::SlotImage::mouseUp);
    QTest::mousePress(window(), Qt::RightButton, {}, inside);
    QTest::mouseRelease(window(), Qt::RightButton, {}, inside);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    ASSERT_EQ(ups.count(), 1);
    EXPECT_EQ(ups.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(ups.at(0).at(1).toPoint(), inside - QPoint(7, 3));
}

TEST_F(SlotControlsTest, RightReleaseWithImageStillDisabledReachesNoImage) {
    image->setSlotEnabled(false);
    QSignalSpy ups(image, &launcher::SlotImage::mouseUp);
    QTest::mousePress(window(), Qt::RightButton, {}, inside);
    QTest::mouseRelease(window(), Qt::RightButton, {}, inside);
    EXPECT_EQ(ups.count(), 0);
}

TEST_F(SlotControlsTest, PictureShowsStretchedWhetherEnabledOrNot) {
    QPixmap red(8, 8);
    red.fill(Qt::red);
    image->setPicture(red);
    for (bool enabled : {false, true}) {
        image->setSlotEnabled(enabled);
        const QImage shot = page.grab().toImage();
        EXPECT_EQ(shot.pixelColor(7, 3), QColor(Qt::red)) << enabled;
        EXPECT_EQ(shot.pixelColor(38, 34), QColor(Qt::red)) << enabled;
        EXPECT_NE(shot.pixelColor(40, 36), QColor(Qt::red)) << enabled;
    }
    image->setPicture(QPixmap());
    EXPECT_NE(page.grab().toImage().pixelColor(20, 20), QColor(Qt::red));
}

TEST(SlotTag, OfSlotControlsAndOthers) {
    launcher::SlotButton b(3, nullptr);
    launcher::SlotImage i(13, nullptr);
    QObject other;
    EXPECT_EQ(launcher::SlotTag(&b), 3);
    EXPECT_EQ(launcher::SlotTag(&i), 13);
    EXPECT_EQ(launcher::SlotTag(&other), -1);
    EXPECT_EQ(launcher::SlotTag(nullptr), -1);
}

} // namespace
