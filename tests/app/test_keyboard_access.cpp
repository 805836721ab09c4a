// The main window by keyboard alone: the context menus by the menu key, Shift+F10 and
// Shift+Ctrl+F10 where the keyboard is, and the launcher strip as one stop in the Tab
// order with its arrows, page keys and presses.
#include "launcher/SlotControls.h"
#include "tests/browser/MainWindowFixture.h"
#include "ui/TabSet.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>

namespace {

class KeyboardAccessTest : public MainWindowFixture {
protected:
    TForm1& start() {
        file("a.txt");
        file("b.exe");
        dir("sub");
        return create();
    }
    static QMenu* openMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
    static void closeMenus() {
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        QApplication::processEvents();
    }
    static QStringList captions(const QMenu* menu) {
        QStringList list;
        for (const QAction* a : menu->actions())
            if (!a->isSeparator())
                list << a->text().section(QLatin1Char('\t'), 0, 0); // without its key
        return list;
    }
    static QWidget* focus() { return QApplication::focusWidget(); }
    static QAction* firstUsable(const QMenu* menu) {
        for (QAction* a : menu->actions())
            if (a->isVisible() && a->isEnabled() && !a->isSeparator())
                return a;
        return nullptr;
    }
    // Presses key until the keyboard is on target (at most 20 times).
    static void reach(QWidget* target, Qt::Key key) {
        for (int i = 0; i < 20 && focus() != target; ++i)
            QTest::keyClick(focus(), key);
        ASSERT_EQ(focus(), target);
    }
};

TEST_F(KeyboardAccessTest, MenuKeysOpenTheMenuOfARightPressWhereTheKeyboardIs) {
    TForm1& f = start();
    browser::FilePanel& p = f.Files();
    ASSERT_EQ(names(p.ListBox1), QStringList({"a.txt", "b.exe"}));
    p.ListBox1->SetItemIndex(1);
    QTreeWidgetItem* node = p.DirList2->currentItem();
    ASSERT_NE(node, nullptr);
    const bool expanded = node->isExpanded();
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers shiftCtrl = Qt::ShiftModifier | Qt::ControlModifier;
    const struct {
        const char* where;
        QWidget* control;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QMenu* menu; // none: no menu opens
        const char* item;
    } cases[] = {
        {"list, menu key",
         p.ListBox1,
         Qt::Key_Menu,
         {},
         f.PopupMenu1,
         "ファイルリストの切り替え(&F)"},
        {"list, Shift+F10", p.ListBox1, Qt::Key_F10, shift, f.PopupMenu1, "ゼルモ３２を終了 (&X)"},
        {"list, Shift+Ctrl+F10", p.ListBox1, Qt::Key_F10, shiftCtrl, p.PopupMenu5, "ごみ箱"},
        {"list, F10 alone", p.ListBox1, Qt::Key_F10, {}, nullptr, ""},
        {"list, Ctrl+F10", p.ListBox1, Qt::Key_F10, Qt::ControlModifier, nullptr, ""},
        {"tree, menu key", p.DirList2, Qt::Key_Menu, {}, p.PopupMenu2, "Last Line(&L)"},
        {"tree, Shift+F10", p.DirList2, Qt::Key_F10, shift, p.PopupMenu2, "Top Line (&T)"},
        {"tree, Shift+Ctrl+F10", p.DirList2, Qt::Key_F10, shiftCtrl, p.PopupMenu4, "複 写"},
        {"launcher slot",
         f.Launcher().SlotButtons[0][3],
         Qt::Key_Menu,
         {},
         f.PopupMenu1,
         "ページ を 選択  (&P)"},
        {"tab set", f.Launcher().TabSet1, Qt::Key_F10, shift, f.PopupMenu1,
         "ビューア を 閉じる (&C)"},
        {"the window", &f, Qt::Key_Menu, {}, f.PopupMenu1, "簡易エディタ を 開く (&E)"},
        {"drive box", p.DriveComboBox1, Qt::Key_Menu, {}, f.PopupMenu1, "拡大  ( 10 % up ) (&U)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        f.State().TargetDirectory.clear();
        f.State().SourceFile.clear();
        QTest::keyClick(c.control, c.key, c.modifiers);
        QMenu* menu = openMenu();
        EXPECT_EQ(menu, c.menu);
        if (menu) {
            EXPECT_TRUE(captions(menu).contains(QString::fromUtf8(c.item)))
                << captions(menu).join(" | ").toStdString();
            // Down lights the first usable item (a submenu stays closed).
            QTest::keyClick(menu, Qt::Key_Down);
            EXPECT_EQ(menu->activeAction(), firstUsable(menu));
            EXPECT_EQ(openMenu(), menu);
        }
        closeMenus();
        // Nothing moves: the selection, the tree's node and its state stay.
        EXPECT_EQ(p.ListBox1->ItemIndex(), 1);
        EXPECT_EQ(p.DirList2->currentItem(), node);
        EXPECT_EQ(node->isExpanded(), expanded);
    }

    // The list's menu: the selection handler ran (the launcher's "selected file"), the
    // menu opens at the selected item.
    QTest::keyClick(p.ListBox1, Qt::Key_Menu);
    EXPECT_EQ(f.State().SourceFile, root + "/b.exe");
    const QPoint item = p.ListBox1->viewport()->mapToGlobal(p.ListBox1->ItemRect(1).center());
    EXPECT_EQ(f.PopupMenu1->pos().x(), item.x()); // its left edge there
    closeMenus();
    // The tree's copy and move menu acts on the selected node; the drop target names it.
    QTest::keyClick(p.DirList2, Qt::Key_F10, shiftCtrl);
    EXPECT_EQ(f.State().TargetDirectory, p.DirList2->GetNodePath(p.DirList2->currentItem()));
    closeMenus();
    // The context menu elsewhere opens at the window's top left.
    QTest::keyClick(f.Launcher().SlotButtons[0][3], Qt::Key_Menu);
    EXPECT_EQ(f.PopupMenu1->pos(), f.mapToGlobal(QPoint(0, 0)));
    closeMenus();

    // Items run by their accelerators: the list's sheet switch, the tree's last line.
    QTest::keyClick(p.ListBox1, Qt::Key_Menu);
    ASSERT_EQ(openMenu(), f.PopupMenu1);
    QTest::keyClick(f.PopupMenu1, Qt::Key_F);
    EXPECT_EQ(openMenu(), nullptr);
    EXPECT_EQ(p.PageControl->currentWidget(), p.TabSheet2);
    QTest::keyClick(p.DirList2, Qt::Key_Menu);
    ASSERT_EQ(openMenu(), p.PopupMenu2);
    QTest::keyClick(p.PopupMenu2, Qt::Key_L);
    EXPECT_EQ(p.DirList2->currentItem(), p.DirList2->LastNode());
    EXPECT_NE(p.DirList2->currentItem(), node);

    // An edit box keeps its own menu (in Japanese, as Qt's texts are).
    QTest::keyClick(p.Edit1, Qt::Key_Menu);
    QMenu* own = openMenu();
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, f.PopupMenu1);
    EXPECT_TRUE(captions(own).contains(QStringLiteral("すべてを選択")))
        << captions(own).join(" | ").toStdString();
    closeMenus();
}

TEST_F(KeyboardAccessTest, TheStripIsOneTabStopWithArrowsPagesAndPresses) {
    TForm1& f = start();
    launcher::LauncherStrip& s = f.Launcher();
    s.Entries.set(0, 2, root + "/a.txt");
    // One stop per page, the leftmost button at first; a click never takes the keyboard.
    for (int p = 0; p < 11; ++p)
        for (int k = 0; k < 14; ++k)
            ASSERT_EQ(s.SlotButtons[p][k]->focusPolicy(), k == 0 ? Qt::TabFocus : Qt::NoFocus);
    EXPECT_EQ(f.Controls().CloseButton->focusPolicy(), Qt::TabFocus);
    EXPECT_EQ(f.Controls().SBP->focusPolicy(), Qt::NoFocus);

    // Tab from the tree reaches the strip (and nothing else there).
    ASSERT_EQ(focus(), f.Files().DirList2);
    reach(s.SlotButtons[0][0], Qt::Key_Tab);
    EXPECT_EQ(s.PageIndex(), 0); // no key changed the page on the way

    const struct {
        Qt::Key key;
        QWidget* then;
    } moves[] = {{Qt::Key_Left, s.SlotButtons[0][0]},  {Qt::Key_Right, s.SlotButtons[0][1]},
                 {Qt::Key_End, s.SlotButtons[0][13]},  {Qt::Key_Right, s.SlotButtons[0][13]},
                 {Qt::Key_Home, s.SlotButtons[0][0]},  {Qt::Key_Down, s.SlotButtons[0][0]},
                 {Qt::Key_Right, s.SlotButtons[0][1]}, {Qt::Key_Right, s.SlotButtons[0][2]}};
    for (const auto& m : moves) {
        QTest::keyClick(focus(), m.key);
        ASSERT_EQ(focus(), m.then) << QKeySequence(m.key).toString().toStdString();
        EXPECT_EQ(m.then->focusPolicy(), Qt::TabFocus); // Tab comes back here
    }
    EXPECT_EQ(s.SlotButtons[0][0]->focusPolicy(), Qt::NoFocus);

    // Enter and Space press the slot: its entry starts, with the selected file.
    f.Files().ListBox1->SetItemIndex(1);
    f.Files().ListBox1Click(f.Files().ListBox1);
    QTest::keyClick(focus(), Qt::Key_Return);
    QTest::keyClick(focus(), Qt::Key_Space);
    ASSERT_EQ(shell.calls().size(), 2);
    for (const platform::ShellCall& call : shell.calls()) {
        EXPECT_EQ(call.file, root + "/a.txt");
        EXPECT_EQ(call.parameters, s.PlannedSlotClick(2).parameters);
    }

    // Page Up / Page Down turn the pages, the control page between page 11 and page 1;
    // each page keeps the button last reached.
    QTest::keyClick(focus(), Qt::Key_PageDown);
    EXPECT_EQ(s.PageIndex(), 1);
    EXPECT_EQ(s.TabSet1->tabIndex(), 1);
    EXPECT_EQ(focus(), s.SlotButtons[1][0]);
    QTest::keyClick(focus(), Qt::Key_PageUp);
    QTest::keyClick(focus(), Qt::Key_PageUp);
    EXPECT_EQ(s.PageIndex(), 11);
    EXPECT_TRUE(s.PageItems[11]->isChecked());
    EXPECT_EQ(focus(), f.Controls().CloseButton);
    QTest::keyClick(focus(), Qt::Key_End);
    EXPECT_EQ(focus(), f.Controls().SBP);
    QTest::keyClick(focus(), Qt::Key_PageDown);
    EXPECT_EQ(s.PageIndex(), 0);
    EXPECT_EQ(focus(), s.SlotButtons[0][2]);

    // A disabled button gives its stop to the page's first: the page stays in the order.
    QTest::keyClick(focus(), Qt::Key_PageUp);
    reach(f.Controls().SBMax, Qt::Key_Left);
    f.Controls().SBMax->setEnabled(false);
    EXPECT_EQ(f.Controls().CloseButton->focusPolicy(), Qt::TabFocus);
    EXPECT_EQ(focus(), f.Controls().CloseButton);
    f.Controls().SBMax->setEnabled(true);

    // Enter on a control-page button does its click's work: the editor button opens the
    // editor.
    reach(f.Controls().EditB, Qt::Key_Right);
    QTest::keyClick(focus(), Qt::Key_Return);
    ASSERT_NE(f.State().Windows.MeltM.data(), nullptr);
    EXPECT_TRUE(f.State().Windows.MeltM->isVisible());
    delete f.State().Windows.MeltM.data();
}

} // namespace
