// Opening the remembered folder at start-up: the real main window, created and shown the
// way the program starts, on a folder several levels below the drive's root with folders
// beside it on every level. Every reading of a folder is recorded.
#include "browser/ListGeometry.h"
#include "platform/DirReader.h"
#include "tests/browser/MainWindowFixture.h"
#include "ui/CaptionPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QMap>
#include <QTabWidget>
#include <QTreeWidgetItem>
#include <unistd.h>
#include <vector>

using browser::TFileListBoxS;

namespace {

class StartupListing : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        // Beside the path on every level a folder with files (read to know whether it has
        // folders inside) and one with a folder inside.
        dir("a");
        file("a/one.txt", 1);
        dir("a/b");
        file("a/b/two.txt", 1);
        dir("a/b/c");
        dir(kTarget);
        dir("zeta");
        dir("zeta/inner");
        dir("a/many");
        for (int i = 0; i < 40; ++i)
            file("a/many/f" + QString::number(i) + ".txt");
        dir("a/b/side");
        dir("a/b/side/deeper");
        dir("a/b/c/big");
        for (int i = 0; i < 60; ++i)
            file("a/b/c/big/g" + QString::number(i) + ".dat");
        file("top.txt", 1);
        file("a/b/c/here.txt", 2);
        // The remembered folder: files, a folder with a folder inside, an empty folder.
        file(kTarget + "/readme.txt", 1000);
        file(kTarget + "/Notes.TXT", 234);
        file(kTarget + "/tool.exe", 5000);
        file(kTarget + "/picture.bmp", 70);
        file(kTarget + "/.hidden.txt", 6);
        dir(kTarget + "/inner");
        dir(kTarget + "/inner/deep");
        dir(kTarget + "/empty");
        dir(kTarget + "/.cache");
        link("inner", kTarget + "/linked.txt"); // a folder by a name the filter matches
        link("inner/deep", kTarget + "/toDeep");
        link("nowhere", kTarget + "/dangling");
        // Started from inside the remembered folder, as the program is on its first start.
        previousCwd_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(root + "/" + kTarget));
        platform::SetDirReadObserver(
            [this](const platform::DirReadRecord& r) { reads_.push_back(r); });
    }
    void link(const QString& target, const QString& relative) {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                            QFile::encodeName(root + "/" + relative).constData()),
                  0);
    }
    void TearDown() override {
        platform::SetDirReadObserver(nullptr);
        QDir::setCurrent(previousCwd_);
        MainWindowFixture::TearDown();
    }

    // As the program starts: creation, then the window shown in its normal state.
    // resizeBeforeShow stands for a window that changes size between the two.
    TForm1& start(int filterIndex, bool viewerOpen, bool resizeBeforeShow = false) {
        writeSettings("[FormStyle]\r\nViewerStyle=" + QByteArray(viewerOpen ? "1" : "0") +
                      "\r\noldDirPath=" + (root + "/" + kTarget).toUtf8() +
                      "\r\nFilterCBox=" + QByteArray::number(filterIndex) + "\r\n");
        form = std::make_unique<TForm1>();
        if (resizeBeforeShow)
            form->resize(700, 520);
        form->setWindowState(Qt::WindowNoState);
        form->show();
        QApplication::setActiveWindow(form.get());
        QApplication::processEvents();
        platform::SetDirReadObserver(nullptr);
        return *form;
    }

    // The readings of a folder given relative to the drive ("" for the drive itself);
    // a reading of the current directory counts for the remembered folder.
    struct Readings {
        int listings = 0; // with a stat of its files
        int byType = 0;   // by entry type only
    };
    QMap<QString, Readings> readings() const {
        QMap<QString, Readings> out;
        for (const platform::DirReadRecord& r : reads_) {
            QString path = r.dir.isEmpty() ? root + "/" + kTarget : QFile::decodeName(r.dir);
            while (path.size() > 1 && path.endsWith('/'))
                path.chop(1);
            QString rel = path == root ? QString() : path.mid(root.size() + 1);
            if (!path.startsWith(root))
                rel = "outside:" + path;
            Readings& k = out[rel];
            if (r.stats > 0)
                ++k.listings;
            else
                ++k.byType;
        }
        return out;
    }
    bool typesKnown() const {
        platform::DirReader reader;
        if (reader.open(QFile::encodeName(root + "/" + kTarget)) != 0)
            return false;
        platform::RawEntry e;
        while (reader.next(e))
            if (e.type == platform::EntryType::Unknown)
                return false;
        return true;
    }

    const QString kTarget = QStringLiteral("a/b/c/target");
    std::vector<platform::DirReadRecord> reads_;
    QString previousCwd_;
};

