// The archive window against stand-in library entries put into the binding tables: which
// archives it reads and when, the column texts, the orders, viewing a member, the keys,
// and how the main window makes it and gets the keyboard back from it.
#include "archive/LzhBinding.h"
#include "archive/MemberColumns.h"
#include "archive/TMeltView.h"
#include "archive/ZipBinding.h"
#include "base/CommandLine.h"
#include "core/SettingsFile.h"
#include "editor/TMeltL.h"
#include "platform/FsName.h"
#include "tests/browser/MainWindowFixture.h"
#include "ui/HelpWindow.h"

#include <QCollator>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QToolButton>
#include <cstring>
#include <functional>

namespace {

uint16_t dosDate(int y, int m, int d) {
    return uint16_t(((y - 1980) << 9) | (m << 5) | d);
}
uint16_t dosTime(int h, int m, int s) {
    return uint16_t((h << 11) | (m << 5) | (s / 2));
}

struct Member {
    QByteArray name;
    uint32_t original = 0, compressed = 0;
    uint16_t ratio = 0;
    uint16_t date = dosDate(2000, 1, 1), time = 0;
};

ArchiveMemberInfo record(const Member& m) {
    ArchiveMemberInfo info{};
    std::memcpy(info.fileName, m.name.constData(), size_t(qMin<qsizetype>(m.name.size(), 512)));
    info.originalSize = m.original;
    info.compressedSize = m.compressed;
    info.ratio = m.ratio;
    info.date = m.date;
    info.time = m.time;
    return info;
}

// What the stand-in library holds and what it was asked.
struct FakeLibrary {
    QList<Member> members;
    bool opens = true;
    int next = 0;
    QList<QByteArray> opened; // paths, as bytes
    QList<uint32_t> modes;
    QByteArray wildcard;
    int firsts = 0, nexts = 0, closes = 0;
    QList<QByteArray> commands;
    QByteArray output;               // a member's bytes
    int64_t written = -1;            // what the LZH extraction reports; -1: output's size
    std::function<void(int)> onNext; // runs before member i is handed out by a next call
};
FakeLibrary* lib = nullptr;

int handOut(ArchiveMemberInfo* info) {
    if (lib->next >= lib->members.size())
        return -1;
    *info = record(lib->members[lib->next++]);
    return 0;
}

HARC lzhOpen(void*, const char* path, uint32_t mode) {
    lib->opened.append(QByteArray(path));
    lib->modes.append(mode);
    return lib->opens ? reinterpret_cast<HARC>(lib) : nullptr;
}
int lzhFirst(HARC, const char* wildcard, ArchiveMemberInfo* info) {
    ++lib->firsts;
    lib->wildcard = wildcard;
    lib->next = 0;
    return handOut(info);
}
int lzhNext(HARC, ArchiveMemberInfo* info) {
    ++lib->nexts;
    if (lib->onNext)
        lib->onNext(lib->next);
    return handOut(info);
}
int lzhClose(HARC) {
    ++lib->closes;
    return 0;
}
int lzhExtract(void*, const char* command, unsigned char* buffer, uint32_t size, int32_t*,
               uint16_t*, uint32_t* written) {
    lib->commands.append(QByteArray(command));
    const uint32_t n = std::min<uint32_t>(size, uint32_t(lib->output.size()));
    std::memcpy(buffer, lib->output.constData(), n);
    *written = lib->written < 0 ? n : uint32_t(lib->written);
    return 0;
}
int zipOpen(void*, const QString& path, uint32_t mode) {
    lib->opened.append(platform::toFsBytes(path));
    lib->modes.append(mode);
    return lib->opens ? 1 : 0;
}
int zipFirst(void* handle, const char* wildcard, ArchiveMemberInfo* info) {
    return lzhFirst(handle, wildcard, info);
}
int zipNext(void* handle, ArchiveMemberInfo* info) {
    return lzhNext(handle, info);
}
int zipClose(void* handle) {
    return lzhClose(handle);
}
int zipRun(void*, const char* command, char* out, uint32_t size) {
    lib->commands.append(QByteArray(command));
    const uint32_t n = std::min<uint32_t>(size - 1, uint32_t(lib->output.size()));
    std::memcpy(out, lib->output.constData(), n);
    out[n] = '\0';
    return 0;
}

// The arguments of a command as the libraries read it, with their quoted flags.
QList<std::pair<QByteArray, bool>> parsed(const QByteArray& command) {
    ZelmoCommand c{};
    QList<std::pair<QByteArray, bool>> args;
    if (zelmo_command_parse(command.constData(), &c) != 0)
        return args;
    for (int i = 0; i < c.count; ++i)
        args.append({QByteArray(c.args[i]), c.quoted[i] != 0});
    zelmo_command_free(&c);
    return args;
}

// The tables hold the stand-ins while a test runs, and get their own entries back after.
class FakeSlots {
public:
    FakeSlots() : lzh_(archive::Lzh()), zip_(archive::Zip()) {
        lib = &library;
        archive::LzhEntries& l = archive::Lzh();
        l.UnlhaOpenArchive = lzhOpen;
        l.UnlhaFindFirst = lzhFirst;
        l.UnlhaFindNext = lzhNext;
        l.UnlhaCloseArchive = lzhClose;
        l.UnlhaExtractMem = lzhExtract;
        archive::ZipEntries& z = archive::Zip();
        z.UnzipOpenArchive = zipOpen;
        z.UnzipFindFirst = zipFirst;
        z.UnzipFindNext = zipNext;
        z.UnzipCloseArchive = zipClose;
        z.Unzip = zipRun;
    }
    ~FakeSlots() {
        archive::Lzh() = lzh_;
        archive::Zip() = zip_;
        lib = nullptr;
    }
    FakeLibrary library;

private:
    archive::LzhEntries lzh_;
    archive::ZipEntries zip_;
};

QList<Member> numbered(int count) {
    QList<Member> m;
    for (int i = 0; i < count; ++i)
        m.append({QStringLiteral("m%1.txt").arg(i, 3, 10, QLatin1Char('0')).toUtf8(), 10, 5});
    return m;
}

class MeltViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        platform::setSettingsFilePathOverride(dir.filePath("zelmo32.INI"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        state.UnlhaAvailable = state.UnzipAvailable = true;
        view = std::make_unique<TMeltView>(state, [this] { ++focusCalls; });
    }
    void TearDown() override {
        view.reset();
        delete state.Windows.MeltL.data();
        QLocale::setDefault(QLocale::system());
        platform::setSettingsFilePathOverride(QString());
    }
    // As the file panel opens it: the path as caption, then shown.
    void open(const QString& path) {
        view->setWindowTitle(path);
        view->show();
    }
    void click(int row, Qt::MouseButton button = Qt::LeftButton) {
        QTreeWidgetItem* item = view->ListView1->topLevelItem(row);
        ASSERT_NE(item, nullptr);
        const QPoint p = view->ListView1->visualItemRect(item).center();
        QTest::mousePress(view->ListView1->viewport(), button, {}, p);
        QTest::mouseRelease(view->ListView1->viewport(), button, {}, p);
    }
    int row(const QString& name) const { return int(view->ColumnTexts(0).indexOf(name)); }
    TMeltL* memberWindow() const { return qobject_cast<TMeltL*>(state.Windows.MeltL.data()); }

    QTemporaryDir dir;
    FakeSlots fakes;
    FakeLibrary& library = fakes.library;
    ui::ScriptedResponder responder;
    core::SharedState state;
    int focusCalls = 0;
    std::unique_ptr<TMeltView> view;
};

} // namespace

