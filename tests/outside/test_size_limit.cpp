// Extraction through each archive library under ulimit -f, in a fresh process that never
// installed the program's SIGXFSZ handler: the library catches the signal itself for the
// length of the call, so an over-limit member is refused with its reason instead of
// killing the caller, and the disposition the caller had is the one it has afterwards
// (never SIG_IGN, which programs started later would inherit, nor a handler inside a
// library that may be unloaded).
#include "base/CommandLine.h"

#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {

std::string quote(const std::string& s) {
    std::string out(zelmo_command_quote(s.data(), s.size(), nullptr, 0) + 1, '\0');
    out.resize(zelmo_command_quote(s.data(), s.size(), out.data(), out.size()));
    return out;
}

// One argument for the shell.
std::string shellWord(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

TEST(SizeLimit, EachLibraryCatchesSigxfszForItsCallOnly) {
    struct Library {
        const char* path;
        const char* entry;
        const char* command; // "x" or "-x"
        const char* archive;
    };
    const Library libraries[] = {
        {ZELMO_UNZIP32, "UnZip", "-x", ZELMO_TEST_DATA "/archive/japanese_utf8.zip"},
        {UNLHA32_PATH, "Unlha", "x", ZELMO_TEST_DATA "/archive/level1.lzh"},
    };
    for (const Library& l : libraries) {
        for (const char* disposition : {"default", "ignore", "handler"}) {
            SCOPED_TRACE(std::string(l.entry) + " with SIGXFSZ " + disposition);
            QTemporaryDir dest;
            ASSERT_TRUE(dest.isValid());
            const std::string command = std::string(l.command) + " " + quote(l.archive) + " " +
                                        quote(dest.path().toStdString() + "\\");
            const std::string run = shellWord(ZELMO_SIZE_LIMIT_DRIVER) + " " + shellWord(l.path) +
                                    " " + l.entry + " " + shellWord(command) + " 4 " + disposition;
            FILE* p = ::popen(run.c_str(), "r");
            ASSERT_NE(p, nullptr);
            std::string output;
            char buffer[4096];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
                output.append(buffer, n);
            const int status = ::pclose(p);
            ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
            EXPECT_EQ(WEXITSTATUS(status), 0) << "3: the disposition changed\n" << output;
            EXPECT_NE(output.find("\": too large for this file system or limit\n"),
                      std::string::npos)
                << output;
            EXPECT_EQ(output.find("result 0\n"), std::string::npos) << output;
        }
    }
}

} // namespace
