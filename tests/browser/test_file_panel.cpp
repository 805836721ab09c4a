// The file panel of the real main window on a temporary folder tree.
#include "browser/FilePanelText.h"
#include "launcher/SelectionSource.h"
#include "launcher/SlotControls.h"
#include "tests/browser/MainWindowFixture.h"
#include "tests/browser/TestPictures.h"
#include "ui/CaptionPanel.h"
#include "ui/Hints.h"
#include "ui/Panel.h"

#include <QAction>
#include <QComboBox>
#include <QFontInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QToolTip>

using browser::TFileListBoxS;

namespace {

class FilePanelTest : public MainWindowFixture {
protected:
    void makeTree() {
        file("a.txt", 3);
        file("Readme.exe", 1200);
        dir("sub");
        file("sub/one.txt", 10);
        file("sub/two.bmp", 20);
        file("sub/three.exe", 2000000);
        dir("empty");
    }
    void clickSection(QHeaderView* header, int section) {
        const QPoint p(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, p);
    }
};

TEST_F(FilePanelTest, ChoosingFoldersInTheTreeListsThemWithTheSummaryTexts) {
    makeTree();
    TForm1& f = create();
    // At start the tree is on the remembered directory: the drive's root.
    EXPECT_EQ(f.Files().DirList2->GetSelectedPath(), root + "/");
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"a.txt", "Readme.exe"}));
    EXPECT_EQ(f.Files().PanelL->caption(), root + "/");
    EXPECT_EQ(f.Files().PanelL->toolTip(), root + "/");
    EXPECT_EQ(f.Files().PanelR->caption(), " Total Files = 2 ,Size = 1,203 Bytes");
    EXPECT_EQ(f.Files().CountLabel->text(), " ﾌｧｲﾙ合計 : 2 ");
    EXPECT_EQ(f.Files().DriveComboBox1->currentData().toString(), root);

    f.Files().DirList2->SelectPath(root + "/sub");
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"one.txt", "three.exe", "two.bmp"}));
    EXPECT_EQ(f.Files().PanelL->caption(), root + "/sub");
    EXPECT_EQ(f.Files().PanelR->caption(), " Total Files = 3 ,Size = 2,000,030 Bytes");
    EXPECT_EQ(f.Files().CountLabel->text(), " ﾌｧｲﾙ合計 : 3 ");

    f.Files().DirList2->SelectPath(root + "/empty");
    EXPECT_EQ(f.Files().ListBox1->Count(), 0);
    EXPECT_EQ(f.Files().PanelR->caption(), " Total Files = 0 ,Size = 0 Bytes");
    EXPECT_EQ(f.Files().CountLabel->text(), " ﾌｧｲﾙ合計 : 0 ");
    EXPECT_TRUE(responder.calls().isEmpty());
}

TEST_F(FilePanelTest, SelectingAFileShowsItsStatusTexts) {
    makeTree();
    TForm1& f = create("sub");
    clickItem(f.Files().ListBox1, 1); // three.exe
    ASSERT_EQ(f.Files().ListBox1->ItemIndex(), 1);
    EXPECT_EQ(f.State().SourceFile, root + "/sub/three.exe");
    EXPECT_FALSE(f.State().SourceFromSearch);
    EXPECT_EQ(f.State().SourceSearchIndex, 1);
    EXPECT_EQ(f.Files().PanelR->caption(),
              "            2,000,000 Bytes , " + f.Files().ListBox1->GetSelectedDate() + " , A");
    EXPECT_EQ(f.Files().CountLabel->text(), " Line : 2 / 3 ");
    // A program's texts are blue, any other file's black.
    EXPECT_EQ(f.Files().PanelR->textColor(), QColor(0, 0, 255));
    clickItem(f.Files().ListBox1, 0);
    EXPECT_EQ(f.Files().PanelL->textColor(), QColor(0, 0, 0));
    EXPECT_EQ(f.Files().CountLabel->text(), " Line : 1 / 3 ");
}

