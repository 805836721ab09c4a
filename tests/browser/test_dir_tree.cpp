#include "TreeTestFolders.h"
#include "browser/DirTreeViewS.h"
#include "platform/DirReader.h"
#include "platform/Drives.h"
#include "platform/FsName.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

using treetest::makeDir;

namespace {

QStringList childTexts(const QTreeWidgetItem* node) {
    QStringList out;
    for (int i = 0; i < node->childCount(); ++i)
        out.append(node->child(i)->text(0));
    return out;
}

bool makeFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

QTreeWidgetItem* childNamed(const QTreeWidgetItem* node, const QString& text) {
    for (int i = 0; node && i < node->childCount(); ++i) {
        if (node->child(i)->text(0) == text)
            return node->child(i);
    }
    return nullptr;
}

// Two drives made of temporary folders:
//   A: Alpha/Beta/Gamma/Delta, Alpha/Beta2, apple, Banana, cherry, .git/objects,
//      a file, and linkToAlpha -> Alpha
//   B: Alpha/Beta, other
class DirTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        a = tmp.path() + "/A";
        b = tmp.path() + "/B";
        for (const char* d :
             {"", "/Alpha", "/Alpha/Beta", "/Alpha/Beta/Gamma", "/Alpha/Beta/Gamma/Delta",
              "/Alpha/Beta2", "/apple", "/Banana", "/cherry", "/.git", "/.git/objects"})
            ASSERT_TRUE(makeDir(a + d));
        for (const char* d : {"", "/Alpha", "/Alpha/Beta", "/other"})
            ASSERT_TRUE(makeDir(b + d));
        QFile f(a + "/file.txt");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(::symlink("Alpha", QFile::encodeName(a + "/linkToAlpha").constData()), 0);
        platform::SetDriveSource([this] { return QStringList{"/", a, b}; });
        tree.OnChange = [this](TDirTreeViewS*, const QString& path) { changes.append(path); };
    }
    void TearDown() override { platform::SetDriveSource(nullptr); }

    QTemporaryDir tmp;
    QString a, b;
    TDirTreeViewS tree;
    QStringList changes;
};

} // namespace

TEST_F(DirTree, RebuildLoadsTwoLevelsAndExpandingLoadsOneMore) {
    tree.SetDrive(a);
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree.FirstNode();
    EXPECT_TRUE(tree.IsDriveNode(root));
    EXPECT_EQ(root->text(0), a);
    // Dot-directories and files are left out; the link to a directory is listed.
    EXPECT_EQ(childTexts(root), QStringList({"Alpha", "apple", "Banana", "cherry", "linkToAlpha"}));
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(changes, QStringList{a + "/"});
    EXPECT_EQ(tree.GetSelectedPath(), a + "/");

    QTreeWidgetItem* alpha = childNamed(root, "Alpha");
    EXPECT_FALSE(alpha->isExpanded());
    // Pictures: the drive, and a folder that opens when selected.
    const QImage drive = root->icon(0).pixmap(16, 16, QIcon::Normal).toImage();
    const QIcon folder = alpha->icon(0);
    EXPECT_FALSE(drive.isNull());
    EXPECT_EQ(root->icon(0).pixmap(16, 16, QIcon::Selected).toImage(), drive);
    EXPECT_NE(folder.pixmap(16, 16, QIcon::Normal).toImage(), drive);
    EXPECT_NE(folder.pixmap(16, 16, QIcon::Selected).toImage(),
              folder.pixmap(16, 16, QIcon::Normal).toImage());
    EXPECT_EQ(childTexts(alpha), QStringList({"Beta", "Beta2"}));
    QTreeWidgetItem* beta = childNamed(alpha, "Beta");
    EXPECT_EQ(beta->childCount(), 0); // not read yet
    EXPECT_EQ(childTexts(childNamed(root, "linkToAlpha")), QStringList({"Beta", "Beta2"}));

    alpha->setExpanded(true);
    EXPECT_EQ(childTexts(beta), QStringList{"Gamma"});
    EXPECT_EQ(childNamed(beta, "Gamma")->childCount(), 0);
    EXPECT_EQ(childNamed(alpha, "Beta2")->childCount(), 0);

    // A subdirectory made later shows under a childless node at its parent's next
    // expansion, and everywhere after a rebuild.
    ASSERT_TRUE(makeDir(a + "/Alpha/Beta2/New"));
    ASSERT_TRUE(makeDir(a + "/apple/Seed"));
    alpha->setExpanded(false);
    alpha->setExpanded(true);
    EXPECT_EQ(childTexts(childNamed(alpha, "Beta2")), QStringList{"New"});
    EXPECT_EQ(childNamed(root, "apple")->childCount(), 0);
    tree.Rebuild();
    EXPECT_EQ(childTexts(childNamed(tree.FirstNode(), "apple")), QStringList{"Seed"});
}

