// Every LZH fixture, ours and the old archivers' (MS-DOS, CP/M, Amiga, MorphOS, OS-9, Mac,
// Windows), listed and extracted through the LZH library as the program loads it, next to
// what lhasa extracts from the same file: the same files with the same bytes and times,
// save where a row says why they differ. Each archive is copied as "a.lzh" first, as the
// program takes .lzs and .pma files only under an LZH name.
#include "base/CommandLine.h"
#include "outside/archive/Unlha32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

struct Lib {
    decltype(&UnlhaOpenArchive) open = nullptr;
    decltype(&UnlhaCloseArchive) close = nullptr;
    decltype(&UnlhaFindFirst) first = nullptr;
    decltype(&UnlhaFindNext) next = nullptr;
    decltype(&Unlha) command = nullptr;
};

const Lib& lib() {
    static Lib l = [] {
        Lib r;
        void* h = dlopen(UNLHA32_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!h)
            return r;
        r.open = reinterpret_cast<decltype(r.open)>(dlsym(h, "UnlhaOpenArchive"));
        r.close = reinterpret_cast<decltype(r.close)>(dlsym(h, "UnlhaCloseArchive"));
        r.first = reinterpret_cast<decltype(r.first)>(dlsym(h, "UnlhaFindFirst"));
        r.next = reinterpret_cast<decltype(r.next)>(dlsym(h, "UnlhaFindNext"));
        r.command = reinterpret_cast<decltype(r.command)>(dlsym(h, "Unlha"));
        return r;
    }();
    return l;
}

struct Row {
    const char* file;                 // below tests/data/archive
    std::vector<std::string> names;   // the listing (empty: count only)
    size_t count;                     // members listed
    std::set<std::string> oursOnly;   // files we extract and lhasa does not
    std::set<std::string> theirsOnly; // files lhasa writes and we refuse
};

const std::vector<std::string> kJapanese = {"フォルダ/日本語テキスト.txt",
                                            "フォルダ/utf8テキスト.txt", "ソフト/表.txt",
                                            "SETUP.EXE", "Plugin.DLL"};
const std::vector<std::string> kLevels = {"stored.txt", "lh5.txt", "lh6.txt", "lh7.txt"};

