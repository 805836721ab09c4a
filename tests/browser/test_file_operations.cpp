// Copying, moving and deleting from the file panel of the real main window, on real
// temporary folders, with the dialogs answered by scripts.
#include "browser/FileOperations.h"
#include "browser/FilePanelText.h"
#include "platform/FileOperation.h"
#include "platform/FsName.h"
#include "tests/browser/MainWindowFixture.h"
#include "ui/FileOperationDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <cerrno>

using browser::TFileListBoxS;
using platform::fromFsBytes;
using platform::toFsBytes;
using ui::MsgResult;

namespace {

// メモ in Shift-JIS, a line break and an ampersand: a name as bytes, not UTF-8.
const QByteArray kOdd("\x83\x81\x83\x82\nA&B.txt");

class FileOperationsTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(dataHome.isValid());
        savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    }
    void TearDown() override {
        platform::SetFileOpFaults({});
        qputenv("XDG_DATA_HOME", savedDataHome);
        MainWindowFixture::TearDown();
    }
    browser::FilePanel& panel() { return form->Files(); }
    browser::FileOperations& ops() { return *form->Files().Operations; }
    QByteArray bytes(const QString& relative) const {
        return QFile::encodeName(root) + "/" + toFsBytes(relative);
    }
    void rawFile(const QByteArray& relative, int64_t size, int64_t mtime = -1) {
        ASSERT_TRUE(testutil::makeFile(QFile::encodeName(root) + "/" + relative, size, mtime));
    }
    bool exists(const QByteArray& relative) const {
        struct stat st;
        return ::lstat((QFile::encodeName(root) + "/" + relative).constData(), &st) == 0;
    }
    QString path(const QByteArray& relative) const { return root + "/" + fromFsBytes(relative); }
    int indexOf(TFileListBoxS* list, const QByteArray& name) const {
        for (int i = 0; i < list->Count(); ++i)
            if (list->GetItemPath(i).endsWith("/" + fromFsBytes(name)))
                return i;
        return -1;
    }
    // Where the folder's node stands in the tree (viewport coordinates).
    QPoint nodePoint(const QString& folder) {
        TDirTreeViewS* tree = panel().DirList2;
        for (int i = 0; i < tree->NodeCount(); ++i) {
            if (tree->GetNodePath(tree->NodeAt(i)) == folder) {
                tree->scrollToItem(tree->NodeAt(i));
                return tree->visualItemRect(tree->NodeAt(i)).center();
            }
        }
        ADD_FAILURE() << "no node for " << folder.toStdString();
        return {};
    }
    // A press on a list item with the keys held, as a drag begins.
    void pressItem(TFileListBoxS* list, int index, Qt::KeyboardModifiers keys) {
        const QPoint p = list->ItemRect(index).center();
        QTest::mousePress(list->viewport(), Qt::LeftButton, keys, p);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, keys, p);
    }
    // A right click with Ctrl on the folder's node: the copy/move menu for that folder.
    void openTreeMenuOn(const QString& folder) {
        QTest::mousePress(panel().DirList2->viewport(), Qt::RightButton, Qt::ControlModifier,
                          nodePoint(folder));
        QTest::mouseRelease(panel().DirList2->viewport(), Qt::RightButton, Qt::ControlModifier,
                            nodePoint(folder));
        panel().PopupMenu4->hide();
    }
    // A right click with Ctrl on a list item: the delete menu.
    void openListMenuOn(TFileListBoxS* list, int index) {
        const QPoint p = list->ItemRect(index).center();
        QTest::mousePress(list->viewport(), Qt::RightButton, Qt::ControlModifier, p);
        QTest::mouseRelease(list->viewport(), Qt::RightButton, Qt::ControlModifier, p);
        panel().PopupMenu5->hide();
    }
    static QString facts(const QString& path, const QString& size, int64_t mtime) {
        return "  " + platform::displayName(path) + "\r\n  " + size + " バイト  " +
               QDateTime::fromSecsSinceEpoch(mtime).toString("yyyy/MM/dd hh:mm:ss");
    }

    QTemporaryDir dataHome;
    QByteArray savedDataHome;
    ui::ScriptedFileDialogs fileDialogs;
};

} // namespace

