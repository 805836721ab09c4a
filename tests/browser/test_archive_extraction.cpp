// Extraction of an archive dragged onto a folder of the tree: the checks, the questions
// and their places, the commands the libraries receive, and what lands where, with the
// real libraries.
#include "archive/CommandQuote.h"
#include "archive/LzhBinding.h"
#include "archive/TMeltView.h"
#include "archive/ZipBinding.h"
#include "browser/ArchiveExtraction.h"
#include "browser/ArchiveExtractionText.h"
#include "platform/FsName.h"
#include "platform/LibraryDirs.h"
#include "tests/browser/MainWindowFixture.h"

#include <QComboBox>
#include <QCursor>
#include <QDirIterator>
#include <QFileInfo>
#include <QTabWidget>
#include <filesystem>
#include <sys/stat.h>

using ui::MsgDlgType;
using ui::MsgResult;

namespace {

// The commands handed to the library slots; the real entries still do the work unless
// a test stops them.
decltype(archive::LzhEntries::Unlha) realUnlha = nullptr;
decltype(archive::ZipEntries::Unzip) realUnzip = nullptr;
QList<QByteArray> commands;
bool callLibraries = true;

int recordingUnlha(void* owner, const char* command, char* out, uint32_t size) {
    commands << QByteArray(command);
    EXPECT_EQ(size, uint32_t(browser::ArchiveExtraction::kBufferSize));
    return callLibraries ? realUnlha(owner, command, out, size) : 0;
}
int recordingUnzip(void* owner, const char* command, char* out, uint32_t size) {
    commands << QByteArray(command);
    EXPECT_EQ(size, uint32_t(browser::ArchiveExtraction::kBufferSize));
    return callLibraries ? realUnzip(owner, command, out, size) : 0;
}

QByteArray quoted(const QString& path) {
    return '"' + platform::toFsBytes(path) + '"';
}

// The texts as the program must show them, written out whole.
QString continueFromFolder(const QString& start) {
    return QStringLiteral(
               "解凍は、完了しました。 解凍作業を継続しますか？ \r\n\r\n「 はい 」を選択すると、"
               "元のディレクトリー \r\n\r\n＜  ") +
           start + QStringLiteral("  ＞ に、移動します。");
}
const QString continueFromSearch =
    QStringLiteral("解凍は、完了しました。 解凍作業を継続しますか？ \r\n\r\n「 はい "
                   "」を選択すると、一気検索結果一覧を表示します。");
QString confirmation(const QString& name, const QString& destination) {
    return QStringLiteral("解凍するファイルは  ") + name +
           QStringLiteral(" ですね。\r\n\r\nディレクトリー  ＜  ") + destination +
           QStringLiteral("  ＞ に、解凍を始めます。");
}

} // namespace

class ArchiveExtractionTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(libs.isValid());
        ASSERT_TRUE(QFile::copy(ZELMO_UNLHA_LIBRARY, libs.filePath("libunlha32.so")));
        ASSERT_TRUE(QFile::copy(ZELMO_UNZIP_LIBRARY, libs.filePath("libunzip32.so")));
        platform::setOutsideLibraryDirectoriesOverride({libs.path()});
        ASSERT_TRUE(archive::StartLzhBinding(platform::findOutsideLibrary("unlha32.dll")));
        dir("arc");
        dir("dest");
        QCursor::setPos(400, 300);
        commands.clear();
        callLibraries = true;
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        archive::EndLzhBinding();
        archive::UnloadUnzipLibrary();
        platform::setOutsideLibraryDirectoriesOverride({});
    }
    // The window on the archives' folder, both libraries bound, their commands recorded.
    browser::FilePanel& start() {
        create("arc");
        EXPECT_TRUE(form->State().UnlhaAvailable);
        EXPECT_TRUE(form->State().UnzipAvailable);
        realUnlha = archive::Lzh().Unlha;
        realUnzip = archive::Zip().Unzip;
        archive::Lzh().Unlha = recordingUnlha;
        archive::Zip().Unzip = recordingUnzip;
        return form->Files();
    }
    // A fixture copied into the archives' folder (under another name when given).
    QString archiveFile(const QString& fixture, const QString& as = QString()) {
        const QString path = root + "/arc/" + (as.isEmpty() ? QFileInfo(fixture).fileName() : as);
        EXPECT_TRUE(QFile::copy(QStringLiteral(ZELMO_TEST_DATA "/archive/") + fixture, path));
        return path;
    }
    // Where the folder's node stands in the tree (its viewport's coordinates).
    QPoint nodePoint(const QString& path) {
        TDirTreeViewS* tree = form->Files().DirList2;
        for (int i = 0; i < tree->NodeCount(); ++i) {
            QTreeWidgetItem* node = tree->NodeAt(i);
            if (tree->GetNodePath(node) == path) {
                tree->scrollToItem(node);
                return tree->visualItemRect(node).center();
            }
        }
        ADD_FAILURE() << "no node for " << path.toStdString();
        return {};
    }
    // The drop of source onto folder, answered in order.
    void drop(const QString& source, const QString& folder, QList<MsgResult> answers,
              bool fromCurrentDirectory = true) {
        for (MsgResult r : answers)
            responder.answer(r);
        form->State().SourceFile = source;
        form->Files().ExtractDroppedArchive(fromCurrentDirectory, nodePoint(folder));
    }
    QStringList entries(const QString& folder) const {
        return QDir(folder).entryList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    }
    QString dest() const { return root + "/dest"; }

    QTemporaryDir libs;
};

