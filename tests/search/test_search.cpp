// The bulk search on the real main window over a temporary folder tree.
#include "browser/FilePanelText.h"
#include "search/SearchText.h"
#include "tests/browser/MainWindowFixture.h"
#include "ui/CaptionPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace {

class SearchTest : public MainWindowFixture {
protected:
    void makeTree() {
        file("top.txt");
        dir("sub");
        file("sub/Readme.exe", 100);
        file("sub/other.txt");
        dir("sub/deeper");
        file("sub/deeper/RUN.EXE", 50);
        file("sub/deeper/a b");
        dir("elsewhere");
        file("elsewhere/Rogue.exe");
    }
    QStringList foundPaths(const TForm1& f) const {
        QStringList paths;
        for (int i = 0; i < f.Files().ListBox2->Count(); ++i)
            paths << f.Files().ListBox2->GetItemPath(i);
        paths.sort();
        return paths;
    }
    void typeAndEnter(TForm1& f, const QString& text) {
        f.Files().Edit1->setFocus();
        f.Files().Edit1->setText(text);
        QTest::keyClick(f.Files().Edit1, Qt::Key_Return);
    }
};

TEST_F(SearchTest, FindsMatchesBelowTheBaseIgnoringCase) {
    makeTree();
    TForm1& f = create("sub");
    typeAndEnter(f, "R*.EXE");
    EXPECT_TRUE(responder.calls().isEmpty());
    EXPECT_EQ(f.Files().PageControl->currentWidget(), f.Files().TabSheet2);
    EXPECT_EQ(foundPaths(f), QStringList({root + "/sub/Readme.exe", root + "/sub/deeper/RUN.EXE"}));
    EXPECT_EQ(f.State().SearchBase, root + "/sub");
    EXPECT_EQ(f.State().SearchPattern, "R*.EXE");
    EXPECT_EQ(f.Files().PanelL->caption(), root + "/sub / R*.EXE");
    EXPECT_EQ(f.Files().PanelL->toolTip(), root + "/sub / R*.EXE");
    EXPECT_EQ(f.Files().DpanelLabel->text(), " 検索ベース ＝ " + root + "/sub");
    EXPECT_EQ(f.Files().PanelR->caption(), " Total Files = 2 ,Size = 150 Bytes");
    EXPECT_EQ(f.Files().CountLabel->text(), " ﾌｧｲﾙ合計 : 2 ");
    EXPECT_TRUE(f.Files().ListBox2->isVisible());
    EXPECT_TRUE(f.Files().ListBox2->hasFocus());
    EXPECT_EQ(f.Controls().DirSPB->toolTip(), "パネル非表示");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A click on a result shows its path in the information bar and makes it the source.
    const QPoint p = f.Files().ListBox2->ItemRect(0).center();
    QTest::mouseClick(f.Files().ListBox2->viewport(), Qt::LeftButton, {}, p);
    EXPECT_EQ(f.Files().DpanelLabel->text(), f.Files().ListBox2->GetSelectedPath());
    EXPECT_TRUE(f.State().SourceFromSearch);
    // Hovering shows paths only while nothing is selected; a click on the bar clears it.
    f.Files().DPanelClick();
    EXPECT_EQ(f.Files().ListBox2->ItemIndex(), -1);
    QTest::mouseMove(f.Files().ListBox2->viewport(), f.Files().ListBox2->ItemRect(1).center());
    EXPECT_EQ(f.Files().DpanelLabel->text(), " " + f.Files().ListBox2->GetItemPath(1));
    f.Files().DPanelMouseMove();
    EXPECT_EQ(f.Files().DpanelLabel->text(), " 検索ベース ＝  " + root + "/sub");
}

TEST_F(SearchTest, EmptyPatternUsesTheFilterMask) {
    makeTree();
    TForm1& f = create();
    f.Files().FilterComboBox1->setCurrentIndex(0); // programs, "*.exe"
    f.Controls().FindDirSPB->click();
    EXPECT_EQ(f.State().SearchPattern, "*.exe");
    EXPECT_EQ(f.State().SearchBase, root + "/");
    EXPECT_EQ(f.Files().PanelL->caption(), root + "/ / *.exe");
    EXPECT_EQ(f.Files().ListBox2->Count(), 3);
}

