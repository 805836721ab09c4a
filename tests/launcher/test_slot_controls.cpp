// Which control of a slot receives the mouse, through the window as a user's click would.
#include "launcher/SlotControls.h"

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
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

// A page of slots made as the main window makes them: first the buttons, then the images
// lying on their faces, disabled, with the hint of an unregistered slot.
class SlotHintTest : public ::testing::Test {
protected:
    static constexpr int kSlots = 3;
    void SetUp() override {
        page.resize(200, 40);
        for (int k = 0; k < kSlots; ++k) {
            buttons[k] = new launcher::SlotButton(k, &page);
            buttons[k]->setGeometry(5 + 37 * k, 1, 36, 36);
        }
        for (int k = 0; k < kSlots; ++k) {
            images[k] = new launcher::SlotImage(k, &page);
            images[k]->setGeometry(7 + 37 * k, 3, 32, 32);
            images[k]->setSlotEnabled(false);
            images[k]->setToolTip(QStringLiteral("未登録 ") + QString::number(k + 1));
        }
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
    void TearDown() override { hideHint(); }

    // QToolTip::hideText only starts a fade; the next probe must not read the last hint.
    static void hideHint() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("qtooltip_label"))
                w->hide();
    }

    // What the user reads when the pointer rests at a point of the page: the help event
    // goes to the control that takes the mouse there and on up to its parents, as the
    // application sends it.
    QString hintAt(QPoint pos) {
        hideHint();
        QWidget* target = page.childAt(pos);
        if (!target)
            target = &page;
        QHelpEvent e(QEvent::ToolTip, target->mapFrom(&page, pos), page.mapToGlobal(pos));
        QApplication::sendEvent(target, &e);
        if (!QToolTip::isVisible())
            return QString();
        QTextDocument shown;
        shown.setHtml(QToolTip::text());
        if (!Qt::mightBeRichText(QToolTip::text()))
            shown.setPlainText(QToolTip::text());
        return shown.toPlainText();
    }
    static QPoint middleOf(int k) { return {7 + 37 * k + 16, 19}; }

    QWidget page;
    launcher::SlotButton* buttons[kSlots] = {};
    launcher::SlotImage* images[kSlots] = {};
};

TEST_F(SlotHintTest, EverySlotShowsItsHintWithTheImagesDisabledOrEnabled) {
    for (bool enabled : {false, true}) {
        for (launcher::SlotImage* image : images)
            image->setSlotEnabled(enabled);
        for (int k = 0; k < kSlots; ++k) {
            const QString hint = QStringLiteral("未登録 ") + QString::number(k + 1);
            EXPECT_EQ(hintAt(middleOf(k)), hint) << enabled << k;
            // The button's rim around the picture is the same slot.
            EXPECT_EQ(hintAt(QPoint(5 + 37 * k + 1, 2)), hint) << enabled << k;
        }
        // Between the buttons there is no slot.
        EXPECT_EQ(hintAt(QPoint(120, 39)), QString()) << enabled;
    }
    // A slot that is given a new hint (registered, removed) shows that one at once.
    images[1]->setToolTip(QStringLiteral("/home/ゼル/bin/tool"));
    images[1]->setSlotEnabled(false);
    EXPECT_EQ(hintAt(middleOf(1)), QStringLiteral("/home/ゼル/bin/tool"));
    // Clicks still go to the button while the image is disabled.
    QSignalSpy buttonClicks(buttons[1], &QPushButton::clicked);
    QSignalSpy imageClicks(images[1], &launcher::SlotImage::clicked);
    QTest::mouseClick(page.windowHandle(), Qt::LeftButton, {}, middleOf(1));
    EXPECT_EQ(buttonClicks.count(), 1);
    EXPECT_EQ(imageClicks.count(), 0);
}

TEST_F(SlotHintTest, AHintMadeOfAFileNameShowsAsPlainText) {
    // File names may look like markup and hold line breaks; the hint shows them as typed.
    const QString name = QStringLiteral("/tmp/<b>bold</b> & <i>it\nline</i>");
    const QString withBreak = QStringLiteral("/tmp/two\nlines <br>.exe");
    for (bool enabled : {false, true}) {
        images[0]->setSlotEnabled(enabled);
        images[0]->setToolTip(name);
        EXPECT_EQ(hintAt(middleOf(0)), name) << enabled;
        images[0]->setToolTip(withBreak);
        EXPECT_EQ(hintAt(middleOf(0)), withBreak) << enabled;
    }
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