// ---- Texts and commands ---------------------------------------------------------------

TEST(ArchiveExtractionText, CommandsQuoteEveryNameAndCloseTheFolderWithASeparator) {
    using archive::ArchiveKind;
    EXPECT_EQ(browser::ExtractionCommand(ArchiveKind::Lzh, "x", "/home/a/b.lzh", "/home/d"),
              R"(x "/home/a/b.lzh" "/home/d/")");
    EXPECT_EQ(browser::ExtractionCommand(ArchiveKind::Zip, "x", "/home/a/b.zip", "/home/d"),
              R"(-x "/home/a/b.zip" "/home/d/")");
    // The root: two separators inside the quotes, never an escaped closing quote.
    EXPECT_EQ(browser::ExtractionCommand(ArchiveKind::Lzh, "e", "/a.lzh", "/"),
              R"(e "/a.lzh" "//")");
    // A crafted name stays one argument: its quotes and backslashes are escaped.
    EXPECT_EQ(browser::ExtractionCommand(ArchiveKind::Zip, "x", "/t/a\" -o \"/etc\\.zip", "/d\\"),
              R"(-x "/t/a\" -o \"/etc\\.zip" "/d\\/")");
    // Names keep their bytes, also those that are no UTF-8.
    const QString odd = platform::fromFsBytes(QByteArray("/t/\xff\x81\n.lzh"));
    EXPECT_EQ(browser::ExtractionCommand(ArchiveKind::Lzh, "x", odd, "/d"),
              QByteArray("x \"/t/\xff\x81\n.lzh\" \"/d/\""));
}

TEST(ArchiveExtractionText, TheVerbDropsFoldersOnlyAfterAMemberFromTheRootInTheWindow) {
    EXPECT_EQ(browser::LzhVerb(true, "/zelmo_absolute/evil.txt"), "e");
    EXPECT_EQ(browser::LzhVerb(true, "sub/evil.txt"), "x");
    EXPECT_EQ(browser::LzhVerb(true, ""), "x");
    EXPECT_EQ(browser::LzhVerb(false, "/zelmo_absolute/evil.txt"), "x");
}

// ---- Extraction with the real libraries ----------------------------------------------

TEST_F(ArchiveExtractionTest, LzhAndZipArchivesAreExtractedWithTheirNamesDecoded) {
    browser::FilePanel& panel = start();
    const struct {
        QString fixture, as;
        QByteArray verb;
    } cases[] = {
        {"japanese_l2.lzh", "", "x"},
        {"japanese_l0.lzh", "", "x"},
        {"japanese.Lzh5", "", "x"},
        {"japanese_cp932.zip", "", "-x"},
        {"japanese_utf8.zip", "", "-x"},
        {"japanese_cp932.zip", "japanese.Zip5", "-x"}, // the key is ".ZIP"
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture.toStdString() + " " + c.as.toStdString());
        const QString to = root + QStringLiteral("/to%1").arg(++n);
        dir(QFileInfo(to).fileName());
        panel.DirList2->Rebuild();
        panel.DirList2->SelectPath(root + "/arc");
        const QString archive = archiveFile(c.fixture, c.as);
        commands.clear();
        responder.clear();
        drop(archive, to, {MsgResult::Yes, MsgResult::No});

        ASSERT_EQ(commands.size(), 1);
        EXPECT_EQ(commands[0], c.verb + ' ' + quoted(archive) + ' ' + quoted(to + "/"));
        for (const char* member : {"フォルダ/日本語テキスト.txt", "フォルダ/utf8テキスト.txt",
                                   "ソフト/表.txt", "SETUP.EXE", "Plugin.DLL"})
            EXPECT_TRUE(QFileInfo(to + "/" + QString::fromUtf8(member)).isFile()) << member;
        EXPECT_EQ(QFileInfo(to + "/SETUP.EXE").size(), 3884);

        // The question, then whether to go on; both near the cursor.
        ASSERT_EQ(responder.calls().size(), 2);
        const ui::MessageRequest& ask = responder.calls()[0];
        EXPECT_EQ(ask.text, confirmation(QFileInfo(archive).fileName(), to));
        EXPECT_EQ(ask.type, MsgDlgType::Information);
        EXPECT_EQ(ask.buttons, ui::mbYes | ui::mbNo);
        EXPECT_EQ(ask.topLeft, QPoint(405, 305));
        const ui::MessageRequest& more = responder.calls()[1];
        EXPECT_EQ(more.text, continueFromFolder(root + "/arc"));
        EXPECT_EQ(more.type, MsgDlgType::Information);
        EXPECT_EQ(more.buttons, ui::mbYes | ui::mbNo);
        EXPECT_EQ(more.topLeft, QPoint(403, 303));
        // "No": the series ends on the destination, which the list shows with all files.
        EXPECT_FALSE(form->State().ExtractionPending);
        EXPECT_EQ(panel.DirList2->GetSelectedPath(), to);
        EXPECT_TRUE(names(panel.ListBox1).contains("SETUP.EXE"));
    }
}

