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
    QRect slot(const TForm1& f) const { return f.SlotButtons[0][0]->geometry(); }
    // A mouse move without a button, as the pointer passes over a control.
    static void hover(QWidget* w, QPoint local) {
        QMouseEvent e(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    // The window system maximises in its own time; the window then fits its panels.
    static void waitMaximized(TForm1&) { QTest::qWait(TForm1::kMaximizeSettleMs + 100); }
};

TEST_F(WindowModesTest, ZoomOutTwiceGives49AndScalesEveryControl) {
    TForm1& f = create();
    ASSERT_EQ(slot(f), QRect(5, 1, 36, 36));
    const QSize window = f.size();
    const int list = f.ListBox1->width();
    const int panel = f.DirectoryPanel->width();

    f.ZoomOutClick();
    EXPECT_EQ(f.Zoom, 70);
    EXPECT_EQ(slot(f), QRect(3, 0, 25, 25));
    EXPECT_EQ(f.SlotImages[0][0]->geometry(), QRect(4, 2, 22, 22));
    EXPECT_EQ(f.size(), QSize(window.width() * 7 / 10, window.height() * 7 / 10));
    EXPECT_EQ(f.DirectoryPanel->width(), panel * 7 / 10);
    EXPECT_NEAR(f.ListBox1->width(), list * 7 / 10, 3);
    EXPECT_EQ(f.Notebook1->height(), 37 * 7 / 10);
    EXPECT_EQ(f.TabSet1->height(), 17 * 7 / 10);
    EXPECT_FALSE(f.Creating);

    f.ZoomOutClick();
    EXPECT_EQ(f.Zoom, 49);
    EXPECT_EQ(slot(f), QRect(2, 0, 17, 17));
    EXPECT_NEAR(f.ListBox1->width(), list * 49 / 100, 4);
    // The tree stays on its directory and the list keeps its files.
    EXPECT_EQ(f.DirList2->GetSelectedPath(), root + "/");
    EXPECT_EQ(names(f.ListBox1), QStringList({"a.txt", "b.txt"}));
}

TEST_F(WindowModesTest, ZoomInTwiceGives123AndStaysOnTheScreen) {
    TForm1& f = create();
    const int list = f.ListBox1->width();
    f.ZoomInClick();
    EXPECT_EQ(f.Zoom, 111);
    EXPECT_EQ(slot(f), QRect(5, 1, 40, 40));
    EXPECT_EQ(f.size(), QSize(640 * 10 / 9, 480 * 10 / 9));
    EXPECT_NEAR(f.ListBox1->width(), list * 10 / 9, 3);
    f.ZoomInClick();
    EXPECT_EQ(f.Zoom, 123);
    EXPECT_EQ(slot(f), QRect(5, 1, 44, 44));
    // The window grows no larger than 9/10 of the screen's width and 8/10 of its height.
    f.ZoomInClick();
    f.ZoomInClick();
    EXPECT_EQ(f.Zoom, 151);
    EXPECT_EQ(f.size(), QSize(1024 * 9 / 10, 768 * 8 / 10));
}

TEST_F(WindowModesTest, ZoomOutStopsWhereZoomingInCanStillBringTheControlsBack) {
    TForm1& f = create();
    for (int expected : {70, 49, 34}) {
        f.ZoomOutClick();
        ASSERT_EQ(f.Zoom, expected);
    }
    const QRect before = slot(f);
    const QSize window = f.size();
    EXPECT_EQ(before, QRect(1, 0, 11, 11));
    // 34 * 700 div 1000 would be 23, with 7-pixel buttons that never grow again by
    // whole pixels: refused, nothing changes.
    f.ZoomOutClick();
    EXPECT_EQ(f.Zoom, 34);
    EXPECT_EQ(slot(f), before);
    EXPECT_EQ(f.size(), window);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Zooming in brings them back pixel by pixel.
    f.ZoomInClick();
    EXPECT_EQ(f.Zoom, 37);
    EXPECT_EQ(slot(f).width(), 12);
    f.ZoomInClick();
    EXPECT_EQ(slot(f).width(), 13);
    // A stored zoom below the floor starts at full size.
    EXPECT_EQ(TForm1::NormalizedZoom(29), 100);
    EXPECT_EQ(TForm1::NormalizedZoom(30), 30);
}

TEST_F(WindowModesTest, StartupZoomScalesControlsButKeepsTheWindowSize) {
    writeSettings("[FormStyle]\r\nViewerStyle=1\r\nZoomInOut=70\r\noldDirPath=" + root.toUtf8() +
                  "\r\n[TForm1]\r\nLeft=10\r\nTop=20\r\nWidth=600\r\nHeight=400\r\n");
    form = std::make_unique<TForm1>();
    TForm1& f = *form;
    EXPECT_EQ(f.Zoom, 70);
    EXPECT_EQ(f.PreviousZoom, 70);
    EXPECT_EQ(slot(f), QRect(3, 0, 25, 25));
    EXPECT_EQ(f.TabSet1->height(), 11);
    // Below 85 percent the tree and the result list take the small font.
    EXPECT_EQ(f.DirList2->font().pixelSize(), zoom::kSmallListFontPixels);
    EXPECT_EQ(f.ListBox2->font().pixelSize(), zoom::kSmallListFontPixels);
}

TEST_F(WindowModesTest, ClosedViewerKeepsTheStripHeightAndOpeningBringsThePanelsBack) {
    TForm1& f = create();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.VierCloseClick();
    const int closed = viewer::ClosedHeight(37, 17, 2);
    EXPECT_EQ(f.height(), closed);
    EXPECT_FALSE(f.ViewerOpen);
    EXPECT_TRUE(iniHas("ViewerStyle=0"));
    EXPECT_TRUE(iniHas("oldDirPath=" + root.toUtf8() + "/"));
    for (QWidget* w : {static_cast<QWidget*>(f.Panel1), static_cast<QWidget*>(f.Panel3),
                       static_cast<QWidget*>(f.DirectoryPanel)})
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    EXPECT_TRUE(f.Normalsize->isEnabled());
    EXPECT_TRUE(f.VierButton->isEnabled());
    for (QAction* a :
         {f.VierClose, f.GyouM->menuAction(), f.RetuM->menuAction(), f.GRM->menuAction()})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QToolButton* b : {f.VierCloseBottun, f.DirSPB, f.FindDirSPB})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(f.SlotImages[0][0]->isSlotEnabled());
    EXPECT_EQ(f.ListBox1->Count(), 0);
    EXPECT_TRUE(f.CountLabel->text().isEmpty());

    // The top and bottom edges do nothing; on a side edge the height is held.
    const QRect g = f.frameGeometry();
    EXPECT_EQ(f.Frame->edgesAt(QPoint(g.center().x(), g.top() + 1)), Qt::Edges());
    EXPECT_EQ(f.Frame->edgesAt(QPoint(g.center().x(), g.bottom() - 1)), Qt::Edges());
    EXPECT_EQ(f.Frame->edgesAt(QPoint(g.right() - 1, g.center().y())), Qt::RightEdge);
    ui::Panel* panel = f.BPPanels[0];
    hover(panel, QPoint(panel->width() - 2, 10));
    EXPECT_EQ(f.minimumHeight(), closed);
    EXPECT_EQ(f.maximumHeight(), closed);
    f.resize(f.width(), 300);
    EXPECT_EQ(f.height(), closed);
    hover(panel, QPoint(panel->width() / 2, 10));
    EXPECT_EQ(f.maximumHeight(), QWIDGETSIZE_MAX);

    // Open again: the panels, two thirds of the screen high, the list read again.
    f.VierButtonClick();
    EXPECT_TRUE(f.ViewerOpen);
    EXPECT_EQ(f.height(), 768 * 2 / 3);
    EXPECT_TRUE(iniHas("ViewerStyle=1"));
    EXPECT_FALSE(f.Panel3->isHidden());
    EXPECT_FALSE(f.DirectoryPanel->isHidden());
    EXPECT_FALSE(f.Normalsize->isEnabled());
    EXPECT_TRUE(f.VierClose->isEnabled());
    EXPECT_TRUE(f.GyouM->menuAction()->isEnabled());
    EXPECT_TRUE(f.SlotImages[0][0]->isSlotEnabled());
    EXPECT_EQ(f.ListBox1->Gyou(), 6);
    EXPECT_EQ(names(f.ListBox1), QStringList({"a.txt", "b.txt"}));
    // With the viewer open the top edge resizes.
    const QRect open = f.frameGeometry();
    EXPECT_EQ(f.Frame->edgesAt(QPoint(open.center().x(), open.top() + 1)), Qt::TopEdge);
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
    EXPECT_TRUE(f.ZoomOut->isEnabled());
    EXPECT_TRUE(f.PopupMax->isEnabled());
    EXPECT_FALSE(f.PopupNor->isEnabled());
    for (QAction* item : {f.RootMove, f.FindDirectory, f.DirSee, f.FileListChan})
        EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();
    f.VierClose->trigger();
    EXPECT_FALSE(f.ViewerOpen);
    f.PopupMenu1Popup();
    for (QAction* item : {f.RootMove, f.FindDirectory, f.DirSee, f.FileListChan})
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();
    f.Normalsize->trigger();
    EXPECT_TRUE(f.ViewerOpen);
    f.PopupMax->trigger();
    waitMaximized(f);
    f.PopupMenu1Popup();
    EXPECT_FALSE(f.ZoomOut->isEnabled());
    EXPECT_FALSE(f.ZoomIn->isEnabled());
    EXPECT_FALSE(f.PopupMax->isEnabled());
    EXPECT_TRUE(f.PopupNor->isEnabled());
    f.PopupNor->trigger();
    EXPECT_FALSE(f.isMaximized());
}

