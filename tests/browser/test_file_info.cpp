#include "BrowserTestUtil.h"
#include "browser/FileInfo.h"
#include "platform/FsName.h"
#include "platform/WildcardMask.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace browser;
using platform::WildcardMask;
using namespace testutil;

namespace {

QStringList names(const TFileInfoList& list) {
    QStringList out;
    for (const TFileInfo* r : list.Items())
        out << r->Name();
    return out;
}

const TFileInfo* find(const TFileInfoList& list, const QString& name) {
    for (const TFileInfo* r : list.Items())
        if (r->Name() == name)
            return r;
    return nullptr;
}

const QByteArray kSjisName("\x83\x81\x83\x82.txt"); // メモ.txt in Shift-JIS

} // namespace

// "?" takes one character but never a dot; a run of "?" before a dot or at the end may
// take fewer.
TEST(WildcardMask, FollowsTheOldFindRules) {
    struct Case {
        const char* mask;
        const char* name;
        bool match;
    } cases[] = {
        {"*.*", "README", true},        {"*.*", ".bashrc", true},
        {"*", "a.b.c", true},           {"*.jp*", "a.jpg", true},
        {"*.jp*", "b.JPEG", true},      {"*.jp*", "c.jpe", true},
        {"*.jp*", "d.png", false},      {"*.txt", "a.TXT", true},
        {"*.txt", "a.txt.bak", false},  {"*.txt", "txt", false},
        {"R*.EXE", "Readme.exe", true}, {"R*.EXE", "xReadme.exe", false},
        {"a?.txt", "ab.txt", true},     {"a?.txt", "a.txt", true},
        {"a?c", "ac", false},           {"a?c", "abc", true},
        {"*.", "README", true},         {"*.", "a.b", false},
        {"foo.*", "foo", true},         {"*a*b*", "xxaYYbzz", true},
        {"*a*b*", "xxbYYa", false},     {"ä*", "Äpfel", true},
        {"?.txt", "メ.txt", true},      {"??.txt", "メ.txt", true},
    };
    const Case dots[] = {
        {"a?b", "a.b", false},
        {"????.txt", "ab.c.txt", false},
        {"????.txt", "ab.txt", true},
        {"????.txt", "abcde.txt", false},
        {"a??", "a.", false},
        {"a??", "a", true},
        {"?", ".", false},
        {"*?.txt", "a.b.txt", true},
        {"a?.?", "ab.c", true},
        {"a?.?", "a.c", true},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.insert(all.end(), std::begin(dots), std::end(dots));
    for (const Case& c : all) {
        WildcardMask m(QString::fromUtf8(c.mask));
        EXPECT_EQ(m.matches(QString::fromUtf8(c.name)), c.match) << c.mask << " " << c.name;
        const QByteArray raw(c.name);
        EXPECT_EQ(m.matches(raw.constData(), raw.size()), c.match) << c.mask << " " << c.name;
    }
}

// A name that is not UTF-8 matches as the list shows it: its CP932 text, one "?" per
// character, also through the QString form the lists keep.
TEST(WildcardMask, MatchesShiftJisNamesAsShown) {
    const QString kept = platform::fromFsBytes(kSjisName);
    struct Case {
        const char* mask;
        bool match;
    } cases[] = {
        {"*.txt", true}, {"メモ*", true},   {"メモ.TXT", true}, {"??.txt", true}, {"?.txt", false},
        {"*モ.*", true}, {"メ?.txt", true}, {"???.txt", true},  {"メモ", false},
    };
    for (const Case& c : cases) {
        const WildcardMask m(QString::fromUtf8(c.mask));
        EXPECT_EQ(m.matches(kSjisName.constData(), kSjisName.size()), c.match) << c.mask;
        EXPECT_EQ(m.matches(kept), c.match) << c.mask;
    }
    // A lead byte before the dot that has no second byte: the rest still counts.
    const QByteArray broken("ab\x83.txt");
    EXPECT_TRUE(WildcardMask("*.txt").matches(broken.constData(), broken.size()));
    EXPECT_TRUE(WildcardMask("ab?.t?t").matches(broken.constData(), broken.size()));
    EXPECT_FALSE(WildcardMask("ab.txt").matches(broken.constData(), broken.size()));
    // Half-width katakana (one byte each in Shift-JIS) are one character each too.
    const QByteArray kana("\xB1\xB2.txt"); // ｱｲ.txt
    EXPECT_TRUE(WildcardMask("ｱ?.txt").matches(kana.constData(), kana.size()));
    EXPECT_FALSE(WildcardMask("?.txt").matches(kana.constData(), kana.size()));
}

TEST(FileFormat, TextsOfTimesAttributesAndSizes) {
    EXPECT_EQ(WithTrailingBackslash(""), "");
    EXPECT_EQ(WithTrailingBackslash("/home/ann"), "/home/ann/");
    EXPECT_EQ(WithTrailingBackslash("/"), "/");

    EXPECT_EQ(FormatAttributes(faReadOnly | faArchive), "RA");
    EXPECT_EQ(FormatAttributes(faSysFile | faHidden), "SH");
    EXPECT_EQ(FormatAttributes(0xFF), "SHRA");
    EXPECT_EQ(FormatAttributes(faDirectory), "");

    // 98/06/21 16:07:30 packed by hand.
    const int32_t packed = (18 << 25) | (6 << 21) | (21 << 16) | (16 << 11) | (7 << 5) | 15;
    EXPECT_EQ(FormatFileTime(packed), "98/06/21-16:07");
    EXPECT_EQ(FormatFileTime(0), "00/00/00-00:00");
    EXPECT_EQ(FormatFileTime((18 << 25) | (13 << 21) | (1 << 16)), "00/00/00-00:00"); // month 13
    EXPECT_EQ(FormatFileTime((20 << 25) | (2 << 21) | (30 << 16)), "00/00/00-00:00"); // 30 Feb
    EXPECT_EQ(FormatFileTime((18 << 25) | (6 << 21) | (21 << 16) | (24 << 11)), "00/00/00-00:00");

    EXPECT_EQ(FormatSize(0), "0");
    EXPECT_EQ(FormatSize(999), "999");
    EXPECT_EQ(FormatSize(1234567), "1,234,567");
    EXPECT_EQ(FormatSize(5368709120LL), "5,368,709,120");

    // Times before 1980 have no packed form; others come back as the local time.
    EXPECT_EQ(PackedFileTime(0), 0);
    const int64_t t = 1700000000;
    EXPECT_EQ(FormatFileTime(PackedFileTime(t)),
              QDateTime::fromSecsSinceEpoch(t).toString("yy/MM/dd-HH:mm"));

    // The separators follow the user's locale.
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(FormatSize(1234567), "1.234.567");
    EXPECT_EQ(FormatFileTime(packed), "98.06.21-16:07");
    // "No valid time" is a fixed text, not a date in the locale's form.
    EXPECT_EQ(FormatFileTime(0), "00/00/00-00:00");
    EXPECT_EQ(FormatFileTime((18 << 25) | (13 << 21) | (1 << 16)), "00/00/00-00:00");
    QLocale::setDefault(QLocale::c());
}

namespace {

// Sets TZ for one scope and restores what was there.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = ::getenv("TZ")) {
            had_ = true;
            old_ = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (had_)
            ::setenv("TZ", old_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

} // namespace

// The cached conversion gives exactly what the time zone gives, also in the hours where
// the offset changes (summer time, half-hour and odd-minute changes, leap seconds).
TEST(PackedTimeCache, GivesTheSameAsTheTimeZoneAcrossOffsetChanges) {
    const char* zones[] = {
        "UTC",
        "Europe/Berlin",
        "America/New_York",
        "Australia/Lord_Howe",                          // 30-minute summer time
        "Asia/Kathmandu",                               // +5:45
        "right/Europe/Berlin",                          // counts leap seconds
        "<+0545>-5:45<+0645>,M3.5.0/2:17,M10.5.0/3:17", // changes at 17 past the hour
    };
    // 2024 switches in Europe, America, Lord Howe and the odd zone, and the leap second
    // at the end of 2016 (in the leap-second zone's own count).
    const int64_t anchors[] = {1711846800, 1729990800, 1710054000, 1730613600,
                               1712415600, 1711842000, 1483228826};
    for (const char* zone : zones) {
        if (zone[0] != '<' && !QFile::exists(QStringLiteral("/usr/share/zoneinfo/") + zone))
            continue;
        ScopedTimeZone tz(zone);
        PackedTimeCache cache;
        int checked = 0;
        for (int64_t anchor : anchors) {
            for (int64_t t = anchor - 3 * 3600; t <= anchor + 3 * 3600; t += 13) {
                ASSERT_EQ(cache.Pack(t), PackedFileTime(t)) << zone << " " << t;
                ++checked;
            }
        }
        // Times spread over the whole range, in runs of neighbours as files are.
        uint64_t seed = 12345;
        for (int run = 0; run < 2000; ++run) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            int64_t t = int64_t(seed >> 31) % 4500000000LL - 300000000LL; // 1960 to 2132
            for (int k = 0; k < 10; ++k, t += int64_t(seed >> 52)) {
                ASSERT_EQ(cache.Pack(t), PackedFileTime(t)) << zone << " " << t;
                ++checked;
            }
        }
        EXPECT_GT(checked, 30000);
    }
    EXPECT_EQ(PackedTimeCache().Pack(0), 0);
    EXPECT_EQ(PackedTimeCache().Pack(INT64_MAX), PackedFileTime(INT64_MAX));
    EXPECT_EQ(PackedTimeCache().Pack(INT64_MIN), PackedFileTime(INT64_MIN));
}

TEST(CompareAsciiFolded, FoldsOnlyAsciiLettersAndComparesBytesUnsigned) {
    auto cmp = [](const char* a, const char* b) {
        return CompareAsciiFolded(a, int(strlen(a)), b, int(strlen(b)));
    };
    EXPECT_EQ(cmp("abc", "ABC"), 0);
    EXPECT_LT(cmp("abc", "ABCD"), 0);
    EXPECT_GT(cmp("_", "a"), 0);               // '_' (0x5F) after 'A' (0x41)
    EXPECT_GT(cmp("\x83\x81", "z"), 0);        // high bytes count unsigned
    EXPECT_NE(cmp("\xc3\xa4", "\xc3\x84"), 0); // ä and Ä are not folded
}

class ScanFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        base = bytesOf(tmp) + "/";
    }
    QTemporaryDir tmp;
    QByteArray base;
    QString dir() const { return tmp.path(); }
};

