#include "BrowserTestUtil.h"
#include "browser/FileListBox.h"
#include "browser/SearchProgressWindow.h"
#include "platform/FsName.h"
#include "ui/ScreenMetrics.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace browser;
using namespace testutil;

namespace {

// The metrics the row arithmetic was worked out with: a 16-pixel scroll bar and a
// 2-pixel frame, so the usable height is the viewport's height.
class ClassicMetrics : public QProxyStyle {
public:
    int pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const override {
        if (m == PM_ScrollBarExtent)
            return 16;
        if (m == PM_DefaultFrameWidth)
            return 2;
        return QProxyStyle::pixelMetric(m, o, w);
    }
};

QStringList shown(const TFileListBoxS& list) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i)
        out << list.ItemText(i);
    return out;
}

} // namespace

TEST(ComputeGyou, WorkedNumbers) {
    auto g = ComputeGyou(300, 16, 6); // usable 280
    ASSERT_TRUE(g);
    EXPECT_EQ(g->gyou, 6);
    EXPECT_EQ(g->itemHeight, 46);
    g = ComputeGyou(300, 16, 7); // h = 40 exactly: as many 40-pixel rows as fit
    ASSERT_TRUE(g);
    EXPECT_EQ(g->gyou, 7);
    EXPECT_EQ(g->itemHeight, 40);
    g = ComputeGyou(300, 16, 8); // h = 35: 7 rows of 40
    ASSERT_TRUE(g);
    EXPECT_EQ(g->gyou, 7);
    EXPECT_EQ(g->itemHeight, 40);
    EXPECT_FALSE(ComputeGyou(300, 16, 0));
    EXPECT_FALSE(ComputeGyou(300, 16, -3));
    EXPECT_FALSE(ComputeGyou(20, 16, 1)); // lower than the scroll bar plus 4
    EXPECT_FALSE(ComputeGyou(59, 16, 1)); // usable 39: no 40-pixel row fits
    g = ComputeGyou(60, 16, 1);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->itemHeight, 40);
}

TEST(ColumnLayout, ItemsFlowDownThenToTheNextColumn) {
    ColumnLayout l;
    l.viewportWidth = 387;
    l.viewportHeight = 130;
    l.itemHeight = 60;
    l.columns = 2;
    l.count = 5;
    EXPECT_EQ(l.rowsPerColumn(), 2);
    EXPECT_EQ(l.columnWidth(), 193);
    EXPECT_EQ(l.itemRect(0), QRect(0, 0, 193, 60));
    EXPECT_EQ(l.itemRect(1), QRect(0, 60, 193, 60));
    EXPECT_EQ(l.itemRect(3), QRect(193, 60, 193, 60));
    EXPECT_EQ(l.itemAt(QPoint(200, 70)), 3);
    EXPECT_EQ(l.itemAt(QPoint(10, 125)), -1); // below the last row
    EXPECT_EQ(l.itemAt(QPoint(200, 0)), 2);
    EXPECT_EQ(l.totalColumns(), 3);
    EXPECT_EQ(l.maxFirstColumn(), 1);
    l.firstColumn = 1;
    EXPECT_EQ(l.topIndex(), 2);
    EXPECT_EQ(l.itemAt(QPoint(200, 70)), -1); // column 2 holds only item 4
    EXPECT_EQ(l.itemAt(QPoint(200, 10)), 4);
}

class FileListBox : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        base = bytesOf(tmp) + "/";
    }
    QTemporaryDir tmp;
    QByteArray base;
};

