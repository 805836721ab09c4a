// String values that a plain "key=value" line cannot carry: names with line breaks,
// bytes that are not UTF-8, spaces at their ends, or text that looks like the escape
// form. Each must read back exactly, in a file that stays valid UTF-8 and gains no
// other key or section.
#include "core/SettingsFile.h"
#include "platform/FsName.h"
#include "platform/TextCodec.h"
#include "tests/SettingsFileFixture.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

using platform::fromFsBytes;

class SettingsValuesTest : public SettingsFileFixture {};

// Names a file on Linux may have, and texts a user may type as a page name.
QStringList oddValues() {
    return {
        "/home/ann/a\nBPFileName0=/tmp/x.sh",
        "/home/ann/a\n[FormStyle]\nViewerStyle=0",
        "/tmp/cr\r",
        "/tmp/crlf\r\nx",
        "\n",
        fromFsBytes(QByteArray("/tmp/\x83\x65\x83\x58\x83\x67.txt")), // テスト.txt in CP932
        fromFsBytes(QByteArray("/tmp/\xff\xfe\x80")),
        fromFsBytes(QByteArray("/tmp/\x5c\x83\x5c")), // a CP932 "ソ" whose second byte is "\"
        "notes ",
        " notes",
        "  ",
        "\tname\t",
        "名前\u3000", // a full-width space at the end
        "/tmp/a=b;c[d]\"e\"'f'",
        "[FormStyle]",
        ";not a comment",
        "C:\\dir\\",
        "\\x41\\u0041\\\\",
        "@Esc(x)",
        "@Esc(\\x41)",
        "@Esc(",
        "@Esc(a\nb)",
        "/tmp/nul" + QString(QChar(0)) + "x",
        "/tmp/del\u007f",
        "/tmp/nel\u0085",
        "/tmp/ls\u2028ps\u2029",
        QString(QChar(0xD83D)) + "lone high",
        "lone low" + QString(QChar(0xDE00)),
        "/tmp/😀 ok",
        "/tmp/😀" + fromFsBytes(QByteArray("\xe9")) + " ",
    };
}

TEST_F(SettingsValuesTest, OddValuesReadBackExactlyInAValidUtf8File) {
    const QStringList values = oddValues();
    {
        SettingsFile ini(path());
        for (int i = 0; i < values.size(); ++i)
            ini.WriteString("Page1", "BPFileName" + QString::number(i), values.at(i));
        ini.WriteInteger("FormStyle", "ViewerStyle", 1);
    }
    const QByteArray bytes = readAll();
    EXPECT_TRUE(platform::isValidUtf8(bytes));
    // One line per key, two section lines and the blank line between them: nothing
    // a value holds became a line of its own.
    EXPECT_EQ(bytes.count('\n'), values.size() + 4);
    EXPECT_FALSE(bytes.contains('\r'));

    const SettingsFile restarted(path());
    for (int i = 0; i < values.size(); ++i) {
        const QString got = restarted.ReadString("Page1", "BPFileName" + QString::number(i), "?");
        EXPECT_EQ(got, values.at(i)) << "value " << i;
        EXPECT_EQ(platform::toFsBytes(got), platform::toFsBytes(values.at(i))) << "value " << i;
    }
    EXPECT_TRUE(restarted.ReadBool("FormStyle", "ViewerStyle", false));
    EXPECT_EQ(restarted.ReadString("Page1", "BPFileName" + QString::number(values.size()), "none"),
              "none");
}

TEST_F(SettingsValuesTest, LastDirectoryWithALineBreakLeavesTheFilterIndexAlone) {
    const QString odd = fromFsBytes(QByteArray("/mnt/\x83\x81\nFilterCBox=9\n[TabName]\nNo0=x "));
    {
        SettingsFile ini(path());
        ini.WriteString("FormStyle", "oldDirPath", odd);
        ini.WriteInteger("FormStyle", "FilterCBox", 3);
    }
    const SettingsFile restarted(path());
    EXPECT_EQ(restarted.ReadString("FormStyle", "oldDirPath", ""), odd);
    EXPECT_EQ(restarted.ReadInteger("FormStyle", "FilterCBox", 1), 3);
    EXPECT_EQ(restarted.ReadString("TabName", "No0", "Page1"), "Page1");
}