TEST_F(FilePanelTest, BitmapSelectionImageKeepsItsAspectRatio) {
    dir("pics");
    QImage wide(64, 16, QImage::Format_RGB32);
    wide.fill(Qt::red);
    ASSERT_TRUE(wide.save(root + "/pics/wide.bmp", "BMP"));
    QImage tall(16, 64, QImage::Format_RGB32);
    tall.fill(Qt::blue);
    ASSERT_TRUE(tall.save(root + "/pics/tall.bmp", "BMP"));
    TForm1& f = create("pics");
    clickItem(f.Files().ListBox1, 1); // wide.bmp
    EXPECT_FALSE(f.Files().SelectImage->isHidden());
    EXPECT_EQ(f.Files().SelectImage->size(), QSize(32, 8));
    EXPECT_EQ(f.Files().SelectImage->toolTip(), "左クリックで個別表示画面に切替え");
    clickItem(f.Files().ListBox1, 0); // tall.bmp
    EXPECT_EQ(f.Files().SelectImage->size(), QSize(8, 32));
}

TEST_F(FilePanelTest, GifAndJpegSelectionImagesComeThroughThePluginsFitted) {
    using namespace testpictures;
    dir("pics");
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile out(root + "/pics/" + name);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    };
    write("a.gif", gifBytes(64, 16, qRgb(0, 255, 0)));
    write("b.JPEG", encoded(filled(16, 64, qRgb(255, 0, 0)), "JPEG"));
    write("c.jpe", encoded(filled(30, 30, qRgb(0, 0, 255)), "JPEG"));
    TForm1& f = create("pics");
    QStringList asked;
    f.Files().LoadFileImage = [&](const QString& path, const pictures::PictureRequest& r) {
        asked << path;
        return qtFileImage(path, r);
    };
    QLabel* image = f.Files().SelectImage;
    const QString hint = "左クリックで個別表示画面に切替え";
    clickItem(f.Files().ListBox1, 0); // a.gif
    EXPECT_EQ(asked.value(0), root + "/pics/a.gif");
    EXPECT_FALSE(image->isHidden());
    EXPECT_EQ(image->size(), QSize(32, 8));
    EXPECT_EQ(image->pixmap().size(), QSize(32, 8)); // decoded at the size it is drawn
    EXPECT_EQ(image->toolTip(), hint);
    clickItem(f.Files().ListBox1, 1); // b.JPEG
    EXPECT_EQ(image->size(), QSize(8, 32));
    clickItem(f.Files().ListBox1, 2); // c.jpe
    EXPECT_EQ(image->size(), QSize(32, 32));
    EXPECT_EQ(image->pixmap().size(), QSize(30, 30));

    // Without the plug-ins: an empty picture, shown with its hint, and no message.
    f.Files().LoadFileImage = [](const QString&, const pictures::PictureRequest&) {
        return pictures::FileImage{pictures::ShownAs::Picture, {}, {0, 0}};
    };
    clickItem(f.Files().ListBox1, 0);
    EXPECT_FALSE(image->isHidden());
    EXPECT_EQ(image->size(), QSize(32, 32));
    EXPECT_TRUE(image->pixmap().isNull());
    EXPECT_EQ(image->toolTip(), hint);
    EXPECT_TRUE(responder.calls().empty());
}

// Both lists draw their items with the item painter: a selected program writes its name
// on a yellow cell beside the icon column.
TEST_F(FilePanelTest, BothListsPaintTheirItemsByKind) {
    file("tool.exe", 10);
    TForm1& f = create();
    const auto yellowAtName = [](TFileListBoxS* list, int index) {
        QImage shot(list->viewport()->size(), QImage::Format_RGB32);
        list->viewport()->render(&shot);
        const QRect r = list->ItemRect(index);
        const int y = r.top() + (list->ItemHeight() - QFontInfo(list->font()).pixelSize()) / 2;
        return shot.pixel(r.left() + 44, y) == qRgb(255, 255, 0) &&
               shot.pixel(r.left() + 43, y) != qRgb(255, 255, 0);
    };
    clickItem(f.Files().ListBox1, 0);
    EXPECT_TRUE(yellowAtName(f.Files().ListBox1, 0));
    f.Files().Edit1->setText("*.exe");
    f.Search().FindDirectoryClick();
    ASSERT_EQ(f.Files().ListBox2->Count(), 1);
    clickItem(f.Files().ListBox2, 0);
    EXPECT_TRUE(yellowAtName(f.Files().ListBox2, 0));
}