// ---- Column texts, orders and commands -------------------------------------------------

TEST(MemberColumns, ArchiveKindByTheFirstFourCharactersOfTheExtension) {
    using archive::ArchiveKind;
    EXPECT_EQ(archive::ArchiveKindOf("/a/x.Lzh5"), ArchiveKind::Lzh);
    EXPECT_EQ(archive::ArchiveKindOf("/a/x.lzh"), ArchiveKind::Lzh);
    EXPECT_EQ(archive::ArchiveKindOf("/a/x.zipx"), ArchiveKind::Zip);
    EXPECT_EQ(archive::ArchiveKindOf("/a/x.zi"), ArchiveKind::None);
    EXPECT_EQ(archive::ArchiveKindOf("/a.zip/readme"), ArchiveKind::None);
    EXPECT_EQ(archive::ArchiveKindOf(QString()), ArchiveKind::None);
}

TEST(MemberColumns, TextsOfOneRecord) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    Member m{"doc/readme.txt", 30000000, 1234, 253, dosDate(1998, 6, 5), dosTime(10, 4, 6)};
    archive::MemberRow lzh = archive::MemberRowFrom(record(m), archive::ArchiveKind::Lzh, us);
    EXPECT_EQ(lzh.nameBytes, QByteArray("doc/readme.txt"));
    const std::array<QString, 6> lzhTexts = {"doc/readme.txt", "30,000,000", "1,234",
                                             "25% ",           "1998/06/05", "10:04:06"};
    EXPECT_EQ(lzh.texts, lzhTexts);
    // The ZIP ratio comes from the sizes (the record's ratio field is not looked at), in
    // 64 bits: 3e9 * 100 does not fit 32.
    EXPECT_EQ(archive::ZipRatioText(1000, 250), "25% ");
    EXPECT_EQ(archive::ZipRatioText(4000000000u, 3000000000u), "75% ");
    EXPECT_EQ(archive::ZipRatioText(0, 0), " - % ");
    m.original = 1000;
    m.compressed = 250;
    m.ratio = 999;
    EXPECT_EQ(archive::MemberRowFrom(record(m), archive::ArchiveKind::Zip, us).texts[3], "25% ");
    // The user's separators; a locale that leaves them out by default still gets them.
    EXPECT_EQ(archive::SizeText(30000000, QLocale(QLocale::German, QLocale::Germany)),
              "30.000.000");
    EXPECT_EQ(archive::SizeText(1000, QLocale::c()), "1,000");
    EXPECT_EQ(archive::SizeText(0, us), "0");
    EXPECT_EQ(archive::DosDateText(dosDate(2107, 12, 31)), "2107/12/31");
    EXPECT_EQ(archive::DosTimeText(dosTime(0, 0, 0)), "00:00:00");
}