TEST_F(ScanFolder, RecordsFilesWithAttributesSizesAndCounters) {
    ASSERT_TRUE(makeFile(base + "a.txt", 10));
    ASSERT_TRUE(makeFile(base + "README", 3));
    ASSERT_TRUE(makeFile(base + ".hidden", 1));
    ASSERT_TRUE(makeFile(base + "locked.dat", 2));
    ASSERT_EQ(::chmod((base + "locked.dat").constData(), 0444), 0);
    ASSERT_EQ(::mkfifo((base + "pipe").constData(), 0644), 0);
    ASSERT_TRUE(makeFile(base + "film.mkv", 5LL * 1024 * 1024 * 1024 + 5)); // sparse
    ASSERT_TRUE(makeDir(base + "sub"));
    ASSERT_EQ(::symlink("sub", (base + "linkdir").constData()), 0);
    ASSERT_EQ(::symlink("a.txt", (base + "linkfile").constData()), 0);

    TFileInfoList list;
    list.SetDirectory(dir());
    EXPECT_EQ(names(list), QStringList({".hidden", "a.txt", "film.mkv", "linkfile", "locked.dat",
                                        "pipe", "README"}));
    EXPECT_EQ(list.FileCount(), 7);
    const int64_t big = 5LL * 1024 * 1024 * 1024 + 5;
    EXPECT_EQ(list.TotalSize(), 10 + 3 + 1 + 2 + big + 10);

    const TFileInfo* film = find(list, "film.mkv");
    ASSERT_TRUE(film);
    EXPECT_EQ(film->Size, big);
    EXPECT_EQ(film->Dir(), dir() + "/");
    EXPECT_EQ(film->Path(), dir() + "/film.mkv");
    EXPECT_EQ(film->Ext(), ".mkv");
    EXPECT_EQ(FormatAttributes(film->Attr), "A");
    EXPECT_EQ(FormatAttributes(find(list, ".hidden")->Attr), "HA");
    EXPECT_EQ(find(list, ".hidden")->Ext(), ".hidden");
    EXPECT_EQ(FormatAttributes(find(list, "locked.dat")->Attr), "RA");
    EXPECT_EQ(FormatAttributes(find(list, "pipe")->Attr), "S");
    EXPECT_EQ(find(list, "README")->Ext(), "");
    EXPECT_EQ(find(list, "linkfile")->Size, 10); // a link to a file counts as that file

    // The same directory again is scanned again.
    ASSERT_TRUE(makeFile(base + "new.txt"));
    ASSERT_EQ(::unlink((base + "a.txt").constData()), 0);
    list.SetDirectory(dir());
    EXPECT_TRUE(find(list, "new.txt"));
    EXPECT_FALSE(find(list, "a.txt"));
    ASSERT_TRUE(find(list, "linkfile")); // dangling now: still listed, as a "system" file
    EXPECT_EQ(FormatAttributes(find(list, "linkfile")->Attr), "S");
}