TEST_F(SettingsValuesTest, OrdinaryValuesAreStoredAsTheyAre) {
    SettingsFile ini(path());
    const QStringList plain = {"/home/ann/メモ.txt",
                               "a=b",
                               "\"C:\\Program Files\\x\"",
                               "",
                               "@Esc",
                               "x @Esc(y)",
                               "Page 1",
                               "😀"};
    for (const QString& v : plain) {
        ini.WriteString("S", "K", v);
        EXPECT_EQ(readAll(), "[S]\nK=" + v.toUtf8() + "\n");
        EXPECT_EQ(SettingsFile(path()).ReadString("S", "K", "?"), v);
    }
}

TEST_F(SettingsValuesTest, TheEscapeFormOnDisk) {
    SettingsFile ini(path());
    const auto stored = [&](const QString& value) {
        ini.WriteString("S", "K", value);
        return readAll().mid(6).chopped(1); // after "[S]\nK=", without the line end
    };
    EXPECT_EQ(stored("notes "), "@Esc(notes )");
    EXPECT_EQ(stored("/a\nb\r"), "@Esc(/a\\x0Ab\\x0D)");
    EXPECT_EQ(stored(fromFsBytes(QByteArray("/t/\x83\x65x"))), "@Esc(/t/\\x83ex)");
    EXPECT_EQ(stored("C:\\d\t"), "@Esc(C:\\\\d\\x09)");
    EXPECT_EQ(stored("@Esc(x)"), "@Esc(@Esc(x))");
    EXPECT_EQ(stored("メモ\u2028"), "@Esc(メモ\\u2028)");
}

TEST_F(SettingsValuesTest, HandWrittenValuesReadAsTheyAlwaysDid) {
    write("[S]\n"
          "Trimmed=   /home/ann/x   \n"
          "Tab=\tC:\\temp\t\n"
          "Quoted=\"a b\"\n"
          // Looks like the escape form but is not well formed: taken as written.
          "BadEscape=@Esc(C:\\temp)\n"
          "Unclosed=@Esc(abc\n"
          "ShortHex=@Esc(a\\x4)\n"
          "Trailing=@Esc(a\\)\n"
          // Well formed: decoded, lower-case digits too.
          "Good=@Esc(a\\x0ab\\x82\\u3000)\n"
          "Empty=@Esc()\n");
    const SettingsFile ini(path());
    EXPECT_EQ(ini.ReadString("S", "Trimmed", ""), "/home/ann/x");
    EXPECT_EQ(ini.ReadString("S", "Tab", ""), "C:\\temp");
    EXPECT_EQ(ini.ReadString("S", "Quoted", ""), "\"a b\"");
    EXPECT_EQ(ini.ReadString("S", "BadEscape", ""), "@Esc(C:\\temp)");
    EXPECT_EQ(ini.ReadString("S", "Unclosed", ""), "@Esc(abc");
    EXPECT_EQ(ini.ReadString("S", "ShortHex", ""), "@Esc(a\\x4)");
    EXPECT_EQ(ini.ReadString("S", "Trailing", ""), "@Esc(a\\)");
    EXPECT_EQ(ini.ReadString("S", "Good", ""), "a\nb" + fromFsBytes(QByteArray("\x82")) + "\u3000");
    EXPECT_EQ(ini.ReadString("S", "Empty", "?"), "");
}

TEST_F(SettingsValuesTest, ReplacingSwitchesBetweenPlainAndEscapedInPlace) {
    write("[S]\nA=1\nK=old\nZ=2\n");
    SettingsFile ini(path());
    ini.WriteString("S", "K", "x\ny");
    EXPECT_EQ(readAll(), "[S]\nA=1\nK=@Esc(x\\x0Ay)\nZ=2\n");
    ini.WriteString("S", "K", "plain");
    EXPECT_EQ(readAll(), "[S]\nA=1\nK=plain\nZ=2\n");
    EXPECT_EQ(ini.ReadInteger("S", "Z", 0), 2);
}

} // namespace