TEST_F(FilePanelTest, HeaderClicksSortAndToggleTheDirection) {
    makeTree();
    TForm1& f = create("sub");
    clickSection(f.Files().HeaderControl1, 3); // Size
    EXPECT_EQ(f.Files().ListBox1->SortOrder(), browser::soSize);
    EXPECT_EQ(f.Files().ListBox1->SortDirection(), browser::sdUpword);
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"one.txt", "two.bmp", "three.exe"}));
    clickSection(f.Files().HeaderControl1, 3);
    EXPECT_EQ(f.Files().ListBox1->SortDirection(), browser::sdDownword);
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"three.exe", "two.bmp", "one.txt"}));
    // Another key keeps the direction.
    clickSection(f.Files().HeaderControl1, 1); // Name
    EXPECT_EQ(f.Files().ListBox1->SortOrder(), browser::soName);
    EXPECT_EQ(f.Files().ListBox1->SortDirection(), browser::sdDownword);
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"two.bmp", "three.exe", "one.txt"}));
    EXPECT_EQ(f.Files().PanelR->caption(), " Total Files = 3 ,Size = 2,000,030 Bytes");
    EXPECT_TRUE(responder.calls().isEmpty());

    // "Sort by" explains; on the search sheet with the directory line.
    clickSection(f.Files().HeaderControl1, 0);
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls()[0].text,
              "クリックは、右の項目から選択して下さい。\r\n\r\n(選択可能項目)\r\n\r\n Name      : "
              "名前でソート\r\n Ext       : 拡張子でソート\r\n Size      : "
              "ファイルサイズでソート\r\n Time      : 更新日時でソート\r\n\r\n続けて同じ項目を"
              "クリックすると、昇順・降順表示が切り替わります。");
    EXPECT_EQ(responder.calls()[0].caption, "Zelmo32");
    EXPECT_EQ(responder.calls()[0].buttons, ui::mbOK);
    f.Files().PageControl->setCurrentWidget(f.Files().TabSheet2);
    clickSection(f.Files().HeaderControl2, 0);
    ASSERT_EQ(responder.calls().size(), 2);
    EXPECT_EQ(responder.calls()[1].text,
              "クリックは、右の項目から選択して下さい。\r\n\r\n(選択可能項目)\r\n\r\n Name      : "
              "名前でソート\r\n Ext       : 拡張子でソート\r\n Size      : "
              "ファイルサイズでソート\r\n Time      : 更新日時でソート\r\n Directory : "
              "ディレクトリーでソート\r\n\r\n続けて同じ項目をクリックすると、昇順・降順表示が"
              "切り替わります。");
    clickSection(f.Files().HeaderControl2, 5);
    EXPECT_EQ(f.Files().ListBox2->SortOrder(), browser::soDirectory);
    clickSection(f.Files().HeaderControl2, 6); // the filler does nothing
    EXPECT_EQ(f.Files().ListBox2->SortOrder(), browser::soDirectory);
}

TEST_F(FilePanelTest, BottomBarStepsThroughAllThirteenFiltersAndWraps) {
    makeTree();
    TForm1& f = create();
    ASSERT_EQ(f.Files().FilterComboBox1->count(), 13);
    const int start = f.Files().FilterComboBox1->currentIndex();
    EXPECT_EQ(start, 1); // all files, as on a first start
    // A bare spot of the bar, off the window's resizing edges.
    const QPoint bare(f.Files().Panel1->width() - 10, f.Files().Panel1->height() - 8);
    QStringList masks;
    for (int i = 0; i < 13; ++i) {
        QTest::mouseClick(f.Files().Panel1, Qt::LeftButton, {}, bare);
        masks << f.Files().ListBox1->Mask();
        if (f.Files().ListBox1->Mask() == "*.exe") {
            EXPECT_EQ(names(f.Files().ListBox1), QStringList({"Readme.exe"}));
            EXPECT_EQ(f.Files().CountLabel->text(), " ﾌｧｲﾙ合計 : 1 ");
        }
    }
    EXPECT_EQ(f.Files().FilterComboBox1->currentIndex(), start);
    EXPECT_EQ(masks, QStringList({"*.lzh", "*.bmp", "*.txt", "*.ini", "*.hlp", "*.scr", "*.log",
                                  "*.dat", "*.ico", "*.jp*", "*.gif", "*.exe", "*.*"}));
    EXPECT_EQ(f.Files().PageControl->currentWidget(), f.Files().TabSheet1);

    // The tree's menu checks the current filter and chooses one.
    f.Files().PopupMenu2Popup();
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(f.Files().ExtItems[i]->isChecked(), i == start) << i;
    f.Files().ExtItems[4]->trigger(); // TXT
    EXPECT_EQ(f.Files().FilterComboBox1->currentIndex(), 4);
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"a.txt"}));
    // A file the filter hides widens it to all files.
    f.Files().WidenFilterFor(root + "/Readme.exe");
    EXPECT_EQ(f.Files().FilterComboBox1->currentIndex(), 1);
    EXPECT_EQ(f.Files().ListBox1->Mask(), "*.*");
}