TEST_F(ScanFolder, SortsByEveryKeyWithTiesByName) {
    ASSERT_TRUE(makeFile(base + "B.txt", 5, 1000000000));
    ASSERT_TRUE(makeFile(base + "a.txt", 5, 1000000000));
    ASSERT_TRUE(makeFile(base + "c.doc", 1, 1200000000));
    ASSERT_TRUE(makeFile(base + "noext", 9, 900000000));
    ASSERT_TRUE(makeFile(base + "old.log", 7, 100));                        // before 1980: time 0
    ASSERT_TRUE(makeFile(base + "huge.iso", 4LL * 1024 * 1024 * 1024 + 5)); // not 5 bytes

    TFileInfoList list;
    list.SetDirectory(dir());
    EXPECT_EQ(names(list),
              QStringList({"a.txt", "B.txt", "c.doc", "huge.iso", "noext", "old.log"}));
    list.SetSortOrder(soSize);
    EXPECT_EQ(names(list),
              QStringList({"c.doc", "a.txt", "B.txt", "old.log", "noext", "huge.iso"}));
    list.SetSortOrder(soExt);
    EXPECT_EQ(names(list),
              QStringList({"noext", "c.doc", "huge.iso", "old.log", "a.txt", "B.txt"}));
    list.SetSortOrder(soTime);
    EXPECT_EQ(names(list).first(), "old.log");
    EXPECT_EQ(FormatFileTime(find(list, "old.log")->Time), "00/00/00-00:00");
    EXPECT_EQ(names(list).mid(1, 4), QStringList({"noext", "a.txt", "B.txt", "c.doc"}));
}

