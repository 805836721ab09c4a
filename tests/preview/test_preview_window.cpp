// The preview window on a real file list of a temporary folder, with the main window
// stood in for by a recording host.
#include "browser/FileListBox.h"
#include "platform/FsName.h"
#include "platform/Shell.h"
#include "preview/PreviewHost.h"
#include "preview/TPreviewFormX.h"
#include "tests/preview/PreviewTestUtil.h"
#include "ui/ScreenMetrics.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

using browser::TFileListBoxS;
using preview::TPreviewFormX;

namespace {

class RecordingHost : public preview::PreviewHost {
public:
    TFileListBoxS* list = nullptr;
    int directoryPanelShown = 0;
    int leftTray = 0;
    QList<int> selectionsSeen; // the list's index each time the selection handler ran

    TFileListBoxS* ActiveList() const override { return list; }
    void ShowDirectoryPanel() override { ++directoryPanelShown; }
    void LeaveTray() override { ++leftTray; }
    void SelectionChanged(TFileListBoxS* l) override { selectionsSeen << l->ItemIndex(); }
};

class PreviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ui::SetScreenMetricsSource([] { return ui::ScreenMetrics{1024, 768, 20, 2}; });
        list.SetItemHeight(60);
        host.list = &list;
    }
    void TearDown() override { ui::SetScreenMetricsSource(nullptr); }

    QByteArray fsPath(const QByteArray& name) const {
        return QFile::encodeName(dir.path()) + "/" + name;
    }
    QString path(const QString& name) const { return dir.path() + "/" + name; }
    // n bitmaps "p00.bmp" ... of 10 + i by 20 + i pixels, listed and one selected.
    void makeBitmaps(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(previewtest::writePicture(
                fsPath(QByteArray("p") + QByteArray::number(i).rightJustified(2, '0') + ".bmp"),
                10 + i, 20 + i));
        list.SetDirectory(dir.path());
        ASSERT_EQ(list.Count(), n);
    }
    // The preview shown on the list's selection, as a click on the selection image does.
    void showOn(int index) {
        list.SetItemIndex(index);
        form.show();
    }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(&form, Qt::Key(k), mods);
    }
    QSize pictureSize() const { return form.Image1->pixmap().size(); }
    // The whole window, frame included, stands in the middle of the 1024 x 768 screen.
    void expectCentred() const {
        const QRect outer = form.frameGeometry();
        EXPECT_EQ(outer.topLeft(), QPoint((1024 - outer.width()) / 2, (768 - outer.height()) / 2));
    }

    QTemporaryDir dir;
    TFileListBoxS list;
    RecordingHost host;
    TPreviewFormX form{host};
};

} // namespace

TEST_F(PreviewWindowTest, StartsHiddenWithItsDesignAndHelp) {
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.size(), QSize(427, 273));
    EXPECT_TRUE(form.windowFlags() & Qt::Tool);
    EXPECT_EQ(form.font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(form.font().pointSize(), 9);
    EXPECT_EQ(form.Panel1->frameWidth(), 1);
    EXPECT_TRUE(form.Image1->hasScaledContents());
    EXPECT_EQ(form.PreviewIndex, 0);
}

TEST_F(PreviewWindowTest, ShowingReadsThePictureAtTheScreensSizeWithItsCaption) {
    makeBitmaps(5);
    showOn(2);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.PreviewIndex, 2);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("3/5 p02.bmp"));
    EXPECT_EQ(form.Image1->toolTip(), QStringLiteral("3/5 p02.bmp ( ") + dir.path() + "/ ) ");
    EXPECT_EQ(pictureSize(), QSize(12, 22)); // the file's, not the small selection image's
    EXPECT_EQ(form.size(), QSize(12 + 12, 22 + 12));
    EXPECT_EQ(form.NeededClientWidth, 24);
    expectCentred();
}

TEST_F(PreviewWindowTest, FiveFilesWrapAroundAndTheCaptionGetsTwoSpaces) {
    makeBitmaps(5);
    showOn(4);
    key(Qt::Key_Right);
    EXPECT_EQ(form.PreviewIndex, 0);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("1/5  p00.bmp"));
    EXPECT_EQ(form.Image1->toolTip(), QStringLiteral("1/5  p00.bmp ( ") + dir.path() + "/ ) ");
    EXPECT_EQ(pictureSize(), QSize(10, 20)); // read from the file now
    EXPECT_EQ(form.size(), QSize(22, 32));
    key(Qt::Key_Left);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("5/5  p04.bmp"));
    EXPECT_EQ(pictureSize(), QSize(14, 24));
    key(Qt::Key_Space);
    EXPECT_EQ(form.PreviewIndex, 0);
    key(Qt::Key_End);
    EXPECT_EQ(form.PreviewIndex, 4);
    key(Qt::Key_Home);
    EXPECT_EQ(form.PreviewIndex, 0);
    key(Qt::Key_Down);
    EXPECT_EQ(form.PreviewIndex, 4);
    // The list's own selection stays where it was while stepping.
    EXPECT_EQ(list.ItemIndex(), 4);
    EXPECT_EQ(host.leftTray, 0);
}