class NotReadyDriveTest : public FilePanelTest {
protected:
    QStringList drives() const override { return {root, root + "/floppy"}; }
};

TEST_F(NotReadyDriveTest, DriveNotReadyAsksAndNoReturnsToTheTreesDrive) {
    makeTree();
    TForm1& f = create();
    ASSERT_EQ(f.Files().DriveComboBox1->count(), 2);
    f.Files().DriveComboBox1->setCurrentIndex(1);
    responder.answer(ui::MsgResult::Yes); // still not there: asked again
    responder.answer(ui::MsgResult::No);
    emit f.Files().DriveComboBox1->activated(1);
    ASSERT_EQ(responder.calls().size(), 2);
    const ui::MessageRequest& q = responder.calls()[0];
    EXPECT_EQ(q.caption, "ゼルモ３２");
    EXPECT_EQ(q.icon, ui::MsgIcon::Question);
    EXPECT_EQ(q.buttons, ui::mbYes | ui::mbNo);
    EXPECT_EQ(q.text,
              root + "/floppy/" +
                  "：ドライブ の用意ができていないようです。\r\nセットして再試行しますか ？");
    EXPECT_EQ(f.Files().DriveComboBox1->currentIndex(), 0);
    EXPECT_EQ(f.Files().DirList2->Drive(), root);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Yes after the disk is in lists it.
    f.Files().DriveComboBox1->setCurrentIndex(1);
    ui::SetMessageResponder([&](const ui::MessageRequest&) {
        dir("floppy");
        file("floppy/disk.txt");
        return ui::MsgResult::Yes;
    });
    emit f.Files().DriveComboBox1->activated(1);
    EXPECT_EQ(f.Files().DirList2->Drive(), root + "/floppy");
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"disk.txt"}));
}

TEST_F(FilePanelTest, SlotClickHandsTheSelectedFileToTheProgram) {
    makeTree();
    TForm1& f = create();
    f.Launcher().Entries.set(0, 0, "/usr/bin/editor");
    clickItem(f.Files().ListBox1, 0); // a.txt
    QTest::mouseClick(f.Launcher().SlotImages[0][0], Qt::LeftButton, {}, QPoint(16, 16));
    ASSERT_EQ(shell.calls().size(), 1);
    EXPECT_EQ(shell.calls()[0].file, "/usr/bin/editor");
    EXPECT_EQ(shell.calls()[0].parameters, "\"" + root + "/a.txt\"");
    EXPECT_EQ(shell.calls()[0].directory, "/usr/bin");
}

TEST_F(FilePanelTest, DropsOfListItemsTheSelectionImageAndTreeFoldersRegister) {
    makeTree();
    TForm1& f = create();
    launcher::SlotImage* slot0 = f.Launcher().SlotImages[0][0];
    launcher::SlotImage* slot1 = f.Launcher().SlotImages[0][1];
    // Nothing selected: a drop from the list registers nothing.
    EXPECT_TRUE(f.Launcher().BP3SPiDragOver(slot0, f.Files().ListBox1));
    f.Launcher().BP3SPiDragDrop(slot0, f.Files().ListBox1);
    EXPECT_TRUE(f.Launcher().Entries.at(0, 0).isEmpty());
    clickItem(f.Files().ListBox1, 0);
    f.Launcher().BP3SPiDragDrop(slot0, f.Files().ListBox1);
    EXPECT_EQ(f.Launcher().Entries.at(0, 0), root + "/a.txt");
    EXPECT_EQ(slot0->toolTip(), root + "/a.txt");
    f.Launcher().BP3SPiDragDrop(slot1, f.Files().SelectImage);
    EXPECT_EQ(f.Launcher().Entries.at(0, 1), root + "/a.txt");
    f.Files().DirList2->SelectPath(root + "/sub");
    f.Launcher().BP3SPiDragDrop(slot1, f.Files().DirList2);
    EXPECT_EQ(f.Launcher().Entries.at(0, 1), root + "/sub");
    EXPECT_FALSE(f.Launcher().BP3SPiDragOver(slot0, f.Files().CountLabel));
    // The registration submenu follows the list's selection.
    EXPECT_FALSE(f.Files().Selection()->selectedFile().has_value());
    clickItem(f.Files().ListBox1, 1);
    EXPECT_TRUE(f.Files().Selection()->selectedFile().has_value());
    f.Launcher().ButtonItems[2]->trigger();
    EXPECT_EQ(f.Launcher().Entries.at(0, 2), root + "/sub/three.exe");
}

