// The slot handlers of the main window, driven as the user would drive them: real
// files in a temporary folder, the settings file there too, starts recorded (or, once,
// real), questions answered by a scripted responder.
#include "FakeSelection.h"
#include "app/ControlPage.h"
#include "app/TForm1.h"
#include "app/WindowModes.h"
#include "browser/FilePanel.h"
#include "core/SettingsFile.h"
#include "launcher/EntryRules.h"
#include "launcher/LauncherStrip.h"
#include "launcher/SlotControls.h"
#include "launcher/SlotPicture.h"
#include "platform/AppPaths.h"
#include "platform/Shell.h"
#include "search/BulkSearch.h"
#include "ui/MessageDialog.h"
#include "ui/Resources.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPalette>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

using namespace launcher;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {
const QString kData = QStringLiteral(ZELMO_TEST_DATA "/shell/");

class SlotTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        dir = tmp.path();
        ini = dir + "/zelmo32.INI";
        platform::setSettingsFilePathOverride(ini);
        QImage bmp(64, 16, QImage::Format_RGB32);
        bmp.fill(QColor(0, 0, 255));
        ASSERT_TRUE(bmp.save(dir + "/wide.bmp", "BMP"));
        ASSERT_TRUE(QFile::copy(kData + "icon.ico", dir + "/a.ico"));
        ASSERT_TRUE(QFile::copy(kData + "app.exe", dir + "/app.exe"));
        ASSERT_TRUE(QDir(dir).mkdir("folder"));
        write(dir + "/notes.txt", "text");
    }
    void TearDown() override { platform::setSettingsFilePathOverride(QString()); }

    static void write(const QString& path, const QByteArray& data, bool exec = false) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        f.close();
        if (exec)
            f.setPermissions(f.permissions() | QFile::ExeOwner);
    }
    void store(int page, int slot, const QString& path) {
        SettingsFile(ini).WriteString(PageSection(page), SlotKey(slot), path);
    }
    QString stored(int page, int slot) {
        return SettingsFile(ini).ReadString(PageSection(page), SlotKey(slot), "<none>");
    }
    std::unique_ptr<TForm1> makeForm(bool viewerOpen) {
        SettingsFile(ini).WriteBool("FormStyle", "ViewerStyle", viewerOpen);
        auto form = std::make_unique<TForm1>();
        form->Launcher().setSelectionSource(&selection);
        return form;
    }
    static QImage picture(TForm1& f, int slot) {
        return f.Launcher().SlotImages[0][slot]->picture().toImage().convertToFormat(
            QImage::Format_ARGB32);
    }
    static QString hint(TForm1& f, int slot) { return f.Launcher().SlotImages[0][slot]->toolTip(); }
    static QImage onFace(const QString& name) {
        QImage work;
        return DrawIconOnFace(work, ui::resourcePixmap(name).toImage(),
                              QApplication::palette().color(QPalette::Button))
            .convertToFormat(QImage::Format_ARGB32);
    }
    static QRgb centre(const QImage& img) { return img.pixel(16, 16) & 0xFFFFFF; }

    QTemporaryDir tmp;
    QString dir, ini;
    FakeSelection selection;
    QObject listWidget, treeWidget;
};
} // namespace