TEST_F(ScanFolder, MaskSelectsFilesAndEmptyDirectoryMeansTheCurrentOne) {
    for (const char* n : {"a.jpg", "b.JPEG", "c.jpe", "d.png", "e"})
        ASSERT_TRUE(makeFile(base + n));
    TFileInfoList list;
    list.SetDirectory(dir());
    list.SetMask("*.jp*");
    EXPECT_EQ(names(list), QStringList({"a.jpg", "b.JPEG", "c.jpe"}));
    EXPECT_EQ(list.FileCount(), 3);

    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir()));
    TFileInfoList cwd;
    cwd.SetMask("*.png");
    QDir::setCurrent(old);
    EXPECT_EQ(names(cwd), QStringList({"d.png"}));
    EXPECT_EQ(cwd.Item(0)->Path(), "d.png");
    cwd.SetDirectory(""); // both empty: nothing happens
    EXPECT_EQ(cwd.Count(), 1);
}

TEST_F(ScanFolder, ShiftJisNameListsInJapaneseAndItsPathOpensTheFile) {
    const QByteArray path = base + kSjisName;
    int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "abc", 3), 3);
    ::close(fd);
    ASSERT_TRUE(makeFile(base + "z.txt"));
    ASSERT_TRUE(makeFile(base + "a.txt"));

    TFileInfoList list;
    list.SetDirectory(dir());
    list.SetMask("*.txt");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.FileCount(), 3);
    // Its raw bytes sort after ASCII.
    const TFileInfo* r = list.Item(2);
    EXPECT_EQ(r->DisplayName(), QString("メモ.txt"));
    EXPECT_FALSE(r->NameIsUtf8());
    EXPECT_EQ(r->Size, 3);
    const QByteArray back = platform::toFsBytes(r->Path());
    EXPECT_EQ(back, path);
    char buf[4] = {};
    fd = ::open(back.constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::read(fd, buf, 3), 3);
    ::close(fd);
    EXPECT_STREQ(buf, "abc");

    // The list filter and the recursive search match the name as shown.
    list.SetMask("メモ*");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Item(0)->PathBytes(), path);
    list.SetMask("?.txt");
    EXPECT_EQ(names(list), QStringList({"a.txt", "z.txt"}));
    ASSERT_TRUE(makeDir(base + "sub"));
    const QByteArray deeper = base + "sub/" + kSjisName;
    ASSERT_TRUE(makeFile(deeper));
    list.SetMask("メ?.*");
    list.Clear();
    list.ScanTree(dir());
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Item(0)->DisplayName(), QString("メモ.txt"));
    EXPECT_EQ(list.Item(1)->DisplayName(), QString("メモ.txt"));
    ::unlink(deeper.constData());
    ::unlink(path.constData()); // Qt's own clean-up cannot name it
}