TEST_F(PreviewWindowTest, FifteenFilesJumpByTheNumericPad) {
    makeBitmaps(15);
    showOn(3);
    key(Qt::Key_1, Qt::KeypadModifier);
    EXPECT_EQ(form.PreviewIndex, 13);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("14/15  p13.bmp"));
    form.PreviewIndex = 4;
    key(Qt::Key_1, Qt::KeypadModifier);
    EXPECT_EQ(form.PreviewIndex, 0);
    key(Qt::Key_2, Qt::KeypadModifier);
    EXPECT_EQ(form.PreviewIndex, 0);
    key(Qt::Key_6, Qt::KeypadModifier);
    EXPECT_EQ(form.PreviewIndex, 1);
    key(Qt::Key_4, Qt::KeypadModifier);
    EXPECT_EQ(form.PreviewIndex, 0);
    // A digit of the main keyboard does nothing, but the hint is written again.
    form.Image1->setToolTip(QString());
    key(Qt::Key_1);
    EXPECT_EQ(form.PreviewIndex, 0);
    EXPECT_EQ(form.Image1->toolTip(), form.windowTitle() + " ( " + dir.path() + "/ ) ");
}

TEST_F(PreviewWindowTest, HiddenFilesCountedButNotShownStartAgainAtTheFirst) {
    ASSERT_TRUE(previewtest::writePicture(fsPath("a.bmp"), 4, 4));
    ASSERT_TRUE(previewtest::writePicture(fsPath("b.bmp"), 5, 5));
    ASSERT_TRUE(previewtest::writePicture(fsPath(".hidden.bmp"), 6, 6));
    list.SetShowHiddenSysFile(false);
    list.SetDirectory(dir.path());
    ASSERT_EQ(list.Count(), 2);
    ASSERT_EQ(list.FileCount(), 3);
    showOn(0);
    key(Qt::Key_End); // index 2 lies beyond the two shown entries
    EXPECT_EQ(form.PreviewIndex, 0);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("1/3  a.bmp"));
    EXPECT_EQ(pictureSize(), QSize(4, 4));
}

TEST_F(PreviewWindowTest, WithoutASelectionKeysOnlyShowTheDirectoryPanel) {
    makeBitmaps(3);
    showOn(1);
    list.SetItemIndex(-1);
    const QString title = form.windowTitle();
    key(Qt::Key_Right);
    EXPECT_EQ(form.PreviewIndex, 1);
    EXPECT_EQ(form.windowTitle(), title);
    EXPECT_EQ(host.directoryPanelShown, 1);
}

TEST_F(PreviewWindowTest, F12OpensTheShownFileAndKeepsTheIndex) {
    makeBitmaps(3);
    platform::ShellRecorder shell;
    showOn(0);
    key(Qt::Key_Right);
    key(Qt::Key_F12);
    ASSERT_EQ(shell.calls().size(), 1);
    EXPECT_EQ(shell.calls()[0].file, path("p01.bmp"));
    EXPECT_EQ(shell.calls()[0].parameters, QString());
    EXPECT_EQ(shell.calls()[0].showCmd, platform::SW_SHOW);
    EXPECT_EQ(form.PreviewIndex, 1);
}

