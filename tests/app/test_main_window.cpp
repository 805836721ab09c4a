// The main window as the user meets it: first start, pages, menus, closing.
#include "app/ControlPage.h"
#include "app/SplashScreen.h"
#include "app/TForm1.h"
#include "app/WindowModes.h"
#include "browser/FilePanel.h"
#include "launcher/LauncherStrip.h"
#include "launcher/SlotControls.h"
#include "platform/AppPaths.h"
#include "platform/UserInfo.h"
#include "search/BulkSearch.h"
#include "ui/HelpWindow.h"
#include "ui/MessageDialog.h"
#include "ui/Panel.h"
#include "ui/ScreenMetrics.h"
#include "ui/TabSet.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        platform::setSettingsFilePathOverride(ini());
        platform::SetUserNameSource([] { return QStringLiteral("山田"); });
        ui::SetScreenMetricsSource([] { return ui::ScreenMetrics{1024, 768, 20, 2}; });
    }
    void TearDown() override {
        form.reset();
        platform::setSettingsFilePathOverride(QString());
        platform::SetUserNameSource(nullptr);
        ui::SetScreenMetricsSource(nullptr);
    }
    QString ini() const { return dir.filePath("zelmo32.INI"); }
    QByteArray iniBytes() const {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeIni(const QByteArray& bytes) {
        QFile f(ini());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    TForm1& create() {
        form = std::make_unique<TForm1>();
        return *form;
    }
    int checkedPageItems() const {
        int n = 0;
        for (QAction* a : form->Launcher().PageItems)
            n += a->isChecked();
        return n;
    }

    QTemporaryDir dir;
    ui::ScriptedResponder responder;
    std::unique_ptr<TForm1> form;
};

TEST_F(MainWindowTest, FirstStartWithoutSettingsFile) {
    ASSERT_FALSE(QFile::exists(ini()));
    TForm1& f = create();
    EXPECT_TRUE(responder.calls().isEmpty());
    EXPECT_FALSE(f.State().Creating);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Every slot of every page is unregistered, named and placed.
    for (int p = 0; p < 11; ++p) {
        EXPECT_EQ(f.Launcher().BPPanels[p]->objectName(), QString("BP%1Panel").arg(p + 1));
        for (int k = 0; k < 14; ++k) {
            const launcher::SlotButton* b = f.Launcher().SlotButtons[p][k];
            const launcher::SlotImage* i = f.Launcher().SlotImages[p][k];
            EXPECT_EQ(b->objectName(), QString("BP%1FileName%2").arg(p + 1).arg(k));
            EXPECT_EQ(i->objectName(), QString("BP%1SPi%2").arg(p + 1).arg(k));
            EXPECT_EQ(b->parentWidget(), f.Launcher().BPPanels[p]);
            EXPECT_EQ(b->geometry(), QRect(5 + 37 * k, 1, 36, 36));
            EXPECT_EQ(i->geometry(), QRect(7 + 37 * k, 3, 32, 32));
            EXPECT_EQ(b->tag(), k);
            EXPECT_EQ(i->tag(), k);
            EXPECT_EQ(b->text(), "");
            EXPECT_EQ(i->toolTip(), "未登録 " + QString::number(k + 1));
            EXPECT_EQ(f.Launcher().Entries.at(p, k), "");
        }
    }
    EXPECT_EQ(f.Launcher().SlotButtons[2][13]->x(), 486);
    EXPECT_EQ(f.Launcher().SlotImages[2][13]->x(), 488);
    EXPECT_EQ(f.Launcher().SlotButtons[10][13]->geometry().right() + 1, 522);
    // The viewer is open, so the first page's images take the mouse; the rest wait.
    EXPECT_TRUE(f.State().ViewerOpen);
    EXPECT_TRUE(f.Launcher().SlotImages[0][5]->isSlotEnabled());
    EXPECT_FALSE(f.Launcher().SlotImages[1][5]->isSlotEnabled());
    // Centred at the design width, two thirds of the screen high with the viewer open;
    // the only write was the viewer style.
    EXPECT_EQ(f.geometry(), QRect(216, 128, 592, 768 * 2 / 3));
    EXPECT_EQ(iniBytes(), "[FormStyle]\nViewerStyle=1\n");
    EXPECT_EQ(f.State().Zoom, 100);
    EXPECT_EQ(f.State().FilterIndex, 1);
    EXPECT_EQ(f.State().RememberedDirectory, QDir::currentPath());
    EXPECT_FALSE(f.State().InTray);
    EXPECT_EQ(f.Launcher().PageIndex(), 0);
    EXPECT_EQ(f.Launcher().PageItems[0]->text(), "(&1) Page1");
    EXPECT_EQ(f.Launcher().PageItems[11]->text(), "(&C) Control");
    EXPECT_EQ(checkedPageItems(), 1);
    EXPECT_TRUE(f.Launcher().PageItems[0]->isChecked());
    EXPECT_FALSE(f.Modes().Timer1->isActive());
}

TEST_F(MainWindowTest, StripLayoutTabsAndControlPage) {
    TForm1& f = create();
    EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f.Launcher().Notebook1->geometry(), QRect(0, 0, 592, 37));
    EXPECT_EQ(f.Launcher().Notebook1->count(), 12);
    EXPECT_EQ(f.Launcher().Notebook1->widget(11), f.Launcher().ControlPanel);
    EXPECT_EQ(f.Launcher().TabSet1->geometry(), QRect(0, 37, 592, 17));
    EXPECT_EQ(f.Launcher().TabSet1->tabs(),
              QStringList({" １ ", " ２ ", " ３ ", " ４ ", " ５ ", " ６ ", " ７ ", " ８ ", " ９ ",
                           "１０", "１１", " Ｃｏｎ. "}));
    EXPECT_EQ(f.Launcher().TabSet1->backgroundColor(), QColor(0, 0, 0));
    EXPECT_EQ(f.Launcher().TabSet1->selectedColor(), QColor(0, 255, 0));
    EXPECT_EQ(f.Launcher().TabSet1->unselectedColor(), QColor(0, 255, 255));
    EXPECT_EQ(f.Launcher().TabSet1->toolTip(),
              " 1  Page1\n 2  Page2\n 3  Page3\n 4  Page4\n 5  Page5\n"
              " 6  Page6\n 7  Page7\n 8  Page8\n 9  Page9\n 10 Page10\n"
              " 11 Page11");

    const struct {
        QToolButton* button;
        const char* name;
        int left;
        const char* hint;
    } tools[] = {{f.Controls().CloseButton, "CloseButton", 10, "ゼルモを終了"},
                 {f.Controls().VierButton, "VierButton", 47, "ビューアを開く"},
                 {f.Controls().VierCloseBottun, "VierCloseBottun", 77, "ビューアを閉じる"},
                 {f.Controls().ZoomoutSB, "ZoomoutSB", 108, "縮小 (30% down)"},
                 {f.Controls().ZoomInSB, "ZoomInSB", 138, "拡大 (10% up)"},
                 {f.Controls().SBMax, "SBMax", 169, "フォームを最大化"},
                 {f.Controls().SBNor, "SBNor", 199, "フォームをノーマル化"},
                 {f.Controls().MinimizeButton, "MinimizeButton", 229, "フォームをアイコン化"},
                 {f.Controls().DirSPB, "DirSPB", 260, "ディレクトリパネル表示/非表示"},
                 {f.Controls().FindDirSPB, "FindDirSPB", 291, "下位ディレクトリの検索"},
                 {f.Controls().MKDirSB, "MKDirSB", 322, "ディレクトリを作成"},
                 {f.Controls().EditB, "EditB", 353, "簡易エディタを開く"},
                 {f.Controls().TRayButton, "TRayButton", 387, "タスク・トレーに移動"}};
    for (const auto& t : tools) {
        EXPECT_EQ(t.button->objectName(), t.name);
        EXPECT_EQ(t.button->parentWidget(), f.Launcher().ControlPanel);
        EXPECT_EQ(t.button->geometry(), QRect(t.left, 4, 30, 30)) << t.name;
        EXPECT_EQ(t.button->toolTip(), QString::fromUtf8(t.hint));
        EXPECT_FALSE(t.button->icon().isNull()) << t.name;
    }
    EXPECT_EQ(f.Controls().SBP->geometry(), QRect(422, 3, 32, 32));
    EXPECT_EQ(f.Controls().SBP->toolTip(), "リソース計測／各種情報");
    EXPECT_EQ(f.Controls().Image1->geometry(), QRect(499, 4, 27, 27));
    EXPECT_EQ(f.Controls().Image1->toolTip(), f.Controls().SBP->toolTip());
    EXPECT_TRUE(f.Controls().Image1->isHidden());
    EXPECT_FALSE(f.Controls().Image1->isEnabled());
}