// The steps before the question: the current folder's sheet, all files, the destination
// listed; the question sees them so.
TEST_F(ArchiveExtractionTest, BeforeTheQuestionTheDestinationIsListedWithAllFiles) {
    browser::FilePanel& panel = start();
    const QString archive = archiveFile("level1.lzh");
    file("dest/keep.txt");
    panel.FilterComboBox1->setCurrentIndex(2); // *.lzh
    panel.PageControl->setCurrentWidget(panel.TabSheet2);
    bool seen = false;
    {
        ui::ScriptedResponder inner; // puts the fixture's responder back afterwards
        ui::SetMessageResponder([&](const ui::MessageRequest&) {
            if (!seen) {
                seen = true;
                EXPECT_TRUE(form->State().ExtractionPending);
                EXPECT_EQ(panel.PageControl->currentWidget(), panel.TabSheet1);
                EXPECT_EQ(panel.FilterComboBox1->currentIndex(), 1);
                EXPECT_EQ(panel.ListBox1->Mask(), "*.*");
                EXPECT_EQ(panel.DirList2->GetSelectedPath(), dest());
                EXPECT_EQ(names(panel.ListBox1), QStringList{"keep.txt"});
                return MsgResult::Yes;
            }
            return MsgResult::Yes; // go on
        });
        drop(archive, dest(), {});
    }
    EXPECT_TRUE(seen);
    for (const char* member : {"stored.txt", "lh5.txt", "lh6.txt", "lh7.txt"})
        EXPECT_TRUE(QFileInfo(dest() + "/" + member).isFile()) << member;
    // "Yes": back where the archive was, the series going on with all files.
    EXPECT_TRUE(form->State().ExtractionPending);
    EXPECT_EQ(panel.DirList2->GetSelectedPath(), root + "/arc");
    EXPECT_EQ(panel.FilterComboBox1->currentIndex(), 1);
    EXPECT_TRUE(names(panel.ListBox1).contains("level1.lzh"));
}

