#include "BrowserTestUtil.h"
#include "browser/FileListAccessible.h"
#include "browser/FileListBox.h"

#include <QAccessibleEvent>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

using namespace browser;
using namespace testutil;

namespace {

struct Seen {
    QAccessible::Event type;
    int child;
};
std::vector<Seen>* g_seen = nullptr;

void Record(QAccessibleEvent* e) {
    if (g_seen)
        g_seen->push_back({e->type(), e->child()});
}

void Unlink(const QTemporaryDir& dir, const char* name) {
    ::unlink((bytesOf(dir) + '/' + name).constData());
}

// A shown list of a folder holding names that are not plain: a Shift-JIS name, a line
// break, and the events recorded instead of sent.
class FileListAccessibleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const QByteArray base = bytesOf(dir) + '/';
        ASSERT_TRUE(makeFile(base + "a.txt", 6, 1709644020));
        ASSERT_TRUE(makeFile(base + "b\nc.txt", 12345, 915246245));
        ASSERT_TRUE(makeFile(base + "\x83\x65\x83\x58\x83\x67.txt", 3, 1704067198));
        seen.clear();
        g_seen = &seen;
        SetAccessibleEventSink(Record);
        list.resize(400, 300);
        list.show();
        QApplication::setActiveWindow(&list);
        list.setFocus();
        list.SetDirectory(dir.path());
        iface = QAccessible::queryAccessibleInterface(&list);
        ASSERT_TRUE(iface);
    }
    void TearDown() override {
        SetAccessibleEventSink({});
        g_seen = nullptr;
        // QDir cannot remove a name that is not UTF-8.
        Unlink(dir, "\x83\x65\x83\x58\x83\x67.txt");
    }
    bool saw(QAccessible::Event type, int child) const {
        for (const Seen& s : seen)
            if (s.type == type && s.child == child)
                return true;
        return false;
    }

    QTemporaryDir dir;
    TFileListBoxS list;
    QAccessibleInterface* iface = nullptr;
    std::vector<Seen> seen;
};

} // namespace

TEST_F(FileListAccessibleTest, ItemsAreNamedAndDescribedAsShown) {
    EXPECT_EQ(iface->role(), QAccessible::List);
    EXPECT_EQ(iface->text(QAccessible::Description), dir.path());
    ASSERT_EQ(iface->childCount(), 3);
    // Sorted by the name's bytes: the Shift-JIS name comes last.
    const QStringList names{QStringLiteral("a.txt"), QStringLiteral("b\nc.txt"),
                            QStringLiteral("テスト.txt")};
    for (int row = 0; row < 3; ++row) {
        QAccessibleInterface* item = iface->child(row);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->role(), QAccessible::ListItem);
        EXPECT_EQ(item->text(QAccessible::Name), names[row]);
        const TFileInfo* r = list.Record(row);
        EXPECT_EQ(item->text(QAccessible::Description),
                  FormatSize(r->Size) + QStringLiteral(" Bytes , ") + FormatFileTime(r->Time));
        EXPECT_EQ(iface->indexOfChild(item), row);
        EXPECT_EQ(item->parent(), iface);
        EXPECT_EQ(iface->child(row), item); // kept, not made again
        EXPECT_EQ(item->rect().size(), list.ItemRect(row).size());
        EXPECT_EQ(iface->childAt(item->rect().center().x(), item->rect().center().y()), item);
    }
    EXPECT_EQ(iface->child(1)->text(QAccessible::Description),
              QStringLiteral("12,345 Bytes , ") + FormatFileTime(list.Record(1)->Time));
    EXPECT_FALSE(iface->child(3));
    EXPECT_FALSE(iface->child(-1));
}

TEST_F(FileListAccessibleTest, StatesAndEventsFollowTheKeyboard) {
    list.SetItemIndex(0);
    EXPECT_TRUE(saw(QAccessible::Focus, 0));
    EXPECT_TRUE(saw(QAccessible::SelectionAdd, 0));
    QAccessibleInterface* first = iface->child(0);
    QAccessibleInterface* second = iface->child(1);
    EXPECT_TRUE(first->state().selected);
    EXPECT_TRUE(first->state().focused);
    EXPECT_FALSE(first->state().offscreen);
    EXPECT_EQ(iface->focusChild(), first);
    seen.clear();
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_TRUE(saw(QAccessible::Focus, 1));
    EXPECT_TRUE(saw(QAccessible::SelectionRemove, 0));
    EXPECT_TRUE(saw(QAccessible::SelectionAdd, 1));
    EXPECT_FALSE(first->state().focused);
    EXPECT_FALSE(first->state().selected);
    EXPECT_TRUE(second->state().focused);
    EXPECT_TRUE(second->state().selected);
}

TEST_F(FileListAccessibleTest, ANewFolderDropsTheItems) {
    QAccessibleInterface* item = iface->child(2);
    const QAccessible::Id id = QAccessible::uniqueId(item);
    seen.clear();
    list.SetDirectory(dir.path()); // listed again: every row may be another file
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
    EXPECT_TRUE(saw(QAccessible::TableModelChanged, -1));
    EXPECT_TRUE(saw(QAccessible::DescriptionChanged, -1));
    // One row gone: the items from it on are dropped, those before it kept.
    QAccessibleInterface* kept = iface->child(0);
    const QAccessible::Id later = QAccessible::uniqueId(iface->child(2));
    list.DeleteItem(1);
    EXPECT_EQ(iface->child(0), kept);
    EXPECT_EQ(QAccessible::accessibleInterface(later), nullptr);
    EXPECT_EQ(iface->childCount(), 2);
    EXPECT_EQ(iface->child(1)->text(QAccessible::Name), QStringLiteral("テスト.txt"));
}

TEST_F(FileListAccessibleTest, ActionsClickAsTheMouseDoes) {
    QAccessibleInterface* item = iface->child(2);
    QAccessibleActionInterface* actions = item->actionInterface();
    ASSERT_TRUE(actions);
    EXPECT_EQ(actions->actionNames(),
              (QStringList{QStringLiteral("activate"), QStringLiteral("select")}));
    actions->doAction(QStringLiteral("select"));
    EXPECT_EQ(list.ItemIndex(), -1); // after the reader's call returns
    QCoreApplication::processEvents();
    EXPECT_EQ(list.ItemIndex(), 2);
    QSignalSpy doubled(&list, &QAbstractItemView::doubleClicked);
    iface->child(0)->actionInterface()->doAction(QStringLiteral("activate"));
    QCoreApplication::processEvents();
    EXPECT_EQ(list.ItemIndex(), 0);
    ASSERT_EQ(doubled.count(), 1);
    EXPECT_EQ(doubled.at(0).at(0).value<QModelIndex>().row(), 0);
    // A list nobody can see takes no clicks.
    list.hide();
    EXPECT_TRUE(item->actionInterface()->actionNames().isEmpty());
    EXPECT_FALSE(RunItemAction(&list, 2, QStringLiteral("select")));
    EXPECT_TRUE(item->state().invisible);
}
