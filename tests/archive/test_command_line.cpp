// The archive libraries' command rule: what the program quotes comes back whole.
#include "archive/CommandQuote.h"
#include "base/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
    bool ok = false;
    std::vector<std::string> args;
    std::vector<bool> options;
};

Parsed parse(const QByteArray& command) {
    Parsed p;
    ZelmoCommand c;
    p.ok = zelmo_command_parse(command.constData(), &c) == 0;
    for (int i = 0; p.ok && i < c.count; ++i) {
        p.args.emplace_back(c.args[i]);
        p.options.push_back(zelmo_command_is_option(&c, i) != 0);
    }
    zelmo_command_free(&c);
    return p;
}

} // namespace

TEST(CommandLine, QuotedNamesComeBackByteForByte) {
    const QByteArray names[] = {
        "plain.lzh",
        "with space.zip",
        "quote\"inside",
        "ends in backslash\\",
        "\\\\server\\share",
        "-x looks like an option",
        "line\nbreak",
        "\"",
        "",
        "\x82\xa0\x82\xa2 sjis \xff",
        "a\" \"/second/destination",
    };
    for (const QByteArray& name : names) {
        const QByteArray command =
            "-x " + archive::QuoteArgument(name) + " " + archive::QuoteArgument("/dest/");
        const Parsed p = parse(command);
        ASSERT_TRUE(p.ok) << command.constData();
        ASSERT_EQ(p.args.size(), 3u) << command.constData();
        EXPECT_EQ(p.args[1], name.toStdString());
        EXPECT_FALSE(p.options[1]);
        EXPECT_TRUE(p.options[0]);
        EXPECT_EQ(p.args[2], "/dest/");
    }
}

TEST(CommandLine, OldStyleCommandsStillRead) {
    // A lone backslash stands for itself; a doubled one before the closing quote is one.
    Parsed p = parse("x \"C:\\dir\\a.lzh\" \"D:\\\\\"");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.args, (std::vector<std::string>{"x", "C:\\dir\\a.lzh", "D:\\"}));
    // Separators are spaces or tabs, any number of them.
    p = parse("  -p\t\"/a b.zip\"   member.txt ");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.args, (std::vector<std::string>{"-p", "/a b.zip", "member.txt"}));
    EXPECT_EQ(p.options, (std::vector<bool>{true, false, false}));
}

TEST(CommandLine, MalformedCommandsAreRefusedWhole) {
    // An unclosed quote: a single backslash before the last quote escapes it.
    EXPECT_FALSE(parse("x \"a.lzh\" \"D:\\\"").ok);
    EXPECT_FALSE(parse("x \"a.lzh").ok);
    // Text glued to a closing quote.
    EXPECT_FALSE(parse("x \"a.lzh\"\"b\"").ok);
    EXPECT_FALSE(parse("x \"a.lzh\"-o").ok);
    const Parsed empty = parse("");
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.args.empty());
}

TEST(CommandLine, QuotingIntoASmallBufferIsCutAndTerminated) {
    char out[6];
    const size_t need = zelmo_command_quote("a\"bcdef", 7, out, sizeof out);
    EXPECT_EQ(need, 10u);
    EXPECT_STREQ(out, "\"a\\\"b");
}