TEST_F(DirTree, PathsRoundTripAndTheWalkReportsWhereItEnds) {
    tree.SetDrive(a);
    changes.clear();
    tree.SelectPath(a + "/Alpha/Beta/Gamma/Delta");
    EXPECT_EQ(tree.GetSelectedPath(), a + "/Alpha/Beta/Gamma/Delta");
    // The folders on the way are selected (and so opened) but not reported: each report
    // lists a folder.
    EXPECT_EQ(changes, QStringList{a + "/Alpha/Beta/Gamma/Delta"});
    EXPECT_TRUE(childNamed(tree.FirstNode(), "Alpha")->isExpanded());
    EXPECT_EQ(tree.FindPathIndex(tree.FirstNode(), a + "/Alpha/Beta/Gamma/Delta"),
              tree.AbsoluteIndex(tree.currentItem()));
    // The same path again passes through its ancestors, so it is reported (the list is
    // read afresh); a folder right below the root that is already selected is not.
    changes.clear();
    tree.SelectPath(a + "/Alpha/Beta/Gamma/Delta");
    EXPECT_EQ(changes, QStringList{a + "/Alpha/Beta/Gamma/Delta"});
    tree.SelectPath(a + "/cherry");
    changes.clear();
    tree.SelectPath(a + "/cherry");
    EXPECT_TRUE(changes.isEmpty());
    // Finding the index walks without that: each selection reports. walks without that: each
    // selection reports.
    tree.SelectNode(tree.FirstNode());
    changes.clear();
    tree.FindPathIndex(tree.FirstNode(), a + "/Alpha/Beta");
    EXPECT_EQ(changes, QStringList({a + "/Alpha", a + "/Alpha/Beta"}));

    // Every node's path leads back to it; the root's selected path ends in "/".
    const int count = tree.NodeCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* node = tree.NodeAt(i);
        const QString path = tree.GetNodePath(node);
        tree.SelectPath(path);
        EXPECT_EQ(tree.currentItem(), node) << path.toStdString();
        if (i == 0)
            EXPECT_EQ(tree.GetSelectedPath(), a + "/");
        else
            EXPECT_EQ(tree.GetSelectedPath(), path);
    }
    tree.SelectPath(a + "/Alpha/Beta");
    tree.SelectPath(a + "/");
    EXPECT_EQ(tree.currentItem(), tree.FirstNode());
    EXPECT_EQ(tree.GetNodePath(nullptr), a + "/");
    EXPECT_EQ(tree.GetNodePath(tree.FirstNode()), a);
    tree.SelectPath(a + "/Alpha/"); // a trailing "/" still names the directory
    EXPECT_EQ(tree.GetSelectedPath(), a + "/Alpha");
}

