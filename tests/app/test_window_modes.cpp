// The window modes on the real main window: viewer open and closed, zoom steps, the
// height lock, maximise and normal size, the task tray, the title clock and moving the
// window by its background.
#include "app/TitleClock.h"
#include "app/ViewerGeometry.h"
#include "app/ZoomRules.h"
#include "launcher/SlotControls.h"
#include "tests/browser/MainWindowFixture.h"
#include "ui/FramelessFrame.h"
#include "ui/Panel.h"
#include "ui/Resources.h"
#include "ui/TabSet.h"
#include "ui/TrayService.h"

#include <QAction>
#include <QComboBox>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace {

class WindowModesTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        file("a.txt", 3);
        file("b.txt", 4);
        dir("sub");
        file("sub/one.txt", 10);
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        ui::TrayService::setAvailabilitySource(nullptr);
        SetTitleClockSource(nullptr);
    }
    QByteArray ini() const {
        QFile f(settingsDir.filePath("zelmo32.INI"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool iniHas(const QByteArray& line) const {
        return ini().replace("\r\n", "\n").split('\n').contains(line);
    }
    QRect slot(const TForm1& f) const { return f.Launcher().SlotButtons[0][0]->geometry(); }
    // A mouse move without a button, as the pointer passes over a control.
    static void hover(QWidget* w, QPoint local) {
        QMouseEvent e(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    // The window system maximises in its own time; the window then fits its panels.
    static void waitMaximized(TForm1&) { QTest::qWait(WindowModes::kMaximizeSettleMs + 100); }
};

TEST_F(WindowModesTest, ZoomOutTwiceGives49AndScalesEveryControl) {
    TForm1& f = create();
    ASSERT_EQ(slot(f), QRect(5, 1, 36, 36));
    const QSize window = f.size();
    const int list = f.Files().ListBox1->width();
    const int panel = f.Files().DirectoryPanel->width();

    f.Modes().ZoomOutClick();
    EXPECT_EQ(f.State().Zoom, 70);
    EXPECT_EQ(slot(f), QRect(3, 0, 25, 25));
    EXPECT_EQ(f.Launcher().SlotImages[0][0]->geometry(), QRect(4, 2, 22, 22));
    EXPECT_EQ(f.size(), QSize(window.width() * 7 / 10, window.height() * 7 / 10));
    EXPECT_EQ(f.Files().DirectoryPanel->width(), panel * 7 / 10);
    EXPECT_NEAR(f.Files().ListBox1->width(), list * 7 / 10, 3);
    EXPECT_EQ(f.Launcher().Notebook1->height(), 37 * 7 / 10);
    EXPECT_EQ(f.Launcher().TabSet1->height(), 17 * 7 / 10);
    EXPECT_FALSE(f.State().Creating);

    f.Modes().ZoomOutClick();
    EXPECT_EQ(f.State().Zoom, 49);
    EXPECT_EQ(slot(f), QRect(2, 0, 17, 17));
    EXPECT_NEAR(f.Files().ListBox1->width(), list * 49 / 100, 4);
    // The tree stays on its directory and the list keeps its files.
    EXPECT_EQ(f.Files().DirList2->GetSelectedPath(), root + "/");
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"a.txt", "b.txt"}));
}

TEST_F(WindowModesTest, ZoomInTwiceGives123AndStaysOnTheScreen) {
    TForm1& f = create();
    const int list = f.Files().ListBox1->width();
    f.Modes().ZoomInClick();
    EXPECT_EQ(f.State().Zoom, 111);
    EXPECT_EQ(slot(f), QRect(5, 1, 40, 40));
    EXPECT_EQ(f.size(), QSize(640 * 10 / 9, 480 * 10 / 9));
    EXPECT_NEAR(f.Files().ListBox1->width(), list * 10 / 9, 3);
    f.Modes().ZoomInClick();
    EXPECT_EQ(f.State().Zoom, 123);
    EXPECT_EQ(slot(f), QRect(6, 1, 44, 44)); // 5, 1, 36 and 36 times (10/9)^2
    // The window grows no larger than 9/10 of the screen's width and 8/10 of its height.
    f.Modes().ZoomInClick();
    f.Modes().ZoomInClick();
    EXPECT_EQ(f.State().Zoom, 151);
    EXPECT_EQ(f.size(), QSize(1024 * 9 / 10, 768 * 8 / 10));
}

TEST_F(WindowModesTest, ZoomOutStopsWhereZoomingInCanStillBringTheControlsBack) {
    TForm1& f = create();
    for (int expected : {70, 49, 34}) {
        f.Modes().ZoomOutClick();
        ASSERT_EQ(f.State().Zoom, expected);
    }
    const QRect before = slot(f);
    const QSize window = f.size();
    EXPECT_EQ(before, QRect(1, 0, 12, 12)); // 36 * 0.343
    // 34 * 700 div 1000 would be 23, with 7-pixel buttons that never grow again by
    // whole pixels: refused, nothing changes.
    f.Modes().ZoomOutClick();
    EXPECT_EQ(f.State().Zoom, 34);
    EXPECT_EQ(slot(f), before);
    EXPECT_EQ(f.size(), window);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Zooming in brings them back: each size is its full size times the steps' factors.
    f.Modes().ZoomInClick();
    EXPECT_EQ(f.State().Zoom, 37);
    EXPECT_EQ(slot(f).width(), 13); // 36 * 0.343 * 10 / 9
    f.Modes().ZoomInClick();
    EXPECT_EQ(slot(f).width(), 15);
    // A stored zoom below the floor starts at full size.
    EXPECT_EQ(WindowModes::NormalizedZoom(29), 100);
    EXPECT_EQ(WindowModes::NormalizedZoom(30), 30);
}

// Font pixel heights of the window and every control in it.
QMap<QWidget*, int> fontPixels(TForm1& f) {
    QMap<QWidget*, int> px{{&f, QFontInfo(f.font()).pixelSize()}};
    for (QWidget* w : f.findChildren<QWidget*>())
        if (!w->isWindow())
            px.insert(w, QFontInfo(w->font()).pixelSize());
    return px;
}

// A header's captions fit their sections at the header's current font.
void expectCaptionsFit(const QHeaderView* header) {
    for (int i = 0; i < header->count(); ++i)
        EXPECT_GE(header->sectionSize(i), header->sectionSizeHint(i))
            << header->objectName().toStdString() << " section " << i;
    EXPECT_GE(header->height(), QFontMetrics(header->font()).height())
        << header->objectName().toStdString();
}

TEST_F(WindowModesTest, FontsFollowTheZoomBackFromTheFloorAndThroughMaximise) {
    TForm1& f = create();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const QMap<QWidget*, int> at100 = fontPixels(f);
    const QRect slotAt100 = slot(f);
    const int stripAt100 = f.Launcher().Notebook1->height();
    double factor = 1;
    auto step = [&](int m, int d) { factor = factor * m / d; };
    for (int i = 0; i < 3; ++i) {
        f.Modes().ZoomOutClick();
        step(zoom::kZoomOutM, zoom::kZoomOutD);
    }
    ASSERT_EQ(f.State().Zoom, 34); // the floor
    int steps = 0;
    while (f.State().Zoom < 100) {
        f.Modes().ZoomInClick();
        step(zoom::kZoomInM, zoom::kZoomInD);
        ++steps;
    }
    EXPECT_EQ(steps, 11);
    EXPECT_EQ(f.State().Zoom, 101);
    // The controls are where the steps' factors put them (0.7^3 * (10/9)^11, 9 % larger
    // than at the start, none stuck at a few pixels); the texts are back at their size,
    // within a pixel.
    EXPECT_NEAR(factor, 1.093, 0.001);
    EXPECT_EQ(slot(f), QRect(int(slotAt100.x() * factor), int(slotAt100.y() * factor),
                             int(slotAt100.width() * factor), int(slotAt100.height() * factor)));
    EXPECT_EQ(f.Launcher().Notebook1->height(), int(stripAt100 * factor));
    const QMap<QWidget*, int> back = fontPixels(f);
    for (auto it = at100.begin(); it != at100.end(); ++it)
        EXPECT_NEAR(back.value(it.key()), it.value(), 1) << it.key()->objectName().toStdString();
    // Nothing clipped: the captions fit the headers, the tabs fit the tab set.
    expectCaptionsFit(f.Files().HeaderControl1);
    expectCaptionsFit(f.Files().HeaderControl2);
    EXPECT_GE(f.Launcher().TabSet1->height(), QFontMetrics(f.Launcher().TabSet1->font()).height());

    // Maximise and back: every font as it was, also below 100.
    f.Modes().ZoomOutClick();
    ASSERT_EQ(f.State().Zoom, 70);
    const QMap<QWidget*, int> at70 = fontPixels(f);
    f.Modes().PopupMaxClick();
    waitMaximized(f);
    const QMap<QWidget*, int> maximized = fontPixels(f);
    for (auto it = at100.begin(); it != at100.end(); ++it)
        EXPECT_NEAR(maximized.value(it.key()), it.value(), 1)
            << it.key()->objectName().toStdString();
    f.Modes().PopupNorClick();
    EXPECT_EQ(fontPixels(f), at70);
    // Once more from the floor: the texts do not shrink on each round.
    f.Modes().ZoomOutClick();
    f.Modes().ZoomOutClick();
    ASSERT_EQ(f.State().Zoom, 34);
    const QMap<QWidget*, int> at34 = fontPixels(f);
    for (int i = 0; i < 2; ++i) {
        f.Modes().PopupMaxClick();
        waitMaximized(f);
        f.Modes().PopupNorClick();
        EXPECT_EQ(fontPixels(f), at34);
    }
}

TEST_F(WindowModesTest, StartupAt206KeepsTheWindowSizeOnTheScreenWithCaptionsApart) {
    ui::SetScreenMetricsSource([] { return ui::ScreenMetrics{1280, 1024, 20, 2}; });
    writeSettings("[FormStyle]\r\nViewerStyle=1\r\nZoomInOut=206\r\noldDirPath=" + root.toUtf8() +
                  "\r\n");
    form = std::make_unique<TForm1>();
    TForm1& f = *form;
    f.show();
    QApplication::processEvents();
    EXPECT_EQ(f.State().Zoom, 206);
    // The size from before the scaling: design width, two thirds of the screen high.
    EXPECT_EQ(f.size(), QSize(TForm1::kDesignWidth, 1024 * 2 / 3));
    EXPECT_LE(f.minimumWidth(), TForm1::kDesignWidth);
    EXPECT_EQ(f.pos(), QPoint((1280 - TForm1::kDesignWidth) / 2, (1024 - 1024 * 2 / 3) / 2));
    EXPECT_EQ(slot(f), QRect(10, 2, 74, 74));
    // The header sections grow with their captions.
    EXPECT_GE(f.Files().HeaderControl1->sectionSize(0), 85 * 206 / 100);
    EXPECT_GE(f.Files().HeaderControl1->sectionSize(1), 50 * 206 / 100);
    expectCaptionsFit(f.Files().HeaderControl1);
    expectCaptionsFit(f.Files().HeaderControl2);
}

TEST_F(WindowModesTest, AWindowLeftPartlyOffTheScreenComesBackOnIt) {
    ui::SetScreenMetricsSource([] { return ui::ScreenMetrics{1280, 1024, 20, 2}; });
    // As a run that zoomed in up to 206 from a centred window left it: 1152 wide at 344.
    writeSettings("[FormStyle]\r\nViewerStyle=1\r\nZoomInOut=206\r\noldDirPath=" + root.toUtf8() +
                  "\r\n[TForm1]\r\nPlaceNormalPos.Left=344\r\nPlaceNormalPos.Top=120\r\n"
                  "PlaceNormalPos.Right=1496\r\nPlaceNormalPos.Bottom=802\r\n");
    form = std::make_unique<TForm1>();
    TForm1& f = *form;
    f.show();
    QApplication::processEvents();
    EXPECT_EQ(f.size(), QSize(1152, 682));
    EXPECT_EQ(f.pos(), QPoint(1280 - 1152, 120));
}

TEST_F(WindowModesTest, ZoomingInKeepsTheWindowOnTheScreen) {
    ui::SetScreenMetricsSource([] { return ui::ScreenMetrics{1280, 1024, 20, 2}; });
    TForm1& f = create();
    f.move(344, 171);
    QApplication::processEvents();
    for (int i = 0; i < 8; ++i) {
        f.Modes().ZoomInClick();
        EXPECT_LE(f.x() + f.width(), 1280) << f.State().Zoom;
        EXPECT_LE(f.y() + f.height(), 1024) << f.State().Zoom;
        EXPECT_GE(f.x(), 0);
        EXPECT_GE(f.y(), 0);
    }
    EXPECT_EQ(f.width(), 1280 * 9 / 10);
    EXPECT_EQ(f.x(), 1280 - 1152);
    EXPECT_EQ(f.y(), 171); // the bottom was never out, the window did not move up
}

TEST_F(WindowModesTest, ClosedViewerAtAStoredZoomShowsTheWholeStrip) {
    writeSettings("[FormStyle]\r\nViewerStyle=0\r\nZoomInOut=206\r\n");
    form = std::make_unique<TForm1>();
    TForm1& f = *form;
    f.show();
    QApplication::processEvents();
    const int notebook = f.Launcher().Notebook1->height();
    const int tabs = f.Launcher().TabSet1->height();
    EXPECT_EQ(notebook, 37 * 206 / 100);
    EXPECT_EQ(f.height(), viewer::ClosedHeight(notebook, tabs, 2));
    EXPECT_EQ(f.width(), TForm1::kDesignWidth);
    EXPECT_LE(f.Launcher().TabSet1->geometry().bottom(), f.height());
}

TEST_F(WindowModesTest, StartupZoomScalesControlsButKeepsTheWindowSize) {
    writeSettings("[FormStyle]\r\nViewerStyle=1\r\nZoomInOut=70\r\noldDirPath=" + root.toUtf8() +
                  "\r\n[TForm1]\r\nLeft=10\r\nTop=20\r\nWidth=600\r\nHeight=400\r\n");
    form = std::make_unique<TForm1>();
    TForm1& f = *form;
    EXPECT_EQ(f.State().Zoom, 70);
    EXPECT_EQ(f.State().PreviousZoom, 70);
    EXPECT_EQ(slot(f), QRect(3, 0, 25, 25));
    EXPECT_EQ(f.Launcher().TabSet1->height(), 11);
    // Below 85 percent the tree and the result list take the small font.
    EXPECT_EQ(f.Files().DirList2->font().pixelSize(), zoom::kSmallListFontPixels);
    EXPECT_EQ(f.Files().ListBox2->font().pixelSize(), zoom::kSmallListFontPixels);
}

TEST_F(WindowModesTest, ClosedViewerKeepsTheStripHeightAndOpeningBringsThePanelsBack) {
    TForm1& f = create();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.Modes().VierCloseClick();
    const int closed = viewer::ClosedHeight(37, 17, 2);
    EXPECT_EQ(f.height(), closed);
    EXPECT_FALSE(f.State().ViewerOpen);
    EXPECT_TRUE(iniHas("ViewerStyle=0"));
    EXPECT_TRUE(iniHas("oldDirPath=" + root.toUtf8() + "/"));
    for (QWidget* w :
         {static_cast<QWidget*>(f.Files().Panel1), static_cast<QWidget*>(f.Files().Panel3),
          static_cast<QWidget*>(f.Files().DirectoryPanel)})
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    EXPECT_TRUE(f.Modes().Normalsize->isEnabled());
    EXPECT_TRUE(f.Controls().VierButton->isEnabled());
    for (QAction* a : {f.Modes().VierClose, f.Files().GyouM->menuAction(),
                       f.Files().RetuM->menuAction(), f.Files().GRM->menuAction()})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QToolButton* b :
         {f.Controls().VierCloseBottun, f.Controls().DirSPB, f.Controls().FindDirSPB})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(f.Launcher().SlotImages[0][0]->isSlotEnabled());
    EXPECT_EQ(f.Files().ListBox1->Count(), 0);
    EXPECT_TRUE(f.Files().CountLabel->text().isEmpty());

    // The top and bottom edges do nothing; on a side edge the height is held.
    const QRect g = f.frameGeometry();
    EXPECT_EQ(f.Modes().Frame->edgesAt(QPoint(g.center().x(), g.top() + 1)), Qt::Edges());
    EXPECT_EQ(f.Modes().Frame->edgesAt(QPoint(g.center().x(), g.bottom() - 1)), Qt::Edges());
    EXPECT_EQ(f.Modes().Frame->edgesAt(QPoint(g.right() - 1, g.center().y())), Qt::RightEdge);
    ui::Panel* panel = f.Launcher().BPPanels[0];
    hover(panel, QPoint(panel->width() - 2, 10));
    EXPECT_EQ(f.minimumHeight(), closed);
    EXPECT_EQ(f.maximumHeight(), closed);
    f.resize(f.width(), 300);
    EXPECT_EQ(f.height(), closed);
    hover(panel, QPoint(panel->width() / 2, 10));
    EXPECT_EQ(f.maximumHeight(), QWIDGETSIZE_MAX);

    // Open again: the panels, two thirds of the screen high, the list read again.
    f.Modes().VierButtonClick();
    EXPECT_TRUE(f.State().ViewerOpen);
    EXPECT_EQ(f.height(), 768 * 2 / 3);
    EXPECT_TRUE(iniHas("ViewerStyle=1"));
    EXPECT_FALSE(f.Files().Panel3->isHidden());
    EXPECT_FALSE(f.Files().DirectoryPanel->isHidden());
    EXPECT_FALSE(f.Modes().Normalsize->isEnabled());
    EXPECT_TRUE(f.Modes().VierClose->isEnabled());
    EXPECT_TRUE(f.Files().GyouM->menuAction()->isEnabled());
    EXPECT_TRUE(f.Launcher().SlotImages[0][0]->isSlotEnabled());
    EXPECT_EQ(f.Files().ListBox1->Gyou(), 6);
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"a.txt", "b.txt"}));
    // With the viewer open the top edge resizes.
    const QRect open = f.frameGeometry();
    EXPECT_EQ(f.Modes().Frame->edgesAt(QPoint(open.left() + 540, open.top() + 1)), Qt::TopEdge);
    // Over a slot button its top row is the button's.
    EXPECT_EQ(f.Modes().Frame->edgesAt(QPoint(open.left() + 5 + 37 * 7 + 10, open.top() + 1)),
              Qt::Edges());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowModesTest, MenuItemsFollowTheViewerAndTheWindowState) {
    TForm1& f = create();
    const QStringList names = [&] {
        QStringList n;
        for (QAction* a : f.PopupMenu1->actions())
            if (!a->isSeparator())
                n << a->objectName();
        return n;
    }();
    for (const char* name : {"Normalsize", "VierClose", "PopupMax", "PopupNor", "PopupMini",
                             "ZoomOut", "ZoomIn", "TaskTray"})
        EXPECT_EQ(names.count(name), 1) << name;
    EXPECT_EQ(names.last(), "Exit1");
    f.PopupMenu1Popup();
    EXPECT_TRUE(f.Modes().ZoomOut->isEnabled());
    EXPECT_TRUE(f.Modes().PopupMax->isEnabled());
    EXPECT_FALSE(f.Modes().PopupNor->isEnabled());
    for (QAction* item :
         {f.Files().RootMove, f.Files().FindDirectory, f.Files().DirSee, f.Files().FileListChan})
        EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();
    f.Modes().VierClose->trigger();
    EXPECT_FALSE(f.State().ViewerOpen);
    f.PopupMenu1Popup();
    for (QAction* item :
         {f.Files().RootMove, f.Files().FindDirectory, f.Files().DirSee, f.Files().FileListChan})
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();
    f.Modes().Normalsize->trigger();
    EXPECT_TRUE(f.State().ViewerOpen);
    f.Modes().PopupMax->trigger();
    waitMaximized(f);
    f.PopupMenu1Popup();
    EXPECT_FALSE(f.Modes().ZoomOut->isEnabled());
    EXPECT_FALSE(f.Modes().ZoomIn->isEnabled());
    EXPECT_FALSE(f.Modes().PopupMax->isEnabled());
    EXPECT_TRUE(f.Modes().PopupNor->isEnabled());
    f.Modes().PopupNor->trigger();
    EXPECT_FALSE(f.isMaximized());
}