TEST_F(ArchiveExtractionTest, NoAtTheQuestionExtractsNothingAndLeavesAllFilesShown) {
    browser::FilePanel& panel = start();
    const QString archive = archiveFile("japanese_utf8.zip");
    panel.FilterComboBox1->setCurrentIndex(0); // *.exe
    drop(archive, dest(), {MsgResult::No});
    EXPECT_TRUE(commands.isEmpty());
    EXPECT_TRUE(entries(dest()).isEmpty());
    EXPECT_EQ(responder.calls().size(), 1);
    EXPECT_FALSE(form->State().ExtractionPending);
    EXPECT_EQ(panel.DirList2->GetSelectedPath(), dest());
    EXPECT_EQ(panel.FilterComboBox1->currentIndex(), 1);
    EXPECT_EQ(panel.ListBox1->Mask(), "*.*");
}

// From the search result: "Yes" brings the result list back, "No" leaves the current
// folder's sheet and ends the series.
TEST_F(ArchiveExtractionTest, TheQuestionAfterAnArchiveFromTheSearchResult) {
    browser::FilePanel& panel = start();
    const QString archive = archiveFile("level2.lzh");
    panel.PageControl->setCurrentWidget(panel.TabSheet2);
    drop(archive, dest(), {MsgResult::Yes, MsgResult::Yes}, false);
    ASSERT_EQ(responder.calls().size(), 2);
    EXPECT_EQ(responder.calls()[1].text, continueFromSearch);
    EXPECT_EQ(responder.calls()[1].topLeft, QPoint(403, 303));
    EXPECT_EQ(panel.PageControl->currentWidget(), panel.TabSheet2);
    EXPECT_TRUE(form->State().ExtractionPending);
    EXPECT_TRUE(QFileInfo(dest() + "/lh7.txt").isFile());

    dir("dest2");
    panel.DirList2->Rebuild();
    drop(archive, root + "/dest2", {MsgResult::Yes, MsgResult::No}, false);
    EXPECT_EQ(responder.calls().last().text, continueFromSearch);
    EXPECT_EQ(panel.PageControl->currentWidget(), panel.TabSheet1);
    EXPECT_FALSE(form->State().ExtractionPending);
    EXPECT_EQ(panel.FilterComboBox1->currentIndex(), 1);
    EXPECT_TRUE(QFileInfo(root + "/dest2/lh7.txt").isFile());
}

// ---- Refusals and failures -------------------------------------------------------------

TEST_F(ArchiveExtractionTest, AFileThatIsNoArchiveIsRefusedAndNothingChanges) {
    browser::FilePanel& panel = start();
    file("arc/readme.txt");
    file("arc/archive.lz");
    panel.FilterComboBox1->setCurrentIndex(4); // *.txt
    panel.PageControl->setCurrentWidget(panel.TabSheet2);
    for (const QString name : {"readme.txt", "archive.lz"}) {
        responder.clear();
        drop(root + "/arc/" + name, dest(), {});
        ASSERT_EQ(responder.calls().size(), 1);
        const ui::MessageRequest& r = responder.calls()[0];
        EXPECT_EQ(r.text, QStringLiteral("選択したファイルは、 ") + name +
                              QStringLiteral(" ですが、 \r\n\r\nこのファイルは、解凍対象のファイル"
                                             "ではありません。\r\n\r\n解凍対象ファイルの拡張子は、"
                                             "＊．ＬＺＨ あるいは、＊．ＺＩＰ です。\r\n\r\n確認"
                                             "して下さい。"));
        EXPECT_EQ(r.type, MsgDlgType::Confirmation);
        EXPECT_EQ(r.buttons, ui::mbOK);
        EXPECT_EQ(r.topLeft, QPoint(401, 301));
    }
    EXPECT_TRUE(commands.isEmpty());
    EXPECT_FALSE(form->State().ExtractionPending);
    EXPECT_EQ(panel.PageControl->currentWidget(), panel.TabSheet2);
    EXPECT_EQ(panel.FilterComboBox1->currentIndex(), 4);
    EXPECT_EQ(panel.DirList2->GetSelectedPath(), root + "/arc");
}