TEST_F(FileListBox, SetGyouUsesTheWorkedNumbersAndKeepsTheSelection) {
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(makeFile(base + "f" + QByteArray::number(100 + i)));
    ClassicMetrics style;
    TFileListBoxS list;
    list.setStyle(&style);
    list.resize(150, 300);
    list.show();
    list.SetDirectory(tmp.path());
    EXPECT_EQ(list.Gyou(), 6);
    EXPECT_EQ(list.ItemHeight(), 40);
    list.SetItemIndex(20);

    list.SetGyou(6);
    EXPECT_EQ(list.Gyou(), 6);
    EXPECT_EQ(list.ItemHeight(), 46);
    EXPECT_EQ(list.RowsPerColumn(), 6); // the rows fill the visible height
    EXPECT_EQ(list.ItemIndex(), 20);
    EXPECT_EQ(list.TopIndex(), 18); // the column of item 20 is the first one shown

    list.SetGyou(8);
    EXPECT_EQ(list.Gyou(), 7);
    EXPECT_EQ(list.ItemHeight(), 40);
    EXPECT_EQ(list.RowsPerColumn(), 7);
    EXPECT_EQ(list.ItemIndex(), 20);

    list.resize(150, 19); // lower than the scroll bar plus 4: ignored
    list.SetGyou(3);
    EXPECT_EQ(list.Gyou(), 7);
    EXPECT_EQ(list.ItemHeight(), 40);
    list.setStyle(nullptr);
}

TEST_F(FileListBox, DirectionHiddenFilesCountersAndTexts) {
    ASSERT_TRUE(makeFile(base + "small.txt", 1, 900000000));
    ASSERT_TRUE(makeFile(base + "a.txt", 50));
    ASSERT_TRUE(makeFile(base + "B.txt", 50));
    ASSERT_TRUE(makeFile(base + "big.iso", 5LL * 1024 * 1024 * 1024));
    ASSERT_TRUE(makeFile(base + ".profile", 7));
    ASSERT_EQ(::mkfifo((base + ".fifo").constData(), 0644), 0);

    TFileListBoxS list;
    int changes = 0;
    list.OnChange = [&](TFileListBoxS* sender) {
        EXPECT_EQ(sender, &list);
        ++changes;
    };
    list.SetDirectory(tmp.path());
    EXPECT_EQ(changes, 1);
    list.SetSortOrder(soSize);
    EXPECT_EQ(shown(list),
              QStringList({".fifo", "small.txt", ".profile", "a.txt", "B.txt", "big.iso"}));
    list.SetSortDirection(sdDownword);
    EXPECT_EQ(shown(list),
              QStringList({"big.iso", "B.txt", "a.txt", ".profile", "small.txt", ".fifo"}));
    EXPECT_EQ(changes, 3);
    list.SetSortDirection(sdDownword); // unchanged: no refill
    EXPECT_EQ(changes, 3);

    list.SetShowHiddenSysFile(false);
    EXPECT_EQ(shown(list), QStringList({"big.iso", "B.txt", "a.txt", "small.txt"}));
    EXPECT_EQ(list.FileCount(), 6);
    EXPECT_EQ(list.TotalSize(), 5LL * 1024 * 1024 * 1024 + 108);

    EXPECT_EQ(list.GetSelectedPath(), "");
    EXPECT_EQ(list.GetSelectedSize(), "");
    EXPECT_EQ(list.GetItemPath(-1), "");
    list.SetItemIndex(0);
    EXPECT_EQ(list.GetSelectedPath(), tmp.path() + "/big.iso");
    EXPECT_EQ(list.GetSelectedSize(), "5,368,709,120");
    EXPECT_EQ(list.GetSelectedAttr(), "A");
    list.SetItemIndex(3);
    EXPECT_EQ(list.GetSelectedDate(), FormatFileTime(PackedFileTime(900000000)));
    EXPECT_EQ(list.GetItemPath(1), tmp.path() + "/B.txt");
    EXPECT_EQ(list.Record(1)->Size, 50);

    list.SetDirectory(""); // ignored
    EXPECT_EQ(list.Directory(), tmp.path());
    EXPECT_EQ(list.Count(), 4);

    list.AdjustFileCount(0);
    EXPECT_EQ(list.FileCount(), 6);
    list.AdjustFileCount(-5);
    EXPECT_EQ(list.FileCount(), 1);
    list.AdjustFileCount(-1);
    EXPECT_EQ(list.FileCount(), 0);
    list.AdjustFileCount(-1);
    EXPECT_EQ(list.FileCount(), 0);
    list.AdjustTotalSize(-5LL * 1024 * 1024 * 1024);
    EXPECT_EQ(list.TotalSize(), 108);
    list.AdjustTotalSize(-1000);
    EXPECT_EQ(list.TotalSize(), 0);

    list.SetMask("*.iso");
    EXPECT_EQ(shown(list), QStringList({"big.iso"}));
    EXPECT_EQ(list.FileCount(), 1);
}

