#include "ui/FramelessFrame.h"

#include "ui/TabSet.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace ui;

namespace {

// A caption-less window whose whole area is covered by one background control, as
// the launcher strip covers the main window.
struct FrameWindow {
    std::unique_ptr<QWidget> window{new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)};
    QWidget* background = new QWidget(window.get());
    FramelessFrame* frame = new FramelessFrame(window.get());
    bool viewerOpen = false;
    bool creating = false;

    FrameWindow() {
        window->setGeometry(100, 100, 300, 100);
        background->setGeometry(0, 0, 300, 100);
        frame->setUseSystemResize(false);
        frame->setEdgesInertWhen([this] { return !viewerOpen; });
        frame->setHeightLockedWhen([this] { return !viewerOpen && !creating; });
        frame->addBackground(background);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    // A drag with the left button from one point of the background to another, both
    // given in window coordinates at the time of the press.
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(background, Qt::LeftButton, {}, from);
        const QPoint global = background->mapToGlobal(from) + (to - from);
        QTest::mouseMove(background, background->mapFromGlobal(global));
        QTest::mouseRelease(background, Qt::LeftButton, {}, background->mapFromGlobal(global));
    }

    void hover(QPoint local) {
        QMouseEvent e(QEvent::MouseMove, local, background->mapToGlobal(local), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(background, &e);
    }
};

} // namespace

TEST(FramelessFrame, DraggingTheBackgroundMovesTheWindow) {
    FrameWindow w;
    QTest::mousePress(w.background, Qt::LeftButton, {}, QPoint(50, 40));
    EXPECT_TRUE(w.frame->isDragging());
    EXPECT_EQ(w.frame->dragOrigin(), QPoint(50, 40));
    QTest::mouseMove(w.background, QPoint(70, 55));
    EXPECT_EQ(w.window->pos(), QPoint(120, 115));
    // The background has moved with the window: the same screen point is now (50, 40).
    QTest::mouseMove(w.background, QPoint(40, 45));
    EXPECT_EQ(w.window->pos(), QPoint(110, 120));
    QTest::mouseRelease(w.background, Qt::LeftButton, {}, QPoint(40, 45));
    EXPECT_FALSE(w.frame->isDragging());
    EXPECT_EQ(w.window->size(), QSize(300, 100));
}

TEST(FramelessFrame, HandlersCanMoveTheWindowThemselves) {
    FrameWindow w;
    QWidget* other = new QWidget(w.window.get()); // a control not registered as background
    other->setGeometry(10, 10, 20, 20);
    w.frame->beginMove(other, QPoint(5, 5));
    w.frame->dragTo(other, QPoint(15, 0));
    EXPECT_EQ(w.window->pos(), QPoint(110, 95));
    w.frame->endMove();
    w.frame->dragTo(other, QPoint(30, 30));
    EXPECT_EQ(w.window->pos(), QPoint(110, 95));
}

TEST(FramelessFrame, RightPressReportsTheScreenPosition) {
    FrameWindow w;
    QWidget* pressed = nullptr;
    QPoint at;
    int calls = 0;
    w.frame->setRightPressHandler([&](QWidget* c, QPoint g) {
        pressed = c;
        at = g;
        ++calls;
    });
    QTest::mousePress(w.background, Qt::RightButton, {}, QPoint(30, 40));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(pressed, w.background);
    EXPECT_EQ(at, QPoint(130, 140));
    EXPECT_FALSE(w.frame->isDragging());
    QTest::mouseRelease(w.background, Qt::RightButton, {}, QPoint(30, 40));
    EXPECT_EQ(w.window->pos(), QPoint(100, 100));
}