TEST_F(WindowModesTest, MaximiseAtZoom70ShowsFullSizeAndNormalScalesBack) {
    TForm1& f = create();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.Modes().ZoomOutClick();
    ASSERT_EQ(slot(f), QRect(3, 0, 25, 25));
    const QRect normal = f.geometry();
    f.Files().PageControl->setCurrentWidget(f.Files().TabSheet2);
    f.Files().FilterComboBox1->setCurrentIndex(4);

    f.Modes().PopupMaxClick();
    waitMaximized(f);
    EXPECT_TRUE(f.isMaximized());
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f.windowTitle(), WindowModes::MaximizedCaption());
    EXPECT_EQ(f.State().Zoom, 70);
    EXPECT_EQ(f.State().PreviousZoom, 100);
    EXPECT_EQ(slot(f), QRect(5, 1, 36, 36)); // full size, not 25 * 100 div 70
    EXPECT_TRUE(f.screen()->availableGeometry().contains(f.geometry()));
    EXPECT_GT(f.width(), f.screen()->availableGeometry().width() - 10);
    EXPECT_EQ(f.Files().DirectoryPanel->width(), f.width() * f.Modes().DirectoryPanelShare / 100);
    EXPECT_FALSE(f.Controls().SBMax->isEnabled());
    EXPECT_FALSE(f.Controls().ZoomoutSB->isEnabled());
    EXPECT_FALSE(f.Controls().ZoomInSB->isEnabled());
    EXPECT_TRUE(f.Controls().SBNor->isEnabled());
    // The sheet and the filter are as they were; the tree's directory too.
    EXPECT_EQ(f.Files().PageControl->currentWidget(), f.Files().TabSheet2);
    EXPECT_EQ(f.Files().FilterComboBox1->currentIndex(), 4);
    EXPECT_FALSE(f.Files().DirList2->DirSpace());
    EXPECT_EQ(f.Files().DirList2->GetSelectedPath(), root + "/");

    f.Modes().PopupNorClick();
    EXPECT_FALSE(f.isMaximized());
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f.windowTitle(), "Zelmo32");
    EXPECT_EQ(f.State().Zoom, 70);
    EXPECT_EQ(f.State().PreviousZoom, 70);
    EXPECT_EQ(slot(f), QRect(3, 0, 25, 25)); // as before maximising
    EXPECT_EQ(f.geometry(), normal);
    EXPECT_TRUE(f.Controls().SBMax->isEnabled());
    EXPECT_TRUE(f.Controls().ZoomoutSB->isEnabled());
    EXPECT_FALSE(f.Controls().SBNor->isEnabled());
    EXPECT_EQ(f.Files().PageControl->currentWidget(), f.Files().TabSheet2);
    EXPECT_EQ(f.Files().FilterComboBox1->currentIndex(), 4);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The maximised window has a frame, the normal one none: what is stored is the normal