TEST_F(ScanFolder, RecursiveScanGoesDepthFirstAndSkipsDotDirsLinksAndUnreadableFolders) {
    ASSERT_TRUE(makeFile(base + "top.txt"));
    ASSERT_TRUE(makeDir(base + "a"));
    ASSERT_TRUE(makeFile(base + "a/one.txt"));
    ASSERT_TRUE(makeDir(base + "a/deep"));
    ASSERT_TRUE(makeFile(base + "a/deep/two.txt"));
    ASSERT_TRUE(makeFile(base + "a/skip.dat"));
    ASSERT_TRUE(makeDir(base + ".cache"));
    ASSERT_TRUE(makeFile(base + ".cache/hidden.txt"));
    ASSERT_TRUE(makeDir(base + "locked"));
    ASSERT_TRUE(makeFile(base + "locked/secret.txt"));
    ASSERT_EQ(::symlink("..", (base + "a/loop").constData()), 0); // a loop
    ASSERT_EQ(::symlink(base.constData(), (base + "a/deep/back").constData()), 0);
    ASSERT_EQ(::chmod((base + "locked").constData(), 0), 0);
    ASSERT_EQ(::chmod(base.constData(), 0755), 0);

    TFileInfoList list;
    list.SetMask("*.txt"); // lists the current directory: start afresh
    list.Clear();
    asUnprivileged([&] {
        list.ScanSubtree(dir());
        list.ScanSubtree(dir() + "/missing"); // cannot be read: nothing, no failure
    });
    // Files of a directory come before those of its subdirectories.
    QStringList order = names(list);
    ASSERT_EQ(order.size(), 3) << order.join(",").toStdString();
    EXPECT_EQ(order[0], "top.txt");
    EXPECT_EQ(order[1], "one.txt");
    EXPECT_EQ(order[2], "two.txt");
    EXPECT_EQ(list.Item(2)->Dir(), dir() + "/a/deep/");

    // Readable again (for any user): sorted by folder, then name.
    ASSERT_EQ(::chmod((base + "locked").constData(), 0755), 0);
    list.SetSortOrder(soDirectory);
    list.Clear();
    list.ScanTree(dir() + "/");
    EXPECT_EQ(list.FileCount(), 4);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Item(0)->Dir(), dir() + "/");
    EXPECT_EQ(list.Item(1)->Path(), dir() + "/a/one.txt");
    EXPECT_EQ(list.Item(2)->Path(), dir() + "/a/deep/two.txt");
    EXPECT_EQ(list.Item(3)->Path(), dir() + "/locked/secret.txt");
}

namespace {
int openDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}
} // namespace