TEST_F(WindowModesTest, MaximiseAtZoom70ShowsFullSizeAndNormalScalesBack) {
    TForm1& f = create();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.ZoomOutClick();
    ASSERT_EQ(slot(f), QRect(3, 0, 25, 25));
    const QRect normal = f.geometry();
    f.PageControl->setCurrentWidget(f.TabSheet2);
    f.FilterComboBox1->setCurrentIndex(4);

    f.PopupMaxClick();
    waitMaximized(f);
    EXPECT_TRUE(f.isMaximized());
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f.windowTitle(), TForm1::MaximizedCaption());
    EXPECT_EQ(f.Zoom, 70);
    EXPECT_EQ(f.PreviousZoom, 100);
    EXPECT_EQ(slot(f), QRect(4, 0, 35, 35)); // 25 * 100 div 70
    EXPECT_TRUE(f.screen()->availableGeometry().contains(f.geometry()));
    EXPECT_GT(f.width(), f.screen()->availableGeometry().width() - 10);
    EXPECT_EQ(f.DirectoryPanel->width(), f.width() * f.DirectoryPanelShare / 100);
    EXPECT_FALSE(f.SBMax->isEnabled());
    EXPECT_FALSE(f.ZoomoutSB->isEnabled());
    EXPECT_FALSE(f.ZoomInSB->isEnabled());
    EXPECT_TRUE(f.SBNor->isEnabled());
    // The sheet and the filter are as they were; the tree's directory too.
    EXPECT_EQ(f.PageControl->currentWidget(), f.TabSheet2);
    EXPECT_EQ(f.FilterComboBox1->currentIndex(), 4);
    EXPECT_FALSE(f.DirList2->DirSpace());
    EXPECT_EQ(f.DirList2->GetSelectedPath(), root + "/");

    f.PopupNorClick();
    EXPECT_FALSE(f.isMaximized());
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f.windowTitle(), "Zelmo32");
    EXPECT_EQ(f.Zoom, 70);
    EXPECT_EQ(f.PreviousZoom, 70);
    EXPECT_EQ(slot(f), QRect(2, 0, 24, 24)); // 35 * 70 div 100
    EXPECT_EQ(f.geometry(), normal);
    EXPECT_TRUE(f.SBMax->isEnabled());
    EXPECT_TRUE(f.ZoomoutSB->isEnabled());
    EXPECT_FALSE(f.SBNor->isEnabled());
    EXPECT_EQ(f.PageControl->currentWidget(), f.TabSheet2);
    EXPECT_EQ(f.FilterComboBox1->currentIndex(), 4);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowModesTest, MaximiseOpensAClosedViewerAndClosingTheViewerReturnsToNormal) {
    TForm1& f = create();
    f.VierCloseClick();
    f.PopupMaxClick();
    waitMaximized(f);
    EXPECT_TRUE(f.ViewerOpen);
    EXPECT_TRUE(f.isMaximized());
    EXPECT_EQ(f.PreviousZoom, 100); // nothing scaled from 100 up
    EXPECT_EQ(slot(f), QRect(5, 1, 36, 36));
    f.VierCloseClick();
    EXPECT_FALSE(f.isMaximized());
    EXPECT_FALSE(f.ViewerOpen);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f.height(), viewer::ClosedHeight(37, 17, 2));
}