// window's own rectangle, however the program ends.
TEST_F(WindowModesTest, ExitWhileMaximisedStoresTheNormalRectangle) {
    TForm1& f = create();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.move(216, 128);
    const QRect normal = f.frameGeometry();
    f.Modes().PopupMaxClick();
    waitMaximized(f);
    ASSERT_TRUE(f.isMaximized());
    responder.answer(ui::MsgResult::Yes);
    f.N13Click(); // the tray's exit does not return to normal size first
    const QString expected =
        QStringLiteral("PlaceNormalPos.Left=%1\nPlaceNormalPos.Top=%2\nPlaceNormalPos.Right=%3\n"
                       "PlaceNormalPos.Bottom=%4\n")
            .arg(normal.left())
            .arg(normal.top())
            .arg(normal.left() + normal.width())
            .arg(normal.top() + normal.height());
    EXPECT_TRUE(QString::fromUtf8(ini()).replace("\r\n", "\n").contains(expected))
        << ini().constData();
}

TEST_F(WindowModesTest, MaximiseOpensAClosedViewerAndClosingTheViewerReturnsToNormal) {
    TForm1& f = create();
    f.Modes().VierCloseClick();
    f.Modes().PopupMaxClick();
    waitMaximized(f);
    EXPECT_TRUE(f.State().ViewerOpen);
    EXPECT_TRUE(f.isMaximized());
    EXPECT_EQ(f.State().PreviousZoom, 100); // nothing scaled from 100 up
    EXPECT_EQ(slot(f), QRect(5, 1, 36, 36));
    f.Modes().VierCloseClick();
    EXPECT_FALSE(f.isMaximized());
    EXPECT_FALSE(f.State().ViewerOpen);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f.height(), viewer::ClosedHeight(37, 17, 2));
}