// The folder a walk ends on learns its subfolders after the report, from the listing made
// in answer when it offers them; else the tree reads the folder itself.
TEST_F(DirTree, TheWalksLastFolderTakesTheSubfoldersItsListingOffers) {
    tree.SetDrive(a);
    bool awaited = false;
    int childrenWhenReported = -1;
    tree.OnChange = [&](TDirTreeViewS*, const QString& path) {
        changes.append(path);
        awaited = tree.AwaitsSubdirsOf(path);
        childrenWhenReported = tree.currentItem()->childCount();
        tree.OfferSubdirs(a + "/Alpha", {"wrong"}, {}); // not the awaited folder
        tree.OfferSubdirs(path, {"seen2", "link", "Seen1"}, {"link"});
    };
    changes.clear();
    tree.SelectPath(a + "/Alpha/Beta");
    EXPECT_EQ(changes, QStringList{a + "/Alpha/Beta"});
    EXPECT_TRUE(awaited);
    EXPECT_EQ(childrenWhenReported, 0);
    QTreeWidgetItem* beta = tree.currentItem();
    EXPECT_EQ(childTexts(beta), QStringList({"link", "Seen1", "seen2"}));
    EXPECT_TRUE(beta->isExpanded());
    EXPECT_FALSE(tree.AwaitsSubdirsOf(a + "/Alpha/Beta"));
    EXPECT_EQ(childTexts(childNamed(tree.FirstNode(), "Alpha")), QStringList({"Beta", "Beta2"}));

    // No offer: the tree reads the folder; nothing is awaited outside a walk's report.
    tree.OnChange = [&](TDirTreeViewS*, const QString& path) {
        changes.append(path);
        awaited = tree.AwaitsSubdirsOf(path);
    };
    changes.clear();
    tree.Rebuild();
    EXPECT_EQ(changes, QStringList{a + "/Alpha/Beta"});
    EXPECT_TRUE(awaited);
    EXPECT_EQ(childTexts(tree.currentItem()), QStringList{"Gamma"});
    EXPECT_TRUE(tree.currentItem()->isExpanded());
    tree.SelectNode(childNamed(tree.FirstNode(), "cherry"));
    EXPECT_FALSE(awaited);
    // A walk that ends on a folder already read reports without waiting.
    tree.SelectPath(a + "/Alpha/Beta2");
    EXPECT_FALSE(awaited);
    EXPECT_EQ(tree.GetSelectedPath(), a + "/Alpha/Beta2");
}

TEST_F(DirTree, NamesMustMatchExactlyElseTheRootIsSelected) {
    tree.SetDrive(a);
    tree.SelectPath(a + "/cherry");
    for (const QString& missing : {a + "/alpha", a + "/Alpha/beta", a + "/.git",
                                   a + "/.git/objects", a + "/gone", a + "/file.txt"}) {
        tree.SelectPath(a + "/cherry");
        tree.SelectPath(missing);
        EXPECT_EQ(tree.currentItem(), tree.FirstNode()) << missing.toStdString();
        EXPECT_EQ(tree.GetSelectedPath(), a + "/");
    }
    EXPECT_EQ(tree.FindPathIndex(tree.FirstNode(), a + "/ALPHA"), 0);
    EXPECT_EQ(tree.FindPathIndex(nullptr, a + "/Alpha"), 0);
    EXPECT_GT(tree.FindPathIndex(tree.FirstNode(), a + "/Alpha"), 0);
}

TEST_F(DirTree, SiblingsFollowTheLocaleCaseInsensitively) {
    const QString c = tmp.path() + "/C";
    ASSERT_TRUE(makeDir(c));
    for (const char* d : {"zulu", "Birne", "banana", "Äpfel", "Apfel", "apple2", "Zebra"})
        ASSERT_TRUE(makeDir(c + "/" + QString::fromUtf8(d)));
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    tree.SetDrive(c);
    QLocale::setDefault(saved);
    // Code-point order would put "Birne" before "banana" and "Äpfel" last.
    EXPECT_EQ(childTexts(tree.FirstNode()),
              QStringList({"Apfel", "Äpfel", "apple2", "banana", "Birne", "Zebra", "zulu"}));
}