// The rows fill the height the list has once the window is shown.
int filledItemHeight(const TFileListBoxS* list) {
    const auto change = browser::ComputeGyou(list->height(), list->ScrollBarHeight(), list->Gyou());
    return change ? change->itemHeight : -1;
}

QStringList expandedNodes(const TDirTreeViewS* tree) {
    QStringList out;
    for (QTreeWidgetItemIterator it(const_cast<TDirTreeViewS*>(tree)); *it; ++it)
        if ((*it)->isExpanded())
            out << TDirTreeViewS::NodeName(*it);
    return out;
}

TEST_F(StartupListing, RememberedFolderIsListedOnceAndTheWindowEndsAsBefore) {
    TForm1& f = start(4, true); // " テキスト (*.TXT)|*.txt"
    const auto r = readings();
    // The remembered folder is read once (it is also the current directory, which the
    // filter's mask alone would list, and the tree wants its subfolders), the folders
    // above it are not listed.
    EXPECT_EQ(r.value(kTarget).listings, 1);
    EXPECT_EQ(r.value(kTarget).byType, 0);
    for (const QString& above : {QString(), QString("a"), QString("a/b"), QString("a/b/c")})
        EXPECT_EQ(r.value(above).listings, 0) << above.toStdString();
    // The tree reads every folder it shows (to know which have folders inside) once, by
    // entry type alone, also the one beside the path that is full of files.
    if (typesKnown()) {
        for (auto it = r.begin(); it != r.end(); ++it) {
            if (it.key() != kTarget) {
                EXPECT_EQ(it->listings, 0) << it.key().toStdString();
            }
            EXPECT_LE(it->byType, 1) << it.key().toStdString();
        }
        EXPECT_EQ(r.value(kTarget + "/linked.txt").byType, 1);
        EXPECT_EQ(r.value("a/b/c/big").byType, 1);
        EXPECT_EQ(r.value("a/many").byType, 1);
    }

    // Where the window ends: as when every step of the walk listed its folder.
    browser::FilePanel& p = f.Files();
    const QString target = root + "/" + kTarget;
    EXPECT_EQ(p.DirList2->GetSelectedPath(), target);
    EXPECT_EQ(expandedNodes(p.DirList2), QStringList({"", "a", "b", "c", "target"}));
    // Its subfolders as the tree reads them itself.
    QStringList children;
    for (int i = 0; i < p.DirList2->currentItem()->childCount(); ++i)
        children << TDirTreeViewS::NodeName(p.DirList2->currentItem()->child(i));
    EXPECT_EQ(children, QStringList({"empty", "inner", "linked.txt", "toDeep"}));
    EXPECT_EQ(children, TDirTreeViewS::SubdirNames(target));
    EXPECT_EQ(names(p.ListBox1), QStringList({".hidden.txt", "Notes.TXT", "readme.txt"}));
    EXPECT_EQ(p.ListBox1->Directory(), target);
    EXPECT_EQ(p.ListBox1->Mask(), "*.txt");
    EXPECT_EQ(p.ListBox1->ItemIndex(), -1);
    EXPECT_EQ(p.ListBox1->TopIndex(), 0);
    EXPECT_EQ(p.ListBox1->Gyou(), 6);
    EXPECT_EQ(p.ListBox1->ItemHeight(), filledItemHeight(p.ListBox1));
    EXPECT_EQ(p.PanelL->caption(), target);
    EXPECT_EQ(p.PanelL->toolTip(), target);
    EXPECT_EQ(p.PanelR->caption(), " Total Files = 3 ,Size = 1,240 Bytes");
    EXPECT_EQ(p.CountLabel->text(), " ﾌｧｲﾙ合計 : 3 ");
    EXPECT_EQ(p.DriveComboBox1->currentData().toString(), root);
    EXPECT_EQ(p.FilterComboBox1->currentIndex(), 4);
    EXPECT_EQ(p.PageControl->currentWidget(), p.TabSheet1);
    EXPECT_EQ(QApplication::focusWidget(), p.DirList2);
    EXPECT_TRUE(responder.calls().isEmpty());

    // Later showings walk to the remembered folder again, which lists it afresh.
    file(kTarget + "/later.txt", 5);
    f.hide();
    f.show();
    QApplication::processEvents();
    EXPECT_EQ(names(p.ListBox1),
              QStringList({".hidden.txt", "later.txt", "Notes.TXT", "readme.txt"}));
    EXPECT_EQ(p.CountLabel->text(), " ﾌｧｲﾙ合計 : 4 ");
}

