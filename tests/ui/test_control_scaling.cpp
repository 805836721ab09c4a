#include "app/ZoomRules.h"
#include "ui/ControlScaling.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace ui;

namespace {

// A small window like the main one: a strip at the top with a button, a panel below
// with a label whose font is its own, and a panel that lays its children by a layout.
struct Tree {
    std::unique_ptr<QWidget> window{new QWidget};
    QWidget* strip;
    QPushButton* button;
    QWidget* panel;
    QLabel* label;
    QWidget* boxed;
    QVBoxLayout* box;
    QLabel* boldOnly;

    Tree() {
        QFont f = window->font();
        f.setPixelSize(20);
        window->setFont(f);
        window->resize(600, 400);
        strip = new QWidget(window.get());
        strip->setGeometry(0, 0, 600, 40);
        button = new QPushButton(QStringLiteral("B"), strip);
        button->setGeometry(10, 5, 30, 30);
        button->setFixedSize(30, 30);
        panel = new QWidget(window.get());
        panel->setGeometry(0, 40, 200, 360);
        label = new QLabel(QStringLiteral("L"), panel);
        label->setGeometry(17, 23, 101, 13);
        QFont lf;
        lf.setPixelSize(12);
        label->setFont(lf);
        boldOnly = new QLabel(QStringLiteral("bold"), panel);
        boldOnly->setGeometry(0, 100, 50, 20);
        QFont bf;
        bf.setBold(true);
        boldOnly->setFont(bf);
        boxed = new QWidget(window.get());
        boxed->setGeometry(200, 40, 400, 360);
        box = new QVBoxLayout(boxed);
        box->setContentsMargins(10, 20, 30, 40);
        box->setSpacing(10);
        box->addWidget(new QLabel(QStringLiteral("a")));
        box->addWidget(new QLabel(QStringLiteral("b")));
    }
};

} // namespace

TEST(ControlScaling, ZoomOutScalesPositionsSizesLimitsAndFonts) {
    Tree t;
    ScaleBy(t.window.get(), zoom::kZoomOutM, zoom::kZoomOutD);

    EXPECT_EQ(t.window->size(), QSize(420, 280));
    EXPECT_EQ(t.window->font().pixelSize(), 14);
    EXPECT_EQ(t.strip->geometry(), QRect(0, 0, 420, 28));
    EXPECT_EQ(t.button->geometry(), QRect(7, 3, 21, 21));
    EXPECT_EQ(t.button->minimumSize(), QSize(21, 21));
    EXPECT_EQ(t.button->maximumSize(), QSize(21, 21));
    EXPECT_EQ(t.panel->geometry(), QRect(0, 28, 140, 252));
    EXPECT_EQ(t.label->geometry(), QRect(11, 16, 70, 9)); // each value * 7 div 10
    EXPECT_EQ(t.label->font().pixelSize(), 8);
    // Children without a size of their own follow the window's font.
    EXPECT_EQ(t.button->font().pixelSize(), 14);
    EXPECT_EQ(t.boldOnly->font().pixelSize(), 14);
    EXPECT_TRUE(t.boldOnly->font().bold());
    EXPECT_EQ(t.box->contentsMargins(), QMargins(7, 14, 21, 28));
    EXPECT_EQ(t.box->spacing(), 7);
}

TEST(ControlScaling, TwoStepsEachWayGiveTheFullSizesTimesTheFactors) {
    Tree t;
    int zoom = 100;
    for (int i = 0; i < 2; ++i) {
        ScaleBy(t.window.get(), zoom::kZoomOutM, zoom::kZoomOutD);
        zoom = zoom::ZoomedOut(zoom);
    }
    EXPECT_EQ(zoom, 49);
    EXPECT_EQ(t.strip->height(), 19);                    // 40 * 0.49
    EXPECT_EQ(t.label->geometry(), QRect(8, 11, 49, 6)); // 17,23,101,13 * 0.49
    EXPECT_EQ(t.label->font().pixelSize(), 5);           // 12 -> 8 -> 5
    EXPECT_EQ(t.window->font().pixelSize(), 9);          // 20 -> 14 -> 9

    Tree u;
    zoom = 100;
    for (int i = 0; i < 2; ++i) {
        ScaleBy(u.window.get(), zoom::kZoomInM, zoom::kZoomInD);
        zoom = zoom::ZoomedIn(zoom);
    }
    EXPECT_EQ(zoom, 123);
    EXPECT_EQ(u.strip->height(), 49); // 40 * (10/9)^2
    EXPECT_EQ(u.label->geometry(), QRect(20, 28, 124, 16));
    EXPECT_EQ(u.label->font().pixelSize(), 14);   // 12 -> 13 -> 14
    EXPECT_EQ(u.window->size(), QSize(740, 493)); // 600 -> 666 -> 740
    EXPECT_EQ(u.window->font().pixelSize(), 24);  // 20 -> 22 -> 24
}