TEST_F(DirTree, AnotherDriveKeepsTheRelativeDirectoryWhenItExists) {
    tree.SetDrive(a);
    tree.SelectPath(a + "/Alpha/Beta");
    changes.clear();
    tree.SetDrive(b);
    EXPECT_EQ(tree.Drive(), b);
    EXPECT_EQ(tree.FirstNode()->text(0), b);
    EXPECT_EQ(tree.GetSelectedPath(), b + "/Alpha/Beta");
    // The rebuild and the walk on the fresh tree report once, where they end.
    EXPECT_EQ(changes, QStringList{b + "/Alpha/Beta"});

    // Selecting a path on another drive switches to that drive.
    tree.SelectPath(a + "/cherry");
    EXPECT_EQ(tree.Drive(), a);
    EXPECT_EQ(tree.GetSelectedPath(), a + "/cherry");
    tree.SetDrive(b); // B has no cherry: its root
    EXPECT_EQ(tree.GetSelectedPath(), b + "/");

    // The same root as stored does nothing; the same drive written differently rebuilds.
    ASSERT_TRUE(makeDir(b + "/zz"));
    tree.SetDrive(b);
    EXPECT_EQ(childTexts(tree.FirstNode()), QStringList({"Alpha", "other"}));
    tree.SetDrive(b + "/");
    EXPECT_EQ(tree.Drive(), b);
    EXPECT_EQ(childTexts(tree.FirstNode()), QStringList({"Alpha", "other", "zz"}));
}

TEST_F(DirTree, SuspendedTreeNeitherRebuildsNorReports) {
    tree.SetDrive(a);
    tree.SelectPath(a + "/Alpha");
    changes.clear();
    tree.SetDirSpace(true);
    tree.SetDrive(b);
    tree.Rebuild();
    EXPECT_EQ(tree.FirstNode()->text(0), a);
    tree.SelectNode(childNamed(tree.FirstNode(), "cherry"));
    EXPECT_TRUE(changes.isEmpty());
    tree.SetDirSpace(false); // rebuilds once, on the drive stored meanwhile
    EXPECT_EQ(tree.FirstNode()->text(0), b);
    EXPECT_EQ(changes, QStringList{b + "/"});
}

TEST_F(DirTree, UnreadableDirectoryHasNoChildren) {
    ASSERT_TRUE(makeDir(a + "/cherry/locked"));
    ASSERT_TRUE(makeDir(a + "/cherry/locked/inner"));
    ASSERT_TRUE(makeDir(a + "/cherry/open"));
    ::chmod(QFile::encodeName(tmp.path()).constData(), 0755);
    ::chmod(QFile::encodeName(a + "/cherry/locked").constData(), 0);
    {
        treetest::AsOrdinaryUser user;
        tree.SetDrive(a);
        tree.SelectPath(a + "/cherry");
        QTreeWidgetItem* locked = childNamed(tree.currentItem(), "locked");
        ASSERT_NE(locked, nullptr);
        EXPECT_EQ(locked->childCount(), 0);
        tree.SelectPath(a + "/cherry/locked/inner");
        EXPECT_EQ(tree.GetSelectedPath(), a + "/");
        tree.SelectPath(a + "/cherry/locked");
        EXPECT_EQ(tree.GetSelectedPath(), a + "/cherry/locked");

        // A drive whose root cannot be read shows the root alone.
        tree.SetDrive(a + "/cherry/locked");
        EXPECT_EQ(tree.NodeCount(), 1);
        EXPECT_EQ(tree.GetSelectedPath(), a + "/cherry/locked/");
    }
    ::chmod(QFile::encodeName(a + "/cherry/locked").constData(), 0755);
}