TEST_F(MainWindowTest, PageSelectKeepsNotebookTabsMenuAndTimerInStep) {
    TForm1& f = create();
    f.Launcher().PageItems[11]->trigger(); // "Control"
    EXPECT_EQ(f.Launcher().PageIndex(), 11);
    EXPECT_EQ(f.Launcher().TabSet1->tabIndex(), 11);
    EXPECT_TRUE(f.Modes().Timer1->isActive());
    EXPECT_EQ(f.Modes().Timer1->interval(), 1000);
    EXPECT_TRUE(f.Launcher().PageItems[11]->isChecked());
    EXPECT_EQ(checkedPageItems(), 1);

    f.Launcher().PageItems[4]->trigger(); // "Page5"
    EXPECT_EQ(f.Launcher().PageIndex(), 4);
    EXPECT_EQ(f.Launcher().TabSet1->tabIndex(), 4);
    EXPECT_FALSE(f.Modes().Timer1->isActive());
    EXPECT_EQ(checkedPageItems(), 1);
    EXPECT_TRUE(f.Launcher().PageItems[4]->isChecked());

    // A click on a tab.
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QTest::mouseClick(f.Launcher().TabSet1, Qt::LeftButton, {},
                      f.Launcher().TabSet1->tabRect(11).center());
    EXPECT_EQ(f.Launcher().PageIndex(), 11);
    EXPECT_TRUE(f.Modes().Timer1->isActive());
    EXPECT_TRUE(f.Launcher().PageItems[11]->isChecked());
    EXPECT_EQ(checkedPageItems(), 1);
    f.Launcher().TabSet1->setTabIndex(2);
    EXPECT_EQ(f.Launcher().PageIndex(), 2);
    EXPECT_FALSE(f.Modes().Timer1->isActive());
    EXPECT_EQ(checkedPageItems(), 1);
    EXPECT_TRUE(f.Launcher().PageItems[2]->isChecked());
    EXPECT_EQ(f.Launcher().PageItems[1]->objectName(), "page2");
    EXPECT_EQ(f.Launcher().PageItems[4]->objectName(), "Page5");
    EXPECT_EQ(f.Launcher().PageItems[4]->data().toInt(), 5);
}