TEST(ControlScaling, MaximiseAtSeventyShowsFullSizeAndNormalGoesBack) {
    Tree t;
    ScaleBy(t.window.get(), zoom::kZoomOutM, zoom::kZoomOutD);
    int zoom = zoom::ZoomedOut(100), previous = 100;

    const zoom::ScaleStep max = zoom::MaximizeStep(zoom, previous);
    ASSERT_TRUE(max.scale);
    ScaleControls(t.window.get(), max.m, max.d);
    zoom = max.zoom;
    previous = max.previousZoom;
    EXPECT_EQ(t.strip->height(), 40); // 28 * 100 div 70
    EXPECT_EQ(t.button->geometry(), QRect(10, 5, 30, 30));
    EXPECT_EQ(t.panel->geometry(), QRect(0, 40, 200, 360));
    EXPECT_EQ(t.label->geometry(), QRect(17, 23, 101, 13)); // nothing lost at 70 %
    EXPECT_EQ(t.window->font().pixelSize(), 20);
    EXPECT_EQ(t.window->size(), QSize(420, 280)); // the window manager sizes the window

    const zoom::ScaleStep nor = zoom::NormalStep(zoom, previous);
    ASSERT_TRUE(nor.scale);
    ScaleControls(t.window.get(), nor.m, nor.d);
    EXPECT_EQ(nor.previousZoom, 70);
    EXPECT_EQ(t.strip->height(), 28);
    EXPECT_EQ(t.button->geometry(), QRect(7, 3, 21, 21));
    EXPECT_EQ(t.window->font().pixelSize(), 14);
}

TEST(ControlScaling, NoScaleForEqualFactorsOrZeroDivisor) {
    Tree t;
    ScaleBy(t.window.get(), 100, 100);
    ScaleBy(t.window.get(), 70, 0);
    EXPECT_EQ(t.window->size(), QSize(600, 400));
    EXPECT_EQ(t.label->geometry(), QRect(17, 23, 101, 13));
    EXPECT_EQ(t.window->font().pixelSize(), 20);
    EXPECT_EQ(ScaleValue(592, 700, 1000), 414);
    EXPECT_EQ(ScaleValue(3000000, 1000, 900), 3333333); // the product passes 2^31
    EXPECT_EQ(ScaleValue(-10, 700, 1000), -7);
}

TEST(ControlScaling, LaidOutChildrenFollowTheLayoutAndChildWindowsStayAlone) {
    Tree t;
    t.window->show();
    auto* popup = new QWidget(t.window.get(), Qt::Popup);
    popup->setGeometry(50, 50, 100, 100);
    ScaleBy(t.window.get(), zoom::kZoomOutM, zoom::kZoomOutD);
    EXPECT_EQ(popup->size(), QSize(100, 100));
    // The box layout lays its labels into the scaled panel within its scaled margins.
    auto* first = static_cast<QWidget*>(t.box->itemAt(0)->widget());
    EXPECT_EQ(t.boxed->geometry(), QRect(140, 28, 280, 252));
    EXPECT_EQ(first->x(), 7);
    EXPECT_EQ(first->y(), 14);
    EXPECT_EQ(first->width(), 280 - 7 - 21);
}

