// The information window: its texts on activation and on each second, the clock on its
// panel and in its caption, its minimise button, file drops, its life from the main
// window's command to its close, and its placement.
#include "core/SettingsFile.h"
#include "core/SharedState.h"
#include "info/AboutDrops.h"
#include "info/AboutTexts.h"
#include "info/TAboutBox.h"
#include "pictures/PluginPictures.h"
#include "platform/AppPaths.h"
#include "platform/FsName.h"
#include "platform/MemoryStatus.h"
#include "platform/Shell.h"
#include "tests/browser/MainWindowFixture.h"
#include "ui/HelpWindow.h"
#include "ui/Panel.h"
#include "ui/Resources.h"

#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace {

// 64 MB with 16 MB free, 32 MB of swap with 8 MB free, commit space half used.
const QByteArray kSample = "MemTotal:  65536 kB\nMemFree: 1000 kB\nMemAvailable: 16384 kB\n"
                           "SwapTotal: 32768 kB\nSwapFree: 8192 kB\n"
                           "CommitLimit: 98304 kB\nCommitted_AS: 49152 kB\n";

void deferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A drop of these files from another program (no drag source in this process).
bool dropOn(QWidget* target, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QImage iconImage(const QIcon& icon) {
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

// A control that takes drops for its own purpose (as a slot registers a file).
class TakesDrops : public QWidget {
public:
    explicit TakesDrops(QWidget* parent) : QWidget(parent) { setAcceptDrops(true); }
    int drops = 0;

protected:
    void dragEnterEvent(QDragEnterEvent* e) override { e->acceptProposedAction(); }
    void dropEvent(QDropEvent* e) override {
        ++drops;
        e->acceptProposedAction();
    }
};

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(settingsDir.isValid());
        platform::setSettingsFilePathOverride(settingsDir.filePath("zelmo32.INI"));
        platform::SetMeminfoSource([] { return kSample; });
        info::SetAboutClockSource([this] { return now; });
    }
    void TearDown() override {
        delete box.data();
        pictures::ReleasePlugins();
        info::SetAboutClockSource(nullptr);
        platform::SetMeminfoSource(nullptr);
        platform::setSettingsFilePathOverride(QString());
    }
    TAboutBox* open() {
        box = TAboutBox::ShowInformation(state);
        return box;
    }

    QTemporaryDir settingsDir;
    core::SharedState state;
    QTime now{10, 20, 31};
    QPointer<TAboutBox> box;
    platform::ShellRecorder shell;
};

} // namespace