TEST_F(MainWindowTest, SlotImagesFollowTheViewerStateOnPageChanges) {
    TForm1& f = create();
    f.Launcher().TabSet1->setTabIndex(6);
    EXPECT_TRUE(f.Launcher().SlotImages[6][0]->isSlotEnabled()); // viewer open
    f.State().ViewerOpen = false;
    f.Launcher().SetSlotImagesEnabled(false);
    f.Launcher().TabSet1->setTabIndex(11);
    f.Launcher().SetSlotImagesEnabled(true); // the control page has no slots: nothing changes
    EXPECT_FALSE(f.Launcher().SlotImages[6][0]->isSlotEnabled());
    f.Launcher().TabSet1->setTabIndex(1);
    EXPECT_FALSE(f.Launcher().SlotImages[1][13]->isSlotEnabled());
    EXPECT_FALSE(f.Launcher().SlotImages[6][0]->isSlotEnabled());
}

TEST_F(MainWindowTest, ExitWithYesWritesZoomDirectoryFilterAndPlacement) {
    TForm1& f = create();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QSignalSpy closed(&f, &TForm1::formClosed);
    QCursor::setPos(500, 100);
    responder.answer(ui::MsgResult::Yes);
    f.CloseButtonClick();
    ASSERT_EQ(responder.calls().size(), 1);
    const ui::MessageRequest& q = responder.calls().at(0);
    EXPECT_EQ(q.caption, "Zelmo32");
    EXPECT_EQ(q.text, "山田 さん\r\n\r\nお疲れさま !!  終了しますか ? ");
    EXPECT_EQ(q.icon, ui::MsgIcon::None);
    EXPECT_EQ(q.buttons, ui::mbYes | ui::mbNo);
    EXPECT_FALSE(q.standardDialog);
    ASSERT_TRUE(q.topLeft.has_value());
    EXPECT_EQ(*q.topLeft, QPoint(400, 115)); // cursor in the top quarter: below it
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(f.isVisible());
    // The viewer was open but there is no tree yet, so the remembered directory is the
    // one read at start-up.
    EXPECT_EQ(iniBytes(), "[FormStyle]\nViewerStyle=1\nZoomInOut=100\noldDirPath=" +
                              QDir::currentPath().toUtf8() +
                              "\nFilterCBox=1\n\n[TForm1]\nPlaceFlags=0\nPlaceShowCmd=1\n"
                              "PlaceMinPos.X=-1\nPlaceMinPos.Y=-1\nPlaceMaxPos.X=-1\n"
                              "PlaceMaxPos.Y=-1\nPlaceNormalPos.Left=216\n"
                              "PlaceNormalPos.Top=128\nPlaceNormalPos.Right=808\n"
                              "PlaceNormalPos.Bottom=640\n");
}