TEST_F(WindowModesTest, TrayInAndOutWritesTheTrayFlagAndTheDirectory) {
    ui::TrayService::setAvailabilitySource([] { return true; });
    TForm1& f = create();
    f.Files().DirList2->SelectPath(root + "/sub");
    f.Files().FilterComboBox1->setCurrentIndex(1);
    f.Modes().TaskTrayClick();
    EXPECT_TRUE(f.State().InTray);
    EXPECT_TRUE(f.isHidden());
    ASSERT_NE(f.Modes().Tray->icon(), nullptr);
    EXPECT_EQ(f.Modes().Tray->icon()->toolTip(), "ゼル君は、休憩中です。お仕事ですか !!");
    EXPECT_TRUE(iniHas("TaskTray=1"));
    EXPECT_TRUE(iniHas("oldDirPath=" + root.toUtf8() + "/sub"));
    EXPECT_TRUE(iniHas("FilterCBox=1"));
    // The tray menu: come back, the editor, exit.
    const QList<QAction*> items = f.Modes().PopupMenu3->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "ゼル君の目を覚ます");
    EXPECT_EQ(items[1]->text(), "簡易エディターを開く");
    EXPECT_EQ(items[2], f.Modes().N13);

    // A left press on the icon comes back; the list selects the preview's last index.
    f.Modes().Tray->handleActivation(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(f.State().InTray);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.Modes().Tray->icon(), nullptr);
    EXPECT_TRUE(iniHas("TaskTray=0"));
    EXPECT_EQ(f.Files().ListBox1->ItemIndex(), 0);
    EXPECT_EQ(f.State().SourceFile, root + "/sub/one.txt"); // the selection handler ran
}