TEST_F(DirTree, SymbolicLinksBackUpwardsEndTheBranch) {
    ASSERT_TRUE(makeDir(a + "/loop"));
    ASSERT_TRUE(makeDir(a + "/loop/real"));
    ASSERT_EQ(::symlink("..", QFile::encodeName(a + "/loop/up").constData()), 0);
    ASSERT_EQ(::symlink(".", QFile::encodeName(a + "/loop/self").constData()), 0);
    ASSERT_EQ(::symlink("../..", QFile::encodeName(a + "/Alpha/Beta2/top").constData()), 0);
    tree.SetDrive(a);
    QTreeWidgetItem* loop = childNamed(tree.FirstNode(), "loop");
    EXPECT_EQ(childTexts(loop), QStringList({"real", "self", "up"}));

    // Expanding everything ends: a link to a folder above it shows but stays closed,
    // while a link elsewhere opens like any folder.
    tree.expandAll();
    EXPECT_EQ(childNamed(loop, "self")->childCount(), 0);
    EXPECT_EQ(childNamed(loop, "up")->childCount(), 0);
    QTreeWidgetItem* beta2 = childNamed(childNamed(tree.FirstNode(), "Alpha"), "Beta2");
    EXPECT_EQ(childNamed(beta2, "top")->childCount(), 0);
    QTreeWidgetItem* viaLink = childNamed(childNamed(tree.FirstNode(), "linkToAlpha"), "Beta");
    EXPECT_EQ(childTexts(childNamed(viaLink, "Gamma")), QStringList{"Delta"});
    EXPECT_LT(tree.NodeCount(), 40);

    tree.SelectPath(a + "/loop/self");
    EXPECT_EQ(tree.GetSelectedPath(), a + "/loop/self");
    tree.SelectPath(a + "/loop/self/real");
    EXPECT_EQ(tree.GetSelectedPath(), a + "/");
    tree.SelectPath(a + "/linkToAlpha/Beta/Gamma/Delta");
    EXPECT_EQ(tree.GetSelectedPath(), a + "/linkToAlpha/Beta/Gamma/Delta");
}

TEST_F(DirTree, ShiftJisDirectoryShowsInJapaneseAndItsPathReachesIt) {
    const QByteArray sjis("\x83\x65\x83\x58\x83\x67"); // テスト in CP932
    const QByteArray dir = platform::toFsBytes(a) + "/" + sjis;
    // QTemporaryDir cannot remove names that are not UTF-8: remove them here.
    struct Cleanup {
        QByteArray dir;
        ~Cleanup() {
            ::rmdir((dir + "/sub").constData());
            ::rmdir(dir.constData());
        }
    } cleanup{dir};
    ASSERT_TRUE(makeDir(dir));
    ASSERT_TRUE(makeDir(dir + "/sub"));
    tree.SetDrive(a);
    QTreeWidgetItem* node = childNamed(tree.FirstNode(), QString("テスト"));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(childTexts(node), QStringList{"sub"});
    const QString path = tree.GetNodePath(node);
    EXPECT_EQ(platform::toFsBytes(path), dir);
    EXPECT_TRUE(treetest::isDirectory(platform::toFsBytes(path)));
    tree.SelectPath(path + "/sub");
    EXPECT_EQ(platform::toFsBytes(tree.GetSelectedPath()), dir + "/sub");
    EXPECT_EQ(tree.currentItem()->parent(), node);
}

TEST_F(DirTree, WithoutDriveNodeTheRootDirectoriesAreTopLevel) {
    tree.SetShowDrive(false);
    tree.SetDrive(a);
    EXPECT_EQ(tree.topLevelItemCount(), 5);
    EXPECT_EQ(tree.FirstNode()->text(0), QString("Alpha"));
    EXPECT_EQ(tree.GetNodePath(tree.FirstNode()), a + "/Alpha");
    tree.SelectPath(a + "/Alpha/Beta/Gamma");
    EXPECT_EQ(tree.GetSelectedPath(), a + "/Alpha/Beta/Gamma");
    tree.SetShowDrive(true);
    EXPECT_TRUE(tree.IsDriveNode(tree.FirstNode()));
    EXPECT_EQ(tree.GetSelectedPath(), a + "/Alpha/Beta/Gamma");
}

