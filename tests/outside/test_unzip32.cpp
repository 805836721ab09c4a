// libunzip32.so loaded by full path as the program loads it: its entries, "-x" and "-p",
// and commands that must be refused before anything happens.
#include "OutsideTestUtil.h"
#include "base/CommandLine.h"
#include "outside/archive/Unzip32.h"

#include <cstring>
#include <dlfcn.h>

using namespace outsidetest;

namespace {

class Unzip32 : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = ::dlopen(ZELMO_UNZIP32, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << ::dlerror();
        unzip_ = reinterpret_cast<decltype(&::UnZip)>(::dlsym(handle_, "UnZip"));
        ASSERT_NE(unzip_, nullptr);
    }
    void TearDown() override {
        if (handle_)
            ::dlclose(handle_);
    }
    // Runs a command with an output buffer of size bytes followed by canary bytes, which
    // must stay untouched.
    int Run(const std::string& command, std::string* out = nullptr, uint32_t size = 4096) {
        std::vector<char> buffer(size + 16, '\x5A');
        int r = unzip_(nullptr, command.c_str(), buffer.data(), size);
        for (uint32_t i = size; i < size + 16; ++i)
            EXPECT_EQ(buffer[i], '\x5A') << "written past the buffer at " << i;
        if (out)
            *out = size > 0 ? std::string(buffer.data(), strnlen(buffer.data(), size)) : "";
        return r;
    }
    static std::string Quote(const std::string& s) {
        std::string out(zelmo_command_quote(s.data(), s.size(), nullptr, 0) + 1, '\0');
        out.resize(zelmo_command_quote(s.data(), s.size(), out.data(), out.size()));
        return out;
    }

    void* handle_ = nullptr;
    decltype(&::UnZip) unzip_ = nullptr;
};

TEST_F(Unzip32, ExportsOnlyItsEntriesWithAUsableVersion) {
    auto version =
        reinterpret_cast<decltype(&::UnZipGetVersion)>(::dlsym(handle_, "UnZipGetVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_GE(version() & 0xffff, 75);
    EXPECT_NE(version() & 0xffff, 1); // 1 would claim the other kind of library
    EXPECT_EQ(::dlsym(handle_, "MicUnZipGetVersion"), nullptr);
    EXPECT_EQ(::dlsym(handle_, "zelmo_extract_all"), nullptr);
    EXPECT_EQ(::dlsym(handle_, "zelmo_command_parse"), nullptr);
    auto running =
        reinterpret_cast<decltype(&::UnZipGetRunning)>(::dlsym(handle_, "UnZipGetRunning"));
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(running(), 0);
    auto check =
        reinterpret_cast<decltype(&::UnZipCheckArchive)>(::dlsym(handle_, "UnZipCheckArchive"));
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check(Archive("names.zip").c_str(), 0), 1);
    EXPECT_EQ(check(Archive("notzip.zip").c_str(), 0), 0);
    EXPECT_EQ(check(Archive("missing.zip").c_str(), 0), 0);
}

// The program's own command: archive and destination quoted, the destination ending in
// "\"; the names hold quotes, backslashes, spaces and a line break.
TEST_F(Unzip32, ExtractsIntoTheFolderOfAnOddlyNamedPath) {
    TempTree tree;
    const std::string odd = "we\"ird \\ na\nme";
    std::string dir = tree.mkdir(odd);
    std::string archive = dir + "/" + odd + ".zip";
    WriteFile(archive, ReadFile(Archive("names.zip")));
    std::string dest = tree.mkdir(odd + "/to \"here\"\\");
    std::string out;
    EXPECT_EQ(Run("-x " + Quote(archive) + " " + Quote(dest + "\\"), &out), 0);
    EXPECT_EQ(out, "3 extracted, 0 refused, 25 bytes\n");
    EXPECT_EQ(ReadFile(dest + "/日本語/ユニコード.txt"), "utf-8 name");
    EXPECT_EQ(ReadFile(dest + "/ソフト/表.txt"), "cp932 name");
    // A trailing "/" works the same; an existing file is kept and the new one set beside.
    EXPECT_EQ(Run("-x " + Quote(archive) + " " + Quote(dest + "/"), &out), 0);
    EXPECT_EQ(ReadFile(dest + "/ascii (2).txt"), "plain");
    // The hostile set through the library: the result says so, nothing leaves the folder.
    std::string hostile = tree.mkdir("hostile");
    EXPECT_NE(Run("-x " + Quote(Archive("slip.zip")) + " " + Quote(hostile)), 0);
    EXPECT_EQ(Listing(hostile), (std::vector<std::string>{"ok.txt", "sub/", "sub/inner.txt", "tmp/",
                                                          "tmp/zelmo-absolute-evil.txt"}));
}

TEST_F(Unzip32, PrintsAMemberIntoTheBufferOnly) {
    std::string out;
    const std::string archive = Quote(Archive("names.zip"));
    EXPECT_EQ(Run("-p " + archive + " " + Quote("日本語/ユニコード.txt"), &out), 0);
    EXPECT_EQ(out, "utf-8 name");
    // A bare member name, as the program may send it, when it has no space.
    EXPECT_EQ(Run("-p " + archive + " ascii.txt", &out), 0);
    EXPECT_EQ(out, "plain");
    // size - 1 bytes and the NUL, never more; the canary behind stays.
    EXPECT_EQ(Run("-p " + archive + " " + Quote("ソフト\\表.txt"), &out, 6), 0);
    EXPECT_EQ(out, "cp932");
    EXPECT_EQ(Run("-p " + archive + " ascii.txt", &out, 1), 0);
    EXPECT_EQ(out, "");
    EXPECT_NE(Run("-p " + archive + " ascii.txt", &out, 0), 0);
    EXPECT_NE(Run("-p " + archive + " missing.txt", &out), 0);
    EXPECT_EQ(out, "");
}

// Malformed commands, options where names belong, and names crafted to look like more
// arguments: all refused, nothing written.
TEST_F(Unzip32, RefusesEveryOtherCommand) {
    TempTree tree;
    std::string dest = tree.mkdir("dest");
    std::string second = tree.mkdir("second");
    const std::string archive = Quote(Archive("names.zip"));
    const std::vector<std::string> refused = {
        "",
        "-x",
        "-x " + archive,
        "-x " + archive + " " + Quote(dest) + " " + Quote(second),
        "-z " + archive + " " + Quote(dest),
        "-X " + archive + " " + Quote(dest),
        Quote("-x") + " " + archive + " " + Quote(dest),
        "-x -p " + Quote(dest),
        "-x " + archive + " -d",
        "-x " + archive + " \"" + dest,       // never closed
        "-x " + archive + "x " + Quote(dest), // text glued to the closing quote
        "-p " + archive + " -x",
        "-p " + archive + " ascii.txt extra",
        "x " + archive + " " + Quote(dest),
        // One quoted destination that spells out a second one.
        "-x " + archive + " " + Quote(dest + "\" \"" + second),
        // A quoted member that spells out an option.
        "-p " + archive + " " + Quote("ascii.txt\" -x \"" + dest),
    };
    for (const std::string& command : refused) {
        std::string out;
        EXPECT_NE(Run(command, &out), 0) << command;
        EXPECT_EQ(Listing(tree.root()), (std::vector<std::string>{"dest/", "second/"})) << command;
    }
}

} // namespace