// Either archive needs both libraries; the LZH library is asked for first.
TEST_F(ArchiveExtractionTest, AMissingLibraryIsNamedAndNothingIsExtracted) {
    browser::FilePanel& panel = start();
    const QString zip = archiveFile("japanese_utf8.zip");
    const QString lzh = archiveFile("level0.lzh");
    const QString unlha = QStringLiteral(
        "解凍作業に必要な「 ＵＮＬＨＡ３２．ＤＬＬ 」が、見つかりません。 \r\n\r\n「 "
        "ＵＮＬＨＡ３２．ＤＬＬ 」を入手後、この機能を使用して下さい。");
    const QString unzip = QStringLiteral(
        "解凍作業に必要な「 ＵＮＺＩＰ３２．ＤＬＬ 」が、見つかりません。 \r\n\r\n「 "
        "ＵＮＺＩＰ３２．ＤＬＬ 」を入手後、この機能を使用して下さい。");
    const struct {
        bool unlha, unzip;
        QString archive, text;
    } cases[] = {{false, true, zip, unlha},
                 {false, false, zip, unlha},
                 {true, false, lzh, unzip},
                 {true, false, zip, unzip}};
    for (const auto& c : cases) {
        form->State().UnlhaAvailable = c.unlha;
        form->State().UnzipAvailable = c.unzip;
        responder.clear();
        drop(c.archive, dest(), {});
        ASSERT_EQ(responder.calls().size(), 1);
        EXPECT_EQ(responder.calls()[0].text, c.text);
        EXPECT_EQ(responder.calls()[0].type, MsgDlgType::Warning);
        EXPECT_EQ(responder.calls()[0].buttons, ui::mbOK);
        EXPECT_EQ(responder.calls()[0].topLeft, QPoint(401, 301));
    }
    EXPECT_TRUE(commands.isEmpty());
    EXPECT_TRUE(entries(dest()).isEmpty());
    EXPECT_FALSE(form->State().ExtractionPending);
    EXPECT_EQ(panel.DirList2->GetSelectedPath(), root + "/arc");
}

// The library's error box, and still the question whether to go on; the tree learns of
// folders made meanwhile either way.
TEST_F(ArchiveExtractionTest, AFailedExtractionIsReportedAndFollowedByTheQuestion) {
    browser::FilePanel& panel = start();
    file("arc/broken.lzh", 300);
    file("arc/broken.zip", 300);
    struct Case {
        QString archive, caption, text;
    };
    const Case cases[] = {
        {root + "/arc/broken.lzh", "ゼルモ３２",
         root + "/arc/broken.lzh" + QStringLiteral(" の 解凍はできませんでした。")},
        {root + "/arc/broken.zip", " Unzip32.DLL Extract",
         QStringLiteral("Unzip32.DLL 圧縮ファイルの解凍ができません。")},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive.toStdString());
        const QString made = QStringLiteral("made%1").arg(++n);
        dir(made);
        responder.clear();
        drop(c.archive, dest(), {MsgResult::Yes, MsgResult::OK, MsgResult::No});
        ASSERT_EQ(responder.calls().size(), 3);
        const ui::MessageRequest& box = responder.calls()[1];
        EXPECT_FALSE(box.standardDialog);
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.icon, ui::MsgIcon::Error);
        EXPECT_EQ(box.buttons, ui::mbOK);
        EXPECT_TRUE(responder.calls()[2].text.startsWith("解凍は、完了しました。"));
        EXPECT_EQ(responder.calls()[2].text, continueFromFolder(root + "/arc"));
        EXPECT_NE(nodePoint(root + "/" + made), QPoint()) << "the tree was rebuilt";
        // Back on the first sheet's folder for the next drop.
        panel.DirList2->SelectPath(root + "/arc");
    }
    EXPECT_EQ(commands.size(), 2);
    EXPECT_TRUE(entries(dest()).isEmpty());
}