TEST(FramelessFrame, ViewerClosedKeepsTheHeightAndOnlyTheWidthChanges) {
    FrameWindow w;
    // Bottom and top edges do nothing at all: no resize and no move.
    w.drag(QPoint(150, 98), QPoint(150, 160));
    w.drag(QPoint(150, 1), QPoint(150, -40));
    EXPECT_EQ(w.window->geometry(), QRect(100, 100, 300, 100));
    EXPECT_FALSE(w.frame->isDragging());
    // The bottom-right corner acts as the right edge.
    w.drag(QPoint(298, 98), QPoint(338, 150));
    EXPECT_EQ(w.window->geometry(), QRect(100, 100, 340, 100));
    // The left edge keeps the right side where it is.
    w.drag(QPoint(1, 50), QPoint(-19, 80));
    EXPECT_EQ(w.window->geometry(), QRect(80, 100, 360, 100));
    // Inside the edges the same drag moves the window.
    w.drag(QPoint(150, 50), QPoint(150, 80));
    EXPECT_EQ(w.window->geometry(), QRect(80, 130, 360, 100));
}

TEST(FramelessFrame, HeightLockAloneAlsoKeepsTheHeight) {
    FrameWindow w;
    w.frame->setEdgesInertWhen(nullptr);
    w.drag(QPoint(150, 98), QPoint(150, 160));
    EXPECT_EQ(w.window->geometry(), QRect(100, 100, 300, 100));
    // While creating, the lock is lifted; the edges stay inert only by the other rule.
    w.creating = true;
    w.drag(QPoint(150, 98), QPoint(150, 160));
    EXPECT_EQ(w.window->geometry(), QRect(100, 100, 300, 162));
}

TEST(FramelessFrame, ViewerOpenResizesByEveryEdge) {
    FrameWindow w;
    w.viewerOpen = true;
    w.drag(QPoint(150, 98), QPoint(150, 158));
    EXPECT_EQ(w.window->geometry(), QRect(100, 100, 300, 160));
    w.drag(QPoint(150, 1), QPoint(150, -19));
    EXPECT_EQ(w.window->geometry(), QRect(100, 80, 300, 180));
    w.drag(QPoint(1, 1), QPoint(11, 11));
    EXPECT_EQ(w.window->geometry(), QRect(110, 90, 290, 170));
    // Never smaller than four edge widths.
    w.drag(QPoint(288, 85), QPoint(0, 85));
    EXPECT_EQ(w.window->width(), 16);
}

TEST(FramelessFrame, EdgeCursorAndHeldHeightWhileThePointerRestsOnAnEdge) {
    FrameWindow w;
    w.hover(QPoint(299, 50));
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::SizeHorCursor);
    EXPECT_EQ(w.window->minimumHeight(), 100);
    EXPECT_EQ(w.window->maximumHeight(), 100);
    // The bottom edge is inert: no cursor, no limits.
    w.hover(QPoint(150, 99));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(w.window->minimumHeight(), 0);
    EXPECT_EQ(w.window->maximumHeight(), QWIDGETSIZE_MAX);

    w.viewerOpen = true;
    w.hover(QPoint(299, 99));
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::SizeFDiagCursor);
    w.hover(QPoint(0, 99));
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::SizeBDiagCursor);
    EXPECT_EQ(w.window->maximumHeight(), QWIDGETSIZE_MAX);
    w.hover(QPoint(150, 50));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(FramelessFrame, TheWindowsOwnResizeIsNeverClampedByTheHeldHeight) {
    FrameWindow w;
    w.hover(QPoint(299, 50));
    ASSERT_EQ(w.window->maximumHeight(), 100);
    // A key runs a command that changes the height (closing the viewer, a zoom step).
    QTest::keyClick(w.window.get(), Qt::Key_F5);
    w.window->resize(300, 61);
    EXPECT_EQ(w.window->height(), 61);
}

TEST(FramelessFrame, MaximisedOrFramedWindowsHaveNoEdges) {
    FrameWindow w;
    w.viewerOpen = true;
    const QPoint corner = w.window->mapToGlobal(QPoint(299, 99));
    EXPECT_EQ(w.frame->edgesAt(corner), Qt::RightEdge | Qt::BottomEdge);
    w.window->showMaximized();
    EXPECT_EQ(w.frame->edgesAt(w.window->mapToGlobal(QPoint(0, 0))), Qt::Edges());
}