TEST_F(FilePanelTest, DoubleClickEnterAndF12StartTheFile) {
    makeTree();
    TForm1& f = create();
    f.Files().ListBox1->setFocus();
    clickItem(f.Files().ListBox1, 1); // Readme.exe
    QTest::mouseDClick(f.Files().ListBox1->viewport(), Qt::LeftButton, {},
                       f.Files().ListBox1->ItemRect(1).center());
    ASSERT_EQ(shell.calls().size(), 1);
    EXPECT_EQ(shell.calls()[0].file, root + "/Readme.exe");
    // The page's last slot took it, in memory only.
    EXPECT_EQ(f.Launcher().Entries.at(0, 13), root + "/Readme.exe");
    EXPECT_EQ(f.Launcher().SlotImages[0][13]->toolTip(),
              "直前に呼び出したお友達 ( " + root + "/Readme.exe )");

    f.Launcher().Entries.set(0, 13, QString());
    QTest::keyClick(f.Files().ListBox1, Qt::Key_Return);
    ASSERT_EQ(shell.calls().size(), 2);
    EXPECT_EQ(f.Launcher().Entries.at(0, 13), root + "/Readme.exe");

    f.Launcher().Entries.set(0, 13, QString());
    QTest::keyClick(f.Files().ListBox1, Qt::Key_F12);
    ASSERT_EQ(shell.calls().size(), 3);
    EXPECT_EQ(shell.calls()[2].file, root + "/Readme.exe");
    EXPECT_EQ(shell.calls()[2].parameters, "");
    EXPECT_TRUE(f.Launcher().Entries.at(0, 13).isEmpty()); // F12 registers nothing
}

TEST_F(FilePanelTest, RightClickBelowTheLastItemClearsTheSelectionAndOpensTheMenu) {
    makeTree();
    TForm1& f = create();
    clickItem(f.Files().ListBox1, 0);
    ASSERT_EQ(f.Files().ListBox1->ItemIndex(), 0);
    const QRect last = f.Files().ListBox1->ItemRect(f.Files().ListBox1->Count() - 1);
    QTest::mouseClick(f.Files().ListBox1->viewport(), Qt::RightButton, {},
                      QPoint(last.center().x(), last.bottom() + 5));
    EXPECT_EQ(f.Files().ListBox1->ItemIndex(), -1);
    EXPECT_TRUE(f.Files().PanelR->caption().isEmpty());
    EXPECT_TRUE(f.PopupMenu1->isVisible());
    f.PopupMenu1->hide();
    // Centred on the cursor and 10 pixels higher.
    EXPECT_EQ(browser::ListMenuPosition(QPoint(200, 300), true, 100), QPoint(150, 290));
    EXPECT_EQ(browser::ListMenuPosition(QPoint(200, 300), false, 100), QPoint(200, 300));
}

// A left click below the last item leaves nothing selected, and no information bar may
// still describe the old selection; a new filter shows the summary of its own listing.
TEST_F(FilePanelTest, StatusTextsFollowAnEmptiedSelectionAndANewFilter) {
    makeTree();
    TForm1& f = create();
    clickItem(f.Files().ListBox1, 1);
    ASSERT_FALSE(f.Files().PanelR->caption().isEmpty());
    const QRect last = f.Files().ListBox1->ItemRect(f.Files().ListBox1->Count() - 1);
    QTest::mouseClick(f.Files().ListBox1->viewport(), Qt::LeftButton, {},
                      QPoint(last.center().x(), last.bottom() + 5));
    EXPECT_EQ(f.Files().ListBox1->ItemIndex(), -1);
    EXPECT_TRUE(f.Files().PanelL->caption().isEmpty());
    EXPECT_TRUE(f.Files().PanelL->toolTip().isEmpty());
    EXPECT_TRUE(f.Files().PanelR->caption().isEmpty());
    EXPECT_EQ(f.State().SourceFile, root + "/Readme.exe"); // kept for the file operations

    f.Files().FilterComboBox1->setCurrentIndex(0); // programs
    f.Files().FilterComboBox1Change();
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"Readme.exe"}));
    EXPECT_EQ(f.Files().CountLabel->text(), " ﾌｧｲﾙ合計 : 1 ");
    EXPECT_EQ(f.Files().PanelR->caption(), " Total Files = 1 ,Size = 1,200 Bytes");
}

