// The page tab-name dialog on a real main window: opened from the context menu, driven
// with keys and clicks, its names checked in the menu, the tab set's hint and the
// settings file of a temporary folder.
#include "app/TForm1.h"
#include "core/SettingsFile.h"
#include "launcher/LauncherStrip.h"
#include "launcher/TTabsetF.h"
#include "platform/AppPaths.h"
#include "ui/HelpWindow.h"
#include "ui/Hints.h"
#include "ui/MessageDialog.h"
#include "ui/TabSet.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

using launcher::LauncherStrip;
using launcher::TTabsetF;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

const QString kDefaultHint = " 1  Page1\r\n 2  Page2\r\n 3  Page3\r\n 4  Page4\r\n 5  Page5\r\n"
                             " 6  Page6\r\n 7  Page7\r\n 8  Page8\r\n 9  Page9\r\n 10 Page10\r\n"
                             " 11 Page11";

class TabsetDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        platform::setSettingsFilePathOverride(ini());
    }
    void TearDown() override {
        form.reset();
        platform::setSettingsFilePathOverride(QString());
    }
    QString ini() const { return dir.filePath("zelmo32.INI"); }
    QByteArray iniBytes() const {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeIni(const QByteArray& bytes) {
        QFile f(ini());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    LauncherStrip& create() {
        form = std::make_unique<TForm1>();
        return form->Launcher();
    }
    // The menu command, then the dialog as it becomes active.
    TTabsetF& open() {
        LauncherStrip& l = form->Launcher();
        l.TabSetPMenu->trigger();
        EXPECT_TRUE(l.TabsetF);
        EXPECT_TRUE(QTest::qWaitForWindowActive(l.TabsetF.data()));
        return *l.TabsetF;
    }
    QStringList menuCaptions() const {
        QStringList captions;
        for (QAction* a : form->Launcher().PageItems)
            captions << a->text();
        return captions;
    }
    QStringList labels(const TTabsetF& d) const {
        QStringList texts;
        for (QLabel* l : d.Labels)
            texts << l->text();
        return texts;
    }
    int checkedRadio(const TTabsetF& d) const {
        int found = -1;
        for (int i = 0; i < 11; ++i)
            if (d.RadioButtons[i]->isChecked()) {
                EXPECT_EQ(found, -1) << "two radio buttons checked";
                found = i;
            }
        return found;
    }
    int checkedPageItem() const {
        int found = -1;
        for (int i = 0; i < 12; ++i)
            if (form->Launcher().PageItems[i]->isChecked()) {
                EXPECT_EQ(found, -1) << "two page items checked";
                found = i;
            }
        return found;
    }
    // Keys as a keyboard with an input method sends them: each with its text.
    static void type(QWidget* w, const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress,
                            c.isLetterOrNumber() && c.unicode() < 128
                                ? Qt::Key(c.toUpper().unicode())
                                : Qt::Key_unknown,
                            Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
        }
    }
    // Waits for the dialog a close dropped to be deleted.
    static void flushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QTemporaryDir dir;
    ui::ScriptedResponder responder;
    std::unique_ptr<TForm1> form;
};

TEST_F(TabsetDialogTest, DefaultNamesGiveTheMenuCaptionsAndTheElevenHintLines) {
    LauncherStrip& l = create();
    EXPECT_EQ(l.PageNames.size(), 11);
    EXPECT_EQ(menuCaptions(),
              QStringList({"(&1) Page1", "(&2) Page2", "(&3) Page3", "(&4) Page4", "(&5) Page5",
                           "(&6) Page6", "(&7) Page7", "(&8) Page8", "(&9) Page9", "(&A) Page10",
                           "(&B) Page11", "(&C) Control"}));
    EXPECT_EQ(l.TabSetHintText, kDefaultHint);
    EXPECT_EQ(l.TabSet1->toolTip(), QString(kDefaultHint).replace("\r\n", "\n"));

    // The menu item stands right after the page-select submenu.
    const QList<QAction*> items = form->PopupMenu1->actions();
    ASSERT_GE(items.size(), 2);
    EXPECT_EQ(items.at(0)->menu(), l.PageSelect);
    EXPECT_EQ(items.at(1), l.TabSetPMenu);
    EXPECT_EQ(l.TabSetPMenu->text(), "ページ・タブ名の設定 (&K)");
    EXPECT_EQ(l.TabSetPMenu->objectName(), "TabSetPMenu");
    EXPECT_EQ(l.TabSetPMenu->property("helpContext").toInt(), 1085);
}