TEST_F(WindowModesTest, ClosedViewerTrayWritesTheStoredValuesBack) {
    ui::TrayService::setAvailabilitySource([] { return true; });
    TForm1& f = create();
    f.Modes().VierCloseClick();
    writeSettings("[FormStyle]\r\nViewerStyle=0\r\noldDirPath=/srv/kept\r\nFilterCBox=3\r\n");
    f.Modes().TaskTrayClick();
    EXPECT_TRUE(iniHas("oldDirPath=/srv/kept"));
    EXPECT_TRUE(iniHas("TaskTray=1"));
    f.Modes().TaskTaryShow->trigger();
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(iniHas("TaskTray=0"));
}

TEST_F(WindowModesTest, StartingInTheTrayGoesThereAtTheFirstPaint) {
    ui::TrayService::setAvailabilitySource([] { return true; });
    writeSettings("[FormStyle]\r\nViewerStyle=1\r\nTaskTray=1\r\noldDirPath=" + root.toUtf8() +
                  "\r\n");
    form = std::make_unique<TForm1>();
    TForm1& f = *form;
    EXPECT_TRUE(f.State().InTray);
    f.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.Modes().Tray->inTray(); }, 2000));
    EXPECT_TRUE(f.isHidden());
    EXPECT_TRUE(iniHas("TaskTray=1"));
    f.Modes().TaskTaryShowClick();
    QApplication::processEvents();
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.Modes().Tray->inTray());
}

