// The LZH library as the program sees it: loaded by full path, every entry looked up by
// name. Archives are written byte by byte (LzhBuilder.h) or made by the lha tool for the
// compressed methods, whose listing lhasa gives for comparison.
#include "LzhBuilder.h"
#include "base/CommandLine.h"
#include "outside/archive/Unlha32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace fs = std::filesystem;
using lzhtest::Member;

// The member record is packed: its fields are compared by value, since a reference to
// one (as the test macros take) may be misaligned.
template <typename T> T V(T value) {
    return value;
}

namespace {

struct Lib {
    void* handle = nullptr;
    decltype(&UnlhaOpenArchive) open = nullptr;
    decltype(&UnlhaCloseArchive) close = nullptr;
    decltype(&UnlhaFindFirst) first = nullptr;
    decltype(&UnlhaFindNext) next = nullptr;
    decltype(&Unlha) command = nullptr;
    decltype(&UnlhaExtractMem) extractMem = nullptr;
    decltype(&UnlhaGetFileName) fileName = nullptr;
    decltype(&UnlhaGetArcOriginalSize) arcOriginal = nullptr;
    decltype(&UnlhaGetFileCount) fileCount = nullptr;
    decltype(&UnlhaCheckArchive) check = nullptr;
    decltype(&UnlhaGetVersion) version = nullptr;
};

template <typename T> void bind(void* h, const char* name, T& slot) {
    slot = reinterpret_cast<T>(dlsym(h, name));
}

const Lib& lib() {
    static Lib l = [] {
        Lib r;
        r.handle = dlopen(UNLHA32_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!r.handle)
            return r;
        bind(r.handle, "UnlhaOpenArchive", r.open);
        bind(r.handle, "UnlhaCloseArchive", r.close);
        bind(r.handle, "UnlhaFindFirst", r.first);
        bind(r.handle, "UnlhaFindNext", r.next);
        bind(r.handle, "Unlha", r.command);
        bind(r.handle, "UnlhaExtractMem", r.extractMem);
        bind(r.handle, "UnlhaGetFileName", r.fileName);
        bind(r.handle, "UnlhaGetArcOriginalSize", r.arcOriginal);
        bind(r.handle, "UnlhaGetFileCount", r.fileCount);
        bind(r.handle, "UnlhaCheckArchive", r.check);
        bind(r.handle, "UnlhaGetVersion", r.version);
        return r;
    }();
    return l;
}

// A fresh folder under /tmp, removed afterwards.
struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/unlha32-test-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

std::string quote(const std::string& s) {
    std::string out(zelmo_command_quote(s.data(), s.size(), nullptr, 0) + 1, '\0');
    zelmo_command_quote(s.data(), s.size(), out.data(), out.size());
    out.pop_back();
    return out;
}

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Every record of a walk with "*.*"; *end receives the call's last result.
std::vector<ArchiveMemberInfo> walk(const std::string& path, int* end = nullptr) {
    std::vector<ArchiveMemberInfo> out;
    HARC h = lib().open(nullptr, path.c_str(), UNLHA_OPEN_MODE);
    if (!h) {
        if (end)
            *end = -100;
        return out;
    }
    ArchiveMemberInfo info;
    int rc = lib().first(h, "*.*", &info);
    for (; rc == 0; rc = lib().next(h, &info))
        out.push_back(info);
    if (end)
        *end = rc;
    lib().close(h);
    return out;
}

uint16_t dosDate(int y, int m, int d) {
    return uint16_t(((y - 1980) << 9) | (m << 5) | d);
}
uint16_t dosTime(int h, int m, int s) {
    return uint16_t((h << 11) | (m << 5) | (s / 2));
}
std::tm calendar(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return tm;
}
uint32_t localTime(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm = calendar(y, mo, d, h, mi, s);
    return uint32_t(std::mktime(&tm));
}

// "表示.txt" in CP932: the second byte of 表 is 0x5C, a backslash in ASCII.
const std::string kSjisName = "\x95\x5c\x8e\xa6.txt";
const std::string kSjisFolder = "\x83\x74\x83\x48\x83\x8b\x83\x5f"; // フォルダ

std::vector<Member> sampleMembers() {
    Member a;
    a.name = "a.txt";
    a.data = "hello\n";
    a.dosDate = dosDate(1998, 6, 5);
    a.dosTime = dosTime(10, 4, 6);
    a.unixTime = localTime(1998, 6, 5, 10, 4, 6);
    Member b = a;
    b.folder = kSjisFolder;
    b.name = kSjisName;
    b.data = std::string(1000, 'z');
    Member empty = a;
    empty.name = "empty";
    empty.data.clear();
    return {a, b, empty};
}

bool haveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

TEST(Unlha32Library, ExportsExactlyTheFortyTwoEntries) {
    ASSERT_NE(lib().handle, nullptr) << dlerror();
    FILE* p = popen("nm -D --defined-only " UNLHA32_PATH, "r");
    ASSERT_NE(p, nullptr);
    std::vector<std::string> names;
    char line[512];
    while (fgets(line, sizeof line, p)) {
        std::istringstream s(line);
        std::string addr, type, name;
        s >> addr >> type >> name;
        if (type == "T")
            names.push_back(name);
    }
    pclose(p);
    EXPECT_EQ(names.size(), 42u);
    for (const std::string& n : names)
        EXPECT_EQ(n.rfind("Unlha", 0), 0u) << n;
    EXPECT_EQ(lib().version(), 100);
    auto query = reinterpret_cast<int (*)(int)>(dlsym(lib().handle, "UnlhaQueryFunctionList"));
    ASSERT_NE(query, nullptr);
    EXPECT_TRUE(query(0));
    EXPECT_TRUE(query(41));
    EXPECT_FALSE(query(42));
}

TEST(Unlha32Walk, StoredMembersOfEveryLevelGiveSizesRatioDateAndDecodedNames) {
    TempDir dir;
    for (int level = 0; level <= 2; ++level) {
        SCOPED_TRACE(level);
        const std::string path = dir.path + "/l" + std::to_string(level) + ".lzh";
        ASSERT_TRUE(lzhtest::writeFile(path, lzhtest::archive(sampleMembers(), level)));
        int end = 0;
        const auto records = walk(path, &end);
        EXPECT_EQ(end, -1);
        ASSERT_EQ(records.size(), 3u);
        const ArchiveMemberInfo a = records[0];
        EXPECT_STREQ(a.fileName, "a.txt");
        EXPECT_EQ(V(a.originalSize), 6u);
        EXPECT_EQ(V(a.compressedSize), 6u);
        EXPECT_EQ(V(a.ratio), 1000);
        EXPECT_EQ(V(a.crc), lzhtest::crc16("hello\n"));
        EXPECT_STREQ(a.method, "-lh0-");
        EXPECT_EQ(V(a.date), dosDate(1998, 6, 5)); // 1998/06/05
        EXPECT_EQ(V(a.time), dosTime(10, 4, 6));   // 10:04:06
        const ArchiveMemberInfo b = records[1];
        EXPECT_STREQ(b.fileName, "フォルダ/表示.txt");
        EXPECT_EQ(V(b.originalSize), 1000u);
        const ArchiveMemberInfo e = records[2];
        EXPECT_EQ(V(e.originalSize), 0u);
        EXPECT_EQ(V(e.ratio), 0);
        EXPECT_EQ(lib().fileCount(path.c_str()), 3);
        EXPECT_TRUE(lib().check(path.c_str(), 0));
    }
}

TEST(Unlha32Walk, WildcardFollowsWindowsRulesAndAnswersForTheLastMember) {
    TempDir dir;
    const std::string path = dir.path + "/w.lzh";
    auto members = sampleMembers();
    members[2].name = "NODOT";
    ASSERT_TRUE(lzhtest::writeFile(path, lzhtest::archive(members, 2)));
    HARC h = lib().open(nullptr, path.c_str(), UNLHA_OPEN_MODE);
    HARC second = lib().open(nullptr, path.c_str(), UNLHA_OPEN_MODE);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(second, nullptr);
    ArchiveMemberInfo info;
    ASSERT_EQ(lib().first(h, "*.TXT", &info), 0);
    EXPECT_STREQ(info.fileName, "a.txt");
    ASSERT_EQ(lib().next(h, &info), 0);
    char name[600];
    ASSERT_EQ(lib().fileName(h, name, sizeof name), 0);
    EXPECT_STREQ(name, "フォルダ/表示.txt");
    EXPECT_EQ(lib().next(h, &info), -1);
    // The second handle walks on its own; "*.*" takes the name without a dot too.
    EXPECT_EQ(walk(path).size(), 3u);
    ASSERT_EQ(lib().first(second, "nodot", &info), 0);
    EXPECT_STREQ(info.fileName, "NODOT");
    EXPECT_EQ(lib().arcOriginal(second), 1006u);
    EXPECT_EQ(lib().close(second), 0);
    EXPECT_EQ(lib().close(h), 0);
    EXPECT_NE(lib().close(h), 0); // a closed handle is not followed
}

// lhasa's verbose listing of the archives jLHA made (committed, so no test runs Java).
TEST(Unlha32Walk, CompressedMethodsOfEveryLevelMatchLhasa) {
    if (!haveTool("lhasa"))
        GTEST_SKIP() << "lhasa missing";
    for (int level = 0; level <= 2; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        const std::string path =
            std::string(ZELMO_TEST_DATA) + "/archive/level" + std::to_string(level) + ".lzh";
        FILE* p = popen(("lhasa v " + path).c_str(), "r");
        ASSERT_NE(p, nullptr);
        char line[512];
        std::vector<std::string> members;
        while (fgets(line, sizeof line, p))
            if (line[0] == '[')
                members.emplace_back(line);
        pclose(p);
        const auto records = walk(path);
        ASSERT_EQ(records.size(), members.size());
        for (size_t i = 0; i < records.size(); ++i) {
            // The member line: system, packed, size, ratio, method, crc, stamp, name.
            std::istringstream s(members[i]);
            std::string system, ratio, methodText, crc;
            unsigned long packed = 0, size = 0;
            s >> system >> packed >> size >> ratio >> methodText >> crc;
            const ArchiveMemberInfo r = records[i];
            SCOPED_TRACE(r.fileName);
            EXPECT_EQ(V(r.originalSize), size);
            EXPECT_EQ(V(r.compressedSize), packed);
            EXPECT_EQ(V(r.ratio), uint16_t(uint64_t(packed) * 1000 / size));
            EXPECT_EQ(std::string(r.method), methodText);
            EXPECT_EQ(V(r.crc), std::stoul(crc, nullptr, 16));
            if (methodText != "-lh0-") {
                EXPECT_LT(V(r.compressedSize), V(r.originalSize) / 2);
            }
        }
    }
}

TEST(Unlha32Walk, DamagedArchivesEndTheWalkWithAnError) {
    TempDir dir;
    const std::string good = lzhtest::archive(sampleMembers(), 1);
    // Cut everywhere: the walk lists the whole members before the cut; a cut between two
    // members is a plain end, any other cut is damage (or no archive at all).
    std::vector<size_t> ends;
    size_t at = 0;
    for (const Member& m : sampleMembers())
        ends.push_back(at += lzhtest::member(m, 1).size());
    for (size_t cut = 1; cut < good.size(); ++cut) {
        const std::string path = dir.path + "/cut.lzh";
        ASSERT_TRUE(lzhtest::writeFile(path, good.substr(0, cut)));
        size_t whole = 0;
        while (whole < ends.size() && ends[whole] <= cut)
            ++whole;
        const bool boundary = whole > 0 && ends[whole - 1] == cut;
        int end = 0;
        const auto records = walk(path, &end);
        EXPECT_EQ(records.size(), whole) << cut;
        if (whole == 0)
            EXPECT_EQ(end, -100) << cut; // the open already fails
        else
            EXPECT_EQ(end == -1, boundary) << cut;
    }
    // A header whose checksum is wrong, and a member whose data runs past the end.
    std::string bad = good;
    bad[5] ^= 1;
    ASSERT_TRUE(lzhtest::writeFile(dir.path + "/sum.lzh", bad));
    EXPECT_TRUE(walk(dir.path + "/sum.lzh").empty());
    std::string longData = lzhtest::archive(sampleMembers(), 2);
    longData[10] = char(0x7F); // compressed size of the first member far beyond the file
    ASSERT_TRUE(lzhtest::writeFile(dir.path + "/long.lzh", longData));
    int end = 0;
    EXPECT_TRUE(walk(dir.path + "/long.lzh", &end).empty());
    EXPECT_NE(end, 0);
    ASSERT_TRUE(lzhtest::writeFile(dir.path + "/text.lzh", "just some text, not an archive"));
    EXPECT_EQ(lib().open(nullptr, (dir.path + "/text.lzh").c_str(), UNLHA_OPEN_MODE), nullptr);
    EXPECT_EQ(lib().open(nullptr, dir.path.c_str(), UNLHA_OPEN_MODE), nullptr);
    EXPECT_FALSE(lib().check((dir.path + "/long.lzh").c_str(), 0));
    // A damaged header between whole ones: the walk lists the member after it, the check
    // and the count still say the archive is damaged.
    const std::string damaged = ZELMO_TEST_DATA "/archive/damaged_header.lzh";
    EXPECT_EQ(walk(damaged).size(), 2u);
    EXPECT_FALSE(lib().check(damaged.c_str(), 0));
    EXPECT_EQ(lib().fileCount(damaged.c_str()), -1);
}

namespace {

// A folder tree as "path=content" lines, sorted, relative to root.
std::string tree(const std::string& root) {
    std::vector<std::string> lines;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = e.path().string().substr(root.size() + 1);
        lines.push_back(e.is_directory() ? rel + "/" : rel + "=" + readFile(e.path().string()));
    }
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

int run(const std::string& command, char* out = nullptr, uint32_t size = 0) {
    char local[512];
    return lib().command(nullptr, command.c_str(), out ? out : local, out ? size : sizeof local);
}

} // namespace

TEST(Unlha32Commands, ExtractKeepsOrDropsFoldersWhateverBytesThePathsHold) {
    TempDir dir;
    const std::string arc = dir.path + "/arc \"q\" \\ \n\xff.lzh";
    ASSERT_TRUE(lzhtest::writeFile(arc, lzhtest::archive(sampleMembers(), 2)));
    const std::string withFolders = dir.path + "/to 'x' \"y\"\n\xfe";
    const std::string flat = dir.path + "/flat\\";
    ASSERT_EQ(mkdir(withFolders.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(flat.c_str(), 0755), 0);
    char out[256];
    EXPECT_EQ(run("x " + quote(arc) + " " + quote(withFolders + "/"), out, sizeof out), 0) << out;
    const std::string big(1000, 'z');
    EXPECT_EQ(tree(withFolders),
              "a.txt=hello\n\nempty=\nフォルダ/\nフォルダ/表示.txt=" + big + "\n");
    // "e" drops the folders; the destination's own trailing "\" is a separator.
    EXPECT_EQ(run("e " + quote(arc) + " " + quote(flat + "\\")), 0);
    EXPECT_EQ(tree(flat), "a.txt=hello\n\nempty=\n表示.txt=" + big + "\n");
}

TEST(Unlha32Commands, MalformedCommandsAreRefusedAndDoNothing) {
    TempDir dir;
    const std::string arc = dir.path + "/a.lzh";
    ASSERT_TRUE(lzhtest::writeFile(arc, lzhtest::archive(sampleMembers(), 1)));
    const std::string dest = dir.path + "/dest";
    ASSERT_EQ(mkdir(dest.c_str(), 0755), 0);
    const std::string a = quote(arc), d = quote(dest);
    for (const std::string& c :
         {std::string(), "y " + a + " " + d, "x " + a, "x " + a + " " + d + " " + d,
          "x -o " + a + " " + d, "x " + a + " -o", "-x " + a + " " + d, "\"x\" " + a + " " + d,
          "x " + a + "glued " + d, "x \"" + arc + " " + d, "x " + a + " \"\""}) {
        SCOPED_TRACE(c);
        char out[64];
        EXPECT_NE(run(c, out, sizeof out), 0);
        EXPECT_LT(std::strlen(out), sizeof out);
        EXPECT_TRUE(fs::is_empty(dest));
    }
    // The report never runs past the size given.
    char small[8 + 4];
    std::memset(small, '#', sizeof small);
    run("bogus", small, 8);
    EXPECT_LT(std::strlen(small), 8u);
    EXPECT_EQ(std::string(small + 8, 4), "####");
}

TEST(Unlha32Commands, CraftedNamesStayOneArgument) {
    TempDir dir;
    // Names that would read as an option and a second destination were they not quoted.
    const std::string arc = dir.path + "/a\" -o \"evil\\\" b.lzh";
    ASSERT_TRUE(lzhtest::writeFile(arc, lzhtest::archive(sampleMembers(), 0)));
    const std::string dest = dir.path + "/-o";
    ASSERT_EQ(mkdir(dest.c_str(), 0755), 0);
    EXPECT_EQ(run("x " + quote(arc) + " " + quote(dest)), 0);
    EXPECT_TRUE(fs::exists(dest + "/a.txt"));
    EXPECT_FALSE(fs::exists(dir.path + "/evil"));
    EXPECT_FALSE(fs::exists(dir.path + "/a.txt"));
    // Unquoted, the same text is refused: too many arguments and an option.
    EXPECT_NE(run("x " + arc + " " + dest), 0);
}

TEST(Unlha32ExtractMem, MemberBytesNeverPastTheBuffer) {
    TempDir dir;
    for (int level = 0; level <= 2; ++level) {
        SCOPED_TRACE(level);
        const std::string arc = dir.path + "/m\"" + std::to_string(level) + "\n\xff.lzh";
        ASSERT_TRUE(lzhtest::writeFile(arc, lzhtest::archive(sampleMembers(), level)));
        const std::string cmd = quote(arc) + " " + quote("フォルダ/表示.txt");
        std::vector<unsigned char> buf(1000 + 16, 0xA5);
        int32_t time = 0;
        uint16_t attr = 0xFFFF;
        uint32_t written = 0;
        ASSERT_EQ(lib().extractMem(nullptr, cmd.c_str(), buf.data(), 1000, &time, &attr, &written),
                  0);
        EXPECT_EQ(written, 1000u);
        EXPECT_EQ(std::string(buf.begin(), buf.begin() + 1000), std::string(1000, 'z'));
        EXPECT_EQ(uint32_t(time), localTime(1998, 6, 5, 10, 4, 6));
        // A smaller buffer: cut to its size, the canary behind it untouched.
        std::fill(buf.begin(), buf.end(), 0xA5);
        written = 0;
        EXPECT_EQ(lib().extractMem(nullptr, cmd.c_str(), buf.data(), 10, &time, &attr, &written),
                  0);
        EXPECT_EQ(written, 10u);
        EXPECT_EQ(std::string(buf.begin(), buf.begin() + 10), std::string(10, 'z'));
        for (size_t i = 10; i < buf.size(); ++i)
            ASSERT_EQ(buf[i], 0xA5) << i;
        const std::string empty = quote(arc) + " " + quote("empty");
        EXPECT_EQ(lib().extractMem(nullptr, empty.c_str(), buf.data(), 10, &time, &attr, &written),
                  0);
        EXPECT_EQ(written, 0u);
    }
    const std::string arc = dir.path + "/m\"0\n\xff.lzh";
    unsigned char b[8];
    uint32_t written = 99;
    for (const std::string& c : {quote(arc) + " " + quote("missing"), quote(arc),
                                 quote(arc) + " " + quote("a.txt") + " " + quote("a.txt"),
                                 quote(arc) + " -p", "-p " + quote("a.txt")}) {
        SCOPED_TRACE(c);
        EXPECT_NE(lib().extractMem(nullptr, c.c_str(), b, sizeof b, nullptr, nullptr, &written), 0);
        EXPECT_EQ(written, 0u);
    }
}

namespace {

const std::string kFixtures = ZELMO_TEST_DATA "/archive/";

// The MS-DOS stamp of a UTC time in the local zone (level-2 headers store UTC).
std::pair<uint16_t, uint16_t> localStampOfUtc(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm = calendar(y, mo, d, h, mi, s);
    const time_t t = timegm(&tm);
    std::tm local{};
    localtime_r(&t, &local);
    return {dosDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
            dosTime(local.tm_hour, local.tm_min, local.tm_sec)};
}

} // namespace

TEST(Unlha32Fixtures, LevelsMethodsAndJapaneseNamesAsListed) {
    for (const char* file : {"level0.lzh", "level1.lzh", "level2.lzh"}) {
        SCOPED_TRACE(file);
        const auto r = walk(kFixtures + file);
        ASSERT_EQ(r.size(), 4u);
        const char* names[] = {"stored.txt", "lh5.txt", "lh6.txt", "lh7.txt"};
        const char* methods[] = {"-lh0-", "-lh5-", "-lh6-", "-lh7-"};
        const uint32_t sizes[] = {23, 9273, 10533, 11681};
        const auto stamp = file[5] == '2' ? localStampOfUtc(1998, 6, 5, 10, 4, 6)
                                          : std::make_pair(dosDate(1998, 6, 5), dosTime(10, 4, 6));
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_STREQ(r[i].fileName, names[i]);
            EXPECT_STREQ(r[i].method, methods[i]);
            EXPECT_EQ(V(r[i].originalSize), sizes[i]);
            EXPECT_EQ(V(r[i].ratio), uint16_t(uint64_t(V(r[i].compressedSize)) * 1000 / sizes[i]));
            EXPECT_EQ(V(r[i].date), stamp.first);
            EXPECT_EQ(V(r[i].time), stamp.second);
        }
        EXPECT_EQ(V(r[0].compressedSize), 23u);
        EXPECT_LT(V(r[1].compressedSize), 9273u / 5);
    }
    for (const char* file :
         {"japanese_l0.lzh", "japanese_l1.lzh", "japanese_l2.lzh", "japanese.Lzh5"}) {
        SCOPED_TRACE(file);
        const auto r = walk(kFixtures + file);
        ASSERT_EQ(r.size(), 5u);
        EXPECT_STREQ(r[0].fileName, "フォルダ/日本語テキスト.txt");
        EXPECT_EQ(V(r[0].originalSize), 2520u);
        EXPECT_EQ(V(r[0].compressedSize), 148u);
        EXPECT_EQ(V(r[0].ratio), 58);
        EXPECT_STREQ(r[1].fileName, "フォルダ/utf8テキスト.txt");
        EXPECT_STREQ(r[1].method, "-lh6-");
        EXPECT_STREQ(r[2].fileName, "ソフト/表.txt"); // 0x5C trail bytes stay in their characters
        EXPECT_STREQ(r[3].fileName, "SETUP.EXE");
        EXPECT_STREQ(r[4].fileName, "Plugin.DLL");
    }
    const auto ratio = walk(kFixtures + "ratio.lzh");
    ASSERT_EQ(ratio.size(), 2u);
    EXPECT_EQ(V(ratio[0].ratio), 253); // 1000 bytes packed into 253
    EXPECT_EQ(walk(kFixtures + "many301.lzh").size(), 301u);
    const auto absolute = walk(kFixtures + "absolute.lzh");
    ASSERT_EQ(absolute.size(), 2u);
    EXPECT_STREQ(absolute[1].fileName, "/zelmo_absolute/evil.txt");
}

TEST(Unlha32Fixtures, MemberTextsAndHostileArchivesStayInside) {
    for (const char* file : {"japanese_l0.lzh", "japanese_l1.lzh", "japanese_l2.lzh"}) {
        SCOPED_TRACE(file);
        std::vector<unsigned char> buf(800000);
        uint32_t written = 0;
        const std::string cmd = quote(kFixtures + file) + " " + quote("ソフト/表.txt");
        ASSERT_EQ(lib().extractMem(nullptr, cmd.c_str(), buf.data(), uint32_t(buf.size()), nullptr,
                                   nullptr, &written),
                  0);
        EXPECT_EQ(written, 10u);
    }
    for (const char* file : {"slip.lzh", "absolute.lzh", "backslash.lzh", "device.lzh",
                             "newline.lzh", "symlink.lzh"}) {
        SCOPED_TRACE(file);
        TempDir dir;
        const std::string dest = dir.path + "/dest";
        ASSERT_EQ(mkdir(dest.c_str(), 0755), 0);
        EXPECT_FALSE(walk(kFixtures + "hostile/" + file).empty());
        run("x " + quote(kFixtures + "hostile/" + file) + " " + quote(dest + "/"));
        for (const auto& e : fs::directory_iterator(dir.path))
            EXPECT_EQ(e.path().filename(), "dest"); // nothing written beside the destination
        for (const auto& e : fs::recursive_directory_iterator(dest))
            EXPECT_FALSE(e.is_symlink()) << e.path();
    }
    EXPECT_FALSE(fs::exists("/tmp/zelmo_hostile_absolute.txt"));
}
