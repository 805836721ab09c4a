#include "ui/TrayService.h"

#include <QCursor>
#include <QMenu>
#include <QWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace ui;

namespace {

struct TrayWindow {
    std::unique_ptr<QWidget> window{new QWidget};
    TrayService* tray = new TrayService(window.get());
    QMenu* menu = new QMenu(window.get());
    int comeBacks = 0;

    explicit TrayWindow(bool available) {
        TrayService::setAvailabilitySource([available] { return available; });
        menu->addAction(QStringLiteral("a"));
        tray->setMenu(menu);
        // What the main window does on coming back: leave the tray.
        tray->setComeBackHandler([this] {
            ++comeBacks;
            tray->leave();
        });
        window->setGeometry(100, 100, 300, 100);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    ~TrayWindow() { TrayService::setAvailabilitySource(nullptr); }
};

} // namespace

TEST(TrayService, TipAndMenuPlace) {
    EXPECT_EQ(TrayService::tipText(), QStringLiteral("ゼル君は、休憩中です。お仕事ですか !!"));
    EXPECT_EQ(TrayService::menuPosition(QPoint(500, 700)), QPoint(520, 650));
}

TEST(TrayService, HidesBehindTheIconAndComesBackOnALeftPress) {
    TrayWindow w(true);
    w.tray->enter();
    EXPECT_TRUE(w.tray->inTray());
    EXPECT_FALSE(w.tray->minimizedInstead());
    EXPECT_FALSE(w.window->isVisible());
    ASSERT_NE(w.tray->icon(), nullptr);
    EXPECT_TRUE(w.tray->icon()->isVisible());
    EXPECT_EQ(w.tray->icon()->toolTip(), TrayService::tipText());
    EXPECT_FALSE(w.tray->icon()->icon().isNull());
    QSystemTrayIcon* first = w.tray->icon();
    w.tray->enter(); // entering again (a paint while in tray) keeps the one icon
    EXPECT_EQ(w.tray->icon(), first);

    // Other presses do nothing.
    w.tray->handleActivation(QSystemTrayIcon::DoubleClick);
    w.tray->handleActivation(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(w.comeBacks, 0);
    EXPECT_FALSE(w.menu->isVisible());

    emit w.tray->icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(w.comeBacks, 1);
    EXPECT_FALSE(w.tray->inTray());
    EXPECT_EQ(w.tray->icon(), nullptr);
    EXPECT_TRUE(w.window->isVisible());
}

TEST(TrayService, AWindowMinimisedBeforeTheTrayComesBackNormal) {
    TrayWindow w(true);
    w.window->showMinimized();
    w.tray->enter();
    EXPECT_FALSE(w.window->isVisible());
    w.tray->handleActivation(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_FALSE(w.window->isMinimized());
}

TEST(TrayService, RightPressOpensTheTrayMenuAboveRightOfTheCursor) {
    TrayWindow w(true);
    w.tray->enter();
    QCursor::setPos(400, 300);
    w.tray->handleActivation(QSystemTrayIcon::Context);
    EXPECT_TRUE(w.menu->isVisible());
    EXPECT_EQ(w.menu->pos(), TrayService::menuPosition(QCursor::pos()));
    EXPECT_EQ(w.comeBacks, 0);
    EXPECT_TRUE(w.tray->inTray());
    w.menu->hide();
}

TEST(TrayService, WithoutANotificationAreaTheWindowIsMinimisedAndRestoringComesBack) {
    TrayWindow w(false);
    w.tray->enter();
    EXPECT_TRUE(w.tray->inTray());
    EXPECT_TRUE(w.tray->minimizedInstead());
    EXPECT_TRUE(w.window->isMinimized());
    EXPECT_EQ(w.tray->icon(), nullptr);
    w.tray->enter();
    EXPECT_EQ(w.comeBacks, 0);

    // The user restores the window from the taskbar.
    w.window->showNormal();
    EXPECT_EQ(w.comeBacks, 1);
    EXPECT_FALSE(w.tray->inTray());
    EXPECT_FALSE(w.window->isMinimized());
    EXPECT_TRUE(w.window->isVisible());

    // Leaving by the menu item while still minimised shows the window again.
    w.tray->enter();
    w.tray->leave();
    EXPECT_FALSE(w.window->isMinimized());
    EXPECT_EQ(w.comeBacks, 1);
}