TEST_F(FileOperationsTest, CtrlDropCopiesAndListsTheDestinationWithTheCopy) {
    rawFile(kOdd, 1234567, 1000000000);
    dir("dest");
    TForm1& f = create();
    const int index = indexOf(panel().ListBox1, kOdd);
    ASSERT_GE(index, 0);
    pressItem(panel().ListBox1, index, Qt::ControlModifier);
    EXPECT_EQ(f.State().DropAction, core::daCopy);
    ops().DirList2DragDrop(panel().ListBox1, nodePoint(root + "/dest"));
    EXPECT_EQ(panel().DirList2->GetSelectedPath(), root + "/dest");
    EXPECT_EQ(f.State().TargetDirectory, root + "/dest");
    EXPECT_EQ(names(panel().ListBox1), QStringList{fromFsBytes(kOdd)});
    EXPECT_EQ(panel().ListBox1->Record(0)->Size, 1234567);
    EXPECT_TRUE(exists(kOdd)); // a copy: the source stays
    EXPECT_TRUE(responder.calls().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Again from the root onto the copy, which is older: the question shows both; skipped.
    rawFile("dest/" + kOdd, 5, 900000000);
    panel().DirList2->SelectPath(root + "/");
    pressItem(panel().ListBox1, indexOf(panel().ListBox1, kOdd), Qt::ControlModifier);
    fileDialogs.answer(platform::OverwriteAnswer::Skip);
    ops().DirList2DragDrop(panel().ListBox1, nodePoint(root + "/dest"));
    ASSERT_EQ(fileDialogs.overwriteCalls().size(), 1);
    const ui::OverwriteRequest& asked = fileDialogs.overwriteCalls()[0];
    EXPECT_EQ(asked.caption, "ファイルの上書きの確認");
    EXPECT_EQ(asked.text,
              "行き先には同じ名前のファイルがあります。\r\n\r\n今あるファイル：\r\n" +
                  facts(path("dest/" + kOdd), "5", 900000000) + "\r\n\r\n新しいファイル：\r\n" +
                  facts(path(kOdd), "1,234,567", 1000000000) + "\r\n\r\n上書きしますか？");
    EXPECT_EQ(asked.buttons, QStringList({"上書き", "スキップ", "キャンセル"}));
    EXPECT_TRUE(asked.text.contains("メモ\nA&B.txt")); // shown decoded
    struct stat st;
    ASSERT_EQ(::stat((QFile::encodeName(root) + "/dest/" + kOdd).constData(), &st), 0);
    EXPECT_EQ(st.st_size, 5); // skipped: the old file stays
    EXPECT_TRUE(responder.calls().isEmpty());

    // A drop whose source is not a file list does nothing.
    panel().DirList2->SelectPath(root + "/");
    ops().DirList2DragDrop(panel().DirList2, nodePoint(root + "/dest"));
    EXPECT_EQ(panel().DirList2->GetSelectedPath(), root + "/");
}

// The window system hands a drop only to a widget that accepts drops: without it a drag
// from the lists onto the tree is refused before any handler runs.
TEST_F(FileOperationsTest, TheTreeTakesDropsInTheWindowSystem) {
    create();
    EXPECT_TRUE(panel().DirList2->acceptDrops());
    EXPECT_TRUE(panel().DirList2->viewport()->acceptDrops());
}

// The archive window reads while a click's press is handled and lets messages through,
// so a quick click's release can arrive before the press is done. The drag the press
// leaves pending must still end: a following Ctrl-press then copies, not extracts.
TEST_F(FileOperationsTest, AReleaseWhileThePressIsHandledEndsThePendingDrag) {
    rawFile("a.zip", 10);
    TForm1& f = create();
    const int index = indexOf(panel().ListBox1, "a.zip");
    ASSERT_GE(index, 0);
    const QPoint at = panel().ListBox1->ItemRect(index).center();
    struct ReleaseOnShow : QWidget {
        QWidget* target = nullptr;
        QPoint at;
        void showEvent(QShowEvent*) override {
            QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, at);
        }
    } archiveWindow;
    archiveWindow.target = panel().ListBox1->viewport();
    archiveWindow.at = at;
    f.State().UnzipAvailable = true;
    f.State().Windows.MeltView = &archiveWindow;
    QTest::mousePress(panel().ListBox1->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_TRUE(archiveWindow.isVisible());
    EXPECT_FALSE(panel().ListDragging);
    QTest::mousePress(panel().ListBox1->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
    EXPECT_EQ(f.State().DropAction, core::daCopy);
    QTest::mouseRelease(panel().ListBox1->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
    f.State().Windows.MeltView = nullptr;
}

TEST_F(FileOperationsTest, CopyMoveMenuIsEnabledOnlyForAnotherFolder) {
    dir("sub");
    file("sub/one.txt", 10);
    dir("dest");
    TForm1& f = create("sub");
    const QAction* paste = ops().Paste1;
    QAction* move = ops().IDO;
    ops().PopupMenu4Popup();
    EXPECT_EQ(paste->text(), "複 写");
    EXPECT_EQ(move->text(), "移 動");
    EXPECT_FALSE(paste->isEnabled());

    clickItem(panel().ListBox1, 0);
    openTreeMenuOn(root + "/dest"); // the tree still selects sub: disabled
    EXPECT_EQ(f.State().TargetDirectory, root + "/dest");
    EXPECT_EQ(paste->text(), "複 写 ：" + root + "/sub/one.txt");
    EXPECT_EQ(move->text(), "移 動 ：" + root + "/sub/one.txt");
    EXPECT_FALSE(paste->isEnabled());
    EXPECT_FALSE(move->isEnabled());
    panel().DirList2->SelectPath(root + "/dest");
    ops().PopupMenu4Popup();
    EXPECT_TRUE(paste->isEnabled());
    EXPECT_TRUE(move->isEnabled());
    // A drive root's path ends in "/" already: never equal, so enabled there too.
    panel().DirList2->SelectPath(root + "/");
    ops().PopupMenu4Popup();
    EXPECT_TRUE(paste->isEnabled());

    // A menu caption shows an ampersand as itself.
    EXPECT_EQ(browser::OperationCaption("複 写", root + "/A&B"), "複 写 ：" + root + "/A&&B");

    // Moved away: bare captions, disabled until another file is clicked.
    move->trigger();
    EXPECT_TRUE(f.State().SourceFile.isEmpty());
    EXPECT_TRUE(QFile::exists(root + "/dest/one.txt"));
    ops().PopupMenu4Popup();
    EXPECT_EQ(paste->text(), "複 写");
    EXPECT_FALSE(move->isEnabled());
    EXPECT_TRUE(responder.calls().isEmpty());
}

TEST_F(FileOperationsTest, MoveFromTheSearchSheetRemovesTheEntryOnlyWhenDone) {
    dir("sub");
    file("sub/big.exe", 100);
    file("sub/small.exe", 50);
    file("sub/note.txt", 7);
    dir("dest");
    TForm1& f = create();
    // The first sheet shows only texts: the move widens the filter to all files.
    panel().FilterComboBox1->setCurrentIndex(browser::kAllFilesIndex + 3);
    panel().ApplyFilterSelection();
    panel().Edit1->setText("*.exe");
    f.Search().FindDirectoryClick();
    TFileListBoxS* found = panel().ListBox2;
    ASSERT_EQ(found->Count(), 2);
    ASSERT_EQ(found->FileCount(), 2);
    ASSERT_EQ(found->TotalSize(), 150);
    file("dest/small.exe", 1);

    // Skipped at the overwrite question: not done, the entry and the file stay.
    const int small = indexOf(found, "small.exe");
    clickItem(found, small);
    EXPECT_TRUE(f.State().SourceFromSearch);
    openTreeMenuOn(root + "/dest");
    panel().DirList2->SelectPath(root + "/dest");
    panel().PageControl->setCurrentWidget(panel().TabSheet2);
    fileDialogs.answer(platform::OverwriteAnswer::Skip);
    ops().IDOClick();
    EXPECT_EQ(found->Count(), 2);
    EXPECT_EQ(found->TotalSize(), 150);
    EXPECT_EQ(f.State().SourceFile, root + "/sub/small.exe");
    EXPECT_TRUE(QFile::exists(root + "/sub/small.exe"));

    const int big = indexOf(found, "big.exe");
    clickItem(found, big);
    ops().IDOClick();
    EXPECT_FALSE(QFile::exists(root + "/sub/big.exe"));
    EXPECT_TRUE(QFile::exists(root + "/dest/big.exe"));
    EXPECT_EQ(found->Count(), 1);
    EXPECT_EQ(indexOf(found, "big.exe"), -1);
    EXPECT_EQ(found->FileCount(), 1);
    EXPECT_EQ(found->TotalSize(), 50);
    EXPECT_TRUE(f.State().SourceFile.isEmpty());
    EXPECT_EQ(panel().PageControl->currentWidget(), panel().TabSheet1);
    EXPECT_EQ(panel().FilterComboBox1->currentIndex(), browser::kAllFilesIndex);
    EXPECT_EQ(names(panel().ListBox1), QStringList({"big.exe", "small.exe"}));
    EXPECT_TRUE(responder.calls().isEmpty());
}

TEST_F(FileOperationsTest, DeleteForGoodAndToTheTrashAfterTheConfirmation) {
    rawFile(kOdd, 30);
    file("keep.txt", 4);
    file("trash me.txt", 8);
    create();
    TFileListBoxS* list = panel().ListBox1;
    ASSERT_EQ(list->Count(), 3);
    ops().PopupMenu5Popup();
    EXPECT_FALSE(ops().Gomi->isEnabled());

    // Declined at the confirmation: nothing changes.
    openListMenuOn(list, indexOf(list, kOdd));
    EXPECT_TRUE(ops().Gomi->isEnabled());
    EXPECT_TRUE(ops().Delete1->isEnabled());
    responder.answer(MsgResult::No);
    ops().Delete1->trigger();
    ASSERT_EQ(responder.calls().size(), 1);
    const ui::MessageRequest& asked = responder.calls()[0];
    EXPECT_EQ(asked.text,
              "「" + platform::displayName(path(kOdd)) +
                  "」を完全に削除しますか？\r\n\r\nごみ箱には入らないので、元に戻せません。");
    EXPECT_EQ(asked.caption, "確認");
    EXPECT_EQ(asked.buttons, ui::mbYes | ui::mbNo);
    EXPECT_TRUE(exists(kOdd));
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(list->TotalSize(), 42);

    // Yes: deleted for good, not in the trash.
    responder.clear();
    ops().Delete1->trigger();
    EXPECT_FALSE(exists(kOdd));
    EXPECT_EQ(names(list), QStringList({"keep.txt", "trash me.txt"}));
    EXPECT_EQ(list->FileCount(), 2);
    EXPECT_EQ(list->TotalSize(), 12);
    EXPECT_EQ(panel().CountLabel->text(), " ﾌｧｲﾙ合計 : 2 ");
    EXPECT_TRUE(QDir(dataHome.path() + "/Trash/files").isEmpty());

    // To the trash: restorable, with its information file.
    openListMenuOn(list, indexOf(list, "trash me.txt"));
    ops().Gomi->trigger();
    ASSERT_EQ(responder.calls().size(), 2);
    EXPECT_EQ(responder.calls()[1].text, "「" + root + "/trash me.txt」をごみ箱へ移しますか？");
    EXPECT_EQ(names(list), QStringList({"keep.txt"}));
    EXPECT_TRUE(QFile::exists(dataHome.path() + "/Trash/files/trash me.txt"));
    QFile info(dataHome.path() + "/Trash/info/trash me.txt.trashinfo");
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = info.readAll().split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "[Trash Info]");
    char real[PATH_MAX];
    ASSERT_TRUE(::realpath(QFile::encodeName(root).constData(), real));
    EXPECT_EQ(lines[1], "Path=" + (QByteArray(real) + "/trash me.txt").toPercentEncoding("/"));
    EXPECT_TRUE(lines[2].startsWith("DeletionDate=" +
                                    QDate::currentDate().toString("yyyy-MM-dd").toLatin1()));
}

TEST_F(FileOperationsTest, FileDeletedBehindTheListsBackGivesTheMessage) {
    rawFile(kOdd, 30);
    file("other.txt", 2);
    create();
    TFileListBoxS* list = panel().ListBox1;
    openListMenuOn(list, indexOf(list, kOdd));
    ASSERT_EQ(::unlink(bytes(fromFsBytes(kOdd)).constData()), 0);
    ops().Gomi->trigger();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls()[0].text, "現在の表示は、更新前の状態です。\r\n\r\n" +
                                             platform::displayName(fromFsBytes(kOdd)) +
                                             " は、確かに削除されています。");
    EXPECT_EQ(responder.calls()[0].caption, "Zelmo32");
    EXPECT_EQ(responder.calls()[0].icon, ui::MsgIcon::None);
    EXPECT_EQ(list->Count(), 2); // the list is left as it was
    EXPECT_EQ(list->TotalSize(), 32);
}

TEST_F(FileOperationsTest, MoveAcrossFileSystemsAndCopyOntoAFullDisk) {
    file("a.txt", 300);
    dir("dest");
    file("dest/a.txt", 9);
    TForm1& f = create();
    platform::FileOpFaults faults;
    faults.copyWriteError = ENOSPC;
    platform::SetFileOpFaults(faults);

    // Disk full: the old file stays, the reason is shown, the lists stay.
    clickItem(panel().ListBox1, 0);
    openTreeMenuOn(root + "/dest");
    ops().Paste1->trigger();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls()[0].text,
              root + "/a.txt をコピーできません。\r\n\r\n行き先：ディスクの空き容量が足りません。");
    EXPECT_EQ(responder.calls()[0].type, ui::MsgDlgType::Error);
    EXPECT_EQ(QFileInfo(root + "/dest/a.txt").size(), 9);
    EXPECT_EQ(QDir(root + "/dest").entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_EQ(names(panel().ListBox1), QStringList{"a.txt"});

    // The rename reports another file system: copied, then the source removed.
    faults.copyWriteError = 0;
    faults.moveRenameError = EXDEV;
    platform::SetFileOpFaults(faults);
    ops().IDOClick();
    EXPECT_EQ(fileDialogs.overwriteCalls().size(), 2); // overwrite answered both times
    EXPECT_FALSE(QFile::exists(root + "/a.txt"));
    EXPECT_EQ(QFileInfo(root + "/dest/a.txt").size(), 300);
    EXPECT_TRUE(f.State().SourceFile.isEmpty());
    EXPECT_TRUE(names(panel().ListBox1).isEmpty());
    EXPECT_EQ(responder.calls().size(), 1);
}

TEST_F(FileOperationsTest, LongCopyShowsProgressAndCancelLeavesNothing) {
    file("big.bin", 3 << 20);
    dir("dest");
    TForm1& f = create();
    platform::FileOpFaults faults;
    faults.progressDelayMs = 0;
    faults.copyRangeError = ENOSYS; // through the buffer, which reports every 1 MiB
    platform::SetFileOpFaults(faults);
    fileDialogs.cancelAtReport = 2;
    clickItem(panel().ListBox1, 0);
    f.State().TargetDirectory = root + "/dest";
    ops().Paste1Click();
    ASSERT_EQ(fileDialogs.progressReports().size(), 2);
    const ui::ProgressReport& report = fileDialogs.progressReports()[0];
    EXPECT_EQ(report.caption, "コピー中");
    EXPECT_EQ(report.text,
              "「" + root + "/big.bin」を\r\n「" + root + "/dest」へコピーしています。");
    EXPECT_EQ(report.total, 3 << 20);
    EXPECT_TRUE(QDir(root + "/dest").entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(responder.calls().isEmpty()); // cancelled is not a failure
}

TEST_F(FileOperationsTest, TrashThatCannotTakeTheFileAsksBeforeDeletingForGood) {
    ui::FileOperationDialogs dialogs(platform::FileOpKind::Trash, root + "/x", QString());
    const platform::FileOpCallbacks callbacks = dialogs.callbacks();
    const QString file = fromFsBytes("/mnt/stick/" + kOdd);
    const QString why = "このファイルのあるファイルシステムには、使えるごみ箱がありません。";
    responder.answer(MsgResult::No);
    EXPECT_EQ(callbacks.askTrashFallback(file, why), platform::TrashFallbackAnswer::Cancel);
    responder.answer(MsgResult::Yes);
    EXPECT_EQ(callbacks.askTrashFallback(file, why), platform::TrashFallbackAnswer::DeleteForGood);
    ASSERT_EQ(responder.calls().size(), 2);
    EXPECT_EQ(responder.calls()[0].text, "「/mnt/stick/メモ\nA&B.txt」はごみ箱へ移せません。\r\n" +
                                             why + "\r\n\r\n完全に削除しますか？元に戻せません。");
    EXPECT_EQ(responder.calls()[0].type, ui::MsgDlgType::Warning);
    EXPECT_EQ(responder.calls()[0].buttons, ui::mbYes | ui::mbNo);
}
