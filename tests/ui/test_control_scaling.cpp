#include "app/ZoomRules.h"
#include "ui/ControlScaling.h"

#include <QLabel>
#include <QPushButton>
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

TEST(ControlScaling, TwoStepsEachWayGiveTheExactPixels) {
    Tree t;
    int zoom = 100;
    for (int i = 0; i < 2; ++i) {
        ScaleBy(t.window.get(), zoom::kZoomOutM, zoom::kZoomOutD);
        zoom = zoom::ZoomedOut(zoom);
    }
    EXPECT_EQ(zoom, 49);
    EXPECT_EQ(t.strip->height(), 19);                    // 40 -> 28 -> 19
    EXPECT_EQ(t.label->geometry(), QRect(7, 11, 49, 6)); // 17,23,101,13 twice
    EXPECT_EQ(t.label->font().pixelSize(), 5);           // 12 -> 8 -> 5
    EXPECT_EQ(t.window->font().pixelSize(), 9);          // 20 -> 14 -> 9

    Tree u;
    zoom = 100;
    for (int i = 0; i < 2; ++i) {
        ScaleBy(u.window.get(), zoom::kZoomInM, zoom::kZoomInD);
        zoom = zoom::ZoomedIn(zoom);
    }
    EXPECT_EQ(zoom, 123);
    EXPECT_EQ(u.strip->height(), 48); // 40 -> 44 -> 48
    EXPECT_EQ(u.label->geometry(), QRect(20, 27, 124, 15));
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
    EXPECT_EQ(t.button->geometry(), QRect(10, 4, 30, 30));
    EXPECT_EQ(t.panel->geometry(), QRect(0, 40, 200, 360));
    EXPECT_EQ(t.label->geometry(), QRect(15, 22, 100, 12)); // what 70 % kept of it
    EXPECT_EQ(t.window->font().pixelSize(), 20);
    EXPECT_EQ(t.window->size(), QSize(420, 280)); // the window manager sizes the window

    const zoom::ScaleStep nor = zoom::NormalStep(zoom, previous);
    ASSERT_TRUE(nor.scale);
    ScaleControls(t.window.get(), nor.m, nor.d);
    EXPECT_EQ(nor.previousZoom, 70);
    EXPECT_EQ(t.strip->height(), 28);
    EXPECT_EQ(t.button->geometry(), QRect(7, 2, 21, 21));
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