TEST_F(AboutBoxTest, MadeWithItsControlsTextsAndMeter) {
    TAboutBox* b = open();
    EXPECT_EQ(state.Windows.AboutBox.data(), b);
    EXPECT_TRUE(b->isVisible());
    EXPECT_EQ(b->size(), QSize(216, 311));
    EXPECT_TRUE(b->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(ui::HelpContextOf(b), 1100);
    EXPECT_EQ(b->Panel1->geometry(), b->rect());
    EXPECT_EQ(b->ProductName->text(), QStringLiteral("ゼルモ３２"));
    EXPECT_EQ(b->Version->text(), QStringLiteral("Version  2.20"));
    EXPECT_EQ(b->Label2->text(), QStringLiteral("for Win95 ＆ NT4.0"));
    EXPECT_EQ(b->ProductName->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(b->Version->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(b->Label7->text(), QStringLiteral("Zoom :"));
    EXPECT_EQ(b->time1->text(), QStringLiteral("現在時刻 :"));
    EXPECT_TRUE(b->Timer1->isActive());
    EXPECT_EQ(b->ProgramIconName(), QStringLiteral("MAINICON"));

    // The meter: captions at the left top to bottom, values right-aligned 20 pixels
    // inside the panel, then the three availability rows.
    const QList<QLabel*> captions{b->Memoly, b->Physical, b->PageFile, b->Virtual};
    const QList<QLabel*> values{b->MemolyL, b->PhysicalL, b->PageFileL, b->VirtualL};
    const QStringList texts{"Use Memory", "Free Physical", "Free PageFile", "Free Virtual"};
    const QStringList meter{"75 %", "25 %", "25 %", "50 %"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(captions[i]->text(), texts[i]);
        EXPECT_EQ(values[i]->text(), meter[i]);
        EXPECT_EQ(values[i]->geometry().right() + 1, b->Panel1->width() - 20);
        EXPECT_EQ(values[i]->y(), captions[i]->y());
        if (i > 0) {
            EXPECT_GT(captions[i]->y(), captions[i - 1]->y());
        }
    }
    EXPECT_GT(b->UnLha32Label->y(), b->Virtual->y());
    EXPECT_GT(b->Unzip32Label->y(), b->UnLha32Label->y());
    EXPECT_GT(b->SusieLabel->y(), b->Unzip32Label->y());
    for (QLabel* l : {b->UnLha32Label, b->Unzip32Label, b->SusieLabel})
        EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(0, 0, 128));
}

TEST_F(AboutBoxTest, ActivationNamesTheLibrariesAndEachPluginCombination) {
    TAboutBox* b = open();
    struct Case {
        bool gif, jpeg;
        const char* text;
    };
    const Case cases[] = {
        {true, true, "GIF ＆ JPG 映像表示可（ SPI 有 ）"},
        {true, false, "GIF表示可／JPG表示不可"},
        {false, true, "JPG表示可／GIF表示不可"},
        {false, false, "（IFGIF.SPI ＆ IFJPEG.SPI 無）"},
    };
    for (const Case& c : cases) {
        pictures::BindPlugins({c.gif ? QStringLiteral(ZELMO_GIF_SPI) : QString(),
                               c.jpeg ? QStringLiteral(ZELMO_JPEG_SPI) : QString()});
        ASSERT_EQ(pictures::GifPluginLoaded(), c.gif);
        ASSERT_EQ(pictures::JpegPluginLoaded(), c.jpeg);
        b->FormActivate();
        EXPECT_EQ(b->SusieLabel->text(), QString::fromUtf8(c.text));
    }

    EXPECT_EQ(b->UnLha32Label->text(), QStringLiteral("ＬＺＨ 解凍不可（ UNLHA32.DLL 無 ）"));
    EXPECT_EQ(b->Unzip32Label->text(), QStringLiteral("ＺＩＰ 解凍不可（ UNZIP32.DLL 無 ）"));
    state.UnlhaAvailable = state.UnzipAvailable = true;
    platform::SetMeminfoSource(
        [] { return QByteArray("MemTotal: 1000 kB\nMemAvailable: 900 kB\n"); });
    b->FormActivate();
    EXPECT_EQ(b->windowTitle(), QStringLiteral("各種情報"));
    EXPECT_EQ(b->UnLha32Label->text(), QStringLiteral("ＬＺＨ 解凍可（ UNLHA32.DLL 有 ）"));
    EXPECT_EQ(b->Unzip32Label->text(), QStringLiteral("ＺＩＰ 解凍可（ UNZIP32.DLL 有 ）"));
    EXPECT_EQ(b->PhysicalL->text(), QStringLiteral("90 %")); // the meter is read again
    EXPECT_EQ(b->PageFileL->text(), QStringLiteral("0 %"));  // no swap

    // Every text fits its label in the window's fonts.
    for (QLabel* l : b->Panel1->findChildren<QLabel*>())
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width())
            << l->objectName().toStdString();
}

TEST_F(AboutBoxTest, EachSecondDrawsTheClockShowsTheZoomAndAlternatesTheIcon) {
    TAboutBox* b = open();
    state.Zoom = 111;
    now = QTime(10, 20, 35);
    b->Timer1Timer();
    EXPECT_EQ(b->ZoomLabel->text(), QStringLiteral("111 % "));
    EXPECT_EQ(b->ClockText(), QStringLiteral("10:20:35"));
    EXPECT_EQ(b->ProgramIconName(), QStringLiteral("MAINICON"));
    const int w = b->fontMetrics().horizontalAdvance(QStringLiteral("10:20:35SS"));
    EXPECT_EQ(b->ClockPosition(), QPoint(b->Panel1->width() - w, b->time1->y() + 2));

    // The digits stand on the white panel where the clock goes, and nowhere without it.
    const QRect clock(b->ClockPosition(), QSize(w, b->fontMetrics().height()));
    auto darkPixels = [&] {
        const QImage shot = b->Panel1->grab().toImage();
        int dark = 0;
        for (int y = clock.top(); y <= clock.bottom(); ++y)
            for (int x = clock.left(); x <= clock.right(); ++x)
                dark += qGray(shot.pixel(x, y)) < 100;
        return dark;
    };
    EXPECT_GT(darkPixels(), 20);

    now = QTime(10, 20, 40);
    b->Timer1Timer();
    EXPECT_EQ(b->ProgramIconName(), QStringLiteral("ZELU"));
    EXPECT_EQ(b->windowTitle(), QStringLiteral("Information")); // not activated here

    // A new meter value shows within the second.
    platform::SetMeminfoSource(
        [] { return QByteArray("MemTotal: 1000 kB\nMemAvailable: 500 kB\n"); });
    b->Timer1Timer();
    EXPECT_EQ(b->PhysicalL->text(), QStringLiteral("50 %"));
    EXPECT_EQ(b->MemolyL->text(), QStringLiteral("50 %"));
}

TEST_F(AboutBoxTest, SpeedButton1MinimisesAndTheCaptionRunsAsTheClock) {
    TAboutBox* b = open();
    EXPECT_EQ(b->SpeedButton1->size(), QSize(25, 25));
    EXPECT_EQ(b->SpeedButton1->toolTip(), QStringLiteral("アイコン で 常時時刻表示"));
    EXPECT_EQ(b->SpeedButton1->cursor().pixmap().toImage(),
              ui::resourceCursor(QStringLiteral("HANDHIT")).pixmap().toImage());

    QTest::mouseClick(b->SpeedButton1, Qt::LeftButton);
    ASSERT_TRUE(b->isMinimized());
    now = QTime(7, 8, 45);
    platform::SetMeminfoSource([] { return QByteArray("MemTotal: 100 kB\nMemAvailable: 1 kB\n"); });
    b->Timer1Timer();
    EXPECT_EQ(b->windowTitle(), QStringLiteral("07:08:45"));
    EXPECT_EQ(iconImage(b->windowIcon()), iconImage(ui::resourceIcon(QStringLiteral("ZELU"))));
    EXPECT_EQ(b->PhysicalL->text(), QStringLiteral("25 %")); // not refreshed while minimised
    EXPECT_TRUE(b->ClockText().isEmpty());
    now = QTime(7, 8, 50);
    b->Timer1Timer();
    EXPECT_EQ(b->windowTitle(), QStringLiteral("07:08:50"));
    EXPECT_EQ(iconImage(b->windowIcon()), iconImage(ui::resourceIcon(QStringLiteral("MAINICON"))));

    // The information command brings it back, the same window.
    EXPECT_EQ(TAboutBox::ShowInformation(state), b);
    EXPECT_FALSE(b->isMinimized());
    EXPECT_TRUE(b->isVisible());
}

TEST_F(AboutBoxTest, ClosingFreesItAndTheNextCommandMakesANewOne) {
    QPointer<TAboutBox> first = open();
    first->close();
    EXPECT_EQ(state.Windows.AboutBox, nullptr);
    deferredDeletes();
    EXPECT_TRUE(first.isNull());
    TAboutBox* second = open();
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(state.Windows.AboutBox.data(), second);
}

TEST_F(AboutBoxTest, PlacementIsSavedOnCloseAndRestoredOnTheNextOpening) {
    TAboutBox* b = open();
    b->move(140, 90);
    b->close();
    deferredDeletes();
    const SettingsFile ini(settingsDir.filePath("zelmo32.INI"));
    EXPECT_EQ(ini.ReadInteger("TAboutBox", "PlaceNormalPos.Left", -1), 140);
    EXPECT_EQ(ini.ReadInteger("TAboutBox", "PlaceNormalPos.Top", -1), 90);
    EXPECT_EQ(open()->pos(), QPoint(140, 90));
}

TEST_F(AboutBoxTest, FilesFromOtherProgramsAreStartedAndOurOwnDragsAreNot) {
    TAboutBox* b = open();
    const QString odd = platform::fromFsBytes(QByteArray("/home/ann/\x82\xa0 \"x\"\n.txt"));
    const QList<QUrl> urls{QUrl::fromLocalFile("/home/ann/a b.txt"), QUrl::fromLocalFile("/top.sh"),
                           QUrl("https://example.org/"),
                           QUrl("file:///home/ann/%82%A0%20%22x%22%0A.txt")};
    shell.answer(platform::kShellFileNotFound); // not reported; the rest still start
    EXPECT_TRUE(dropOn(b, urls));
    ASSERT_EQ(shell.calls().size(), 3);
    EXPECT_EQ(shell.calls()[0].file, "/home/ann/a b.txt");
    EXPECT_EQ(shell.calls()[0].parameters, "");
    EXPECT_EQ(shell.calls()[0].directory, "/home/ann/");
    EXPECT_EQ(shell.calls()[0].showCmd, platform::SW_SHOW);
    EXPECT_EQ(shell.calls()[1].directory, "/");
    EXPECT_EQ(shell.calls()[2].file, odd);
    EXPECT_EQ(shell.calls()[2].directory, "/home/ann/");

    // A drag that starts in one of our lists has a source: it is refused.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/home/ann/a.txt")});
    QObject ourList;
    EXPECT_TRUE(info::FilesFromOtherPrograms(&ourList, &mime).isEmpty());
    EXPECT_EQ(info::FilesFromOtherPrograms(nullptr, &mime), QStringList{"/home/ann/a.txt"});
    // Text without files is refused.
    QMimeData text;
    text.setText("hello");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(b, &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(AboutBoxTest, WhileItExistsDropsOnOurOtherWindowsComeToIt) {
    QWidget other; // a window of ours that takes drops but does nothing with them
    other.setAcceptDrops(true);
    auto* control = new TakesDrops(&other); // a control of it with drops of its own
    other.showMinimized();
    const QList<QUrl> urls{QUrl::fromLocalFile("/srv/x.txt")};

    TAboutBox* b = open();
    EXPECT_TRUE(dropOn(&other, urls));
    ASSERT_EQ(shell.calls().size(), 1);
    EXPECT_EQ(shell.calls()[0].file, "/srv/x.txt");
    EXPECT_EQ(shell.calls()[0].directory, "/srv/");
    EXPECT_FALSE(other.isMinimized());  // restored
    EXPECT_TRUE(dropOn(control, urls)); // the control takes its own drops
    EXPECT_EQ(control->drops, 1);
    EXPECT_EQ(shell.calls().size(), 1);

    b->close(); // before it is freed, the routing is gone
    EXPECT_FALSE(dropOn(&other, urls));
    EXPECT_EQ(shell.calls().size(), 1);
}

// ---- From the main window -------------------------------------------------------------

namespace {

class AboutBoxInMainWindow : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        platform::SetMeminfoSource([] { return kSample; });
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        platform::SetMeminfoSource(nullptr);
    }
    TAboutBox* aboutBox() const {
        return qobject_cast<TAboutBox*>(form->State().Windows.AboutBox.data());
    }
};

} // namespace

TEST_F(AboutBoxInMainWindow, TheInformationButtonAndMenuItemShowOneWindow) {
    TForm1& f = create();
    EXPECT_EQ(aboutBox(), nullptr);
    QTest::mouseClick(f.Controls().SBP, Qt::LeftButton);
    QPointer<TAboutBox> b = aboutBox();
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->isVisible());
    EXPECT_EQ(b->PhysicalL->text(), QStringLiteral("25 %"));
    EXPECT_EQ(f.PopupVer->text(), QStringLiteral("リソース計測・各種情報 (&R)"));
    EXPECT_EQ(ui::HelpContextOf(b), 1100);
    f.PopupVer->trigger();
    EXPECT_EQ(aboutBox(), b.data());

    // The main window's files dropped from outside are started once, not twice.
    EXPECT_TRUE(dropOn(&f, {QUrl::fromLocalFile("/srv/y.txt")}));
    EXPECT_EQ(shell.calls().size(), 1);

    // The main window's close command closes it; it is freed.
    f.CloseSecondaryWindows();
    EXPECT_EQ(aboutBox(), nullptr);
    deferredDeletes();
    EXPECT_TRUE(b.isNull());
}

TEST_F(AboutBoxInMainWindow, AWindowLeftOpenGoesWithTheMainWindow) {
    create();
    form->SBPClick();
    QPointer<TAboutBox> b = aboutBox();
    ASSERT_NE(b, nullptr);
    b->move(30, 40);
    form.reset();
    EXPECT_TRUE(b.isNull());
    const SettingsFile ini(settingsDir.filePath("zelmo32.INI"));
    EXPECT_EQ(ini.ReadInteger("TAboutBox", "PlaceNormalPos.Left", -1), 30);
}