TEST_F(SearchTest, PatternWithSpaceWarnsAndTurnsTheFieldYellow) {
    makeTree();
    TForm1& f = create("sub");
    typeAndEnter(f, "a b");
    ASSERT_EQ(responder.calls().size(), 1);
    const ui::MessageRequest& w = responder.calls()[0];
    EXPECT_EQ(w.text,
              "検索しようとしている文字に、\r\n\r\n￥ とか ／ とか スペース 文字 を、\r\n\r\n"
              "使用していませんか？\r\n\r\n");
    EXPECT_EQ(w.type, ui::MsgDlgType::Confirmation);
    EXPECT_EQ(w.buttons, ui::mbYes);
    EXPECT_EQ(f.Files().Edit1->palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_TRUE(f.Files().Edit1->hasFocus());
    EXPECT_EQ(f.Files().ListBox2->Count(), 0); // no search ran
    EXPECT_TRUE(f.State().SearchPattern.isEmpty());
    // The next key turns it white again.
    QTest::keyClick(f.Files().Edit1, Qt::Key_End);
    EXPECT_EQ(f.Files().Edit1->palette().color(QPalette::Base), QColor(255, 255, 255));

    // A backslash or a slash warns too; the same text from the button is searched.
    typeAndEnter(f, "sub/x.txt");
    EXPECT_EQ(responder.calls().size(), 2);
    f.Files().Edit1->setText("a b");
    QTest::mouseClick(f.Files().SSpeedB, Qt::LeftButton);
    EXPECT_EQ(responder.calls().size(), 2);
    EXPECT_EQ(foundPaths(f), QStringList({root + "/sub/deeper/a b"}));
}

TEST_F(SearchTest, NoMatchReportsAndFocusesThePattern) {
    makeTree();
    TForm1& f = create("sub");
    typeAndEnter(f, "*.none");
    ASSERT_EQ(responder.calls().size(), 1);
    const ui::MessageRequest& m = responder.calls()[0];
    EXPECT_EQ(m.text, "検索する文字  *.none  に\r\n\r\n該当するファイルは見つかりませんでした。");
    EXPECT_EQ(m.type, ui::MsgDlgType::Information);
    EXPECT_EQ(m.buttons, ui::mbOK);
    EXPECT_EQ(f.Files().CountLabel->text(), " ﾌｧｲﾙ合計 : 0 ");
    EXPECT_TRUE(f.Files().PanelR->caption().isEmpty());
    EXPECT_TRUE(f.Files().ListBox2->isVisible());
    EXPECT_TRUE(f.Files().Edit1->hasFocus());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Switching sheets: an empty result sheet focuses the pattern, the first sheet its list.
    f.Files().FileListChan->trigger();
    EXPECT_EQ(f.Files().PageControl->currentWidget(), f.Files().TabSheet1);
    EXPECT_TRUE(f.Files().ListBox1->hasFocus());
    EXPECT_EQ(f.Files().CountLabel->text(), " ﾌｧｲﾙ合計 : 2 ");
    f.Files().PageControl->setCurrentWidget(f.Files().TabSheet2);
    EXPECT_TRUE(f.Files().Edit1->hasFocus());
    EXPECT_TRUE(f.Files().CountLabel->text().isEmpty());
}

TEST_F(SearchTest, NoSecondSearchStartsInsideARunningOne) {
    makeTree();
    for (int i = 0; i < 40; ++i)
        dir(QString("sub/d%1").arg(i));
    TForm1& f = create("sub");
    f.Files().Edit1->setText("*.exe");
    bool wasRunning = false;
    // Pending events run between directories: a click on the search button lands there.
    f.Files().ListBox2->InfoList().SetEventInterval(0);
    QTimer::singleShot(0, [&] {
        wasRunning = f.State().SearchRunning;
        f.Files().SSpeedB->click();
        f.Files().Edit1->setText("*.txt");
        f.Files().FindDirectory1->trigger();
    });
    f.Files().SSpeedB->click();
    EXPECT_TRUE(wasRunning);
    EXPECT_EQ(f.State().SearchPattern, "*.exe"); // the nested requests changed nothing
    EXPECT_EQ(f.Files().ListBox2->Count(), 2);
    EXPECT_FALSE(f.State().SearchRunning);
    EXPECT_TRUE(responder.calls().isEmpty());
}

TEST_F(SearchTest, NothingSelectedInTheTreeLeavesTheSheetEmpty) {
    TForm1& f = create();
    f.Files().DirList2->clear();
    f.Files().Edit1->setText("*.*");
    f.Files().SSpeedB->click();
    EXPECT_EQ(f.Files().PageControl->currentWidget(), f.Files().TabSheet2);
    EXPECT_EQ(f.Files().ListBox2->Count(), 0);
    EXPECT_TRUE(responder.calls().isEmpty());
}

TEST(SearchText, ChecksAndTexts) {
    EXPECT_FALSE(search::PatternNeedsWarning("R*.EXE"));
    EXPECT_FALSE(search::PatternNeedsWarning("a\u3000b")); // full-width space is a name
    EXPECT_TRUE(search::PatternNeedsWarning("a b"));
    EXPECT_TRUE(search::PatternNeedsWarning("sub\\x.txt"));
    EXPECT_TRUE(search::PatternNeedsWarning("sub/x.txt"));
    EXPECT_EQ(browser::BaseCaption("/a"), " 検索ベース ＝  /a");
    EXPECT_EQ(browser::SummaryBaseCaption("/a"), " 検索ベース ＝ /a");
}

} // namespace