TEST_F(SlotTest, StartUpPicturesAndHints) {
    store(0, 0, dir + "/wide.bmp");
    store(0, 1, dir + "/a.ico");
    store(0, 2, dir + "/app.exe");
    store(0, 3, dir + "/folder");
    store(0, 4, dir + "/gone.exe");
    store(0, 5, dir + "/notes.txt");
    store(0, 6, dir + "/gone.bmp");
    write(dir + "/broken.bmp", "not a picture");
    store(0, 7, dir + "/broken.bmp");
    auto form = makeForm(false);

    EXPECT_EQ(picture(*form, 0).size(), QSize(32, 32)); // stretched from 64 x 16
    EXPECT_EQ(centre(picture(*form, 0)), 0x0000FFu);
    EXPECT_EQ(hint(*form, 0), "wide.bmp");
    EXPECT_EQ(centre(picture(*form, 1)), 0xFF00FFu);
    EXPECT_EQ(hint(*form, 1), "a.ico");
    EXPECT_EQ(centre(picture(*form, 2)), 0xFF0000u);
    EXPECT_EQ(hint(*form, 2), "app.exe");
    EXPECT_EQ(picture(*form, 3), onFace("KUMA"));
    EXPECT_EQ(hint(*form, 3), dir + "/folder");
    EXPECT_EQ(picture(*form, 4), onFace("ZELU"));
    EXPECT_EQ(hint(*form, 4), dir + "/gone.exe");
    EXPECT_EQ(picture(*form, 5), onFace("USAGI"));
    EXPECT_EQ(picture(*form, 6), onFace("ZELU"));
    // A damaged picture does not stop start-up; it shows as "no icon".
    EXPECT_EQ(picture(*form, 7), onFace("USAGI"));
    EXPECT_EQ(hint(*form, 8), "未登録 9");
    EXPECT_TRUE(picture(*form, 8).isNull());
}

TEST_F(SlotTest, DropMenuAndClickRegisterAndSurviveARestart) {
    auto form = makeForm(true);
    selection.listWidget = &listWidget;
    selection.treeWidget = &treeWidget;

    // Drop of the tree's folder.
    selection.directory = dir + "/folder";
    EXPECT_TRUE(form->Launcher().BP3SPiDragOver(form->Launcher().SlotImages[0][0], &treeWidget));
    EXPECT_FALSE(form->Launcher().BP3SPiDragOver(form->Launcher().SlotImages[0][0], nullptr));
    form->Launcher().BP3SPiDragDrop(form->Launcher().SlotImages[0][0], &treeWidget);
    EXPECT_EQ(picture(*form, 0), onFace("KUMA"));
    EXPECT_EQ(hint(*form, 0), dir + "/folder");
    EXPECT_EQ(stored(0, 0), dir + "/folder");

    // Drop from the list of a file that is gone: nothing selected, nothing happens.
    form->Launcher().BP3SPiDragDrop(form->Launcher().SlotImages[0][1], &listWidget);
    EXPECT_EQ(stored(0, 1), "<none>");
    // A broken picture dropped is discarded quietly; the slot keeps what it had.
    write(dir + "/broken.bmp", "no");
    selection.file = dir + "/broken.bmp";
    form->Launcher().BP3SPiDragDrop(form->Launcher().SlotImages[0][1], &listWidget);
    EXPECT_EQ(stored(0, 1), "<none>");
    EXPECT_EQ(hint(*form, 1), "未登録 2");

    // Menu: item 3 fills slot index 2, the caption gains the path.
    selection.file = dir + "/app.exe";
    form->Launcher().RebuildRegistrationCaptions();
    EXPECT_EQ(form->Launcher().ButtonItems[2]->text(), "登録 3  ");
    EXPECT_EQ(form->Launcher().ButtonItems[0]->text(), "登録 1  " + dir + "/folder");
    form->Launcher().Button1Click(form->Launcher().ButtonItems[2]);
    EXPECT_EQ(centre(picture(*form, 2)), 0xFF0000u);
    EXPECT_EQ(hint(*form, 2), dir + "/app.exe");
    EXPECT_EQ(form->Launcher().ButtonItems[2]->text(), "登録 3    " + dir + "/app.exe");
    EXPECT_EQ(stored(0, 2), dir + "/app.exe");
    form->Launcher().RebuildRegistrationCaptions();
    EXPECT_EQ(form->Launcher().ButtonItems[2]->text(), "登録 3  app.exe");

    // Click on an empty slot with a selection: registered and started in its folder.
    platform::ShellRecorder rec;
    selection.file = dir + "/wide.bmp";
    form->Launcher().BP3SPiClick(form->Launcher().SlotImages[0][3]);
    EXPECT_EQ(picture(*form, 3).size(), QSize(32, 32));
    EXPECT_EQ(hint(*form, 3), dir + "/wide.bmp");
    EXPECT_EQ(stored(0, 3), dir + "/wide.bmp");
    ASSERT_EQ(rec.calls().size(), 1);
    EXPECT_EQ(rec.calls()[0].file, dir + "/wide.bmp");
    EXPECT_EQ(rec.calls()[0].parameters, "");
    EXPECT_EQ(rec.calls()[0].directory, dir);
    // ... and with nothing selected, the tree's directory.
    selection.file.reset();
    form->Launcher().BP3SPiClick(form->Launcher().SlotImages[0][4]);
    EXPECT_EQ(stored(0, 4), dir + "/folder");
    EXPECT_EQ(rec.calls().last().file, dir + "/folder");
    EXPECT_EQ(rec.calls().last().directory, dir + "/folder");

    // After a restart: file names for existing files, the full entry for missing ones.
    QFile::remove(dir + "/app.exe");
    form.reset();
    auto again = makeForm(true);
    EXPECT_EQ(hint(*again, 3), "wide.bmp");
    EXPECT_EQ(hint(*again, 2), dir + "/app.exe");
    EXPECT_EQ(picture(*again, 2), onFace("ZELU"));
    EXPECT_EQ(hint(*again, 0), dir + "/folder");
    EXPECT_EQ(picture(*again, 0), onFace("KUMA"));
}