// Every LZH fixture: a new one without a row fails the test.
const std::vector<Row>& rows() {
    static const std::vector<Row> r = {
        {"absolute.lzh", {"readme.txt", "/zelmo_absolute/evil.txt"}, 2, {}, {}},
        // lhasa leaves an empty file for data that is no lh5 stream; we write nothing.
        {"bad_member.lzh", {"before.txt", "bad.bin", "after.txt"}, 3, {}, {"bad.bin"}},
        // lhasa ends at the damaged header; we go on to the next whole one.
        {"damaged_header.lzh", {"before.txt", "after.txt"}, 2, {"after.txt"}, {}},
        // lhasa splits level-0 and level-1 names at every 0x5C byte, CP932's second bytes
        // included.
        // Bytes where the end mark would stand: both extract the whole members before them.
        {"junk_tail.lzh", {"before.txt", "after.txt"}, 2, {}, {}},
        {"japanese_l0.lzh", kJapanese, 5, {"ソフト/表.txt"}, {"\x83/\x83t\x83g/\x95/.txt"}},
        {"japanese_l1.lzh", kJapanese, 5, {"ソフト/表.txt"}, {"ソフト/.txt"}},
        {"japanese_l2.lzh", kJapanese, 5, {}, {}},
        {"japanese.Lzh5", kJapanese, 5, {}, {}},
        {"level0.lzh", kLevels, 4, {}, {}},
        {"level1.lzh", kLevels, 4, {}, {}},
        {"level2.lzh", kLevels, 4, {}, {}},
        {"level3.lzh", {"level3.txt", "folder/inner.txt", "old.txt"}, 3, {}, {}},
        {"many301.lzh", {}, 301, {}, {}},
        {"names_eucjp.lzh", {}, 3, {}, {}},
        {"names_latin1.lzh", {}, 4, {}, {}},
        // lhasa stops at the UTF-16 name extensions.
        {"names_utf16.lzh",
         {"before.txt", "ÜÖÄüöä/äöüÄÖÜ.txt", "after.txt"},
         3,
         {"ÜÖÄüöä/äöüÄÖÜ.txt", "after.txt"},
         {}},
        {"names_utf8.lzh",
         {"before.txt", "フォルダ/テキスト.txt", "café.txt", "after.txt"},
         4,
         {},
         {}},
        {"ratio.lzh", {"ratio253.bin", "lh7.txt"}, 2, {}, {}},
        {"rooted_l2.lzh", {"/root/in_root.txt"}, 1, {}, {}},
        // lhasa reads no header of a link without "|target"; we refuse the link alone.
        {"symlink_no_target.lzh", {"link", "second"}, 2, {"second"}, {}},
        {"time1970.lzh", {"old1970.txt", "after.txt"}, 2, {}, {}},
        {"time1970_l0.lzh", {"old1970.txt", "after.txt"}, 2, {}, {}},
        {"unsupported_lh2.lzh", {"before.txt", "old.bin", "after.txt"}, 3, {}, {}},
        {"hostile/absolute.lzh", {"/tmp/zelmo_hostile_absolute.txt"}, 1, {}, {}},
        // lhasa makes what we refuse: "..", a device, a link.
        {"hostile/backslash.lzh", {"../../evil.txt"}, 1, {}, {"..\\..\\evil.txt"}},
        {"hostile/device.lzh", {"null_char"}, 1, {}, {"null_char"}},
        {"hostile/newline.lzh", {"line1\nline2.txt"}, 1, {}, {}},
        {"hostile/slip.lzh",
         {"../evil.txt", "sub/../../evil2.txt"},
         2,
         {},
         {"evil.txt", "evil2.txt"}},
        // lhasa writes evil.txt through its link, outside its folder; ours is a folder.
        {"hostile/symlink.lzh",
         {"link|../outside", "link/evil.txt"},
         2,
         {"link/evil.txt"},
         {"link"}},
        {"lzh-old/generated-lzs-lzs.lzs", {"GPL-2"}, 1, {}, {}},
        {"lzh-old/larc333-lz5.lzs", {"GPL-2"}, 1, {}, {}},
        {"lzh-old/lha_amiga_122-level2.lzh", {"subdir/subdir2/hello.txt"}, 1, {}, {}},
        {"lzh-old/lha_amiga_122-lh4.lzh", {"gpl-2"}, 1, {}, {}},
        {"lzh-old/lha_osk_201-h2_lh5.lzh", {"gpl-2"}, 1, {}, {}},
        {"lzh-old/lharc113-lh1.lzh", {"GPL-2"}, 1, {}, {}},
        {"lzh-old/lhmelt_16536-h1_subdir.lzh",
         {"/subdir/subdir2/hello.txt", "/subdir/subdir2/"},
         2,
         {},
         {}},
        {"lzh-old/maclha_224-l1_lh5.lzh", {"gpl-2"}, 1, {}, {}},
        {"lzh-old/morphos_lha_2717-h0_metadata.lzh", {"metadata.txt"}, 1, {}, {}},
        {"lzh-old/morphos_lha_2717-h2_lh5.lzh", {"gpl-2"}, 1, {}, {}},
        {"lzh-old/pmarc124-pm1.pma", {"COPYING.TXT"}, 1, {}, {}},
        {"lzh-old/pmarc2-pm2.pma", {"GPL-2."}, 1, {}, {}},
        {"lzh-old/unlha32-h2_lhx.lzh", {"GPL-2"}, 1, {}, {}},
    };
    return r;
}

struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/lzh-fixtures-XXXXXX";
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

std::string readFile(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool validUtf8(const std::string& s) {
    iconv_t cd = iconv_open("UTF-8", "UTF-8");
    std::string in = s, out(s.size() + 4, '\0');
    char* i = in.data();
    char* o = out.data();
    size_t il = in.size(), ol = out.size();
    const bool valid = iconv(cd, &i, &il, &o, &ol) != size_t(-1);
    iconv_close(cd);
    return valid;
}

// lhasa writes names as stored: they are read as the library reads them (UTF-8 when
// valid, else CP932 when it decodes) before they are compared, without case (lhasa
// lower-cases names of MS-DOS archivers).
std::string comparable(const std::string& name) {
    std::string out = name;
    if (!validUtf8(name)) {
        iconv_t cd = iconv_open("UTF-8", "CP932");
        std::string in = name, converted(name.size() * 4 + 4, '\0');
        char* i = in.data();
        char* o = converted.data();
        size_t il = in.size(), ol = converted.size();
        if (iconv(cd, &i, &il, &o, &ol) != size_t(-1))
            out.assign(converted.data(), converted.size() - ol);
        iconv_close(cd);
    }
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct Entry {
    std::string bytes;
    time_t mtime = 0;
};

// The files below root (links and devices as files), by comparable name.
std::map<std::string, Entry> files(const std::string& root) {
    std::map<std::string, Entry> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_directory() && !e.is_symlink())
            continue;
        struct stat st {};
        lstat(e.path().c_str(), &st);
        Entry entry;
        if (S_ISREG(st.st_mode))
            entry.bytes = readFile(e.path());
        entry.mtime = st.st_mtime;
        out[comparable(e.path().string().substr(root.size() + 1))] = entry;
    }
    return out;
}