TEST_F(WindowModesTest, TrayInAndOutWritesTheTrayFlagAndTheDirectory) {
    ui::TrayService::setAvailabilitySource([] { return true; });
    TForm1& f = create();
    f.DirList2->SelectPath(root + "/sub");
    f.FilterComboBox1->setCurrentIndex(1);
    f.TaskTrayClick();
    EXPECT_TRUE(f.InTray);
    EXPECT_TRUE(f.isHidden());
    ASSERT_NE(f.Tray->icon(), nullptr);
    EXPECT_EQ(f.Tray->icon()->toolTip(), "ゼル君は、休憩中です。お仕事ですか !!");
    EXPECT_TRUE(iniHas("TaskTray=1"));
    EXPECT_TRUE(iniHas("oldDirPath=" + root.toUtf8() + "/sub"));
    EXPECT_TRUE(iniHas("FilterCBox=1"));
    // The tray menu: come back, the editor, exit.
    const QList<QAction*> items = f.PopupMenu3->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "ゼル君の目を覚ます");
    EXPECT_EQ(items[1]->text(), "簡易エディターを開く");
    EXPECT_EQ(items[2], f.N13);

    // A left press on the icon comes back; the list selects the preview's last index.
    f.Tray->handleActivation(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(f.InTray);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.Tray->icon(), nullptr);
    EXPECT_TRUE(iniHas("TaskTray=0"));
    EXPECT_EQ(f.ListBox1->ItemIndex(), 0);
    EXPECT_EQ(f.SourceFile, root + "/sub/one.txt"); // the selection handler ran
}