TEST_F(SlotTest, RemovalAsksWithTheWholeTextAndRestoresTheImages) {
    store(0, 4, dir + "/notes.txt");
    store(0, 5, dir + "/folder");
    auto form = makeForm(false);
    ui::ScriptedResponder answers;
    auto* button = form->Launcher().SlotButtons[0][4];
    auto* image = form->Launcher().SlotImages[0][4];

    form->Launcher().BP3SPiMouseDown(button, Qt::RightButton, QPoint(3, 3));
    EXPECT_TRUE(image->isSlotEnabled());
    answers.answer(ui::MsgResult::No);
    form->Launcher().BP3SPiMouseUp(image, Qt::RightButton, QPoint(3, 3));
    ASSERT_EQ(answers.calls().size(), 1);
    EXPECT_EQ(answers.calls()[0].text, dir + "/   の\r\n\r\n＜  notes.txt  ＞  を\r\n\r\n"
                                             "ボタン登録から解除します。\r\n\r\nよろしいですか ? ");
    EXPECT_EQ(answers.calls()[0].icon, ui::MsgIcon::Question);
    EXPECT_EQ(answers.calls()[0].buttons, ui::mbYes | ui::mbNo);
    EXPECT_FALSE(answers.calls()[0].topLeft.has_value());
    EXPECT_EQ(stored(0, 4), dir + "/notes.txt");
    EXPECT_FALSE(image->isSlotEnabled()); // viewer closed: disabled again

    form->Launcher().BP3SPiMouseDown(form->Launcher().SlotButtons[0][5], Qt::RightButton,
                                     QPoint(3, 3));
    answers.answer(ui::MsgResult::Yes);
    form->Launcher().BP3SPiMouseUp(form->Launcher().SlotImages[0][5], Qt::RightButton,
                                   QPoint(3, 3));
    EXPECT_EQ(answers.calls()[1].text, "＜  " + dir +
                                           "/folder  ＞  を\r\n\r\nボタン登録から解除します。"
                                           "\r\n\r\nよろしいですか ? ");
    EXPECT_EQ(form->Launcher().Entries.at(0, 5), "");
    EXPECT_EQ(hint(*form, 5), "解除後 6");
    EXPECT_TRUE(picture(*form, 5).isNull());
    EXPECT_EQ(stored(0, 5), "");
    EXPECT_FALSE(form->Launcher().SlotImages[0][5]->isSlotEnabled());

    // An empty slot asks nothing.
    form->Launcher().BP3SPiMouseDown(form->Launcher().SlotButtons[0][6], Qt::RightButton,
                                     QPoint(3, 3));
    form->Launcher().BP3SPiMouseUp(form->Launcher().SlotImages[0][6], Qt::RightButton,
                                   QPoint(3, 3));
    EXPECT_EQ(answers.calls().size(), 2);
    EXPECT_FALSE(form->Launcher().SlotImages[0][6]->isSlotEnabled());
}