TEST_F(PreviewWindowTest, PicturesByKindIconsAndFilesWithoutOne) {
    ASSERT_TRUE(previewtest::writePicture(fsPath("a.bmp"), 64, 16));
    ASSERT_TRUE(previewtest::writePicture(fsPath("b.ico"), 32, 32, "ICO", Qt::blue));
    ASSERT_TRUE(previewtest::writeBytes(fsPath("c.bmp"), "BM not a bitmap"));
    ASSERT_TRUE(previewtest::writeBytes(fsPath("d.ico"), "not an icon"));
    ASSERT_TRUE(previewtest::writeBytes(fsPath("e.txt"), "text"));
    ASSERT_TRUE(previewtest::writeBytes(fsPath("f.gif"), "GIF89a"));
    list.SetDirectory(dir.path());
    ASSERT_EQ(list.Count(), 6);
    showOn(0);
    key(Qt::Key_Home);
    EXPECT_EQ(pictureSize(), QSize(64, 16));
    key(Qt::Key_Right);
    EXPECT_EQ(pictureSize(), QSize(32, 32));
    EXPECT_EQ(form.Image1->pixmap().toImage().pixelColor(5, 5), QColor(Qt::blue));
    // An unreadable bitmap is an empty picture: the border and the margin remain.
    key(Qt::Key_Right);
    EXPECT_TRUE(form.Image1->pixmap().isNull());
    EXPECT_EQ(form.size(), QSize(12, 12));
    // An unreadable icon file shows nothing, not the picture before it.
    key(Qt::Key_Left);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    EXPECT_TRUE(form.Image1->pixmap().isNull());
    // A text file is no source of icons: the picture is cleared.
    form.Image1->setPixmap(QPixmap(8, 8));
    key(Qt::Key_Right);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("5/6  e.txt"));
    EXPECT_TRUE(form.Image1->pixmap().isNull());
    // GIF goes to the image plug-in; without one the picture is empty, no message.
    key(Qt::Key_Right);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("6/6  f.gif"));
    EXPECT_TRUE(form.Image1->pixmap().isNull());
}

TEST_F(PreviewWindowTest, AShortcutShowsItsTargetsIcon) {
    ASSERT_TRUE(previewtest::writePicture(fsPath("target.ico"), 16, 16, "ICO"));
    ASSERT_EQ(::symlink("target.ico", fsPath("link.lnk").constData()), 0);
    list.SetDirectory(dir.path());
    form.LoadPreviewPicture(path("link.lnk"));
    EXPECT_FALSE(form.Image1->pixmap().isNull());
    ASSERT_EQ(::unlink(fsPath("link.lnk").constData()), 0);
    ASSERT_EQ(::symlink("nowhere.txt", fsPath("link.lnk").constData()), 0);
    form.LoadPreviewPicture(path("link.lnk"));
    EXPECT_TRUE(form.Image1->pixmap().isNull());
}

TEST_F(PreviewWindowTest, NamesThatAreNotUtf8AreReadAndShown) {
    const QByteArray name("\x8A\x47\n\"x\".bmp"); // Shift-JIS, a line break, quotes
    ASSERT_TRUE(previewtest::writePicture(fsPath(name), 7, 9));
    list.SetDirectory(dir.path());
    showOn(0);
    key(Qt::Key_Right);
    EXPECT_EQ(pictureSize(), QSize(7, 9));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("1/1  絵\n\"x\".bmp"));
}

TEST_F(PreviewWindowTest, PicturesLargerThanTheScreenAreFittedAndCentred) {
    ASSERT_TRUE(previewtest::writePicture(fsPath("tall.bmp"), 400, 1000));
    ASSERT_TRUE(previewtest::writePicture(fsPath("wide.bmp"), 2000, 300));
    list.SetDirectory(dir.path());
    showOn(0);
    key(Qt::Key_Home); // tall: 412 x 1012 needed -> 748 high, 748 * 412 div 1012 wide
    EXPECT_EQ(form.size(), QSize(304, 748));
    expectCentred();
    EXPECT_EQ(form.ScreenHeight, 768);
    EXPECT_EQ(form.CaptionHeight, 20);
    key(Qt::Key_End); // wide: 2012 x 312 -> 1024 wide, 312 * 1024 div 2012 high
    EXPECT_EQ(form.size(), QSize(1024, 158));
    expectCentred();
}

TEST_F(PreviewWindowTest, EscapeF4TheCloseBoxAndAClickOnThePictureClose) {
    makeBitmaps(5);
    auto expectClosedOn = [&](int index, int leftTray) {
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(host.leftTray, leftTray);
        EXPECT_EQ(list.ItemIndex(), index);
        ASSERT_FALSE(host.selectionsSeen.isEmpty());
        EXPECT_EQ(host.selectionsSeen.last(), index);
    };
    showOn(0);
    key(Qt::Key_Right);
    key(Qt::Key_Escape);
    expectClosedOn(1, 1);
    showOn(1);
    key(Qt::Key_Right);
    key(Qt::Key_F4);
    expectClosedOn(2, 2);
    showOn(2);
    key(Qt::Key_Left);
    form.close(); // the close box
    expectClosedOn(1, 3);
    showOn(3);
    key(Qt::Key_Right);
    QTest::mouseClick(form.Image1, Qt::LeftButton, {}, QPoint(3, 3));
    expectClosedOn(4, 4);
    // A right click on the picture does not close it.
    showOn(0);
    QTest::mouseClick(form.Image1, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_TRUE(form.isVisible());
    // Closing a hidden window brings nothing back.
    key(Qt::Key_Escape);
    form.close();
    EXPECT_EQ(host.leftTray, 5);
}