TEST_F(DirTree, ClicksReportTheSelectedPathDoubleClickOnlyOnLeaves) {
    QStringList clicks, doubles;
    tree.OnClick = [&](TDirTreeViewS*, const QString& p) { clicks.append(p); };
    tree.OnDblClick = [&](TDirTreeViewS*, const QString& p) { doubles.append(p); };
    tree.resize(300, 400);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    tree.SetDrive(a);
    tree.SelectPath(a + "/Alpha");
    QTreeWidgetItem* alpha = tree.currentItem();
    alpha->setExpanded(false);
    QTreeWidgetItem* cherry = childNamed(tree.FirstNode(), "cherry");

    const QPoint cherryAt = tree.visualItemRect(cherry).center();
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, cherryAt);
    EXPECT_EQ(clicks, QStringList{a + "/cherry"});
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, cherryAt);
    EXPECT_EQ(doubles, QStringList{a + "/cherry"});

    const QPoint alphaAt = tree.visualItemRect(alpha).center();
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, alphaAt);
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, alphaAt);
    EXPECT_EQ(doubles, QStringList{a + "/cherry"});
    EXPECT_EQ(clicks.last(), a + "/Alpha");
}

// A listed drive can lie inside another (home under "/", a stick under /media). The tree
// shows the drive it was given: a refresh or a drive change keeps it even when the
// selected folder lies in such an inner drive.
TEST_F(DirTree, InnerDrivesDoNotTakeOverTheShownDrive) {
    const QString inner = a + "/Alpha";
    platform::SetDriveSource([&] { return QStringList{"/", a, b, inner}; });
    tree.SetDrive(a);
    tree.SelectPath(a + "/Alpha/Beta");
    EXPECT_EQ(tree.Drive(), a);
    tree.Rebuild(); // the refresh command
    EXPECT_EQ(tree.Drive(), a);
    EXPECT_EQ(tree.FirstNode()->text(0), a);
    EXPECT_EQ(tree.GetSelectedPath(), a + "/Alpha/Beta");

    tree.SetDrive(b);
    tree.SelectPath(b + "/Alpha/Beta");
    tree.SetDrive(a); // the same folder on A lies in the inner drive
    EXPECT_EQ(tree.Drive(), a);
    EXPECT_EQ(tree.GetSelectedPath(), a + "/Alpha/Beta");

    // A path outside the shown drive still goes to the drive it belongs to, the
    // innermost one.
    tree.SetDrive(b);
    tree.SelectPath(inner + "/Beta");
    EXPECT_EQ(tree.Drive(), inner);
    EXPECT_EQ(tree.GetSelectedPath(), inner + "/Beta");
    TDirTreeViewS fresh;
    fresh.SelectPath(inner + "/Beta");
    EXPECT_EQ(fresh.Drive(), inner);
}

