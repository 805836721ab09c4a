// The extraction code both archive libraries share, called directly: names, hostile
// archives, caps, existing files, and one member into memory.
#include "LzhBuilder.h"
#include "OutsideTestUtil.h"
#include "outside/archive/ArchiveExtract.h"

#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <cstring>
#include <ctime>

using namespace outsidetest;

namespace {

struct Result {
    int code;
    std::string report;
};

Result ExtractAll(const std::string& archive, const std::string& destination, int flat = 0,
                  const ZelmoExtractLimits* limits = nullptr) {
    char report[1024];
    std::memset(report, 'X', sizeof report);
    int code = zelmo_extract_all(archive.c_str(), ZELMO_ARCHIVE_ZIP, destination.c_str(), flat,
                                 limits, report, sizeof report);
    return {code, report};
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

const std::vector<std::string> kNames =
    Sorted({"ascii.txt", "ソフト/", "ソフト/表.txt", "日本語/", "日本語/ユニコード.txt"});

// Names flagged UTF-8 and names in CP932 ("\" inside ソ and 表 is no separator) both
// come out as UTF-8, whatever the process locale.
TEST(ExtractAll, NamesComeOutInUtf8UnderAnyLocale) {
    for (const char* locale : {"C.UTF-8", "C"}) {
        SCOPED_TRACE(locale);
        std::string previous = std::setlocale(LC_ALL, nullptr);
        std::setlocale(LC_ALL, locale);
        TempTree tree;
        Result r = ExtractAll(Archive("names.zip"), tree.root());
        std::setlocale(LC_ALL, previous.c_str());
        EXPECT_EQ(r.code, 0) << r.report;
        EXPECT_EQ(r.report, "3 extracted, 0 refused, 25 bytes\n");
        EXPECT_EQ(Listing(tree.root()), kNames);
        EXPECT_EQ(ReadFile(tree.root() + "/ソフト/表.txt"), "cp932 name");
        EXPECT_EQ(ReadFile(tree.root() + "/日本語/ユニコード.txt"), "utf-8 name");
    }
}

TEST(ExtractAll, FlatDropsFolderPartsAndKeepsTimes) {
    TempTree tree;
    Result r = ExtractAll(Archive("names.zip"), tree.root(), 1);
    EXPECT_EQ(r.code, 0) << r.report;
    EXPECT_EQ(Listing(tree.root()), Sorted({"ascii.txt", "表.txt", "ユニコード.txt"}));
    // The members are dated 2001-02-03 04:05:06, local time as ZIP keeps it.
    std::tm when{};
    when.tm_year = 101, when.tm_mon = 1, when.tm_mday = 3;
    when.tm_hour = 4, when.tm_min = 5, when.tm_sec = 6, when.tm_isdst = -1;
    struct stat st;
    ASSERT_EQ(::stat((tree.root() + "/表.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, std::mktime(&when));
}

// The LZH reader: CP932 names, "\" as separator (also as the second byte of ソ and 表),
// under the C locale; "e" drops the folders; a climbing name is refused.
TEST(ExtractAll, LzhNamesAndFlatExtraction) {
    std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    TempTree tree;
    std::string tree1 = tree.mkdir("x"), flat = tree.mkdir("e");
    char report[256];
    int full = zelmo_extract_all(Archive("names.lzh").c_str(), ZELMO_ARCHIVE_LZH, tree1.c_str(), 0,
                                 nullptr, report, sizeof report);
    int dropped = zelmo_extract_all(Archive("names.lzh").c_str(), ZELMO_ARCHIVE_LZH, flat.c_str(),
                                    1, nullptr, nullptr, 0);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(full, ZELMO_EXTRACT_REFUSED);
    EXPECT_EQ(std::string(report), "refused \"../evil.txt\": \"..\" in the path\n"
                                   "2 extracted, 1 refused, 15 bytes\n");
    // Flat, the climbing name loses its ".." with its folders and lands inside.
    EXPECT_EQ(Listing(tree.root()), Sorted({"e/", "e/ascii.txt", "e/evil.txt", "e/表.txt", "x/",
                                            "x/ascii.txt", "x/ソフト/", "x/ソフト/表.txt"}));
    EXPECT_EQ(ReadFile(tree1 + "/ソフト/表.txt"), "cp932 name");
    EXPECT_EQ(dropped, 0);
}

// A line break, a quote, a backslash as separator and a byte that no code page decodes:
// each name lands as the archive holds it.
TEST(ExtractAll, OddNamesAreWrittenByteForByte) {
    TempTree tree;
    Result r = ExtractAll(Archive("oddnames.zip"), tree.root());
    EXPECT_EQ(r.code, 0) << r.report;
    EXPECT_EQ(Listing(tree.root()), Sorted({"line\nbreak.txt", "quote\"and/", "quote\"and/back.txt",
                                            "bad\xff"
                                            "byte.txt"}));
    EXPECT_EQ(ReadFile(tree.root() + "/bad\xff"
                                     "byte.txt"),
              "not cp932");
}

// Paths that climb out and drive paths are refused, a path from the root lands below the
// destination; nothing appears anywhere in the whole temporary tree but the destination's
// plain members.
TEST(ExtractAll, HostilePathsWriteNothingOutside) {
    TempTree tree;
    tree.mkdir("a");
    std::string dest = tree.mkdir("a/dest");
    Result r = ExtractAll(Archive("slip.zip"), dest);
    EXPECT_EQ(r.code, ZELMO_EXTRACT_REFUSED);
    EXPECT_EQ(r.report, "refused \"../evil.txt\": \"..\" in the path\n"
                        "refused \"a/../../evil2.txt\": \"..\" in the path\n"
                        "refused \"..\\evil3.txt\": \"..\" in the path\n"
                        "refused \"C:\\evil4.txt\": drive path\n"
                        "3 extracted, 4 refused, 11 bytes\n");
    EXPECT_EQ(Listing(tree.root()),
              Sorted({"a/", "a/dest/", "a/dest/ok.txt", "a/dest/sub/", "a/dest/sub/inner.txt",
                      "a/dest/tmp/", "a/dest/tmp/zelmo-absolute-evil.txt"}));
    EXPECT_FALSE(Exists("/tmp/zelmo-absolute-evil.txt"));
    EXPECT_FALSE(Exists(Archives() + "/../evil.txt"));

    // Flat ("e"), every folder part goes, the root and ".." included: all land inside.
    std::string flat = tree.mkdir("a/flat");
    r = ExtractAll(Archive("slip.zip"), flat, 1);
    EXPECT_EQ(Listing(tree.root() + "/a/flat"),
              Sorted({"evil.txt", "evil2.txt", "evil3.txt", "evil4.txt", "inner.txt", "ok.txt",
                      "zelmo-absolute-evil.txt"}))
        << r.report;
    EXPECT_FALSE(Exists("/tmp/zelmo-absolute-evil.txt"));
    EXPECT_FALSE(Exists(tree.root() + "/evil.txt"));
}

// Links, devices and fifos never become what they claim: the link member is refused, the
// file meant to go through it lands in a plain folder, the device is refused.
TEST(ExtractAll, LinksAndDevicesAreNotMade) {
    TempTree tree;
    Result r = ExtractAll(Archive("links.zip"), tree.root());
    EXPECT_EQ(r.code, ZELMO_EXTRACT_REFUSED);
    EXPECT_NE(r.report.find("refused \"link\": not a plain file or folder\n"), std::string::npos);
    EXPECT_NE(r.report.find("refused \"dev\": not a plain file or folder\n"), std::string::npos);
    // libarchive reads a ZIP fifo as an empty plain file: harmless, so it is kept.
    EXPECT_EQ(Listing(tree.root()), Sorted({"after.txt", "fifo", "link/", "link/passwd"}));
    EXPECT_EQ(ReadFile(tree.root() + "/link/passwd"), "written through");
}

// A link already in the destination under a member's folder name is never entered.
TEST(ExtractAll, ExistingLinksInTheDestinationAreNotFollowed) {
    TempTree tree;
    std::string outside = tree.mkdir("outside");
    std::string dest = tree.mkdir("dest");
    ASSERT_EQ(::symlink(outside.c_str(), (dest + "/sub").c_str()), 0);
    ASSERT_EQ(::symlink((outside + "/ok.txt").c_str(), (dest + "/ok.txt").c_str()), 0);
    Result r = ExtractAll(Archive("slip.zip"), dest);
    EXPECT_EQ(r.code, ZELMO_EXTRACT_REFUSED);
    EXPECT_NE(r.report.find("2 extracted, 5 refused, 6 bytes\n"), std::string::npos) << r.report;
    EXPECT_EQ(Listing(tree.root()),
              Sorted({"dest/", "dest/ok (2).txt", "dest/ok.txt -> link", "dest/sub -> link",
                      "dest/tmp/", "dest/tmp/zelmo-absolute-evil.txt", "outside/"}));
    // A destination that is itself a link is the folder the user chose: it is followed.
    ASSERT_EQ(::symlink(outside.c_str(), (tree.root() + "/via").c_str()), 0);
    EXPECT_EQ(ExtractAll(Archive("names.zip"), tree.root() + "/via/").code, 0);
    EXPECT_EQ(ReadFile(outside + "/ascii.txt"), "plain");
}

// An existing file is never overwritten: the new one goes beside it as "name (2).ext".
TEST(ExtractAll, ExistingFilesAreKept) {
    TempTree tree;
    WriteFile(tree.root() + "/ascii.txt", "mine");
    ASSERT_EQ(ExtractAll(Archive("names.zip"), tree.root()).code, 0);
    ASSERT_EQ(ExtractAll(Archive("names.zip"), tree.root()).code, 0);
    EXPECT_EQ(ReadFile(tree.root() + "/ascii.txt"), "mine");
    EXPECT_EQ(ReadFile(tree.root() + "/ascii (2).txt"), "plain");
    EXPECT_EQ(ReadFile(tree.root() + "/ascii (3).txt"), "plain");
    EXPECT_EQ(ReadFile(tree.root() + "/ソフト/表 (2).txt"), "cp932 name");
    EXPECT_EQ(Listing(tree.root()).size(), kNames.size() + 4);
}

// The caps: a declared size stops before anything is written, a size that lies stops while
// writing and the part written is removed, the member count, and the ratio against the
// archive's size.
TEST(ExtractAll, CapsStopTheExtraction) {
    TempTree tree;
    ZelmoExtractLimits small = {1 << 20, 1000, 1000000, 0};
    std::string dest = tree.mkdir("bomb");
    Result r = ExtractAll(Archive("bomb.zip"), dest, 0, &small);
    EXPECT_EQ(r.code, ZELMO_EXTRACT_CAP);
    EXPECT_EQ(r.report, "stopped at \"zeros.bin\": its size passes the byte cap\n"
                        "0 extracted, 0 refused, 0 bytes\n");
    EXPECT_EQ(Listing(dest), std::vector<std::string>{});

    dest = tree.mkdir("liar");
    r = ExtractAll(Archive("liar.zip"), dest, 0, &small);
    EXPECT_EQ(r.code, ZELMO_EXTRACT_CAP);
    EXPECT_EQ(r.report, "stopped at \"liar.bin\": the byte cap was reached\n"
                        "0 extracted, 0 refused, 0 bytes\n");
    EXPECT_EQ(Listing(dest), std::vector<std::string>{});

    dest = tree.mkdir("many");
    ZelmoExtractLimits tenMembers = {1 << 20, 10, 1000000, 0};
    r = ExtractAll(Archive("many.zip"), dest, 0, &tenMembers);
    EXPECT_EQ(r.code, ZELMO_EXTRACT_CAP);
    EXPECT_EQ(r.report, "stopped: more than 10 files\n10 extracted, 0 refused, 10 bytes\n");
    EXPECT_EQ(Listing(dest).size(), 10u);

    // 40 entries of 5 MiB each share one compressed member of a few kilobytes: the reader
    // takes the shared member once, so only one file of zeros (about 1 000 to 1, as honest
    // as an archive gets) arrives under the default caps.
    dest = tree.mkdir("overlap-total");
    ZelmoExtractLimits total = {12 << 20, 1000, 1000000, 0};
    r = ExtractAll(Archive("overlap.zip"), dest, 0, &total);
    EXPECT_EQ(Listing(dest), std::vector<std::string>{"zeros0.bin"});
    dest = tree.mkdir("overlap-default");
    r = ExtractAll(Archive("overlap.zip"), dest);
    EXPECT_EQ(r.code, 0) << r.report;
    EXPECT_EQ(Listing(dest), std::vector<std::string>{"zeros0.bin"});
    // A lower ratio cap stops it before anything is written.
    dest = tree.mkdir("overlap-ratio");
    ZelmoExtractLimits ratio = {UINT64_C(1) << 30, 1000, 500, 0};
    r = ExtractAll(Archive("overlap.zip"), dest, 0, &ratio);
    EXPECT_EQ(r.code, ZELMO_EXTRACT_CAP);
    EXPECT_EQ(Listing(dest), std::vector<std::string>{});
}

// 100 000 files in 100 folders: folders do not count toward the file cap, so every file
// arrives; the cap on all entries counts both.
TEST(ExtractAll, AHundredThousandFilesInAHundredFolders) {
    // In memory where the system has it: 100 000 small files on a busy disk take long.
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before ? before : "";
    struct stat shm {};
    if (::stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) && ::access("/dev/shm", W_OK) == 0)
        ::setenv("TMPDIR", "/dev/shm", 1);
    TempTree tree;
    if (before)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    std::vector<lzhtest::Member> members;
    for (int d = 0; d < 100; ++d) {
        lzhtest::Member folder;
        folder.folder = "d" + std::to_string(d);
        folder.directory = true;
        members.push_back(folder);
        for (int f = 0; f < 1000; ++f) {
            lzhtest::Member file;
            file.folder = folder.folder;
            file.name = "f" + std::to_string(f);
            file.data = "x";
            members.push_back(file);
        }
    }
    const std::string path = tree.root() + "/many.lzh";
    ASSERT_TRUE(lzhtest::writeFile(path, lzhtest::archive(members, 1)));
    char report[1024];
    std::string dest = tree.mkdir("all");
    EXPECT_EQ(zelmo_extract_all(path.c_str(), ZELMO_ARCHIVE_LZH, dest.c_str(), 0, nullptr, report,
                                sizeof report),
              0)
        << report;
    EXPECT_STREQ(report, "100100 extracted, 0 refused, 100000 bytes\n");
    EXPECT_EQ(Listing(dest).size(), 100100u);

    dest = tree.mkdir("capped");
    ZelmoExtractLimits entries = {1 << 20, 1000000, 1000000, 1500};
    EXPECT_EQ(zelmo_extract_all(path.c_str(), ZELMO_ARCHIVE_LZH, dest.c_str(), 0, &entries, report,
                                sizeof report),
              ZELMO_EXTRACT_CAP);
    EXPECT_STREQ(report,
                 "stopped: more than 1500 entries\n1500 extracted, 0 refused, 1498 bytes\n");
}

TEST(ExtractAll, BadInputsAreReported) {
    TempTree tree;
    Result r = ExtractAll(Archive("notzip.zip"), tree.root());
    EXPECT_EQ(r.code, ZELMO_EXTRACT_BAD_ARCHIVE);
    EXPECT_EQ(r.report, "cannot open the archive\n0 extracted, 0 refused, 0 bytes\n");
    EXPECT_EQ(ExtractAll(Archive("names.zip"), tree.root() + "/missing").code,
              ZELMO_EXTRACT_BAD_FOLDER);
    // A report buffer of a few bytes is cut, never overrun.
    char report[8];
    std::memset(report, 'X', sizeof report);
    zelmo_extract_all(Archive("slip.zip").c_str(), ZELMO_ARCHIVE_ZIP, tree.root().c_str(), 0,
                      nullptr, report, 5);
    EXPECT_EQ(std::string(report, 8), std::string("refu\0XXX", 8));
}

// One member into memory: by the name the walk gives, or by its stored bytes; cut to the
// buffer, never past it.
TEST(ExtractMember, ReadsIntoTheBufferOnly) {
    unsigned char buffer[32];
    std::memset(buffer, 0xAA, sizeof buffer);
    uint32_t written = 99;
    int64_t mtime = 0;
    uint16_t attributes = 0;
    EXPECT_EQ(zelmo_extract_member(Archive("names.zip").c_str(), ZELMO_ARCHIVE_ZIP,
                                   "日本語/ユニコード.txt", buffer, 4, &written, &mtime,
                                   &attributes),
              0);
    EXPECT_EQ(written, 4u);
    EXPECT_EQ(std::string((char*)buffer, 5), "utf-\xAA");
    EXPECT_EQ(attributes, 0x20);
    EXPECT_GT(mtime, 0);

    const std::string stored = "\x83\x5c\x83t\x83g\\\x95\x5c.txt"; // CP932 as stored
    for (const std::string& name :
         {std::string("ソフト/表.txt"), std::string("ソフト\\表.txt"), stored}) {
        std::memset(buffer, 0xAA, sizeof buffer);
        EXPECT_EQ(zelmo_extract_member(Archive("names.zip").c_str(), ZELMO_ARCHIVE_ZIP,
                                       name.c_str(), buffer, 20, &written, nullptr, nullptr),
                  0)
            << name;
        EXPECT_EQ(std::string((char*)buffer, written), "cp932 name");
    }
    EXPECT_EQ(zelmo_extract_member(Archive("names.zip").c_str(), ZELMO_ARCHIVE_ZIP, "none", buffer,
                                   20, &written, nullptr, nullptr),
              ZELMO_EXTRACT_NOT_FOUND);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(zelmo_extract_member(Archive("notzip.zip").c_str(), ZELMO_ARCHIVE_ZIP, "x", buffer,
                                   20, &written, nullptr, nullptr),
              ZELMO_EXTRACT_BAD_ARCHIVE);
}

// An archive in memory, walked with the names in UTF-8 under the C locale.
TEST(ExtractMember, ReadsFromMemory) {
    std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    const std::string data = ReadFile(Archive("names.zip"));
    void* locale = zelmo_utf8_locale_enter();
    struct archive* a = zelmo_archive_open_memory(data.data(), data.size(), ZELMO_ARCHIVE_ZIP);
    ASSERT_NE(a, nullptr);
    std::vector<std::string> names;
    struct archive_entry* entry;
    while (archive_read_next_header(a, &entry) == ARCHIVE_OK)
        names.push_back(zelmo_entry_name(entry));
    archive_read_free(a);
    a = zelmo_archive_open_memory(data.data(), data.size(), ZELMO_ARCHIVE_ZIP);
    zelmo_utf8_locale_leave(locale);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(names,
              (std::vector<std::string>{"日本語/ユニコード.txt", "ソフト/表.txt", "ascii.txt"}));
    unsigned char buffer[16] = {};
    uint32_t written = 0;
    EXPECT_EQ(zelmo_read_member(a, "ascii.txt", buffer, sizeof buffer, &written, nullptr, nullptr),
              0);
    EXPECT_EQ(std::string((char*)buffer, written), "plain");
    archive_read_free(a);
    // Only the reader of the kind asked for: a ZIP is no LZH.
    EXPECT_EQ(zelmo_archive_open_memory(data.data(), data.size(), ZELMO_ARCHIVE_LZH), nullptr);
}

} // namespace

// A 255-byte CP932 name becomes 382 bytes of UTF-8, more than a Linux file system takes:
// that member is skipped with its reason, the others extract.
TEST(ExtractAll, ANameTooLongForTheFileSystemIsSkippedWithItsReason) {
    TempTree tree;
    std::string longName;
    for (int i = 0; i < 127; ++i)
        longName += "\x83\x81"; // メ
    longName += "a";
    ASSERT_EQ(longName.size(), 255u);
    std::string shown;
    for (int i = 0; i < 127; ++i)
        shown += "メ";
    shown += "a";
    std::vector<lzhtest::Member> members(3);
    members[0].name = "first.txt";
    members[0].data = "one";
    members[1].name = longName;
    members[1].data = "lost";
    members[2].name = "last.txt";
    members[2].data = "three";
    const std::string path = tree.root() + "/long.lzh";
    ASSERT_TRUE(lzhtest::writeFile(path, lzhtest::archive(members, 2)));
    const std::string dest = tree.mkdir("out");
    char report[2048];
    EXPECT_EQ(zelmo_extract_all(path.c_str(), ZELMO_ARCHIVE_LZH, dest.c_str(), 0, nullptr, report,
                                sizeof report),
              ZELMO_EXTRACT_REFUSED);
    EXPECT_EQ(std::string(report), "refused \"" + shown +
                                       "\": name too long for this file system\n"
                                       "2 extracted, 1 refused, 8 bytes\n");
    EXPECT_EQ(Listing(dest), Sorted({"first.txt", "last.txt"}));
}