// An error raised by a library slot skips the question; the tree is rebuilt all the same.
TEST_F(ArchiveExtractionTest, AnErrorRaisedByTheLibraryEndsTheDropAfterTheRebuild) {
    browser::FilePanel& panel = start();
    const QString archive = archiveFile("japanese_utf8.zip");
    archive::UnloadUnzipLibrary(); // every slot a stub that raises
    dir("later");
    responder.answer(MsgResult::Yes);
    form->State().SourceFile = archive;
    EXPECT_THROW(panel.ExtractDroppedArchive(true, nodePoint(dest())), EUnzipNoImplement);
    EXPECT_EQ(responder.calls().size(), 1);
    EXPECT_NE(nodePoint(root + "/later"), QPoint());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// ---- The verb, the root, odd names and hostile archives ---------------------------------

// "e" once the archive window listed a member whose name begins with "/"; "x" before.
TEST_F(ArchiveExtractionTest, TheVerbFollowsTheMemberTheArchiveWindowListedLast) {
    browser::FilePanel& panel = start();
    const QString plain = archiveFile("level0.lzh");
    const QString absolute = archiveFile("absolute.lzh");
    drop(plain, dest(), {MsgResult::Yes, MsgResult::Yes});
    ASSERT_EQ(commands.size(), 1);
    EXPECT_TRUE(commands[0].startsWith("x \"")) << commands[0].constData();

    // Choosing the archive in the list (as a drag does) makes the window list it.
    panel.DirList2->SelectPath(root + "/arc");
    const int index = names(panel.ListBox1).indexOf("absolute.lzh");
    ASSERT_GE(index, 0);
    clickItem(panel.ListBox1, index);
    auto* view = qobject_cast<TMeltView*>(form->State().Windows.MeltView.data());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->LastMemberName, "/zelmo_absolute/evil.txt");
    dir("flat");
    panel.DirList2->Rebuild();
    // "e" drops every folder part, the root included: the member from the root lands in
    // the chosen folder (no error box, only the question to go on).
    drop(absolute, root + "/flat", {MsgResult::Yes, MsgResult::No});
    ASSERT_EQ(commands.size(), 2);
    EXPECT_EQ(commands[1], "e " + quoted(absolute) + ' ' + quoted(root + "/flat/"));
    EXPECT_TRUE(entries(root + "/flat").contains("readme.txt"));
    EXPECT_TRUE(entries(root + "/flat").contains("evil.txt"));
    EXPECT_FALSE(QFileInfo::exists("/zelmo_absolute"));
    EXPECT_FALSE(form->State().ExtractionPending);

    // Another member viewed last: "x" again, and the member from the root lands below the
    // chosen folder (no error box).
    view->LastMemberName = QStringLiteral("readme.txt");
    responder.clear();
    drop(absolute, dest(), {MsgResult::Yes, MsgResult::No});
    ASSERT_EQ(commands.size(), 3);
    EXPECT_TRUE(commands[2].startsWith("x \""));
    EXPECT_EQ(responder.calls().size(), 2);
    EXPECT_TRUE(QFileInfo::exists(dest() + "/zelmo_absolute/evil.txt"));
    EXPECT_FALSE(QFileInfo::exists("/zelmo_absolute"));
}

// A drop onto the root folder: the command closes it with one more separator inside the
// quotes. The library is not called: nothing is written to the real root.
class ArchiveExtractionOnRoot : public ArchiveExtractionTest {
protected:
    QStringList drives() const override { return {QStringLiteral("/")}; }
};

TEST_F(ArchiveExtractionOnRoot, TheRootGetsTwoSeparatorsInsideTheQuotes) {
    start();
    const QString archive = archiveFile("level0.lzh");
    callLibraries = false;
    drop(archive, "/", {MsgResult::Yes, MsgResult::No});
    ASSERT_EQ(commands.size(), 1);
    EXPECT_EQ(commands[0], "x " + quoted(archive) + " \"//\"");
    EXPECT_EQ(responder.calls()[0].text, confirmation("level0.lzh", "/"));
}

namespace {

bool copyBytes(const QString& from, const QByteArray& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = in.readAll();
    FILE* out = std::fopen(to.constData(), "wb");
    if (!out)
        return false;
    const bool ok =
        std::fwrite(data.constData(), 1, size_t(data.size()), out) == size_t(data.size());
    return std::fclose(out) == 0 && ok;
}

int rawEntries(const QByteArray& folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.toStdString()))
        ++n;
    return n;
}