TEST_F(FileListBox, ShowsShiftJisNamesDecodedAndDrawsThroughTheOwner) {
    const QByteArray sjis("\x83\x81\x83\x82.txt");
    ASSERT_TRUE(makeFile(base + sjis, 3));
    ASSERT_TRUE(makeFile(base + "b.txt"));
    TFileListBoxS list;
    list.resize(300, 200);
    list.SetDirectory(tmp.path());
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Model()->index(1).data().toString(), QString("メモ.txt"));
    EXPECT_EQ(platform::toFsBytes(list.GetItemPath(1)), base + sjis);

    QStringList painted;
    list.OnDrawItem = [&](TFileListBoxS& l, QPainter& p, int index, const QRect& rect,
                          bool selected) {
        painted << QString("%1:%2:%3").arg(index).arg(selected).arg(l.Record(index)->DisplayName());
        EXPECT_EQ(rect, l.ItemRect(index));
        EXPECT_EQ(p.font(), l.font());
    };
    list.SetItemIndex(1);
    QImage image(list.viewport()->size(), QImage::Format_ARGB32);
    list.viewport()->render(&image);
    EXPECT_EQ(painted, QStringList({"0:0:b.txt", "1:1:メモ.txt"}));
    ::unlink((base + sjis).constData());
}

TEST_F(FileListBox, SearchTreeShowsItsProgressWindowAndListsTheSubtree) {
    ASSERT_TRUE(makeFile(base + "Readme.exe"));
    for (int i = 0; i < 5; ++i) {
        const QByteArray d = base + "dir" + QByteArray::number(i);
        ASSERT_TRUE(makeDir(d));
        ASSERT_TRUE(makeFile(d + "/R" + QByteArray::number(i) + ".EXE"));
        ASSERT_TRUE(makeFile(d + "/other.txt"));
    }
    ASSERT_TRUE(makeDir(base + ".git"));
    ASSERT_TRUE(makeFile(base + ".git/Rx.exe"));

    ui::SetScreenMetricsSource([] { return ui::ScreenMetrics{1280, 1024, 20, 2}; });
    TFileListBoxS list;
    list.SetSortOrder(soDirectory);
    list.SetMask("R*.exe");
    list.InfoList().SetEventInterval(0); // let events run after every subdirectory
    int seen = 0;
    QString caption, pathText, countText;
    QColor background, pathColour, countColour;
    QRect geometry;
    QFont pathFont, countFont;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<SearchProgressWindow*>(w);
            if (!window || !window->isVisible())
                continue;
            ++seen;
            caption = window->windowTitle();
            background = window->palette().color(QPalette::Window);
            geometry = QRect(window->pos(), window->size()); // frame position, client size
            pathText = window->PathLabel()->text();
            countText = window->CountLabel()->text();
            pathColour = window->PathLabel()->palette().color(QPalette::WindowText);
            countColour = window->CountLabel()->palette().color(QPalette::WindowText);
            pathFont = window->PathLabel()->font();
            countFont = window->CountLabel()->font();
        }
    });
    probe.start(0);
    list.SearchTree(tmp.path());
    probe.stop();

    EXPECT_EQ(shown(list),
              QStringList({"Readme.exe", "R0.EXE", "R1.EXE", "R2.EXE", "R3.EXE", "R4.EXE"}));
    EXPECT_EQ(list.FileCount(), 6);
    EXPECT_EQ(list.GetItemPath(3), tmp.path() + "/dir2/R2.EXE");
    EXPECT_FALSE(list.IsSearching());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<SearchProgressWindow*>(w), nullptr); // gone afterwards

    ASSERT_GT(seen, 0);
    EXPECT_EQ(caption, SearchProgressWindow::kCaption);
    EXPECT_EQ(background, QColor(0, 255, 255));
    ui::SetScreenMetricsSource(nullptr);
    EXPECT_EQ(geometry, QRect(320, 384, 640, 256)); // half by a quarter of the screen, centred
    EXPECT_TRUE(pathText.startsWith(tmp.path() + "/dir")) << pathText.toStdString();
    EXPECT_TRUE(countText.startsWith(SearchProgressWindow::kCountPrefix));
    EXPECT_EQ(pathColour, QColor(0, 0, 255));
    EXPECT_EQ(countColour, QColor(255, 0, 0));
    EXPECT_EQ(pathFont.pixelSize(), 14);
    EXPECT_EQ(countFont.pixelSize(), 16);
    EXPECT_TRUE(countFont.fixedPitch());
}