// The archive window follows the whole extension: ".zipx" is not a ZIP archive.
TEST_F(FilePanelTest, OnlyAWholeArchiveExtensionShowsTheArchiveWindow) {
    file("a.zipx", 5);
    file("b.zip", 5);
    TForm1& f = create();
    f.State().UnzipAvailable = true;
    QWidget archiveWindow;
    f.State().Windows.MeltView = &archiveWindow;
    clickItem(f.Files().ListBox1, 0);
    ASSERT_EQ(f.Files().ListBox1->GetSelectedPath(), root + "/a.zipx");
    EXPECT_FALSE(archiveWindow.isVisible());
    clickItem(f.Files().ListBox1, 1);
    EXPECT_TRUE(archiveWindow.isVisible());
    EXPECT_EQ(archiveWindow.windowTitle(), root + "/b.zip");
    clickItem(f.Files().ListBox1, 0);
    EXPECT_FALSE(archiveWindow.isVisible()); // hidden again by another file
    f.State().Windows.MeltView = nullptr;
}

// Names that look like markup are shown as written, in labels and in hints.
TEST_F(FilePanelTest, NamesThatLookLikeMarkupShowAsPlainText) {
    const QString name = "<font color=red>red.txt";
    dir("<i>bold");
    file("<i>bold/" + name, 1);
    TForm1& f = create();
    f.Files().DirList2->SelectPath(root + "/<i>bold");
    EXPECT_EQ(f.Files().PanelL->toolTip(), root + "/<i>bold");
    ui::SetApplicationHints(QColor(0, 255, 0), 0, 11000);
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), f.Files().PanelL->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(f.Files().PanelL, &help);
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    EXPECT_EQ(shown.toPlainText(), root + "/<i>bold");
    QToolTip::hideText();
    f.Files().Edit1->setText("*.txt");
    f.Search().FindDirectoryClick();
    ASSERT_EQ(f.Files().ListBox2->Count(), 1);
    clickItem(f.Files().ListBox2, 0);
    EXPECT_EQ(f.Files().DpanelLabel->textFormat(), Qt::PlainText);
    EXPECT_EQ(f.Files().DpanelLabel->text(), root + "/<i>bold/" + name);
    EXPECT_EQ(f.Files().CountLabel->textFormat(), Qt::PlainText);
}

TEST_F(FilePanelTest, RowsColumnsMenusAndDirectoryPanel) {
    makeTree();
    TForm1& f = create();
    f.Files().RetuItems[2]->trigger(); // three columns
    EXPECT_EQ(f.Files().ListBox1->Columns(), 3);
    f.Files().GRItems[0]->trigger(); // one by one
    EXPECT_EQ(f.Files().ListBox1->Columns(), 1);
    EXPECT_EQ(f.Files().ListBox1->Gyou(), 1);

    ASSERT_FALSE(f.Files().DirectoryPanel->isHidden());
    f.Files().DirSPBClick();
    EXPECT_TRUE(f.Files().DirectoryPanel->isHidden());
    EXPECT_EQ(f.Controls().DirSPB->toolTip(), "パネル表示");
    QTest::mouseClick(f.Files().PanelR, Qt::LeftButton, {},
                      QPoint(f.Files().PanelR->width() - 5, 20));
    EXPECT_FALSE(f.Files().DirectoryPanel->isHidden());
    EXPECT_EQ(f.Controls().DirSPB->toolTip(), "パネル非表示");

    // The splitter follows the mouse, but not to the window's edge.
    const int w = f.Files().DirectoryPanel->width();
    QTest::mousePress(f.Files().DirectoryPanel, Qt::LeftButton, {}, QPoint(w - 2, 100));
    QTest::mouseMove(f.Files().DirectoryPanel, QPoint(w + 40, 100));
    EXPECT_EQ(f.Files().DirectoryPanel->width(), w + 40);
    QTest::mouseMove(f.Files().DirectoryPanel, QPoint(f.width() + 10, 100));
    EXPECT_EQ(f.Files().DirectoryPanel->width(), w + 40);
    QTest::mouseRelease(f.Files().DirectoryPanel, Qt::LeftButton, {}, QPoint(w + 40, 100));

    // Tree commands.
    f.Files().LASTL1->trigger();
    EXPECT_EQ(f.Files().DirList2->currentItem(), f.Files().DirList2->LastNode());
    f.Files().TOPT1->trigger();
    EXPECT_EQ(f.Files().DirList2->GetSelectedPath(), root + "/");
}