TEST(MemberColumns, NamesAreUtf8ElseCp932AndEndAtTheirField) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    Member sjis{"\x83\x65\x83\x4c\x83\x58\x83\x67.txt"}; // CP932 bytes
    archive::MemberRow row = archive::MemberRowFrom(record(sjis), archive::ArchiveKind::Lzh, us);
    EXPECT_EQ(row.texts[0], QStringLiteral("テキスト.txt"));
    EXPECT_EQ(row.nameBytes, sjis.name);
    // A name that fills its field without a NUL stops at the field's end.
    ArchiveMemberInfo full{};
    std::memset(full.fileName, 'a', sizeof full.fileName);
    std::memset(full.reserved, 'b', sizeof full.reserved);
    row = archive::MemberRowFrom(full, archive::ArchiveKind::Zip, us);
    EXPECT_EQ(row.nameBytes, QByteArray(ARCHIVE_MEMBER_NAME_SIZE, 'a'));
    // Bytes neither UTF-8 nor CP932 decode show in the escape form and stay as they are
    // for the library; the whole name is read one way: no run of it as UTF-8.
    Member odd{"caf\xE9.txt"};
    row = archive::MemberRowFrom(record(odd), archive::ArchiveKind::Lzh, us);
    EXPECT_EQ(row.texts[0], QStringLiteral("caf\\xE9.txt"));
    EXPECT_EQ(row.nameBytes, odd.name);
    EXPECT_EQ(archive::MemberNameText("\x81\xFD\xE2\x86\x92x"),
              QStringLiteral("\\x81\\xFD\\xE2\\x86\\x92x"));
    // CP866 "привет": no CP932 either, and its "\xE0\xA8\xA2" no Gurmukhi letter.
    EXPECT_EQ(archive::MemberNameText("\xAF\xE0\xA8\xA2\xA5\xE2.txt"),
              QStringLiteral("\\xAF\\xE0\\xA8\\xA2\\xA5\\xE2.txt"));
    EXPECT_EQ(archive::MemberNameText("caf\xC3\xA9.txt"), QStringLiteral("café.txt"));
    // A ZIP64 member larger than the record's 32 bits shows its whole size.
    Member big{"big.bin", UINT32_MAX, UINT32_MAX};
    row = archive::MemberRowFrom(record(big), archive::ArchiveKind::Zip, us, UINT64_C(5000000000),
                                 UINT64_C(4500000000));
    EXPECT_EQ(row.texts[1], QStringLiteral("5,000,000,000"));
    EXPECT_EQ(row.texts[2], QStringLiteral("4,500,000,000"));
    EXPECT_EQ(row.texts[3], QStringLiteral("90% "));
}