// Folders far deeper than the scan keeps open: every level is still listed, with its
// path, and no descriptor stays open afterwards.
TEST_F(ScanFolder, DeepTreeIsScannedWholeAndLeavesNoFolderOpen) {
    QByteArray path = base;
    for (int depth = 0; depth < 70; ++depth) {
        path += "d" + QByteArray::number(depth) + "/";
        ASSERT_TRUE(makeDir(path));
        ASSERT_TRUE(makeFile(path + "f.txt", depth, 1000000000 + depth * 1000));
        ASSERT_TRUE(makeFile(path + "f.dat"));
    }
    const int before = openDescriptors();
    TFileInfoList list;
    list.SetMask("*.txt");
    list.Clear();
    list.ScanTree(dir());
    EXPECT_EQ(openDescriptors(), before);
    ASSERT_EQ(list.Count(), 70);
    EXPECT_EQ(list.FileCount(), 70);
    list.SetSortOrder(soSize);
    QByteArray expected = base;
    for (int depth = 0; depth < 70; ++depth) {
        expected += "d" + QByteArray::number(depth) + "/";
        const TFileInfo* r = list.Item(depth);
        EXPECT_EQ(r->PathBytes(), expected + "f.txt");
        EXPECT_EQ(r->Size, depth);
        EXPECT_EQ(r->Time, PackedFileTime(1000000000 + depth * 1000));
    }
}

TEST_F(ScanFolder, ClearingTheListWhileEventsRunStopsTheScan) {
    for (int i = 0; i < 50; ++i) {
        const QByteArray d = base + "d" + QByteArray::number(i);
        ASSERT_TRUE(makeDir(d));
        ASSERT_TRUE(makeFile(d + "/f.txt"));
    }
    TFileInfoList list;
    list.SetEventInterval(0);
    int progressCalls = 0;
    list.SetProgressHandler([&](const QString& path, int count) {
        ++progressCalls;
        EXPECT_TRUE(path.startsWith(dir() + "/d"));
        EXPECT_GE(count, 1);
    });
    QTimer::singleShot(0, [&] { list.Clear(); });
    list.ScanTree(dir());
    EXPECT_GE(progressCalls, 1);
    EXPECT_LT(progressCalls, 50);
    EXPECT_FALSE(list.IsScanning());
    EXPECT_LT(list.Count(), 50); // only what came after the clear, if anything
}

// A chain of 5 000 folders (its paths far longer than PATH_MAX) is scanned whole under the
// default limit of 1 024 descriptors, and none is left open. Made and removed through
// descriptors: no path reaches its bottom.
TEST_F(ScanFolder, ATreeDeeperThanPathMaxIsScannedWholeWithFewDescriptors) {
    constexpr int kDepth = 5000;
    const std::vector<int> withFile = {0, 47, 48, 1000, 2500, 4999};
    int fd = ::open(base.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (int depth = 0; depth < kDepth; ++depth) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        ASSERT_GE(fd = next, 0);
        if (std::find(withFile.begin(), withFile.end(), depth) != withFile.end()) {
            const QByteArray name = "f" + QByteArray::number(depth) + ".txt";
            ::close(::openat(fd, name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        }
    }
    struct rlimit old, limit;
    ::getrlimit(RLIMIT_NOFILE, &old);
    limit = old;
    limit.rlim_cur = std::min<rlim_t>(old.rlim_max, 1024);
    ::setrlimit(RLIMIT_NOFILE, &limit);
    const int before = openDescriptors();
    TFileInfoList list;
    list.SetMask("*.txt");
    list.Clear();
    list.ScanTree(dir());
    EXPECT_EQ(openDescriptors(), before);
    ::setrlimit(RLIMIT_NOFILE, &old);
    QStringList found = names(list);
    found.sort();
    EXPECT_EQ(found,
              (QStringList{"f0.txt", "f1000.txt", "f2500.txt", "f47.txt", "f48.txt", "f4999.txt"}));
    // Back up through "..", removing on the way.
    for (int depth = kDepth - 1; depth >= 0; --depth) {
        const QByteArray name = "f" + QByteArray::number(depth) + ".txt";
        ::unlinkat(fd, name.constData(), 0);
        const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        ASSERT_GE(fd = up, 0);
        ASSERT_EQ(::unlinkat(fd, "d", AT_REMOVEDIR), 0);
    }
    ::close(fd);
}