TEST_F(SlotTest, LaunchBranchesAndTheNotFoundMessage) {
    store(0, 0, "/opt/zelmo-test/editor");
    store(0, 1, "/mnt/c/WINDOWS/explorer.exe");
    store(0, 2, dir + "/folder");
    store(0, 3, dir + "/notes.txt");
    auto form = makeForm(true);
    platform::ShellRecorder rec;
    ui::ScriptedResponder answers;
    selection.directory = dir;
    selection.file = dir + "/my notes.txt";

    form->Launcher().BP3SPiClick(form->Launcher().SlotImages[0][0]);
    EXPECT_EQ(rec.calls().last().file, "/opt/zelmo-test/editor");
    EXPECT_EQ(rec.calls().last().parameters, "\"" + dir + "/my notes.txt\"");
    EXPECT_EQ(rec.calls().last().directory, "/opt/zelmo-test");
    EXPECT_EQ(rec.calls().last().showCmd, platform::SW_SHOW);
    selection.file = dir + "/setup.EXE";
    form->Launcher().BP3SPiClick(form->Launcher().SlotImages[0][0]);
    EXPECT_EQ(rec.calls().last().parameters, "\"\"");
    form->Launcher().BP3SPiClick(form->Launcher().SlotImages[0][1]);
    EXPECT_EQ(rec.calls().last().file, "/mnt/c/WINDOWS/explorer.exe");
    EXPECT_EQ(rec.calls().last().parameters, dir);
    EXPECT_EQ(rec.calls().last().directory, "");
    EXPECT_TRUE(answers.calls().isEmpty());

    // Results 2 and 3 show the message at the cursor; others (31, 5) show nothing.
    QCursor::setPos(200, 150);
    const QPoint cursor = QCursor::pos();
    for (int result : {platform::kShellFileNotFound, platform::kShellPathNotFound,
                       platform::kShellNoAssociation, platform::kShellAccessDenied})
        rec.answer(result), form->Launcher().BP3SPiClick(form->Launcher().SlotImages[0][0]);
    ASSERT_EQ(answers.calls().size(), 2);
    EXPECT_EQ(answers.calls()[0].text,
              "指定の  /opt/zelmo-test/editor  は、\r\n\r\n  起動できませんでした。\r\n\r\n"
              "ドライブの用意は、できていますか ？\r\n\r\n"
              "登録後、ファイルを移動したり、削除されませんでしたか ？");
    EXPECT_EQ(answers.calls()[0].icon, ui::MsgIcon::Question);
    EXPECT_EQ(answers.calls()[0].buttons, ui::mbOK);
    EXPECT_EQ(answers.calls()[0].topLeft, cursor + QPoint(10, 10));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the hourglass is gone

    // Viewer closed: the selection is ignored, folders and missing files go to the
    // file manager.
    form->State().ViewerOpen = false;
    form->Launcher().BP3SPiClick(form->Launcher().SlotButtons[0][3]);
    EXPECT_EQ(rec.calls().last().file, dir + "/notes.txt");
    EXPECT_EQ(rec.calls().last().parameters, "");
    EXPECT_EQ(rec.calls().last().directory, dir);
    form->Launcher().BP3SPiClick(form->Launcher().SlotButtons[0][2]);
    EXPECT_EQ(rec.calls().last().file, "explorer.exe");
    EXPECT_EQ(rec.calls().last().parameters, "/n,/e," + dir + "/folder");
    form->Launcher().BP3SPiClick(form->Launcher().SlotButtons[0][0]); // the editor does not exist
    EXPECT_EQ(rec.calls().last().file, "explorer.exe");
    const int before = rec.calls().size();
    form->Launcher().BP3SPiClick(
        form->Launcher().SlotButtons[0][9]); // empty: a file-manager window, no entry
    EXPECT_EQ(rec.calls().size(), before + 1);
    EXPECT_EQ(rec.calls().last().file, "explorer");
    EXPECT_EQ(stored(0, 9), "<none>");
}