TEST_F(TabsetDialogTest, DialogLayoutAndSettings) {
    create();
    ui::SetApplicationHints(QColor(1, 2, 3), 5, 6);
    TTabsetF& d = open();
    EXPECT_EQ(d.windowTitle(), "ゼルモ３２ ： ランチャー・ページ・タブ名の設定");
    const Qt::WindowFlags flags = d.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowSystemMenuHint));
    EXPECT_EQ(d.size(), QSize(489, 274));
    EXPECT_EQ(d.font().family(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(d.font().pixelSize(), 12);
    const QRect screen = d.screen()->geometry();
    // Centred with its frame, whose size the window system tells only after showing.
    EXPECT_LE(std::abs(d.geometry().center().x() - screen.center().x()), 4);
    EXPECT_LE(std::abs(d.geometry().center().y() - screen.center().y()), 4);
    EXPECT_EQ(ui::HelpContextOf(&d), 1085);
    const ui::HintSettings hints = ui::ApplicationHints();
    EXPECT_EQ(hints.color, QColor(0, 255, 0));
    EXPECT_EQ(hints.pauseMs, 200);
    EXPECT_EQ(hints.hidePauseMs, 11000);

    EXPECT_EQ(d.GroupBox1->title(), " Tab Select ");
    for (int i = 0; i < 11; ++i) {
        QRadioButton* r = d.RadioButtons[i];
        EXPECT_EQ(r->objectName(), QString("RadioButton%1").arg(i + 1));
        EXPECT_EQ(r->text(), QString::number(i + 1));
        EXPECT_EQ(r->property("tag").toInt(), i);
        EXPECT_EQ(d.Labels[i]->textFormat(), Qt::PlainText);
    }
    EXPECT_EQ(d.GroupBox2->title(), " Tab Name Input ");
    EXPECT_EQ(d.Edit1->toolTip(), "貴方の好きな名称を、漢字・英数字で入力");
    EXPECT_EQ(d.SpeedButton1->text(), "ＯＫ （ 更新 ）");
    EXPECT_EQ(d.SpeedButton2->text(), "キャンセル");
    EXPECT_EQ(d.SpeedButton3->text(), "Help");

    d.SpeedButton3->click();
    ASSERT_NE(ui::HelpWindow(), nullptr);
    EXPECT_EQ(ui::HelpWindow()->currentContext(), 1085);
    ui::HelpWindow()->close();
}

TEST_F(TabsetDialogTest, OpeningFollowsTheMainWindowsPage) {
    LauncherStrip& l = create();
    // Page 11: radio button 11, and the main window stays.
    l.ShowPage(10);
    TTabsetF& d = open();
    EXPECT_EQ(checkedRadio(d), 10);
    EXPECT_EQ(d.SelectedPage(), 10);
    EXPECT_EQ(l.PageIndex(), 10);
    EXPECT_EQ(l.TabSet1->tabIndex(), 10);
    EXPECT_EQ(checkedPageItem(), 10);
    EXPECT_TRUE(d.Edit1->hasFocus());

    // A second command raises the same dialog, restored when minimised.
    d.showMinimized();
    l.TabSetPMenuClick();
    EXPECT_EQ(l.TabsetF.data(), &d);
    EXPECT_FALSE(d.isMinimized());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the hourglass is gone again
    d.SpeedButton2->click();
    flushDeletes();
    EXPECT_FALSE(l.TabsetF);

    // The control page: radio button 1, and the main window goes to page 1.
    l.ShowPage(LauncherStrip::kControlPage);
    EXPECT_EQ(checkedPageItem(), 11);
    TTabsetF& d2 = open();
    EXPECT_EQ(checkedRadio(d2), 0);
    EXPECT_EQ(l.PageIndex(), 0);
    EXPECT_EQ(l.Notebook1->currentIndex(), 0);
    EXPECT_EQ(l.TabSet1->tabIndex(), 0);
    EXPECT_EQ(checkedPageItem(), 0);

    // A radio button moves the main window, tab and menu check with it.
    d2.RadioButtons[6]->click();
    EXPECT_EQ(l.PageIndex(), 6);
    EXPECT_EQ(l.TabSet1->tabIndex(), 6);
    EXPECT_EQ(checkedPageItem(), 6);
}

TEST_F(TabsetDialogTest, TypingFollowsOnTheLabelAndEnterMovesOn) {
    LauncherStrip& l = create();
    l.ShowPage(9);
    TTabsetF& d = open();
    // Every key typed reaches the label, the first one too.
    type(d.Edit1, "T");
    EXPECT_EQ(d.Labels[9]->text(), "T");
    type(d.Edit1, "ools");
    EXPECT_EQ(d.Labels[9]->text(), "Tools");
    QTest::keyClick(d.Edit1, Qt::Key_Return);
    EXPECT_EQ(checkedRadio(d), 10);
    EXPECT_EQ(l.PageIndex(), 10);
    EXPECT_EQ(d.Edit1->text(), ""); // emptied, and the label keeps its name
    EXPECT_EQ(d.Labels[9]->text(), "Tools");
    EXPECT_EQ(d.Labels[10]->text(), "Page11");

    type(d.Edit1, "<b>x</b>&");
    EXPECT_EQ(d.Labels[10]->text(), "<b>x</b>&");
    QTest::keyClick(d.Edit1, Qt::Key_Enter); // the keypad's Enter: after page 11, page 1
    EXPECT_EQ(checkedRadio(d), 0);
    EXPECT_EQ(l.PageIndex(), 0);
    EXPECT_EQ(checkedPageItem(), 0);
    EXPECT_EQ(d.Edit1->text(), "");
    EXPECT_EQ(d.Labels[10]->text(), "<b>x</b>&");
    EXPECT_EQ(d.Labels[0]->text(), "Page1");

    // Nothing is kept before OK.
    EXPECT_EQ(l.PageNames.at(9), "Page10");
    EXPECT_EQ(menuCaptions().at(10), "(&B) Page11");
}

TEST_F(TabsetDialogTest, CancelKeepsTheStoredNamesAndTheMenu) {
    LauncherStrip& l = create();
    const QByteArray before = iniBytes();
    const QStringList captions = menuCaptions();
    TTabsetF& d = open();
    type(d.Edit1, "捨てる名前");
    EXPECT_EQ(d.Labels[0]->text(), "捨てる名前");
    d.SpeedButton2->click();
    EXPECT_FALSE(d.isVisible());
    flushDeletes();
    EXPECT_FALSE(l.TabsetF); // dropped
    EXPECT_EQ(iniBytes(), before);
    EXPECT_EQ(menuCaptions(), captions);
    EXPECT_EQ(l.TabSetHintText, kDefaultHint);
    // The next command starts again from the stored names.
    TTabsetF& again = open();
    EXPECT_EQ(labels(again), l.PageNames);
    EXPECT_EQ(again.Labels[0]->text(), "Page1");
}

TEST_F(TabsetDialogTest, OkKeepsAllElevenNamesAnEmptyOneToo) {
    LauncherStrip& l = create();
    TTabsetF& d = open();
    type(d.Edit1, "道具");
    QTest::keyClick(d.Edit1, Qt::Key_Return);
    type(d.Edit1, "x");
    QTest::keyClick(d.Edit1, Qt::Key_Backspace); // page 2's name typed away to nothing
    EXPECT_EQ(d.Labels[1]->text(), "");
    d.RadioButtons[10]->click();
    type(d.Edit1, "ゲーム");
    d.SpeedButton1->click();
    flushDeletes();
    EXPECT_FALSE(l.TabsetF);

    const QStringList want = {"道具",  "",      "Page3", "Page4",  "Page5", "Page6",
                              "Page7", "Page8", "Page9", "Page10", "ゲーム"};
    EXPECT_EQ(l.PageNames, want);
    EXPECT_EQ(menuCaptions().at(0), "(&1) 道具");
    EXPECT_EQ(menuCaptions().at(1), "(&2) "); // only the accelerator prefix
    EXPECT_EQ(menuCaptions().at(10), "(&B) ゲーム");
    EXPECT_EQ(menuCaptions().at(11), "(&C) Control");
    EXPECT_EQ(l.TabSetHintText.section("\r\n", 0, 1), " 1  道具\r\n 2  ");
    EXPECT_TRUE(l.TabSetHintText.endsWith("\r\n 10 Page10\r\n 11 ゲーム"));
    const QByteArray file = iniBytes();
    EXPECT_TRUE(file.contains("[TabName]\nNo0=道具\nNo1=\nNo2=Page3\n")) << file.constData();
    EXPECT_TRUE(file.contains("\nNo10=ゲーム\n")) << file.constData();

    // A new start reads them back.
    form.reset();
    LauncherStrip& again = create();
    EXPECT_EQ(again.PageNames, want);
    EXPECT_EQ(menuCaptions().at(1), "(&2) ");
}

TEST_F(TabsetDialogTest, ANameWithALineBreakSurvivesTheDialogAndTheFile) {
    QStringList names;
    for (int i = 0; i < 11; ++i)
        names << QString("Page%1").arg(i + 1);
    names[4] = "上\r\n下";
    names[5] = " 端 ";
    {
        SettingsFile ini(this->ini());
        for (int i = 0; i < 11; ++i)
            ini.WriteString("TabName", QString("No%1").arg(i), names[i]);
    }
    LauncherStrip& l = create();
    EXPECT_EQ(l.PageNames, names);
    TTabsetF& d = open();
    EXPECT_EQ(d.Labels[4]->text(), "上\r\n下"); // shown as it is, not as markup
    EXPECT_EQ(d.Labels[5]->text(), " 端 ");
    EXPECT_EQ(l.TabSetHintText.section("\r\n", 4, 6), " 5  上\r\n下\r\n 6   端 ");
    d.SpeedButton1->click();
    flushDeletes();
    form.reset();
    EXPECT_EQ(create().PageNames, names);
}

TEST_F(TabsetDialogTest, NamesOfAnOldCp932FileLoadInJapanese) {
    // 道具 and ゲーム箱 in CP932, as an old settings file holds them.
    writeIni("[FormStyle]\r\nViewerStyle=0\r\n[TabName]\r\nNo0=\x93\xb9\x8b\xef\r\n"
             "No10=\x83Q\x81[\x83\x80\x94\xa0\r\n");
    LauncherStrip& l = create();
    EXPECT_EQ(l.PageNames.at(0), "道具");
    EXPECT_EQ(l.PageNames.at(10), "ゲーム箱");
    EXPECT_EQ(l.PageNames.at(1), "Page2");
    EXPECT_EQ(menuCaptions().at(0), "(&1) 道具");
    EXPECT_EQ(menuCaptions().at(10), "(&B) ゲーム箱");
    EXPECT_TRUE(l.TabSetHintText.endsWith("\r\n 11 ゲーム箱"));
    TTabsetF& d = open();
    EXPECT_EQ(d.Labels[0]->text(), "道具");
    EXPECT_EQ(d.Labels[10]->text(), "ゲーム箱");
    // Kept by OK, the names read back the same from the file as it is written now.
    const QStringList names = l.PageNames;
    d.SpeedButton1->click();
    flushDeletes();
    form.reset();
    EXPECT_EQ(create().PageNames, names);
}

} // namespace