TEST_F(MainWindowTest, NoChangesNothingAndTheCloseCommandIsRemembered) {
    writeIni("[FormStyle]\nViewerStyle=0\noldDirPath=/srv/old\nFilterCBox=0x0C\n");
    TForm1& f = create();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    EXPECT_EQ(f.State().FilterIndex, 12);
    const QByteArray before = iniBytes();
    QSignalSpy closed(&f, &TForm1::formClosed);
    QCursor::setPos(300, 500);
    responder.answer(ui::MsgResult::No);
    f.CloseButtonClick();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(*responder.calls().at(0).topLeft, QPoint(200, 410)); // lower down: above it
    EXPECT_EQ(iniBytes(), before);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(closed.count(), 0);

    // Any later close, even from the tray menu, asks with the near-cursor text.
    responder.answer(ui::MsgResult::No);
    f.N13Click();
    ASSERT_EQ(responder.calls().size(), 2);
    EXPECT_EQ(responder.calls().at(1).text, "山田 さん\r\n\r\nお疲れさま !!  終了しますか ? ");
    EXPECT_TRUE(f.isVisible());

    // Yes with the viewer closed writes back what the file held.
    responder.answer(ui::MsgResult::Yes);
    f.CloseButtonClick();
    EXPECT_EQ(closed.count(), 1);
    const QByteArray after = iniBytes();
    EXPECT_TRUE(after.contains("oldDirPath=/srv/old\nFilterCBox=12\n")) << after.constData();
}

TEST_F(MainWindowTest, CloseFromElsewhereAsksWithTheMessageCentred) {
    TForm1& f = create();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    responder.answer(ui::MsgResult::No);
    EXPECT_FALSE(f.close());
    ASSERT_EQ(responder.calls().size(), 1);
    const ui::MessageRequest& q = responder.calls().at(0);
    EXPECT_EQ(q.caption, "Zelmo32");
    EXPECT_EQ(q.text, "ゼル君からの伝言 ： 山田 さん\r\n \r\n本当に終了しますか ? ");
    EXPECT_EQ(q.icon, ui::MsgIcon::None);
    EXPECT_EQ(q.buttons, ui::mbYes | ui::mbNo);
    EXPECT_FALSE(q.topLeft.has_value());
    EXPECT_TRUE(f.isVisible());
}

TEST_F(MainWindowTest, CloseQuestionPositionAroundTheQuarterLine) {
    EXPECT_EQ(TForm1::CloseQuestionPosition({50, 192}, 768), QPoint(-50, 207));
    EXPECT_EQ(TForm1::CloseQuestionPosition({50, 193}, 768), QPoint(-50, 103));
    EXPECT_EQ(TForm1::CloseQuestionPosition({50, 150}, 601), QPoint(-50, 165)); // 601/4 = 150
    EXPECT_EQ(TForm1::CloseQuestionPosition({50, 151}, 601), QPoint(-50, 61));
}