TEST(MemberColumns, ComparisonsOfTheSixColumns) {
    QCollator names{QLocale(QLocale::English, QLocale::UnitedStates)};
    // Sizes by value, whatever the separators.
    EXPECT_EQ(archive::CompareMemberColumn(1, "999", "1,000", names), -1);
    EXPECT_EQ(archive::CompareMemberColumn(2, "30.000.000", "999", names), 1);
    EXPECT_EQ(archive::CompareMemberColumn(1, "1,000", "1000", names), 0);
    // Ratio, date and time as text: 100 before 25.
    EXPECT_EQ(archive::CompareMemberColumn(3, "100% ", "25% ", names), -1);
    EXPECT_EQ(archive::CompareMemberColumn(3, " - % ", "0% ", names), -1);
    EXPECT_EQ(archive::CompareMemberColumn(4, "1998/06/05", "1998/06/05", names), 0);
    EXPECT_EQ(archive::CompareMemberColumn(5, "10:04:06", "09:59:58", names), 1);
    // Names by the collation: case does not come first.
    EXPECT_EQ(archive::CompareMemberColumn(0, "b.txt", "C.txt", names), -1);
    EXPECT_EQ(archive::CompareMemberColumn(0, "Z.txt", "a.txt", names), 1);
}

TEST(MemberColumns, ProgramMembersAnyCase) {
    for (const char* name : {"a.exe", "A.EXE", "dir/x.Dll", "x.y.DLL", "dir\\setup.eXe"})
        EXPECT_TRUE(archive::IsProgramMember(QString::fromUtf8(name))) << name;
    for (const char* name : {"a.exe.txt", "a.exex", "dll", "x.exe/readme", "x.dll\\readme", "a.ex"})
        EXPECT_FALSE(archive::IsProgramMember(QString::fromUtf8(name))) << name;
}

TEST(MemberColumns, CommandsCarryAnyNameWhole) {
    const QByteArray archivePath = "/tmp/a \"b\"\\c\x82\xa0.zip";
    const QByteArray member = "-x \"odd\" name\\.txt";
    const auto lzh = parsed(archive::MemberCommand(archivePath, member));
    ASSERT_EQ(lzh.size(), 2);
    EXPECT_EQ(lzh[0], std::make_pair(archivePath, true));
    EXPECT_EQ(lzh[1], std::make_pair(member, true));
    const auto zip = parsed(archive::ZipPrintCommand(archivePath, member));
    ASSERT_EQ(zip.size(), 3);
    EXPECT_EQ(zip[0], std::make_pair(QByteArray("-p"), false));
    EXPECT_EQ(zip[1], std::make_pair(archivePath, true));
    EXPECT_EQ(zip[2], std::make_pair(member, true)); // never an option
    EXPECT_EQ(
        archive::MemberCommandCaption(QStringLiteral("/t/書庫.lzh"), QStringLiteral("a \"b\".txt")),
        QStringLiteral("\"/t/書庫.lzh\" \"a \\\"b\\\".txt\""));
}

TEST(MemberColumns, TextInBufferStopsAtTheCountAndTheFirstNul) {
    const QByteArray buffer("hello\0world", 11);
    EXPECT_EQ(archive::TextInBuffer(buffer, 11), "hello");
    EXPECT_EQ(archive::TextInBuffer(buffer, 3), "hel");
    EXPECT_EQ(archive::TextInBuffer(QByteArray("abc"), 99), "abc");
    EXPECT_EQ(archive::TextInBuffer(buffer, -1), "");
}

// ---- The window ------------------------------------------------------------------------

