#include "FakeSelection.h"
#include "launcher/LaunchRules.h"
#include "platform/FsName.h"

#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

using namespace launcher;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {
ShellRequest req(const QString& f, const QString& p, const QString& d) {
    return {f, p, d};
}
} // namespace

TEST(LaunchRules, EmptySlot) {
    FakeSelection sel;
    sel.file = "/home/ann/a.txt";
    sel.directory = "/home/ann";
    // Viewer closed: a file-manager window, nothing registered, selection ignored.
    SlotClickAction a = DecideSlotClick("", false, &sel, false);
    EXPECT_EQ(a.kind, SlotClickAction::Start);
    EXPECT_EQ(a.request, req("explorer", "", ""));
    EXPECT_FALSE(a.reportNotFound);
    // Viewer open with a selected file: registered and started in its folder.
    a = DecideSlotClick("", true, &sel, false);
    EXPECT_EQ(a.kind, SlotClickAction::RegisterAndStart);
    EXPECT_EQ(a.registerPath, "/home/ann/a.txt");
    EXPECT_EQ(a.request, req("/home/ann/a.txt", "", "/home/ann"));
    EXPECT_FALSE(a.reportNotFound);
    // Nothing selected in the list: the tree's directory, started in itself.
    sel.file.reset();
    a = DecideSlotClick("", true, &sel, false);
    EXPECT_EQ(a.kind, SlotClickAction::RegisterAndStart);
    EXPECT_EQ(a.registerPath, "/home/ann");
    EXPECT_EQ(a.request, req("/home/ann", "", "/home/ann"));
    sel.directory = "/";
    a = DecideSlotClick("", true, &sel, false);
    EXPECT_EQ(a.request, req("/", "", "/"));
    // No selection source at all.
    EXPECT_EQ(DecideSlotClick("", true, nullptr, false).request, req("explorer", "", ""));
}

TEST(LaunchRules, RegisteredSlotWithTheViewerOpen) {
    FakeSelection sel;
    sel.directory = "/home/ann/docs";
    sel.file = "/home/ann/docs/my notes.txt";
    SlotClickAction a = DecideSlotClick("/usr/bin/editor", true, &sel, true);
    EXPECT_EQ(a.request, req("/usr/bin/editor", "\"/home/ann/docs/my notes.txt\"", "/usr/bin"));
    EXPECT_TRUE(a.reportNotFound);
    // A program selected: no parameter file, the two quotes only.
    sel.file = "/home/ann/docs/setup.Exe";
    a = DecideSlotClick("/usr/bin/editor", true, &sel, true);
    EXPECT_EQ(a.request, req("/usr/bin/editor", "\"\"", "/usr/bin"));
    sel.file.reset();
    EXPECT_EQ(DecideSlotClick("/usr/bin/editor", true, &sel, true).request.parameters, "\"\"");
    // The file manager opens on the tree's directory, not on the selection.
    sel.file = "/home/ann/docs/a.txt";
    a = DecideSlotClick("/mnt/c/Windows/Explorer.EXE", true, &sel, false);
    EXPECT_EQ(a.request, req("/mnt/c/Windows/Explorer.EXE", "/home/ann/docs", ""));
    EXPECT_TRUE(a.reportNotFound);
    // A program directly in "/" works in "/".
    EXPECT_EQ(DecideSlotClick("/tool", true, &sel, true).request.directory, "/");
}

TEST(LaunchRules, RegisteredSlotWithTheViewerClosed) {
    FakeSelection sel;
    sel.file = "/home/ann/a.txt";
    SlotClickAction a = DecideSlotClick("/usr/bin/editor", false, &sel, true);
    EXPECT_EQ(a.request, req("/usr/bin/editor", "", "/usr/bin"));
    EXPECT_TRUE(a.reportNotFound);
    a = DecideSlotClick("/home/ann/docs", false, &sel, false);
    EXPECT_EQ(a.request, req("explorer.exe", "/n,/e,/home/ann/docs", ""));
    EXPECT_TRUE(a.reportNotFound);
}

TEST(LaunchRules, ParameterFileAndDrops) {
    FakeSelection sel;
    EXPECT_FALSE(ParameterFile(true, &sel).has_value());
    sel.file = "/a/b.exe";
    EXPECT_FALSE(ParameterFile(true, &sel).has_value());
    sel.file = "/a/b.exec"; // only the first four characters count
    EXPECT_FALSE(ParameterFile(true, &sel).has_value());
    sel.file = "/a/b.txt";
    EXPECT_EQ(ParameterFile(true, &sel), QString("/a/b.txt"));
    EXPECT_FALSE(ParameterFile(false, &sel).has_value());

    sel.directory = "/home/ann/";
    EXPECT_EQ(DropPath(DragSourceKind::FileList, &sel), QString("/a/b.txt"));
    EXPECT_EQ(DropPath(DragSourceKind::SelectionImage, &sel), QString("/a/b.txt"));
    EXPECT_EQ(DropPath(DragSourceKind::DirectoryTree, &sel), QString("/home/ann/"));
    EXPECT_FALSE(DropPath(DragSourceKind::Other, &sel).has_value());
    sel.file.reset();
    EXPECT_FALSE(DropPath(DragSourceKind::FileList, &sel).has_value());
    EXPECT_FALSE(DropPath(DragSourceKind::FileList, nullptr).has_value());
}

TEST(LaunchRules, FilesDroppedFromOtherPrograms) {
    QMimeData mime;
    mime.setData("text/uri-list", "file:///home/ann/a%20b.txt\r\nhttps://example.org/x\r\n"
                                  "file:///home/ann/%83%81%83%82.txt\r\nfile:///top.sh\r\n");
    const QStringList files = DroppedLocalFiles(&mime);
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(files[0], "/home/ann/a b.txt");
    EXPECT_EQ(platform::toFsBytes(files[1]), QByteArray("/home/ann/\x83\x81\x83\x82.txt"));
    EXPECT_EQ(DroppedFileRequest(files[0]), req("/home/ann/a b.txt", "", "/home/ann/"));
    EXPECT_EQ(DroppedFileRequest(files[2]), req("/top.sh", "", "/"));
    // Long names are taken whole.
    const QString longName = "/tmp/" + QString(400, 'n') + ".txt";
    QMimeData longMime;
    longMime.setUrls({QUrl::fromLocalFile(longName)});
    EXPECT_EQ(DroppedLocalFiles(&longMime), QStringList{longName});
}