TEST_F(FilePanelTest, TreeKeysAndMouse) {
    makeTree();
    dir("sub/inner");
    TForm1& f = create();
    const QString cwd = QDir::currentPath();
    f.Files().DirList2->SelectPath(root + "/sub");
    QTreeWidgetItem* sub = f.Files().DirList2->currentItem();
    ASSERT_NE(sub, nullptr);
    const bool expanded = sub->isExpanded();
    QTest::keyClick(f.Files().DirList2, Qt::Key_Return);
    EXPECT_NE(sub->isExpanded(), expanded);
    EXPECT_EQ(QDir::currentPath(), root + "/sub");
    QDir::setCurrent(cwd);

    // A right click selects and opens a node, then the tree's menu opens.
    f.Files().TOPT1->trigger();
    sub->setExpanded(false);
    const QPoint p = f.Files().DirList2->visualItemRect(sub).center();
    QTest::mousePress(f.Files().DirList2->viewport(), Qt::RightButton, {}, p);
    EXPECT_EQ(f.Files().DirList2->currentItem(), sub);
    EXPECT_TRUE(sub->isExpanded());
    EXPECT_EQ(names(f.Files().ListBox1), QStringList({"one.txt", "three.exe", "two.bmp"}));
    QTest::mouseRelease(f.Files().DirList2->viewport(), Qt::RightButton, {}, p);
    EXPECT_TRUE(f.Files().PopupMenu2->isVisible());
    f.Files().PopupMenu2->hide();
    // With Shift the file-operation menu's target is the node under the mouse.
    QTest::mousePress(f.Files().DirList2->viewport(), Qt::RightButton, Qt::ShiftModifier, p);
    EXPECT_EQ(f.State().TargetDirectory, root + "/sub");
    EXPECT_TRUE(f.Files().TreeMenuShown);
    QTest::mouseRelease(f.Files().DirList2->viewport(), Qt::RightButton, Qt::ShiftModifier, p);
    EXPECT_FALSE(f.Files().PopupMenu2->isVisible());
    EXPECT_FALSE(f.Files().TreeMenuShown);
}

TEST(FilePanelText, FilterEntriesAndSteps) {
    const auto entries = browser::FilterEntries();
    ASSERT_EQ(entries.size(), 13);
    EXPECT_EQ(entries[0].description, " ﾌﾟﾛｸﾞﾗﾑ (*.EXE)");
    EXPECT_EQ(entries[0].mask, "*.exe");
    EXPECT_EQ(entries[1].mask, "*.*");
    EXPECT_EQ(entries[12].description, "Gif (*.GIF)");
    EXPECT_EQ(browser::NextFilterIndex(-1, 13), 0);
    EXPECT_EQ(browser::NextFilterIndex(11, 13), 12);
    EXPECT_EQ(browser::NextFilterIndex(12, 13), 0);
    EXPECT_EQ(browser::WantedMask("/x/Read.me.Txt"), "*.TXT");
    EXPECT_EQ(browser::WantedMask("/x.d/README"), "*");
    EXPECT_FALSE(browser::FilterHidesFile("/a/b.TXT", "*.txt"));
    EXPECT_TRUE(browser::FilterHidesFile("/a/b.TXT", "*.*"));
    EXPECT_EQ(browser::ExtensionKey("/a.b/file.jpeg"), ".JPE");
    EXPECT_EQ(browser::ExtensionKey("/a.b/file"), "");
    EXPECT_EQ(browser::RowsItemCaption(1), "１行 表示");
    EXPECT_EQ(browser::RowsItemCaption(12), "12行 表示");
    EXPECT_EQ(browser::ColumnsItemCaption(4), "４列 表示");
    EXPECT_EQ(browser::ExtItemCaption(10), "(&B) *.ICO");
}

} // namespace