TEST_F(WindowModesTest, ClosedViewerTrayWritesTheStoredValuesBack) {
    ui::TrayService::setAvailabilitySource([] { return true; });
    TForm1& f = create();
    f.VierCloseClick();
    writeSettings("[FormStyle]\r\nViewerStyle=0\r\noldDirPath=/srv/kept\r\nFilterCBox=3\r\n");
    f.TaskTrayClick();
    EXPECT_TRUE(iniHas("oldDirPath=/srv/kept"));
    EXPECT_TRUE(iniHas("TaskTray=1"));
    f.TaskTaryShow->trigger();
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(iniHas("TaskTray=0"));
}

TEST_F(WindowModesTest, StartingInTheTrayGoesThereAtTheFirstPaint) {
    ui::TrayService::setAvailabilitySource([] { return true; });
    writeSettings("[FormStyle]\r\nViewerStyle=1\r\nTaskTray=1\r\noldDirPath=" + root.toUtf8() +
                  "\r\n");
    form = std::make_unique<TForm1>();
    TForm1& f = *form;
    EXPECT_TRUE(f.InTray);
    f.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.Tray->inTray(); }, 2000));
    EXPECT_TRUE(f.isHidden());
    EXPECT_TRUE(iniHas("TaskTray=1"));
    f.TaskTaryShowClick();
    QApplication::processEvents();
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.Tray->inTray());
}