TEST_F(SlotTest, LastLaunchedSlotIsKeptInMemoryOnly) {
    store(2, 13, dir + "/notes.txt");
    auto form = makeForm(true);
    form->Launcher().Notebook1->setCurrentIndex(2);
    platform::ShellRecorder rec;
    form->Launcher().ShowLastLaunched(dir + "/app.exe");
    EXPECT_EQ(form->Launcher().SlotImages[2][13]->toolTip(),
              "直前に呼び出したお友達 ( " + dir + "/app.exe )");
    EXPECT_EQ(centre(form->Launcher().SlotImages[2][13]->picture().toImage()), 0xFF0000u);
    EXPECT_EQ(form->Launcher().Entries.at(2, 13), dir + "/app.exe");
    EXPECT_EQ(SettingsFile(ini).ReadString("Page3", "BPFileName13", ""), dir + "/notes.txt");
    ASSERT_EQ(rec.calls().size(), 1);
    EXPECT_EQ(rec.calls()[0].file, dir + "/app.exe");
    EXPECT_EQ(rec.calls()[0].directory, "");
    // A click on the slot now starts the double-clicked file.
    selection.file.reset();
    form->Launcher().BP3SPiClick(form->Launcher().SlotImages[2][13]);
    EXPECT_EQ(rec.calls().last().file, dir + "/app.exe");
    // On the control page only the start happens.
    form->Launcher().Notebook1->setCurrentIndex(launcher::LauncherStrip::kControlPage);
    form->Launcher().ShowLastLaunched(dir + "/notes.txt");
    EXPECT_EQ(rec.calls().size(), 3);
    EXPECT_EQ(form->Launcher().Entries.at(2, 13), dir + "/app.exe");
}

TEST_F(SlotTest, ARegisteredScriptReallyStarts) {
    const QString marker = dir + "/marker.txt";
    write(dir + "/tool.sh",
          ("#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$(pwd)\" > '" + marker + ".part'\nmv '" + marker +
           ".part' '" + marker + "'\n")
              .toUtf8(),
          true);
    store(0, 0, dir + "/tool.sh");
    auto form = makeForm(true);
    selection.file = dir + "/my notes.txt";
    form->Launcher().BP3SPiClick(form->Launcher().SlotImages[0][0]);
    QElapsedTimer t;
    t.start();
    QByteArray got;
    while (t.elapsed() < 10000 && got.isEmpty()) {
        QFile f(marker);
        if (f.open(QIODevice::ReadOnly))
            got = f.readAll();
        else
            QThread::msleep(20);
    }
    EXPECT_EQ(got, (dir + "/my notes.txt|" + dir + "\n").toUtf8());
}

TEST_F(SlotTest, MainWindowStartsFilesDroppedFromOtherPrograms) {
    auto form = makeForm(true);
    EXPECT_TRUE(form->acceptDrops());
    platform::ShellRecorder rec;
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dir + "/notes.txt"), QUrl::fromLocalFile(dir + "/app.exe"),
                  QUrl::fromLocalFile(dir + "/folder")});
    QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &drop);
    ASSERT_EQ(rec.calls().size(), 3);
    EXPECT_EQ(rec.calls()[0].file, dir + "/notes.txt");
    EXPECT_EQ(rec.calls()[0].directory, dir + "/");
    EXPECT_EQ(rec.calls()[2].file, dir + "/folder");
    for (int k = 0; k < launcher::LauncherStrip::kSlots; ++k)
        EXPECT_EQ(stored(0, k), "<none>");
}

TEST_F(SlotTest, RegistrationMenuNeedsASelectedFile) {
    auto form = makeForm(true);
    form->PopupMenu1Popup();
    EXPECT_FALSE(form->Launcher().PopButton->isEnabled());
    selection.file = dir + "/notes.txt";
    form->PopupMenu1Popup();
    EXPECT_TRUE(form->Launcher().PopButton->isEnabled());
    form->State().ViewerOpen = false;
    form->PopupMenu1Popup();
    EXPECT_FALSE(form->Launcher().PopButton->isEnabled());
}