TEST_F(StartupListing, AWindowResizedBeforeItShowsGetsRowsOfItsNewHeight) {
    TForm1& f = start(1, true, true); // all files
    EXPECT_EQ(readings().value(kTarget).listings, 1);
    browser::FilePanel& p = f.Files();
    // The dangling link is a file to the list.
    EXPECT_EQ(names(p.ListBox1), QStringList({".hidden.txt", "dangling", "Notes.TXT", "picture.bmp",
                                              "readme.txt", "tool.exe"}));
    EXPECT_EQ(p.ListBox1->Gyou(), 6);
    EXPECT_EQ(p.ListBox1->ItemHeight(), filledItemHeight(p.ListBox1));
    EXPECT_EQ(p.PanelR->caption(), " Total Files = 6 ,Size = 6,317 Bytes");
    EXPECT_EQ(p.CountLabel->text(), " ﾌｧｲﾙ合計 : 6 ");
}

TEST_F(StartupListing, WithTheViewerClosedTheListHoldsTheCurrentDirectoryWithTheFilter) {
    TForm1& f = start(4, false);
    const auto r = readings();
    EXPECT_EQ(r.value(kTarget).listings, 1);
    EXPECT_EQ(r.size(), 1); // the tree is not opened
    browser::FilePanel& p = f.Files();
    EXPECT_EQ(p.DirList2->topLevelItemCount(), 0);
    EXPECT_EQ(names(p.ListBox1), QStringList({".hidden.txt", "Notes.TXT", "readme.txt"}));
    EXPECT_EQ(p.ListBox1->Directory(), "");
    EXPECT_EQ(p.ListBox1->FileCount(), 3);
    EXPECT_EQ(p.ListBox1->Mask(), "*.txt");
    EXPECT_EQ(p.PanelR->caption(), "");
    EXPECT_EQ(p.CountLabel->text(), "");
}

// A listing that is asked to tells the subfolders it met as the tree would find them:
// folders and links to folders, whatever the mask, without dot-names.
TEST(ListingSeesSubfolders, AsTheTreeReadsThem) {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    const QByteArray b = QFile::encodeName(d);
    for (const char* name : {"/Sub", "/Sub/x", "/other.txt", "/.dot"})
        ASSERT_TRUE(testutil::makeDir(b + name));
    ASSERT_TRUE(testutil::makeFile(b + "/a.txt", 4));
    ASSERT_TRUE(testutil::makeFile(b + "/b.dat", 4));
    ASSERT_EQ(::symlink("Sub", (b + "/toSub").constData()), 0);
    ASSERT_EQ(::symlink("Sub", (b + "/linked.txt").constData()), 0);
    ASSERT_EQ(::symlink("a.txt", (b + "/file.txt").constData()), 0);
    ASSERT_EQ(::symlink("gone", (b + "/gone.txt").constData()), 0);
    ASSERT_TRUE(testutil::makeFile(b + "/" + QByteArray("\xff\x01name"), 1));
    ASSERT_TRUE(testutil::makeDir(b + "/" + QByteArray("dir\xfe")));

    browser::TFileInfoList info;
    info.SetMask("*.txt");
    browser::SeenSubdirs seen;
    info.SetDirectory(d, &seen);
    EXPECT_TRUE(seen.complete);
    QSet<QString> links;
    const QStringList expected = TDirTreeViewS::SubdirNames(d, &links);
    TDirTreeViewS::SortSubdirNames(seen.names);
    EXPECT_EQ(seen.names, expected);
    EXPECT_EQ(seen.links, links);
    EXPECT_EQ(seen.links, QSet<QString>({"toSub", "linked.txt"}));
    EXPECT_EQ(expected.size(), 5); // Sub, other.txt, toSub, linked.txt, dir\xfe
    // The files are those of the mask, as without being asked.
    QStringList files;
    for (int i = 0; i < info.Count(); ++i)
        files << info.Item(i)->Name();
    EXPECT_EQ(files, QStringList({"a.txt", "file.txt", "gone.txt"}));

    browser::SeenSubdirs none;
    info.SetDirectory(d + "/missing", &none);
    EXPECT_FALSE(none.complete);
    EXPECT_TRUE(none.names.isEmpty());
}

} // namespace