TEST_F(WindowModesTest, WithoutANotificationAreaTheTrayMinimises) {
    ui::TrayService::setAvailabilitySource([] { return false; });
    TForm1& f = create();
    f.Controls().TRayButton->click();
    EXPECT_TRUE(f.isMinimized());
    EXPECT_TRUE(f.State().InTray);
    f.showNormal(); // restored from the taskbar
    EXPECT_FALSE(f.State().InTray);
    EXPECT_TRUE(iniHas("TaskTray=0"));
}

TEST_F(WindowModesTest, TimerRunsTheTitleClockWhileMinimised) {
    TForm1& f = create();
    QTime now(12, 0, 5);
    SetTitleClockSource([&] { return now; });
    f.showMinimized();
    f.Modes().Timer1Timer();
    EXPECT_EQ(f.windowTitle(), "Your Friend");
    now = QTime(12, 0, 7);
    f.Modes().Timer1Timer();
    EXPECT_EQ(f.windowTitle(), "12:00:07");
    now = QTime(12, 0, 10);
    f.Modes().Timer1Timer();
    EXPECT_EQ(f.windowTitle(), "Zelmo32");
    f.showNormal();
    now = QTime(12, 0, 7);
    f.Modes().Timer1Timer();
    EXPECT_EQ(f.windowTitle(), "Zelmo32");

    // On the control page SBP's picture changes on the fives and tens.
    f.Launcher().TabSet1->setTabIndex(launcher::LauncherStrip::kControlPage);
    ASSERT_EQ(f.Launcher().PageIndex(), launcher::LauncherStrip::kControlPage);
    EXPECT_TRUE(f.Modes().Timer1->isActive());
    const qint64 before = f.Controls().SBP->icon().cacheKey();
    now = QTime(12, 0, 5);
    f.Modes().Timer1Timer();
    EXPECT_NE(f.Controls().SBP->icon().cacheKey(), before);
    EXPECT_EQ(f.Controls().SBP->iconSize(), QSize(30, 30));
    ASSERT_FALSE(f.Controls().Image1->pixmap().isNull());
    EXPECT_EQ(f.Controls().Image1->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(f.Controls().Image1->pixmap().toImage().pixelColor(16, 16),
              ui::resourcePixmap("ZELU").toImage().pixelColor(16, 16));

    // Maximised on the screen, the title is the maximised caption.
    f.Modes().PopupMaxClick();
    waitMaximized(f);
    f.Modes().Timer1Timer();
    EXPECT_EQ(f.windowTitle(), WindowModes::MaximizedCaption());
}

TEST_F(WindowModesTest, DraggingAPagePanelMovesTheWindowAndARightPressOpensTheMenu) {
    TForm1& f = create();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.move(100, 100);
    QApplication::processEvents();
    const QPoint start = f.pos();
    ui::Panel* panel = f.Launcher().BPPanels[0];
    const QPoint press(540, 15); // the first page's panel, right of the slots
    QTest::mousePress(panel, Qt::LeftButton, {}, press);
    QTest::mouseMove(panel, press + QPoint(30, 20));
    EXPECT_EQ(f.pos(), start + QPoint(30, 20));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, press);
    EXPECT_FALSE(f.Modes().Frame->isDragging());
    EXPECT_EQ(f.pos(), start + QPoint(30, 20));

    QTest::mousePress(panel, Qt::RightButton, {}, press);
    EXPECT_TRUE(f.PopupMenu1->isVisible());
    f.PopupMenu1->hide();
}

} // namespace
