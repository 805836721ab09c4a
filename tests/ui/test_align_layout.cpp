// Docking of widgets: the main window's panels are laid out this way.
#include "ui/AlignLayout.h"
#include "ui/TabSet.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(AlignLayout, DocksInOrderAndRelaysWhenADockedSizeChanges) {
    QWidget form;
    auto* layout = new ui::AlignLayout(&form);
    auto* top = new QWidget;
    auto* strip = new QWidget;
    auto* bottom = new QWidget;
    auto* left = new QWidget;
    auto* client = new QWidget;
    layout->addWidget(top, ui::Align::Top);
    layout->addWidget(strip, ui::Align::Top);
    layout->addWidget(bottom, ui::Align::Bottom);
    layout->addWidget(left, ui::Align::Left);
    layout->addWidget(client, ui::Align::Client);
    top->resize(10, 38);
    strip->resize(10, 17);
    bottom->resize(10, 45);
    left->resize(193, 10);
    form.resize(592, 453);
    layout->activate();
    EXPECT_EQ(top->geometry(), QRect(0, 0, 592, 38));
    EXPECT_EQ(strip->geometry(), QRect(0, 38, 592, 17));
    EXPECT_EQ(bottom->geometry(), QRect(0, 408, 592, 45));
    EXPECT_EQ(left->geometry(), QRect(0, 55, 193, 353));
    EXPECT_EQ(client->geometry(), QRect(193, 55, 399, 353));

    top->resize(top->width(), 37);
    bottom->hide();
    layout->activate();
    EXPECT_EQ(strip->geometry(), QRect(0, 37, 592, 17));
    EXPECT_EQ(left->geometry(), QRect(0, 54, 193, 399));
    EXPECT_EQ(client->geometry(), QRect(193, 54, 399, 399));
}

TEST(TabSet, ChangeThenClickAndRefusal) {
    ui::TabSet tabs;
    tabs.setTabs({" １ ", " ２ ", " Ｃｏｎ. "});
    QList<QString> order;
    QObject::connect(&tabs, &ui::TabSet::change, [&](int i, bool*) {
        order.append(QString("change %1 from %2").arg(i).arg(tabs.tabIndex()));
    });
    QObject::connect(&tabs, &ui::TabSet::clicked,
                     [&] { order.append(QString("click %1").arg(tabs.tabIndex())); });
    tabs.setTabIndex(2);
    tabs.setTabIndex(2); // no change, nothing runs
    EXPECT_EQ(order, QList<QString>({"change 2 from -1", "click 2"}));

    bool refuse = true;
    QObject::connect(&tabs, &ui::TabSet::change, [&](int, bool* allow) { *allow = !refuse; });
    tabs.setTabIndex(0);
    EXPECT_EQ(tabs.tabIndex(), 2);
    tabs.setTabIndex(7); // outside
    EXPECT_EQ(tabs.tabIndex(), 2);

    // A press on a tab selects it; tabs are hit where they are drawn.
    refuse = false;
    tabs.resize(300, 17);
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(1).center());
    EXPECT_EQ(tabs.tabIndex(), 1);
    EXPECT_EQ(tabs.tabAt(QPoint(299, 5)), -1);
}

} // namespace