TEST_F(MainWindowTest, StoredValuesAreApplied) {
    writeIni("[FormStyle]\nViewerStyle=abc\nZoomInOut=97\nTaskTray=abc\n"
             "[Page2]\nBPFileName3=/usr/bin/xterm\n"
             "[TabName]\nNo2=道具\n"
             "[TForm1]\nPlaceNormalPos.Left=40\nPlaceNormalPos.Top=30\nPlaceShowCmd=3\n");
    TForm1& f = create();
    EXPECT_TRUE(f.State().ViewerOpen);
    EXPECT_FALSE(f.State().InTray);
    EXPECT_EQ(f.State().Zoom, 100);
    EXPECT_EQ(f.State().PreviousZoom, 100);
    EXPECT_EQ(f.Launcher().Entries.at(1, 3), "/usr/bin/xterm");
    EXPECT_EQ(f.Launcher().PageItems[2]->text(), "(&3) 道具");
    EXPECT_TRUE(f.Launcher().TabSet1->toolTip().contains(" 3  道具\n"));
    EXPECT_EQ(f.geometry(), QRect(40, 30, 592, 768 * 2 / 3)); // the open viewer's height
    EXPECT_FALSE(f.isMaximized());
    EXPECT_EQ(WindowModes::NormalizedZoom(0), 100);
    EXPECT_EQ(WindowModes::NormalizedZoom(95), 100);
    EXPECT_EQ(WindowModes::NormalizedZoom(105), 100);
    EXPECT_EQ(WindowModes::NormalizedZoom(90), 90);
    EXPECT_EQ(WindowModes::NormalizedZoom(106), 106);
}

TEST_F(MainWindowTest, ClosedViewerLeavesSlotImagesDisabled) {
    writeIni("[FormStyle]\nViewerStyle=0\n");
    TForm1& f = create();
    EXPECT_FALSE(f.State().ViewerOpen);
    EXPECT_FALSE(f.Launcher().SlotImages[0][0]->isSlotEnabled());
    EXPECT_EQ(iniBytes(), "[FormStyle]\nViewerStyle=0\n");
}

TEST_F(MainWindowTest, UnwritableSettingsFileIsReportedAndStartUpGoesOn) {
    writeIni("[FormStyle]\nViewerStyle=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(ini()).constData(), 0444), 0);
    TForm1& f = create();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls().at(0).caption, "ｴﾗｰ");
    EXPECT_EQ(responder.calls().at(0).text, ini() + " に書き込めません");
    // Reported once; every later step of creation ran all the same.
    EXPECT_FALSE(f.State().Creating);
    EXPECT_TRUE(f.State().ViewerOpen);
    EXPECT_EQ(f.Launcher().TabSetHintText.isEmpty(), false);                 // page names built
    EXPECT_EQ(f.Controls().CloseButton->cursor().shape(), Qt::BitmapCursor); // hand cursors
    EXPECT_EQ(f.Launcher().PageItems[0]->text(), "(&1) Page1");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->objectName() == "SplashScreen") << "splash left behind";
    // The launcher strip was built before the failure.
    EXPECT_EQ(f.Launcher().SlotButtons[10][13]->x(), 486);
    ::chmod(QFile::encodeName(ini()).constData(), 0644);
}