// Page and end keys move the selection like an arrow key does: selected, scrolled into
// view, and the arrows keep working from there. 50 items, 4 rows of 3 visible columns.
TEST_F(FileListBox, PageAndEndKeysMoveTheSelectionIntoView) {
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(makeFile(base + "f" + QByteArray::number(100 + i)));
    ClassicMetrics style;
    TFileListBoxS list;
    list.setStyle(&style);
    list.SetColumns(3);
    list.resize(300, 180);
    list.show();
    list.SetDirectory(tmp.path());
    list.SetGyou(4);
    ASSERT_EQ(list.RowsPerColumn(), 4);
    list.setFocus();
    list.SetItemIndex(1);
    const auto visible = [&list](int index) {
        return list.viewport()->rect().contains(list.ItemRect(index));
    };
    const auto press = [&list](Qt::Key key) { QTest::keyClick(&list, key); };

    press(Qt::Key_PageDown); // a page: 3 columns of 4 rows
    EXPECT_EQ(list.ItemIndex(), 13);
    EXPECT_TRUE(visible(13));
    press(Qt::Key_Down);
    EXPECT_EQ(list.ItemIndex(), 14);

    press(Qt::Key_End);
    EXPECT_EQ(list.ItemIndex(), 49);
    EXPECT_TRUE(visible(49));
    press(Qt::Key_Up);
    EXPECT_EQ(list.ItemIndex(), 48);
    EXPECT_TRUE(visible(48));
    press(Qt::Key_PageDown); // past the end: the last item
    EXPECT_EQ(list.ItemIndex(), 49);

    press(Qt::Key_PageUp);
    EXPECT_EQ(list.ItemIndex(), 37);
    EXPECT_TRUE(visible(37));
    press(Qt::Key_Left);
    EXPECT_EQ(list.ItemIndex(), 33);

    press(Qt::Key_Home);
    EXPECT_EQ(list.ItemIndex(), 0);
    EXPECT_TRUE(visible(0));
    EXPECT_EQ(list.TopIndex(), 0);
    press(Qt::Key_PageUp); // before the start: the first item
    EXPECT_EQ(list.ItemIndex(), 0);
    press(Qt::Key_Right);
    EXPECT_EQ(list.ItemIndex(), 4);
    press(Qt::Key_Right);
    press(Qt::Key_Right); // into the fourth column, not shown until now
    EXPECT_EQ(list.ItemIndex(), 12);
    EXPECT_TRUE(visible(12));
    list.setStyle(nullptr);
}