TEST(ControlScaling, DownToTheFloorAndBackLosesNoPixelsAndNoFontSize) {
    Tree t;
    auto* tree = new QTreeView(t.panel);
    tree->setIconSize(QSize(16, 16));
    tree->setIndentation(20);
    // Three steps out, eleven in: the zoom is 101 again.
    for (int i = 0; i < 3; ++i)
        ScaleBy(t.window.get(), zoom::kZoomOutM, zoom::kZoomOutD);
    EXPECT_EQ(ScalePercent(t.window.get()), 34);
    EXPECT_EQ(t.label->geometry().height(), 4); // 13 * 0.343
    EXPECT_EQ(t.label->font().pixelSize(), 4);  // 12 * 34 %
    EXPECT_EQ(tree->iconSize(), QSize(5, 5));   // the rows shrink with their text
    EXPECT_EQ(tree->indentation(), 6);
    for (int i = 0; i < 11; ++i)
        ScaleBy(t.window.get(), zoom::kZoomInM, zoom::kZoomInD);
    EXPECT_EQ(ScalePercent(t.window.get()), 101);
    // Each size is its full size times 0.7^3 * (10/9)^11 = 1.093: a 4-pixel height
    // does not stay at 4 (10/9 of it is 4 again).
    EXPECT_EQ(t.label->geometry(), QRect(18, 25, 110, 14));
    EXPECT_EQ(t.strip->height(), 43);
    EXPECT_EQ(t.button->size(), QSize(32, 32));
    EXPECT_EQ(t.button->minimumSize(), QSize(32, 32));
    EXPECT_EQ(t.box->spacing(), 10);
    EXPECT_EQ(t.window->size(), QSize(655, 437)); // the window's own size is stepped too
    EXPECT_EQ(tree->iconSize(), QSize(17, 17));
    EXPECT_EQ(tree->indentation(), 21);
    // The fonts follow the zoom: back at their size.
    EXPECT_EQ(t.label->font().pixelSize(), 12);
    EXPECT_EQ(t.window->font().pixelSize(), 20);
    EXPECT_EQ(t.boldOnly->font().pixelSize(), 20);
    EXPECT_TRUE(t.boldOnly->font().bold());
}

TEST(ControlScaling, MaximiseAndBackAgainAndAgainDoesNotDrift) {
    Tree t;
    for (int i = 0; i < 3; ++i)
        ScaleBy(t.window.get(), zoom::kZoomOutM, zoom::kZoomOutD);
    const QRect label = t.label->geometry();
    const QRect button = t.button->geometry();
    const int font = t.label->font().pixelSize();
    for (int round = 0; round < 3; ++round) {
        ScaleControls(t.window.get(), 100, 34);
        EXPECT_EQ(t.label->geometry(), QRect(17, 23, 101, 13));
        EXPECT_EQ(t.label->font().pixelSize(), 12);
        ScaleControls(t.window.get(), 34, 100);
        EXPECT_EQ(t.label->geometry(), label);
        EXPECT_EQ(t.button->geometry(), button);
        EXPECT_EQ(t.label->font().pixelSize(), font);
    }
}

TEST(ControlScaling, WhatChangedBetweenStepsIsScaledFromWhereItIs) {
    Tree t;
    ScaleBy(t.window.get(), zoom::kZoomOutM, zoom::kZoomOutD);
    // The user widens the panel and the program gives the label another font while
    // at 70 %; the next steps start from there.
    t.panel->resize(210, t.panel->height());
    QFont f = t.label->font();
    f.setPixelSize(14);
    t.label->setFont(f);
    ScaleBy(t.window.get(), 100, 70);
    EXPECT_EQ(t.panel->width(), 300);
    EXPECT_EQ(t.label->font().pixelSize(), 20);
    EXPECT_EQ(t.label->height(), 13); // untouched values come back exactly
    ScaleBy(t.window.get(), zoom::kZoomOutM, zoom::kZoomOutD);
    EXPECT_EQ(t.panel->width(), 210);
    EXPECT_EQ(t.label->font().pixelSize(), 14);
}

TEST(ControlScaling, HeaderSectionsGrowWithTheirCaptionsAndComeBack) {
    Tree t;
    auto* header = new QHeaderView(Qt::Horizontal, t.panel);
    auto* model = new QStandardItemModel(0, 3, header);
    model->setHorizontalHeaderLabels({QStringLiteral("Sort by"), QStringLiteral("Name"), {}});
    header->setModel(model);
    header->setMinimumSectionSize(1);
    QFont f = header->font();
    f.setPixelSize(12);
    header->setFont(f);
    header->resizeSection(0, 85);
    header->resizeSection(1, 20); // narrower than its caption from the start
    header->resizeSection(2, 1000);
    ScaleControls(t.window.get(), 206, 100);
    EXPECT_EQ(header->sectionSize(0), 175); // 85 * 2.06
    EXPECT_EQ(header->sectionSize(2), 2060);
    // At the new font every caption fits its section.
    EXPECT_GE(header->sectionSize(0), header->sectionSizeHint(0));
    EXPECT_GE(header->sectionSize(1), header->sectionSizeHint(1));
    EXPECT_GT(header->sectionSize(1), 41); // 20 * 2.06
    ScaleControls(t.window.get(), 100, 206);
    EXPECT_EQ(header->sectionSize(0), 85);
    EXPECT_EQ(header->sectionSize(2), 1000);
    EXPECT_GE(header->sectionSize(1), header->sectionSizeHint(1));
}