namespace {

// The launcher strip in small: a button whose top lies in the top edge strip, a picture
// lying on its face, and a tab set along the bottom whose tabs reach the bottom edge.
struct StripWindow : FrameWindow {
    QPushButton* button = new QPushButton(background);
    QWidget* picture = new QWidget(background);
    TabSet* tabs = new TabSet(window.get());

    StripWindow() {
        button->setGeometry(50, 1, 36, 36);
        picture->setGeometry(52, 3, 32, 32);
        tabs->setTabs({QStringLiteral(" 1 "), QStringLiteral(" 2 ")});
        tabs->setTabHeight(16);
        tabs->setGeometry(0, 84, 300, 16);
        tabs->setTabIndex(0);
        frame->addBackground(tabs);
        button->show();
        picture->show();
        tabs->show();
    }
    QWindow* handle() { return window->windowHandle(); }
    // A left click where the user would click, delivered by the window system.
    void click(QPoint at) {
        QTest::mousePress(handle(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, at);
    }
};

} // namespace

TEST(FramelessFrame, AButtonInTheEdgeStripKeepsItsPressWithTheViewerOpenOrClosed) {
    for (bool open : {false, true}) {
        StripWindow w;
        w.viewerOpen = open;
        QSignalSpy clicks(w.button, &QPushButton::clicked);
        for (int y : {1, 2, 3}) {
            w.click(QPoint(51, y)); // the rim, beside the picture
            EXPECT_EQ(clicks.count(), y) << open << y;
        }
        EXPECT_EQ(w.window->geometry(), QRect(100, 100, 300, 100)) << open;
        EXPECT_FALSE(w.frame->isResizing());
        EXPECT_EQ(w.frame->edgesAt(w.window->mapToGlobal(QPoint(60, 1))), Qt::Edges()) << open;
        // No resize cursor over the button either.
        w.hover(QPoint(60, 1));
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << open;
    }
}

TEST(FramelessFrame, APictureOnAButtonsFaceInTheStripGetsThePress) {
    StripWindow w;
    w.viewerOpen = true;
    struct PressCounter : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::MouseButtonPress)
                ++presses;
            return false;
        }
    } counter;
    w.picture->installEventFilter(&counter);
    QTest::mousePress(w.handle(), Qt::LeftButton, {}, QPoint(60, 3));
    EXPECT_EQ(counter.presses, 1);
    EXPECT_FALSE(w.frame->isResizing());
    QTest::mouseRelease(w.handle(), Qt::LeftButton, {}, QPoint(60, 3));
    EXPECT_EQ(w.window->geometry(), QRect(100, 100, 300, 100));
}

TEST(FramelessFrame, ATabInTheBottomStripIsChosenAndTheEdgeBesideItStillResizes) {
    StripWindow w;
    w.viewerOpen = true;
    const QPoint onSecondTab = w.tabs->tabRect(1).center();
    w.click(QPoint(onSecondTab.x(), 98));
    EXPECT_EQ(w.tabs->tabIndex(), 1);
    EXPECT_EQ(w.window->geometry(), QRect(100, 100, 300, 100));
    // Beside the tabs and beside the button the edges are the frame's as before.
    QTest::mousePress(w.handle(), Qt::LeftButton, {}, QPoint(250, 98));
    EXPECT_TRUE(w.frame->isResizing());
    QTest::mouseMove(w.tabs, QPoint(250, 34));
    QTest::mouseRelease(w.tabs, Qt::LeftButton, {}, QPoint(250, 34));
    EXPECT_EQ(w.window->geometry(), QRect(100, 100, 300, 120));
    QTest::mousePress(w.handle(), Qt::LeftButton, {}, QPoint(20, 1));
    EXPECT_TRUE(w.frame->isResizing());
    QTest::mouseRelease(w.handle(), Qt::LeftButton, {}, QPoint(20, 1));
    // The left and right edges resize the width with the viewer closed too.
    w.viewerOpen = false;
    w.drag(QPoint(299, 50), QPoint(319, 50));
    EXPECT_EQ(w.window->width(), 320);
}
