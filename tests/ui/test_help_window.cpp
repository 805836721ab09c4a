#include "ui/HelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace ui;

namespace {

QString shownText() {
    return HelpWindow()->browser()->toPlainText();
}

} // namespace

TEST(Help, ShowHelpOpensTheWindowAtTheContextsPage) {
    ShowHelp(1000);
    THelpForm* form = HelpWindow();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ゼルモ３２ ： ヘルプ"));
    EXPECT_EQ(form->currentContext(), 1000);
    EXPECT_EQ(form->browser()->source(), QUrl("qrc:/res/help/1000.html"));
    EXPECT_TRUE(shownText().contains(QStringLiteral("ゼルモ３２ の使い方")));

    ShowHelp(1077);
    EXPECT_EQ(HelpWindow(), form); // reused
    EXPECT_EQ(form->currentContext(), 1077);
    EXPECT_TRUE(shownText().contains(QStringLiteral("複写・移動・ごみ箱・削除")));

    // Unknown contexts fall back to the contents.
    for (int unknown : {0, -5, 1001, 9999}) {
        ShowHelp(unknown);
        EXPECT_EQ(form->currentContext(), 1000) << unknown;
        EXPECT_EQ(form->browser()->source(), QUrl("qrc:/res/help/1000.html"));
    }
}

TEST(Help, EveryContextOfTheProgramHasAPageAndTheContentsLinkThem) {
    const int contexts[] = {1000, 1030, 1040, 1042, 1044, 1046, 1055,
                            1056, 1060, 1070, 1075, 1077, 1085, 1100};
    ShowHelp(1000);
    const QString contents = HelpWindow()->browser()->toHtml();
    for (int c : contexts) {
        EXPECT_TRUE(HasHelpPage(c)) << c;
        ShowHelp(c);
        EXPECT_EQ(HelpWindow()->currentContext(), c);
        EXPECT_FALSE(HelpWindow()->browser()->documentTitle().isEmpty()) << c;
        if (c != 1000) {
            EXPECT_TRUE(contents.contains(QStringLiteral("%1.html").arg(c))) << c;
        }
    }
    // Following a link updates the current context.
    ShowHelp(1030);
    HelpWindow()->browser()->setSource(QUrl("1085.html"));
    EXPECT_EQ(HelpWindow()->currentContext(), 1085);
    HelpWindow()->browser()->backward();
    EXPECT_EQ(HelpWindow()->currentContext(), 1030);
}

TEST(Help, ContextIsFoundOnTheWidgetOrItsNearestParent) {
    QWidget top;
    auto* panel = new QWidget(&top);
    auto* edit = new QLineEdit(panel);
    EXPECT_EQ(HelpContextOf(edit), 0);
    SetHelpContext(&top, 1000);
    EXPECT_EQ(HelpContextOf(edit), 1000);
    SetHelpContext(panel, 1042);
    EXPECT_EQ(HelpContextOf(edit), 1042);
    SetHelpContext(edit, 1060);
    EXPECT_EQ(HelpContextOf(edit), 1060);
    EXPECT_EQ(HelpContextOf(nullptr), 0);
}

TEST(Help, F1ShowsTheFocusedWidgetsContextEvenOverAShortcut) {
    InstallHelpKey(qApp);
    InstallHelpKey(qApp); // once is enough; twice changes nothing
    QWidget top;
    SetHelpContext(&top, 1000);
    auto* panel = new QWidget(&top);
    SetHelpContext(panel, 1042);
    auto* edit = new QLineEdit(panel);
    auto* other = new QLineEdit(&top);
    // The context menu item "ヘルプ" carries F1 as its shortcut.
    int shortcutFired = 0;
    auto* help = new QAction(QStringLiteral("ヘルプ  (&H)"), &top);
    help->setShortcut(Qt::Key_F1);
    QObject::connect(help, &QAction::triggered, [&] { ++shortcutFired; });
    top.addAction(help);
    top.show();
    QApplication::setActiveWindow(&top);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&top));

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_F1);
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_EQ(HelpWindow()->currentContext(), 1042);

    other->setFocus();
    QTest::keyClick(other, Qt::Key_F1);
    EXPECT_EQ(HelpWindow()->currentContext(), 1000);
    EXPECT_EQ(shortcutFired, 0);

    // A plain key still reaches the widget.
    QTest::keyClick(other, Qt::Key_A);
    EXPECT_EQ(other->text(), QStringLiteral("a"));
}

TEST(Help, F1InAWindowWithoutFocusableControlsShowsThatWindowsContext) {
    InstallHelpKey(qApp);
    QWidget main;
    SetHelpContext(&main, 1000);
    auto* list = new QLineEdit(&main);
    SetHelpContext(list, 1060);
    main.show();
    QApplication::setActiveWindow(&main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    list->setFocus();

    // A picture or a clock and labels: nothing in it takes the focus.
    QWidget info;
    SetHelpContext(&info, 1100);
    new QLabel(QStringLiteral("各種情報"), &info);
    info.show();
    QApplication::setActiveWindow(&info);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&info));
    QTest::keyClick(&info, Qt::Key_F1);
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_EQ(HelpWindow()->currentContext(), 1100);

    QApplication::setActiveWindow(&main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F1);
    EXPECT_EQ(HelpWindow()->currentContext(), 1060);
}

TEST(Help, F1InAMenuShowsTheHighlightedItemsContext) {
    InstallHelpKey(qApp);
    QWidget top;
    SetHelpContext(&top, 1000);
    QMenu menu(&top);
    SetHelpContext(&menu, 1030);
    QAction* zoom = menu.addAction(QStringLiteral("縮小"));
    SetHelpContext(zoom, 1055);
    menu.addAction(QStringLiteral("その他"));
    top.show();

    bool seen = false;
    QTimer::singleShot(0, [&] {
        menu.setActiveAction(zoom);
        QTest::keyClick(&menu, Qt::Key_F1);
        seen = true;
    });
    menu.exec(QPoint(10, 10));
    ASSERT_TRUE(seen);
    EXPECT_EQ(HelpWindow()->currentContext(), 1055);
    EXPECT_FALSE(menu.isVisible());

    QTimer::singleShot(0, [&] {
        menu.setActiveAction(menu.actions().at(1));
        QTest::keyClick(&menu, Qt::Key_F1);
    });
    menu.exec(QPoint(10, 10));
    EXPECT_EQ(HelpWindow()->currentContext(), 1030);
}