// The expand-all key opens the real folders below the selected node but never goes
// through a symbolic link: seven folders that link to one another would otherwise grow
// the tree by their permutations. The links stay expandable by hand.
TEST_F(DirTree, ExpandAllKeyDoesNotFollowLinks) {
    const QString web = a + "/web";
    ASSERT_TRUE(makeDir(web));
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(makeDir(web + "/n" + QString::number(i)));
    for (int i = 0; i < 7; ++i) {
        for (int j = 0; j < 7; ++j) {
            if (i == j)
                continue;
            const QByteArray target = "../n" + QByteArray::number(j);
            const QString link = web + "/n" + QString::number(i) + "/to" + QString::number(j);
            ASSERT_EQ(::symlink(target.constData(), QFile::encodeName(link).constData()), 0);
        }
    }
    ASSERT_TRUE(makeDir(web + "/n0/deep"));
    ASSERT_TRUE(makeDir(web + "/n0/deep/deeper"));
    ASSERT_TRUE(makeDir(web + "/n0/deep/deeper/deepest"));
    tree.SetDrive(a);
    tree.SelectPath(web);
    QTreeWidgetItem* webNode = tree.currentItem();
    ASSERT_EQ(tree.GetSelectedPath(), web);

    QTest::keyClick(&tree, Qt::Key_Asterisk);
    QTreeWidgetItem* n0 = childNamed(webNode, "n0");
    ASSERT_NE(n0, nullptr);
    EXPECT_TRUE(n0->isExpanded());
    QTreeWidgetItem* deeper = childNamed(childNamed(n0, "deep"), "deeper");
    ASSERT_NE(deeper, nullptr);
    EXPECT_TRUE(deeper->isExpanded()); // real folders open to the bottom
    EXPECT_EQ(childTexts(deeper), QStringList{"deepest"});
    QTreeWidgetItem* link = childNamed(n0, "to1");
    ASSERT_NE(link, nullptr);
    EXPECT_FALSE(link->isExpanded());
    EXPECT_GT(link->childCount(), 0); // still shows its expand button
    EXPECT_LT(tree.NodeCount(), 400);

    // By hand a link opens like any folder, one level at a time.
    link->setExpanded(true);
    QTreeWidgetItem* further = childNamed(link, "to2");
    ASSERT_NE(further, nullptr);
    EXPECT_GT(further->childCount(), 0);
    EXPECT_FALSE(further->isExpanded());
}

// A long expand-all lets events run; a refresh or an Escape meanwhile ends it cleanly.
TEST_F(DirTree, ExpandAllLetsEventsRunAndStopsOnRefreshOrEscape) {
    for (int i = 0; i < 30; ++i) {
        const QString d = a + "/cherry/c" + QString::number(i);
        ASSERT_TRUE(makeDir(d));
        ASSERT_TRUE(makeDir(d + "/x"));
        ASSERT_TRUE(makeDir(d + "/x/y"));
    }
    tree.SetEventInterval(0); // after every folder
    tree.SetDrive(a);
    tree.SelectNode(tree.FirstNode());
    int ticks = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { ++ticks; });
    probe.start(0);
    QTest::keyClick(&tree, Qt::Key_Asterisk);
    probe.stop();
    EXPECT_GT(ticks, 0);
    QTreeWidgetItem* c29 = childNamed(childNamed(tree.FirstNode(), "cherry"), "c29");
    ASSERT_NE(c29, nullptr);
    EXPECT_TRUE(childNamed(c29, "x")->isExpanded());

    // A refresh while it runs replaces every node: the walk stops there.
    bool rebuilt = false;
    QTimer::singleShot(0, &tree, [&] {
        tree.Rebuild();
        rebuilt = true;
    });
    QTest::keyClick(&tree, Qt::Key_Asterisk);
    EXPECT_TRUE(rebuilt);
    EXPECT_FALSE(childNamed(tree.FirstNode(), "cherry")->isExpanded());

    // Escape ends it where it is.
    tree.SelectNode(tree.FirstNode());
    QTimer::singleShot(0, &tree, [&] { QTest::keyClick(&tree, Qt::Key_Escape); });
    QTest::keyClick(&tree, Qt::Key_Asterisk);
    c29 = childNamed(childNamed(tree.FirstNode(), "cherry"), "c29");
    EXPECT_FALSE(c29->isExpanded());
}