// The MS-DOS stamp the listing shows for a time: local time, before 1980 as 1980/01/01.
std::pair<uint16_t, uint16_t> dosStamp(time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    if (tm.tm_year < 80)
        return {uint16_t((1 << 5) | 1), 0};
    return {uint16_t(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday),
            uint16_t((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2))};
}

} // namespace

TEST(LzhFixtures, EveryArchiveListsAndExtractsAsLhasaExtractsIt) {
    if (std::system("command -v lhasa >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "lhasa missing";
    ASSERT_NE(lib().command, nullptr);
    const std::string data = ZELMO_TEST_DATA "/archive";
    std::set<std::string> covered;
    for (const auto& e : fs::recursive_directory_iterator(data)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".lzh" || ext == ".Lzh5" || ext == ".lzs" || ext == ".pma")
            covered.insert(e.path().string().substr(data.size() + 1));
    }
    for (const Row& row : rows())
        covered.erase(row.file);
    EXPECT_TRUE(covered.empty()) << "fixtures without a row: " << *covered.begin();

    const time_t started = time(nullptr);
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.file);
        TempDir dir;
        const std::string arc = dir.path + "/a.lzh";
        fs::copy_file(data + "/" + row.file, arc);

        // The listing: count, names, and dates as the extracted files have them.
        std::vector<ArchiveMemberInfo> records;
        HARC h = lib().open(nullptr, arc.c_str(), 0);
        ASSERT_NE(h, nullptr);
        ArchiveMemberInfo info;
        for (int rc = lib().first(h, "*.*", &info); rc == 0; rc = lib().next(h, &info))
            records.push_back(info);
        lib().close(h);
        EXPECT_EQ(records.size(), row.count);
        if (!row.names.empty()) {
            std::vector<std::string> names;
            for (const auto& r : records)
                names.emplace_back(r.fileName);
            EXPECT_EQ(names, row.names);
        }

        fs::create_directory(dir.path + "/ours");
        fs::create_directory(dir.path + "/theirs");
        char report[2048];
        lib().command(nullptr, ("x " + quote(arc) + " " + quote(dir.path + "/ours/")).c_str(),
                      report, sizeof report);
        ASSERT_EQ(std::system(("cd '" + dir.path + "/theirs' && lhasa x ../a.lzh </dev/null " +
                               ">/dev/null 2>&1; true")
                                  .c_str()),
                  0);
        auto ours = files(dir.path + "/ours");
        auto theirs = files(dir.path + "/theirs");
        for (const std::string& only : row.oursOnly)
            EXPECT_EQ(ours.erase(comparable(only)), 1u) << only << "\n" << report;
        for (const std::string& only : row.theirsOnly)
            EXPECT_EQ(theirs.erase(comparable(only)), 1u) << only;
        ASSERT_EQ(ours.size(), theirs.size()) << report;
        for (const auto& [name, entry] : ours) {
            SCOPED_TRACE(name);
            ASSERT_EQ(theirs.count(name), 1u) << report;
            EXPECT_TRUE(entry.bytes == theirs[name].bytes);
            // lhasa leaves the time of a member without a stamp (PMarc) as it finds it.
            if (theirs[name].mtime < started - 60) {
                EXPECT_EQ(entry.mtime, theirs[name].mtime);
            }
        }
        for (const auto& r : records) {
            const auto found =
                ours.find(comparable(r.fileName[0] == '/' ? r.fileName + 1 : r.fileName));
            if (found == ours.end())
                continue;
            SCOPED_TRACE(r.fileName);
            const auto [date, time] = dosStamp(found->second.mtime);
            EXPECT_EQ(date, uint16_t(r.date));
            EXPECT_EQ(time, uint16_t(r.time));
        }
    }
}