TEST_F(MainWindowTest, StartedUnderAFileSizeLimitSmallerThanTheSettingsFile) {
    // ulimit -f 64 with a 96 kB settings file: its write fails (EFBIG, not a killing
    // SIGXFSZ), is reported as a read-only file is, and start-up completes.
    const QByteArray bytes =
        "[FormStyle]\nViewerStyle=1\n[Pad]\nPad=" + QByteArray(96 << 10, 'p') + "\n";
    writeIni(bytes);
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 64 << 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    TForm1& f = create();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls().at(0).text, ini() + " に書き込めません");
    EXPECT_FALSE(f.State().Creating);
    EXPECT_TRUE(f.State().ViewerOpen);
    EXPECT_EQ(iniBytes(), bytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(MainWindowTest, RightPressOnAPagePanelOpensTheContextMenu) {
    TForm1& f = create();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QTest::mousePress(f.windowHandle(), Qt::RightButton, {}, QPoint(570, 20));
    EXPECT_TRUE(f.PopupMenu1->isVisible());
    EXPECT_FALSE(f.Launcher().PopButton->isEnabled()); // no file list selection to register
    f.PopupMenu1->hide();
    EXPECT_EQ(f.PopupMenu1->actions().at(0)->menu(), f.Launcher().PageSelect);
    EXPECT_EQ(f.Launcher().PageSelect->title(), "ページ を 選択  (&P)");
    EXPECT_EQ(f.Launcher().PopButton->title(), "ボタン へ 登録 (&B)");
    EXPECT_EQ(f.HelpH1->text(), "ヘルプ  (&H)");
    EXPECT_EQ(f.HelpH1->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(f.Exit1->text(), "ゼルモ３２を終了 (&X)");
    EXPECT_EQ(f.Modes().N13->text(), "ゼルモ３２を終了");
    for (int k = 0; k < 14; ++k) {
        EXPECT_EQ(f.Launcher().ButtonItems[k]->objectName(), QString("Button%1").arg(k + 1));
        EXPECT_EQ(f.Launcher().ButtonItems[k]->data().toInt(), k + 1);
    }
}

} // namespace

namespace {

TEST_F(MainWindowTest, HelpOpensAtTheMainWindowsTopic) {
    TForm1& f = create();
    f.FormActivate();
    EXPECT_EQ(ui::HelpContextOf(&f), 1000);
    EXPECT_EQ(ui::HelpContextOf(f.PopupMenu1), 1030);
    f.HelpH1->trigger();
    ASSERT_NE(ui::HelpWindow(), nullptr);
    EXPECT_EQ(ui::HelpWindow()->currentContext(), 1000);
    ui::HelpWindow()->close();
}

} // namespace

namespace {

TEST(SplashScreen, StatusTextsAndTheHalfSecondAnimation) {
    TSplashScreen s;
    EXPECT_EQ(s.size(), QSize(328, 40));
    EXPECT_TRUE(s.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(s.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(s.Panel1->text(), "     しばらく 待って下さい");
    EXPECT_EQ(s.Panel1->palette().color(QPalette::Window), QColor(0, 255, 255));
    EXPECT_EQ(s.Label1->text(), "Zelmo32");
    EXPECT_EQ(s.Label1->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(s.Image1->size(), QSize(32, 32));
    EXPECT_EQ(s.Timer1->interval(), 500);
    EXPECT_TRUE(s.Timer1->isActive());
    s.Timer1Timer();
    EXPECT_TRUE(s.Image1->isHidden());
    EXPECT_EQ(s.Label1->text(), " Happy ");
    s.Timer1Timer();
    EXPECT_FALSE(s.Image1->isHidden());
    EXPECT_EQ(s.Label1->text(), "Zelmo32");
    s.SetStatus("   もう少し 待って下さいネ", Qt::blue);
    EXPECT_EQ(s.Panel1->text(), "   もう少し 待って下さいネ");
    EXPECT_EQ(s.Panel1->palette().color(QPalette::WindowText), QColor(Qt::blue));
}

} // namespace

namespace {

// A settings file that cannot be written never keeps the user from quitting: the error is
// shown once, the close goes on, and the secondary windows are still closed.
TEST_F(MainWindowTest, AnUnwritableSettingsFileStillLetsTheUserQuit) {
    for (const bool fromTray : {false, true}) {
        SCOPED_TRACE(fromTray ? "tray exit" : "close command");
        writeIni("[FormStyle]\nViewerStyle=1\n");
        TForm1& f = create();
        f.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
        auto* secondary = new QWidget;
        secondary->setAttribute(Qt::WA_DeleteOnClose);
        secondary->show();
        f.State().Windows.MeltM = secondary;
        QPointer<QWidget> watch(secondary);
        // The file becomes a folder of that name: every write fails, even as root.
        ASSERT_TRUE(QFile::remove(ini()));
        ASSERT_TRUE(QDir().mkdir(ini()));
        QSignalSpy closed(&f, &TForm1::formClosed);
        responder.answer(ui::MsgResult::Yes);
        responder.answer(ui::MsgResult::OK);
        if (fromTray)
            f.N13Click();
        else
            f.CloseButtonClick();
        ASSERT_EQ(responder.calls().size(), 2);
        EXPECT_EQ(responder.calls().at(1).caption, "ｴﾗｰ");
        EXPECT_EQ(responder.calls().at(1).text, ini() + " に書き込めません");
        EXPECT_EQ(closed.count(), 1);
        EXPECT_FALSE(f.isVisible());
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(watch.isNull()); // closed as usual
        ASSERT_TRUE(QDir().rmdir(ini()));
        form.reset();
        responder.clear();
    }
}

} // namespace