TEST_F(MeltViewTest, DesignOfTheWindow) {
    EXPECT_EQ(view->windowTitle(), "MeltView");
    EXPECT_TRUE(view->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(view->size(), QSize(457, 91));
    EXPECT_EQ(view->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(view->Panel2->width(), 47);
    EXPECT_EQ(view->SpeedButton1->text(), QStringLiteral("終了"));
    const QStringList headers = {"解凍後ファイル", "解凍サイズ", "現サイズ",
                                 "圧縮比率",       "日付",       "時刻"};
    ASSERT_EQ(view->ListView1->columnCount(), 6);
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(view->ListView1->headerItem()->text(c), headers[c]);
        const bool right = c >= 1 && c <= 3;
        EXPECT_EQ(view->ListView1->headerItem()->textAlignment(c) & Qt::AlignRight,
                  right ? int(Qt::AlignRight) : 0)
            << c;
    }
    EXPECT_FALSE(view->isVisible());
}

TEST_F(MeltViewTest, ReadsLzhByTheFirstFourCharactersOfTheExtension) {
    library.members = {{"b.txt", 10, 4, 400, dosDate(1998, 6, 5), dosTime(10, 4, 6)}};
    // A path whose bytes are not UTF-8 reaches the library as the same bytes.
    const QByteArray pathBytes = "/tmp/\x82\xa0 archive.Lzh5";
    open(platform::fromFsBytes(pathBytes));
    ASSERT_EQ(library.opened, QList<QByteArray>{pathBytes});
    EXPECT_EQ(library.modes, QList<uint32_t>{0x1000});
    EXPECT_EQ(library.wildcard, "*.*");
    EXPECT_EQ(library.closes, 1);
    EXPECT_EQ(view->ColumnTexts(0), QStringList{"b.txt"});
    EXPECT_EQ(view->ColumnTexts(3), QStringList{"40% "}); // the LZH record's ratio
    EXPECT_EQ(view->ColumnTexts(4), QStringList{"1998/06/05"});
    EXPECT_EQ(view->ColumnTexts(5), QStringList{"10:04:06"});
    EXPECT_EQ(view->Label1->text(), "1");
    EXPECT_EQ(view->LastMemberName, "b.txt");
    EXPECT_EQ(view->LastListedArchive, platform::fromFsBytes(pathBytes));
    EXPECT_FALSE(state.ArchiveListBusy);
    EXPECT_EQ(ui::HelpContextOf(view.get()), TMeltView::kHelpContext);
    EXPECT_GE(focusCalls, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(responder.calls().isEmpty());
}

TEST_F(MeltViewTest, ZipColumnsAndAnythingElseLeavesTheList) {
    library.members = {
        {"big.bin", 1000, 250}, {"empty.txt", 0, 0}, {"huge", 4000000000u, 3000000000u}};
    open("/tmp/a.ZIP");
    EXPECT_EQ(view->ColumnTexts(0), (QStringList{"big.bin", "empty.txt", "huge"}));
    EXPECT_EQ(view->ColumnTexts(3), (QStringList{"25% ", " - % ", "75% "}));
    EXPECT_EQ(view->ColumnTexts(1), (QStringList{"1,000", "0", "4,000,000,000"}));
    // Neither kind: nothing asked, the list as it was.
    for (const char* other : {"/tmp/a.txt", "/tmp/a.zi", "/tmp/noext"}) {
        open(QString::fromUtf8(other));
        EXPECT_EQ(library.opened.size(), 1) << other;
        EXPECT_EQ(view->ColumnTexts(0).size(), 3) << other;
    }
}

TEST_F(MeltViewTest, TheSameArchiveIsNotReadAgain) {
    library.members = numbered(2);
    open("/tmp/one.lzh");
    view->hide();
    open("/tmp/one.lzh");
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(view.get(), &activate);
    EXPECT_EQ(library.opened.size(), 1);
    EXPECT_EQ(view->ColumnTexts(0).size(), 2);
    // Another archive in the visible window: its new caption is enough.
    library.members = numbered(1);
    view->setWindowTitle("/tmp/two.zip");
    EXPECT_EQ(library.opened.size(), 2);
    EXPECT_EQ(view->ColumnTexts(0).size(), 1);
    EXPECT_EQ(view->Label1->text(), "1");
}

TEST_F(MeltViewTest, AtMost300Members) {
    library.members = numbered(301);
    open("/tmp/many.lzh");
    EXPECT_EQ(view->ListView1->topLevelItemCount(), 300);
    EXPECT_EQ(view->Label1->text(), "300");
    EXPECT_EQ(library.nexts, 299); // the 301st is never asked for
    EXPECT_EQ(library.closes, 1);
    EXPECT_EQ(view->LastMemberName, "m299.txt");
}

TEST_F(MeltViewTest, UnavailableLibraryOrUnreadableArchiveLeavesTheListEmptyWithoutAMessage) {
    library.members = numbered(3);
    open("/tmp/first.zip");
    ASSERT_EQ(view->ListView1->topLevelItemCount(), 3);
    state.UnlhaAvailable = false;
    view->setWindowTitle("/tmp/second.lzh");
    EXPECT_EQ(view->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(view->Label1->text(), "");
    EXPECT_EQ(library.opened.size(), 1);
    // Read once even so: the library coming back does not re-read it.
    state.UnlhaAvailable = true;
    view->hide();
    open("/tmp/second.lzh");
    EXPECT_EQ(library.opened.size(), 1);
    // A file the library cannot open.
    library.opens = false;
    view->setWindowTitle("/tmp/broken.zip");
    EXPECT_EQ(library.opened.size(), 2);
    EXPECT_EQ(library.closes, 1);
    EXPECT_EQ(view->ListView1->topLevelItemCount(), 0);
    EXPECT_TRUE(responder.calls().isEmpty());
    EXPECT_FALSE(state.ArchiveListBusy);
}

TEST_F(MeltViewTest, HelpContextOnlyAfterAReadWithTheLibrary) {
    state.UnzipAvailable = false;
    open("/tmp/a.zip");
    EXPECT_EQ(ui::HelpContextOf(view.get()), 0);
}

TEST_F(MeltViewTest, AFailingReadStillEndsTheBusyStateAndClosesTheArchive) {
    library.members = numbered(3);
    library.onNext = [](int) { throw EUnzipError(QStringLiteral("壊れた書庫")); };
    open("/tmp/bad.zip");
    // The error is shown by the top level; the window is not busy any more, the archive
    // is closed (the next one can be opened), the keyboard is given back.
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls()[0].text, QStringLiteral("壊れた書庫"));
    EXPECT_FALSE(state.ArchiveListBusy);
    EXPECT_EQ(library.closes, 1);
    EXPECT_GE(focusCalls, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ui::HelpContextOf(view.get()), 0);
    EXPECT_EQ(view->ListView1->topLevelItemCount(), 1);
}

TEST_F(MeltViewTest, AnotherArchiveNamedDuringAReadIsReadAfterIt) {
    library.members = numbered(5);
    library.onNext = [this](int i) {
        if (i == 2) {
            library.onNext = nullptr;
            // The file panel names another archive while messages run.
            view->setWindowTitle("/tmp/second.zip");
            EXPECT_EQ(library.opened.size(), 1);
        }
    };
    open("/tmp/first.lzh");
    EXPECT_EQ(library.opened, (QList<QByteArray>{"/tmp/first.lzh", "/tmp/second.zip"}));
    EXPECT_EQ(library.closes, 2);
    EXPECT_EQ(view->LastListedArchive, "/tmp/second.zip");
    EXPECT_EQ(view->ListView1->topLevelItemCount(), 5);
    EXPECT_EQ(view->Label1->text(), "5");
}

// ---- Orders ----------------------------------------------------------------------------

TEST_F(MeltViewTest, MembersComeInNameOrderAndHeadersSortByTheirColumn) {
    library.members = {{"c.txt", 999, 999, 0, dosDate(2001, 1, 1)},
                       {"A.txt", 1000, 250, 0, dosDate(1999, 12, 31)},
                       {"b.txt", 30000000, 5, 0, dosDate(2001, 1, 2)},
                       {"d.txt", 5, 5, 0, dosDate(1980, 1, 1)}};
    open("/tmp/s.zip");
    EXPECT_EQ(view->ColumnTexts(0), (QStringList{"A.txt", "b.txt", "c.txt", "d.txt"}));
    auto sizes = [this] { return view->ColumnTexts(0); };
    // Sizes by value: the first click sorts descending.
    view->ListView1ColumnClick(1);
    EXPECT_EQ(sizes(), (QStringList{"b.txt", "A.txt", "c.txt", "d.txt"}));
    view->ListView1ColumnClick(1);
    EXPECT_EQ(sizes(), (QStringList{"d.txt", "c.txt", "A.txt", "b.txt"}));
    // Ratio as text, so 100 lies between 0 and 25.
    view->ListView1ColumnClick(3);
    EXPECT_EQ(view->ColumnTexts(3), (QStringList{"25% ", "100% ", "100% ", "0% "}));
    view->ListView1ColumnClick(3);
    EXPECT_EQ(view->ColumnTexts(3), (QStringList{"0% ", "100% ", "100% ", "25% "}));
    // Names, descending first, through the header as the user clicks it.
    QHeaderView* header = view->ListView1->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    EXPECT_TRUE(view->SortDescending[0]);
    EXPECT_EQ(view->ColumnTexts(0), (QStringList{"d.txt", "c.txt", "b.txt", "A.txt"}));
    view->ListView1ColumnClick(4);
    EXPECT_EQ(view->ColumnTexts(4).first(), "2001/01/02");
    EXPECT_EQ(view->SortDescending, (std::array<bool, 6>{true, false, false, false, true, false}));
}

// A header click while members still come (the read lets events through) waits for the
// read's end: members are inserted in name order until then, and the list ends sorted by
// the clicked column.
TEST_F(MeltViewTest, AHeaderClickDuringAReadIsAppliedWhenItEnds) {
    library.members = {{"c.txt", 3}, {"a.txt", 1}, {"d.txt", 4}, {"b.txt", 2}};
    library.onNext = [this](int i) {
        if (i == 2)
            view->ListView1ColumnClick(1);
    };
    open("/tmp/s.zip");
    EXPECT_TRUE(view->SortDescending[1]);
    EXPECT_EQ(view->ColumnTexts(0), (QStringList{"d.txt", "c.txt", "b.txt", "a.txt"}));
}

// ---- Viewing a member ------------------------------------------------------------------

TEST_F(MeltViewTest, ALzhMemberIsShownInTheMemberTextWindow) {
    const QByteArray odd = "say \"hi\" now.txt";
    library.members = {{odd, 11, 11}, {"other.txt", 1, 1}};
    library.output = QByteArray("line one\r\nline two\0tail", 23);
    const QString archivePath = "/tmp/書庫 a.lzh";
    open(archivePath);
    click(row(QString::fromUtf8(odd)));
    ASSERT_EQ(library.commands.size(), 1);
    const auto args = parsed(library.commands[0]);
    ASSERT_EQ(args.size(), 2);
    EXPECT_EQ(args[0], std::make_pair(archivePath.toUtf8(), true));
    EXPECT_EQ(args[1], std::make_pair(odd, true));
    TMeltL* text = memberWindow();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isVisible());
    EXPECT_EQ(text->RichEdit1->toPlainText(), "line one\nline two");
    EXPECT_EQ(text->windowTitle(),
              QStringLiteral("\"/tmp/書庫 a.lzh\" \"say \\\"hi\\\" now.txt\""));
    EXPECT_FALSE(text->Modified());
    EXPECT_EQ(state.CurrentTextFile, QString::fromUtf8(odd));
    EXPECT_EQ(view->LastMemberName, QString::fromUtf8(odd));
    EXPECT_EQ(state.LastTextFontSource.data(), text->RichEdit1);
    // The same window next time; the count of bytes written bounds the text.
    library.written = 4;
    click(row("other.txt"), Qt::RightButton);
    EXPECT_EQ(memberWindow(), text);
    EXPECT_EQ(text->RichEdit1->toPlainText(), "line");
    EXPECT_EQ(state.CurrentTextFile, "other.txt");
}

TEST_F(MeltViewTest, AZipMemberIsPrintedWithItsNameQuoted) {
    const QByteArray sjisName = "-x \x83\x65\x83\x4c\x83\x58\x83\x67.txt"; // CP932
    library.members = {{sjisName, 3, 3}};
    library.output = "\x82\xa0\x82\xa2"; // CP932 text
    const QByteArray pathBytes = "/tmp/\xff.zip";
    open(platform::fromFsBytes(pathBytes));
    ASSERT_EQ(view->ColumnTexts(0), QStringList{QStringLiteral("-x テキスト.txt")});
    click(0);
    ASSERT_EQ(library.commands.size(), 1);
    const auto args = parsed(library.commands[0]);
    ASSERT_EQ(args.size(), 3);
    EXPECT_EQ(args[0], std::make_pair(QByteArray("-p"), false));
    EXPECT_EQ(args[1], std::make_pair(pathBytes, true));
    EXPECT_EQ(args[2], std::make_pair(sjisName, true));
    ASSERT_NE(memberWindow(), nullptr);
    EXPECT_EQ(memberWindow()->RichEdit1->toPlainText(), QStringLiteral("あい"));
}

TEST_F(MeltViewTest, ProgramsAndEmptySpaceAreNotViewed) {
    library.members = {{"setup.exe"}, {"LIB.DLL"}, {"x.Exe"}};
    open("/tmp/p.lzh");
    for (int i = 0; i < 3; ++i)
        click(i);
    EXPECT_TRUE(library.commands.isEmpty());
    EXPECT_EQ(memberWindow(), nullptr);
    // Below the last member.
    QTest::mouseClick(view->ListView1->viewport(), Qt::LeftButton, {},
                      QPoint(5, view->ListView1->viewport()->height() - 2));
    EXPECT_TRUE(library.commands.isEmpty());
}

// ---- Keys and closing ------------------------------------------------------------------

TEST_F(MeltViewTest, KeysMoveNothingAndGiveTheKeyboardBack) {
    library.members = numbered(3);
    open("/tmp/k.lzh");
    click(0);
    QTreeWidgetItem* current = view->ListView1->currentItem();
    focusCalls = 0;
    QTest::keyClick(view->ListView1, Qt::Key_Down);
    QTest::keyClick(view->ListView1, Qt::Key_End);
    EXPECT_EQ(view->ListView1->currentItem(), current);
    EXPECT_EQ(focusCalls, 2);
    state.ArchiveListBusy = true;
    QTest::keyClick(view->ListView1, Qt::Key_Up);
    EXPECT_EQ(focusCalls, 2);
    state.ArchiveListBusy = false;
}

TEST_F(MeltViewTest, ClosingHidesAndAMaximisedWindowComesBackNormal) {
    open("/tmp/c.lzh");
    view->showMaximized();
    QTest::mouseClick(view->SpeedButton1, Qt::LeftButton);
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(view->isMaximized());
}

TEST_F(MeltViewTest, PlacementIsKeptUnderItsClassName) {
    view->move(123, 77);
    view.reset();
    const SettingsFile ini;
    EXPECT_EQ(ini.ReadInteger("TMeltView", "PlaceNormalPos.Left", -1), 123);
    view = std::make_unique<TMeltView>(state, nullptr);
    EXPECT_EQ(view->pos(), QPoint(123, 77));
}

// ---- In the main window ----------------------------------------------------------------

namespace {

class MeltViewInMainWindow : public MainWindowFixture {
protected:
    TMeltView* archiveWindow() const {
        return qobject_cast<TMeltView*>(form->State().Windows.MeltView.data());
    }
    FakeSlots fakes;
};

} // namespace

TEST_F(MeltViewInMainWindow, MadeHiddenWhenShownWithTheViewerAndKeptForTheRun) {
    TForm1& f = create();
    QPointer<TMeltView> made = archiveWindow();
    ASSERT_NE(made, nullptr);
    EXPECT_FALSE(made->isVisible());
    f.Modes().VierCloseClick();
    f.Modes().VierButtonClick();
    EXPECT_EQ(archiveWindow(), made.data());
    // Gone with the main window, its placement saved.
    made->move(55, 66);
    form.reset();
    EXPECT_TRUE(made.isNull());
    const SettingsFile ini(settingsDir.filePath("zelmo32.INI"));
    EXPECT_EQ(ini.ReadInteger("TMeltView", "PlaceNormalPos.Left", -1), 55);
}

TEST_F(MeltViewInMainWindow, MadeWhenTheViewerIsFirstOpened) {
    writeSettings("[FormStyle]\r\nViewerStyle=0\r\noldDirPath=" + root.toUtf8() + "\r\n");
    form = std::make_unique<TForm1>();
    form->show();
    QApplication::processEvents();
    ASSERT_FALSE(form->State().ViewerOpen);
    EXPECT_EQ(archiveWindow(), nullptr);
    form->Modes().VierButtonClick();
    ASSERT_NE(archiveWindow(), nullptr);
    EXPECT_FALSE(archiveWindow()->isVisible());
}

TEST_F(MeltViewInMainWindow, AnArchiveClickedInAListIsListedAndTheListKeepsTheKeyboard) {
    file("pack.lzh", 10);
    file("note.txt", 5);
    TForm1& f = create();
    f.State().UnlhaAvailable = true;
    fakes.library.members = numbered(2);
    browser::TFileListBoxS* list = f.Files().ListBox1;
    const int archive = int(names(list).indexOf("pack.lzh"));
    ASSERT_GE(archive, 0);
    clickItem(list, archive);
    QApplication::processEvents();
    TMeltView* view = archiveWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->windowTitle(), root + "/pack.lzh");
    EXPECT_EQ(view->ColumnTexts(0), (QStringList{"m000.txt", "m001.txt"}));
    EXPECT_EQ(QApplication::focusWidget(), list);
    // A key in the member list goes back to the list, on the result sheet too.
    f.Files().PageControl->setCurrentWidget(f.Files().TabSheet2);
    view->ListView1->setFocus();
    QTest::keyClick(view->ListView1, Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), f.Files().ListBox2);
    f.Files().PageControl->setCurrentWidget(f.Files().TabSheet1);
    // Another file hides it.
    clickItem(list, int(names(list).indexOf("note.txt")));
    EXPECT_FALSE(view->isVisible());
}
