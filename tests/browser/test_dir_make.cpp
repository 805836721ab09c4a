// The make-directory dialog on real temporary folders: its checks and messages, the
// folder made byte for byte, the tree rebuilt, the three ways of opening it and its
// following the tree.
#include "MainWindowFixture.h"
#include "browser/TDirMakeForm.h"
#include "core/SettingsFile.h"
#include "platform/FsName.h"
#include "platform/MakeDirectory.h"
#include "ui/HelpWindow.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidgetItem>
#include <sys/stat.h>
#include <unistd.h>

using browser::DirMakeEmptyNameText;
using browser::DirMakeFailedText;
using browser::DirMakeFullPath;
using browser::DirMakeNameHasSeparator;
using browser::DirMakeSeparatorText;

namespace {

bool isDirectory(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString raw(const char* bytes) {
    return platform::fromFsBytes(QByteArray(bytes));
}

// ---- Rules without widgets -------------------------------------------------------------

TEST(DirMakeRules, FullPathJoinsOnceAfterADriveRoot) {
    EXPECT_EQ(DirMakeFullPath("/", "new"), "/new");
    EXPECT_EQ(DirMakeFullPath("/home/ann/", "new"), "/home/ann/new");
    EXPECT_EQ(DirMakeFullPath("/home/ann/docs", "new"), "/home/ann/docs/new");
    EXPECT_EQ(DirMakeFullPath("/tmp", "  "), "/tmp/  ");
}

TEST(DirMakeRules, SeparatorsAreAsciiOnlyAndNotTheSecondByteOfShiftJis) {
    for (const QString name : {"a/b", "a\\b", "/", "\\", "name/", "\\lead"})
        EXPECT_TRUE(DirMakeNameHasSeparator(name)) << name.toStdString();
    for (const QString name : {"a￥b", "a／b", "￥／", "abc", "   ", "ソフト", ".."})
        EXPECT_FALSE(DirMakeNameHasSeparator(name)) << name.toStdString();
    // "ソフト" in Shift-JIS: 83 5C 83 74 83 67; the 5C is part of "ソ".
    EXPECT_FALSE(DirMakeNameHasSeparator(raw("\x83\x5c\x83\x74\x83\x67")));
    // A 5C after a byte that starts no double-byte character is a separator, and "/"
    // can never be a second byte.
    EXPECT_TRUE(DirMakeNameHasSeparator(raw("\xa0\x5c")));
    EXPECT_TRUE(DirMakeNameHasSeparator(raw("\x83/")));
    EXPECT_TRUE(DirMakeNameHasSeparator(raw("\x83\x5c\\")));
}

TEST(DirMakeRules, MessagesAreWhole) {
    EXPECT_EQ(
        DirMakeEmptyNameText(),
        "新しく作成するディレクトリに付ける名前を、\r\n\r\nキーボード入力して下さい。\r\n\r\n");
    EXPECT_EQ(DirMakeSeparatorText(),
              "作成ディレクトリ名に、\r\n\r\n￥ とか ／ を、使用していませんか？\r\n\r\n");
    EXPECT_EQ(DirMakeFailedText("abc"),
              "ディレクトリ作成に失敗しました。\r\n\r\n作成しようとしているディレクトリの中に、"
              "\r\n\r\n既に、 abc と、同じディレクトリがありませんか？\r\n\r\n");
}

TEST(DirMakeRules, MakeDirectoryMakesOneLevelOnly) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    EXPECT_TRUE(platform::makeDirectory(tmp.path() + "/one"));
    EXPECT_FALSE(platform::makeDirectory(tmp.path() + "/one")); // exists
    EXPECT_FALSE(platform::makeDirectory(tmp.path() + "/missing/two"));
    EXPECT_FALSE(isDirectory(QFile::encodeName(tmp.path() + "/missing")));
    // A NUL would cut the path short and make another folder than the one named.
    EXPECT_FALSE(platform::makeDirectory(tmp.path() + "/cut" + QChar(0) + "tail"));
    EXPECT_FALSE(isDirectory(QFile::encodeName(tmp.path() + "/cut")));
    EXPECT_FALSE(platform::makeDirectory(QString()));
}

// ---- The dialog in the main window -----------------------------------------------------

class DirMake : public MainWindowFixture {
protected:
    void TearDown() override {
        // The dialog belongs to the application; it goes here, while the test's settings
        // file is still the one its placement is saved to.
        if (form)
            delete form->State().Windows.DirMakeForm.data();
        MainWindowFixture::TearDown();
    }
    TDirMakeForm& open() {
        form->Files().DirMakeClick();
        auto* d = qobject_cast<TDirMakeForm*>(form->State().Windows.DirMakeForm.data());
        EXPECT_NE(d, nullptr);
        return *d;
    }
    // Types the name and presses the create button.
    bool make(TDirMakeForm& d, const QString& name) {
        d.Edit1->setText(name);
        responder.clear();
        QTest::mouseClick(d.STButton, Qt::LeftButton);
        return isDirectory(platform::toFsBytes(DirMakeFullPath(d.ParentDirectory(), name)));
    }
    void expectRejected(TDirMakeForm& d, const QString& text, bool confirmation) {
        ASSERT_EQ(responder.calls().size(), 1);
        const ui::MessageRequest& r = responder.calls().first();
        EXPECT_TRUE(r.standardDialog);
        EXPECT_EQ(r.type, confirmation ? ui::MsgDlgType::Confirmation : ui::MsgDlgType::Warning);
        EXPECT_EQ(r.caption, confirmation ? "確認" : "警告");
        EXPECT_EQ(r.text, text);
        EXPECT_EQ(r.buttons, ui::MsgDlgButtons(ui::mbYes));
        // Just below the dialog, at its left edge.
        const QRect frame = d.frameGeometry();
        EXPECT_EQ(r.topLeft, QPoint(frame.left(), frame.top() + frame.height()));
        EXPECT_EQ(d.Edit1Colour(), TDirMakeForm::kYellow);
    }
    QStringList childrenOfSelected() const {
        QStringList out;
        const QTreeWidgetItem* node = form->Files().DirList2->currentItem();
        for (int i = 0; node && i < node->childCount(); ++i)
            out << node->child(i)->text(0);
        return out;
    }
    QStringList entries(const QString& dir) const {
        return QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

TEST_F(DirMake, StaysOnTopWithoutCaptionButtonsAndTakesItsHelpWhenActive) {
    create();
    TDirMakeForm& d = open();
    EXPECT_TRUE(d.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(d.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                                    Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_EQ(d.Label1->textFormat(), Qt::PlainText); // names may look like markup
    EXPECT_EQ(d.Edit1Colour(), TDirMakeForm::kWhite);
    // A fresh settings file: centred on the screen.
    EXPECT_EQ(d.frameGeometry().left(), (1024 - d.frameGeometry().width()) / 2);
    QApplication::setActiveWindow(&d);
    EXPECT_EQ(ui::HelpContextOf(d.Edit1), 1070);
}

TEST_F(DirMake, RejectedNamesAskAndMarkTheBoxUntilTheNextKey) {
    dir("sub");
    create("sub");
    TDirMakeForm& d = open();
    QApplication::setActiveWindow(&d);

    make(d, QString());
    expectRejected(d, DirMakeEmptyNameText(), false);
    EXPECT_TRUE(d.Edit1->hasFocus());

    for (const QString name : {"a/b", "a\\b"}) {
        EXPECT_FALSE(make(d, name));
        expectRejected(d, DirMakeSeparatorText(), true);
        EXPECT_EQ(d.Edit1->text(), name); // kept for correcting
    }
    EXPECT_EQ(entries(root + "/sub"), QStringList());

    // Any key brings the white back, and the key still types.
    QTest::keyClick(d.Edit1, Qt::Key_End);
    EXPECT_EQ(d.Edit1Colour(), TDirMakeForm::kWhite);
    QTest::keyClick(d.Edit1, Qt::Key_X);
    EXPECT_EQ(d.Edit1->text(), "a\\bx");
}

TEST_F(DirMake, SuccessEmptiesTheBoxAndTheTreeShowsTheNewFolder) {
    dir("sub");
    create("sub");
    TDirMakeForm& d = open();
    EXPECT_EQ(d.ParentDirectory(), root + "/sub");
    EXPECT_EQ(d.Label1->text(), root + "/sub");

    EXPECT_TRUE(make(d, "新規"));
    EXPECT_TRUE(responder.calls().isEmpty());
    EXPECT_EQ(d.Edit1->text(), QString());
    EXPECT_EQ(form->Files().DirList2->GetSelectedPath(), root + "/sub");
    EXPECT_EQ(childrenOfSelected(), QStringList{"新規"});
    EXPECT_EQ(d.Label1->text(), root + "/sub");

    // Full-width ￥ and ／ are ordinary characters; spaces alone are a name as typed.
    EXPECT_TRUE(make(d, "￥／"));
    EXPECT_TRUE(make(d, "   "));
    EXPECT_TRUE(responder.calls().isEmpty());
    EXPECT_EQ(entries(root + "/sub"), QStringList({"   ", "新規", "￥／"}));
    EXPECT_TRUE(isDirectory(QByteArray(QFile::encodeName(root) + "/sub/\xef\xbf\xa5\xef\xbc\x8f")));
}

TEST_F(DirMake, FailuresOfTheFileSystemGiveTheSameMessage) {
    dir("sub");
    create("sub");
    TDirMakeForm& d = open();
    // The same name twice: the second names it, and the box keeps it.
    EXPECT_TRUE(make(d, "twice"));
    make(d, "twice");
    expectRejected(d, DirMakeFailedText("twice"), false);
    EXPECT_EQ(d.Edit1->text(), "twice");
    ASSERT_TRUE(QDir(root + "/sub/twice").removeRecursively());
    // A parent gone meanwhile.
    d.SetParentDirectory(root + "/gone");
    make(d, "x");
    expectRejected(d, DirMakeFailedText("x"), false);
    // A parent the user may not write.
    d.SetParentDirectory(root + "/sub");
    ASSERT_EQ(::chmod(QFile::encodeName(root + "/sub").constData(), 0555), 0);
    testutil::asUnprivileged([&] { make(d, "y"); });
    ::chmod(QFile::encodeName(root + "/sub").constData(), 0755);
    expectRejected(d, DirMakeFailedText("y"), false);
    EXPECT_EQ(entries(root + "/sub"), QStringList());
}

TEST_F(DirMake, OnTheDriveRootTheNameFollowsItsSlash) {
    create();
    TDirMakeForm& d = open();
    EXPECT_EQ(d.ParentDirectory(), root + "/");
    EXPECT_TRUE(make(d, "top"));
    EXPECT_EQ(childrenOfSelected(), QStringList{"top"});
    EXPECT_EQ(form->Files().DirList2->GetSelectedPath(), root + "/");
}

TEST_F(DirMake, EnterMakesAndIsSwallowed) {
    create();
    TDirMakeForm& d = open();
    QApplication::setActiveWindow(&d);
    d.Edit1->setText("viaEnter");
    QTest::keyClick(d.Edit1, Qt::Key_Return);
    EXPECT_EQ(d.Edit1->text(), QString());
    EXPECT_TRUE(isDirectory(QFile::encodeName(root + "/viaEnter")));
    QTest::keyClick(d.Edit1, Qt::Key_Enter); // the keypad's: empty now, so asked
    expectRejected(d, DirMakeEmptyNameText(), false);
}

TEST_F(DirMake, ShiftJisNamesAreMadeByteForByteAndShownDecoded) {
    const QByteArray sjisParent = "\x83\x66\x81\x5b\x83\x5e"; // "データ"
    ASSERT_TRUE(testutil::makeDir(QFile::encodeName(root) + "/" + sjisParent));
    create();
    form->Files().DirList2->SelectPath(root + "/" + raw(sjisParent.constData()));
    TDirMakeForm& d = open();
    EXPECT_EQ(platform::toFsBytes(d.ParentDirectory()), QFile::encodeName(root) + "/" + sjisParent);
    EXPECT_EQ(d.Label1->text(), root + "/データ");

    const QString name = raw("\x83\x5c\x83\x74\x83\x67"); // "ソフト", its 5C no separator
    EXPECT_TRUE(make(d, name));
    EXPECT_TRUE(responder.calls().isEmpty());
    const QByteArray made =
        QFile::encodeName(root) + "/" + sjisParent + "/\x83\x5c\x83\x74\x83\x67";
    EXPECT_TRUE(isDirectory(made));
    EXPECT_EQ(childrenOfSelected(), QStringList{"ソフト"});
    // The failure names it as the user reads it.
    make(d, name);
    expectRejected(d, DirMakeFailedText("ソフト"), false);
    // The temporary folder's own removal reads names as text and cannot remove these.
    ::rmdir(made.constData());
    ::rmdir((QFile::encodeName(root) + "/" + sjisParent).constData());
}

TEST_F(DirMake, ThreeEntriesOpenOneDialogOnTheTreesFolderAndTheViewer) {
    dir("one");
    dir("two");
    create();
    browser::FilePanel& files = form->Files();
    form->Modes().VierCloseClick();
    ASSERT_FALSE(form->State().ViewerOpen);

    QTest::mouseClick(form->Controls().MKDirSB, Qt::LeftButton);
    EXPECT_TRUE(form->State().ViewerOpen);
    auto* d = qobject_cast<TDirMakeForm*>(form->State().Windows.DirMakeForm.data());
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->ParentDirectory(), files.DirList2->GetSelectedPath());

    // Closing only hides; the next opening shows the same dialog with its text.
    d->Edit1->setText("kept");
    QTest::mouseClick(d->EndButton, Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    files.DirList2->SelectPath(root + "/one");
    QAction* dirMake = form->findChild<QAction*>("DirMake");
    ASSERT_NE(dirMake, nullptr);
    EXPECT_EQ(dirMake->text(), "ディレクトリ を 作成 (&M)");
    EXPECT_EQ(dirMake->property("helpContext").toInt(), 1070);
    dirMake->trigger();
    EXPECT_EQ(form->State().Windows.DirMakeForm.data(), d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->Edit1->text(), "kept");
    EXPECT_EQ(d->ParentDirectory(), root + "/one");

    d->close();
    files.DirList2->SelectPath(root + "/two");
    QAction* dirMake1 = files.PopupMenu2->findChild<QAction*>("DirMake1");
    ASSERT_NE(dirMake1, nullptr);
    EXPECT_EQ(dirMake1->text(), "ﾃﾞｨﾚｸﾄﾘ作成 (&M)");
    EXPECT_TRUE(files.PopupMenu2->actions().contains(dirMake1));
    dirMake1->trigger();
    EXPECT_EQ(form->State().Windows.DirMakeForm.data(), d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->ParentDirectory(), root + "/two");

    // A minimised dialog comes back.
    d->showMinimized();
    files.DirMakeClick();
    EXPECT_FALSE(d->isMinimized());
}

TEST_F(DirMake, TheParentFollowsTheTree) {
    dir("one");
    dir("one/deep");
    create();
    TDirMakeForm& d = open();
    EXPECT_EQ(d.Label1->text(), root + "/");
    form->Files().DirList2->SelectPath(root + "/one/deep");
    EXPECT_EQ(d.ParentDirectory(), root + "/one/deep");
    EXPECT_EQ(d.Label1->text(), root + "/one/deep");
    // Also while hidden, so the next opening and a making go to the right place.
    d.close();
    form->Files().DirList2->SelectNode(form->Files().DirList2->FirstNode());
    EXPECT_EQ(d.ParentDirectory(), root + "/");
}

TEST_F(DirMake, PlacementIsSavedWhenDestroyedAndRestoredWhenMade) {
    create();
    TDirMakeForm& d = open();
    d.move(40, 50);
    const QRect frame = d.frameGeometry();
    delete &d;
    {
        const SettingsFile ini;
        EXPECT_EQ(ini.ReadInteger("TDirMakeForm", "PlaceNormalPos.Left", -1), frame.left());
        EXPECT_EQ(ini.ReadInteger("TDirMakeForm", "PlaceNormalPos.Top", -1), frame.top());
    }
    TDirMakeForm& again = open();
    EXPECT_EQ(again.frameGeometry().topLeft(), frame.topLeft());
}

} // namespace
