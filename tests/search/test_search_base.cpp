// The folder a search starts from is searched whole, however long its path; only the
// texts that show it are cut.
#include "browser/FilePanelText.h"
#include "platform/FsName.h"
#include "search/SearchText.h"
#include "tests/browser/MainWindowFixture.h"
#include "ui/CaptionPanel.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

// A folder whose path is 258 characters long, and a sibling named by its first 255.
class LongBaseTest : public MainWindowFixture {
protected:
    void makeFolders() {
        const qsizetype nameLength = 258 - root.size() - 1;
        ASSERT_LE(nameLength, 255);
        longName = QString(nameLength, u'x');
        longPath = root + "/" + longName;
        ASSERT_EQ(longPath.size(), 258);
        siblingPath = longPath.left(255);
        ASSERT_GT(siblingPath.size(), root.size() + 1);
        dir(longName);
        file(longName + "/mine.txt", 3);
        dir(siblingPath.mid(root.size() + 1));
        file(siblingPath.mid(root.size() + 1) + "/other.txt", 5);
    }
    QString longName, longPath, siblingPath;
};

TEST_F(LongBaseTest, TheWholeBaseIsSearchedAndOnlyItsCaptionIsCut) {
    makeFolders();
    // The cut text names the sibling: showing it is all it may be used for.
    EXPECT_EQ(browser::ShownSearchBase(longPath), siblingPath);
    EXPECT_EQ(search::SearchCaption(browser::ShownSearchBase(longPath), "*.txt"),
              siblingPath + " / *.txt");
    EXPECT_EQ(browser::BaseCaption(browser::ShownSearchBase(longPath)),
              " 検索ベース ＝  " + siblingPath);

    browser::TFileListBoxS list;
    list.SetMask("*.txt");
    list.SearchTree(longPath);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetItemPath(0), longPath + "/mine.txt");
}

// The search command on a selected folder with a 258-character path: its file is found,
// its sibling's is not, and the captions show the first 255 characters. Runs once
// FindDirectoryClick keeps the whole selected path in SearchBase.
TEST_F(LongBaseTest, SearchCommandSearchesTheWholeSelectedFolder) {
    makeFolders();
    TForm1& f = create(longName);
    f.Files().Edit1->setText("*.txt");
    QTest::mouseClick(f.Files().SSpeedB, Qt::LeftButton);
    EXPECT_TRUE(responder.calls().isEmpty()); // no "nothing found" box
    EXPECT_EQ(f.State().SearchBase, longPath);
    ASSERT_EQ(f.Files().ListBox2->Count(), 1);
    EXPECT_EQ(f.Files().ListBox2->GetItemPath(0), longPath + "/mine.txt");
    EXPECT_EQ(f.Files().PanelL->caption(), siblingPath + " / *.txt");
    EXPECT_EQ(f.Files().DpanelLabel->text(), " 検索ベース ＝ " + siblingPath);
    f.Files().DPanelMouseMove();
    EXPECT_EQ(f.Files().DpanelLabel->text(), " 検索ベース ＝  " + siblingPath);
}

TEST(SearchText, CaptionsCutWholeCharactersOfTheShownText) {
    // The root: its base, " / " and the pattern.
    EXPECT_EQ(search::SearchCaption(browser::ShownSearchBase("/"), "*.*"), "/ / *.*");
    EXPECT_EQ(browser::ShownSearchBase("/home/ann/"), "/home/ann/");

    const QString exact(255, u'a');
    EXPECT_EQ(browser::CutForCaption(exact), exact);
    EXPECT_EQ(browser::CutForCaption(exact + "b"), exact);
    // A character beyond the first plane at the cut is left out whole.
    const QString emoji = QString(254, u'a') + QString::fromUtf8("😀") + "tail";
    EXPECT_EQ(browser::CutForCaption(emoji), QString(254, u'a'));

    // A Shift-JIS path is shown in Japanese and cut by its characters, not its bytes.
    QByteArray sjis("/");
    for (int i = 0; i < 300; ++i)
        sjis += "\x83\x81"; // メ
    const QString shown = browser::ShownSearchBase(platform::fromFsBytes(sjis));
    EXPECT_EQ(shown, "/" + QString(254, QChar(0x30E1)));
}

} // namespace