// Which entries count as folders, now read from the entry types: a link to a folder
// does (and is marked), links to files and dangling links, files and pipes do not.
// The same answers come when the type is unknown and a stat has to decide.
TEST_F(DirTree, SubfoldersFromEntryTypesMatchWhatAStatSays) {
    const QString m = a + "/mixed";
    for (const char* d :
         {"", "/sub", "/.hidden", "/filesOnly", "/linkOnly", "/fileLinkOnly", "/sub/x"})
        ASSERT_TRUE(makeDir(m + d));
    const auto link = [](const char* target, const QString& at) {
        return ::symlink(target, QFile::encodeName(at).constData()) == 0;
    };
    ASSERT_TRUE(link("sub", m + "/toSub"));
    ASSERT_TRUE(link("plain.txt", m + "/toFile"));
    ASSERT_TRUE(link("nowhere", m + "/dangling"));
    ASSERT_TRUE(link("sub", m + "/.toSubHidden"));
    ASSERT_TRUE(makeFile(m + "/plain.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(m + "/pipe").constData(), 0644), 0);
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(makeFile(m + "/filesOnly/f" + QString::number(i)));
    ASSERT_TRUE(link("../sub", m + "/linkOnly/up"));
    ASSERT_TRUE(link("../plain.txt", m + "/fileLinkOnly/file"));

    QSet<QString> links;
    const QStringList names = TDirTreeViewS::SubdirNames(m, &links);
    EXPECT_EQ(names, QStringList({"fileLinkOnly", "filesOnly", "linkOnly", "sub", "toSub"}));
    EXPECT_EQ(links, QSet<QString>{"toSub"});

    // The expand buttons: on folders with a folder or a link to one inside.
    tree.SetDrive(a);
    tree.SelectPath(m);
    QTreeWidgetItem* node = tree.currentItem();
    ASSERT_EQ(tree.GetSelectedPath(), m);
    EXPECT_EQ(childNamed(node, "sub")->childCount(), 1);
    EXPECT_EQ(childNamed(node, "toSub")->childCount(), 1);
    EXPECT_EQ(childTexts(childNamed(node, "linkOnly")), QStringList{"up"});
    EXPECT_EQ(childNamed(node, "filesOnly")->childCount(), 0);
    EXPECT_EQ(childNamed(node, "fileLinkOnly")->childCount(), 0);

    // With the type unknown (as some file systems report it) a stat decides alike.
    platform::DirReader reader;
    ASSERT_EQ(reader.open(QFile::encodeName(m)), 0);
    platform::RawEntry e;
    QStringList byStat, linksByStat;
    while (reader.next(e)) {
        e.type = platform::EntryType::Unknown;
        bool isLink = false;
        if (reader.isDirectory(e, &isLink))
            byStat.append(QString::fromUtf8(e.name));
        if (isLink)
            linksByStat.append(QString::fromUtf8(e.name));
    }
    byStat.sort();
    linksByStat.sort();
    EXPECT_EQ(byStat, QStringList({".hidden", ".toSubHidden", "fileLinkOnly", "filesOnly",
                                   "linkOnly", "sub", "toSub"}));
    EXPECT_EQ(linksByStat, QStringList({".toSubHidden", "dangling", "toFile", "toSub"}));
}

// Where the file system reports entry types, a folder that may be listed but not
// entered still shows the folders it lists: no stat of each entry is needed (and none
// would succeed there).
TEST_F(DirTree, ListableFolderShowsItsSubfoldersWithoutStatingThem) {
    const QString shut = a + "/listOnly";
    ASSERT_TRUE(makeDir(shut));
    ASSERT_TRUE(makeDir(shut + "/inner"));
    ASSERT_TRUE(makeFile(shut + "/file"));
    bool typesKnown = true;
    {
        platform::DirReader reader;
        ASSERT_EQ(reader.open(QFile::encodeName(shut)), 0);
        platform::RawEntry e;
        while (reader.next(e))
            typesKnown = typesKnown && e.type != platform::EntryType::Unknown;
    }
    if (!typesKnown)
        GTEST_SKIP() << "this file system does not report entry types";
    ::chmod(QFile::encodeName(tmp.path()).constData(), 0755);
    ::chmod(QFile::encodeName(shut).constData(), 0444);
    {
        treetest::AsOrdinaryUser user;
        EXPECT_EQ(TDirTreeViewS::SubdirNames(shut), QStringList{"inner"});
    }
    ::chmod(QFile::encodeName(shut).constData(), 0755);
}