TEST_F(WindowModesTest, WithoutANotificationAreaTheTrayMinimises) {
    ui::TrayService::setAvailabilitySource([] { return false; });
    TForm1& f = create();
    f.TRayButton->click();
    EXPECT_TRUE(f.isMinimized());
    EXPECT_TRUE(f.InTray);
    f.showNormal(); // restored from the taskbar
    EXPECT_FALSE(f.InTray);
    EXPECT_TRUE(iniHas("TaskTray=0"));
}

TEST_F(WindowModesTest, TimerRunsTheTitleClockWhileMinimised) {
    TForm1& f = create();
    QTime now(12, 0, 5);
    SetTitleClockSource([&] { return now; });
    f.showMinimized();
    f.Timer1Timer();
    EXPECT_EQ(f.windowTitle(), "Your Friend");
    now = QTime(12, 0, 7);
    f.Timer1Timer();
    EXPECT_EQ(f.windowTitle(), "12:00:07");
    now = QTime(12, 0, 10);
    f.Timer1Timer();
    EXPECT_EQ(f.windowTitle(), "Zelmo32");
    f.showNormal();
    now = QTime(12, 0, 7);
    f.Timer1Timer();
    EXPECT_EQ(f.windowTitle(), "Zelmo32");

    // On the control page SBP's picture changes on the fives and tens.
    f.TabSet1->setTabIndex(TForm1::kControlPage);
    ASSERT_EQ(f.PageIndex(), TForm1::kControlPage);
    EXPECT_TRUE(f.Timer1->isActive());
    const qint64 before = f.SBP->icon().cacheKey();
    now = QTime(12, 0, 5);
    f.Timer1Timer();
    EXPECT_NE(f.SBP->icon().cacheKey(), before);
    EXPECT_EQ(f.SBP->iconSize(), QSize(30, 30));
    ASSERT_FALSE(f.Image1->pixmap().isNull());
    EXPECT_EQ(f.Image1->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(f.Image1->pixmap().toImage().pixelColor(16, 16),
              ui::resourcePixmap("ZELU").toImage().pixelColor(16, 16));

    // Maximised on the screen, the title is the maximised caption.
    f.PopupMaxClick();
    waitMaximized(f);
    f.Timer1Timer();
    EXPECT_EQ(f.windowTitle(), TForm1::MaximizedCaption());
}

TEST_F(WindowModesTest, DraggingAPagePanelMovesTheWindowAndARightPressOpensTheMenu) {
    TForm1& f = create();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.move(100, 100);
    QApplication::processEvents();
    const QPoint start = f.pos();
    ui::Panel* panel = f.BPPanels[0];
    const QPoint press(540, 15); // the first page's panel, right of the slots
    QTest::mousePress(panel, Qt::LeftButton, {}, press);
    QTest::mouseMove(panel, press + QPoint(30, 20));
    EXPECT_EQ(f.pos(), start + QPoint(30, 20));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, press);
    EXPECT_FALSE(f.Frame->isDragging());
    EXPECT_EQ(f.pos(), start + QPoint(30, 20));

    QTest::mousePress(panel, Qt::RightButton, {}, press);
    EXPECT_TRUE(f.PopupMenu1->isVisible());
    f.PopupMenu1->hide();
}

} // namespace
