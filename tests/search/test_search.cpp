// The bulk search on the real main window over a temporary folder tree.
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
        for (int i = 0; i < f.ListBox2->Count(); ++i)
            paths << f.ListBox2->GetItemPath(i);
        paths.sort();
        return paths;
    }
    void typeAndEnter(TForm1& f, const QString& text) {
        f.Edit1->setFocus();
        f.Edit1->setText(text);
        QTest::keyClick(f.Edit1, Qt::Key_Return);
    }
};

TEST_F(SearchTest, FindsMatchesBelowTheBaseIgnoringCase) {
    makeTree();
    TForm1& f = create("sub");
    typeAndEnter(f, "R*.EXE");
    EXPECT_TRUE(responder.calls().isEmpty());
    EXPECT_EQ(f.PageControl->currentWidget(), f.TabSheet2);
    EXPECT_EQ(foundPaths(f), QStringList({root + "/sub/Readme.exe", root + "/sub/deeper/RUN.EXE"}));
    EXPECT_EQ(f.SearchBase, root + "/sub");
    EXPECT_EQ(f.SearchPattern, "R*.EXE");
    EXPECT_EQ(f.PanelL->caption(), root + "/sub / R*.EXE");
    EXPECT_EQ(f.PanelL->toolTip(), root + "/sub / R*.EXE");
    EXPECT_EQ(f.DpanelLabel->text(), " 検索ベース ＝ " + root + "/sub");
    EXPECT_EQ(f.PanelR->caption(), " Total Files = 2 ,Size = 150 Bytes");
    EXPECT_EQ(f.CountLabel->text(), " ﾌｧｲﾙ合計 : 2 ");
    EXPECT_TRUE(f.ListBox2->isVisible());
    EXPECT_TRUE(f.ListBox2->hasFocus());
    EXPECT_EQ(f.DirSPB->toolTip(), "パネル非表示");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A click on a result shows its path in the information bar and makes it the source.
    const QPoint p = f.ListBox2->ItemRect(0).center();
    QTest::mouseClick(f.ListBox2->viewport(), Qt::LeftButton, {}, p);
    EXPECT_EQ(f.DpanelLabel->text(), f.ListBox2->GetSelectedPath());
    EXPECT_TRUE(f.SourceFromSearch);
    // Hovering shows paths only while nothing is selected; a click on the bar clears it.
    f.DPanelClick();
    EXPECT_EQ(f.ListBox2->ItemIndex(), -1);
    QTest::mouseMove(f.ListBox2->viewport(), f.ListBox2->ItemRect(1).center());
    EXPECT_EQ(f.DpanelLabel->text(), " " + f.ListBox2->GetItemPath(1));
    f.DPanelMouseMove();
    EXPECT_EQ(f.DpanelLabel->text(), " 検索ベース ＝  " + root + "/sub");
}

TEST_F(SearchTest, EmptyPatternUsesTheFilterMask) {
    makeTree();
    TForm1& f = create();
    f.FilterComboBox1->setCurrentIndex(0); // programs, "*.exe"
    f.FindDirSPB->click();
    EXPECT_EQ(f.SearchPattern, "*.exe");
    EXPECT_EQ(f.SearchBase, root + "/");
    EXPECT_EQ(f.PanelL->caption(), root + "/ / *.exe");
    EXPECT_EQ(f.ListBox2->Count(), 3);
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
    EXPECT_EQ(f.Edit1->palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_TRUE(f.Edit1->hasFocus());
    EXPECT_EQ(f.ListBox2->Count(), 0); // no search ran
    EXPECT_TRUE(f.SearchPattern.isEmpty());
    // The next key turns it white again.
    QTest::keyClick(f.Edit1, Qt::Key_End);
    EXPECT_EQ(f.Edit1->palette().color(QPalette::Base), QColor(255, 255, 255));

    // A backslash or a slash warns too; the same text from the button is searched.
    typeAndEnter(f, "sub/x.txt");
    EXPECT_EQ(responder.calls().size(), 2);
    f.Edit1->setText("a b");
    QTest::mouseClick(f.SSpeedB, Qt::LeftButton);
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
    EXPECT_EQ(f.CountLabel->text(), " ﾌｧｲﾙ合計 : 0 ");
    EXPECT_TRUE(f.PanelR->caption().isEmpty());
    EXPECT_TRUE(f.ListBox2->isVisible());
    EXPECT_TRUE(f.Edit1->hasFocus());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Switching sheets: an empty result sheet focuses the pattern, the first sheet its list.
    f.FileListChan->trigger();
    EXPECT_EQ(f.PageControl->currentWidget(), f.TabSheet1);
    EXPECT_TRUE(f.ListBox1->hasFocus());
    EXPECT_EQ(f.CountLabel->text(), " ﾌｧｲﾙ合計 : 2 ");
    f.PageControl->setCurrentWidget(f.TabSheet2);
    EXPECT_TRUE(f.Edit1->hasFocus());
    EXPECT_TRUE(f.CountLabel->text().isEmpty());
}

TEST_F(SearchTest, NoSecondSearchStartsInsideARunningOne) {
    makeTree();
    for (int i = 0; i < 40; ++i)
        dir(QString("sub/d%1").arg(i));
    TForm1& f = create("sub");
    f.Edit1->setText("*.exe");
    bool wasRunning = false;
    // Pending events run between directories: a click on the search button lands there.
    f.ListBox2->InfoList().SetEventInterval(0);
    QTimer::singleShot(0, [&] {
        wasRunning = f.SearchRunning;
        f.SSpeedB->click();
        f.Edit1->setText("*.txt");
        f.FindDirectory1->trigger();
    });
    f.SSpeedB->click();
    EXPECT_TRUE(wasRunning);
    EXPECT_EQ(f.SearchPattern, "*.exe"); // the nested requests changed nothing
    EXPECT_EQ(f.ListBox2->Count(), 2);
    EXPECT_FALSE(f.SearchRunning);
    EXPECT_TRUE(responder.calls().isEmpty());
}

TEST_F(SearchTest, NothingSelectedInTheTreeLeavesTheSheetEmpty) {
    TForm1& f = create();
    f.DirList2->clear();
    f.Edit1->setText("*.*");
    f.SSpeedB->click();
    EXPECT_EQ(f.PageControl->currentWidget(), f.TabSheet2);
    EXPECT_EQ(f.ListBox2->Count(), 0);
    EXPECT_TRUE(responder.calls().isEmpty());
}

TEST(SearchText, ChecksAndTexts) {
    EXPECT_FALSE(search::PatternNeedsWarning("R*.EXE"));
    EXPECT_FALSE(search::PatternNeedsWarning("a\u3000b")); // full-width space is a name
    EXPECT_TRUE(search::PatternNeedsWarning("a b"));
    EXPECT_TRUE(search::PatternNeedsWarning("sub\\x.txt"));
    EXPECT_TRUE(search::PatternNeedsWarning("sub/x.txt"));
    const QString longPath = "/" + QString(300, 'x');
    EXPECT_EQ(search::CutSearchBase(longPath), longPath.left(255));
    EXPECT_EQ(search::BaseCaption("/a"), " 検索ベース ＝  /a");
    EXPECT_EQ(search::SummaryBaseCaption("/a"), " 検索ベース ＝ /a");
}

} // namespace