bool isRegularFile(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

// Quotes, backslashes, a line break and bytes that are no UTF-8 in both names: the
// library gets them byte for byte, and a crafted name adds no option or folder.
TEST_F(ArchiveExtractionTest, NamesWithQuotesBackslashesAndLineBreaksWork) {
    const QByteArray rootBytes = platform::toFsBytes(root);
    const QByteArray folder = rootBytes + "/d\"q\\b\nl\xff";
    const QByteArray lzh = rootBytes + "/arc/x\" \"-o\" \"\\tmp\n\x81.lzh";
    ASSERT_TRUE(testutil::makeDir(folder));
    ASSERT_TRUE(copyBytes(ZELMO_TEST_DATA "/archive/level2.lzh", lzh));
    const QByteArray zip = rootBytes + "/arc/z\\\"\xfe.zip";
    ASSERT_TRUE(copyBytes(ZELMO_TEST_DATA "/archive/japanese_utf8.zip", zip));
    start();
    drop(platform::fromFsBytes(lzh), platform::fromFsBytes(folder),
         {MsgResult::Yes, MsgResult::No});
    drop(platform::fromFsBytes(zip), platform::fromFsBytes(folder),
         {MsgResult::Yes, MsgResult::No});
    ASSERT_EQ(commands.size(), 2);
    EXPECT_EQ(commands[0],
              "x " + archive::QuoteArgument(lzh) + ' ' + archive::QuoteArgument(folder + '/'));
    EXPECT_TRUE(isRegularFile(folder + "/lh7.txt"));
    EXPECT_TRUE(isRegularFile(folder + "/SETUP.EXE"));
    EXPECT_EQ(responder.calls().size(), 4) << "no error box";
    EXPECT_EQ(rawEntries(rootBytes + "/arc"), 2);
    EXPECT_EQ(rawEntries(rootBytes), 3) << "arc, dest and the odd folder only";
    // The temporary folder cannot remove names that are no UTF-8.
    std::filesystem::remove_all(rootBytes.toStdString());
}

namespace {

// Every entry below folder, with what it is: only folders and regular files are fine.
QStringList strayEntries(const QString& folder) {
    QStringList stray;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 ||
            !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))
            stray << path;
    }
    return stray;
}

QByteArray statOf(const char* path) {
    struct stat st {};
    if (::lstat(path, &st) != 0)
        return "absent";
    return QByteArray::number(qlonglong(st.st_ino)) + ' ' +
           QByteArray::number(qlonglong(st.st_mtime));
}

} // namespace

// Each hostile archive dropped onto a folder of its own box: nothing lands beside the
// folder or anywhere else, and the folder holds only plain files and folders.
TEST_F(ArchiveExtractionTest, HostileArchivesWriteNothingOutsideTheFolder) {
    browser::FilePanel& panel = start();
    const char* absoluteTarget = "/tmp/zelmo_hostile_absolute.txt";
    const QByteArray before = statOf(absoluteTarget);
    const QStringList hostile =
        QDir(ZELMO_TEST_DATA "/archive/hostile").entryList({"*.lzh", "*.zip"}, QDir::Files);
    ASSERT_GE(hostile.size(), 13);
    // Yes to go ahead, OK to a library's error box, No to going on.
    int questions = 0;
    ui::ScriptedResponder inner;
    ui::SetMessageResponder([&](const ui::MessageRequest& r) {
        if (r.text.startsWith(QStringLiteral("解凍するファイルは")))
            return MsgResult::Yes;
        if (r.text.startsWith(QStringLiteral("解凍は、完了しました。"))) {
            ++questions;
            return MsgResult::No;
        }
        return MsgResult::OK;
    });
    int n = 0;
    for (const QString& name : hostile) {
        SCOPED_TRACE(name.toStdString());
        const QString box = QStringLiteral("box%1").arg(++n);
        dir(box);
        dir(box + "/into");
        panel.DirList2->Rebuild();
        panel.DirList2->SelectPath(root + "/" + box);
        const QString archive = archiveFile("hostile/" + name);
        drop(archive, root + "/" + box + "/into", {});
        EXPECT_EQ(entries(root + "/" + box), QStringList{"into"});
        EXPECT_EQ(strayEntries(root + "/" + box), QStringList());
        EXPECT_EQ(questions, n);
    }
    EXPECT_EQ(commands.size(), hostile.size());
    EXPECT_EQ(entries(root).size(), 2 + hostile.size()) << entries(root).join(' ').toStdString();
    EXPECT_EQ(entries(root + "/arc").size(), hostile.size());
    EXPECT_EQ(statOf(absoluteTarget), before);
    EXPECT_FALSE(QFileInfo::exists(root + "/evil.txt"));
    EXPECT_FALSE(QFileInfo::exists(root + "/evil2.txt"));
    EXPECT_FALSE(QFileInfo::exists(root + "/outside"));
}
