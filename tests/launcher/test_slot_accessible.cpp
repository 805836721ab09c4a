#include "launcher/SlotAccessible.h"
#include "platform/FsName.h"

#include <gtest/gtest.h>

using namespace launcher;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

TEST(SlotAccessible, NamesAndDescriptions) {
    // A name that is not UTF-8 (Shift-JIS) is read out as it is shown: decoded as CP932.
    const QString sjis = platform::fromFsBytes(QByteArray("/opt/\x83\x65\x83\x58\x83\x67.sh"));
    struct Case {
        QString entry, hint;
        ShellRequest click;
        QString name, description;
    };
    const Case cases[] = {
        {"", "未登録 3", {"explorer", "", ""}, "未登録 3", ""},
        {"", "解除後 5", {}, "解除後 5", ""},
        {"/usr/bin/editor",
         "editor",
         {"/usr/bin/editor", "\"/home/a/b c.txt\"", "/usr/bin"},
         "editor",
         "/usr/bin/editor \"/home/a/b c.txt\""},
        // Nothing selected: the empty quotes hand nothing over.
        {"/usr/bin/editor",
         "editor",
         {"/usr/bin/editor", "\"\"", "/usr/bin"},
         "editor",
         "/usr/bin/editor"},
        // A folder with the viewer closed goes to the file manager: its path alone.
        {"/home/a/docs",
         "/home/a/docs",
         {"explorer.exe", "/n,/e,/home/a/docs", ""},
         "docs",
         "/home/a/docs"},
        {"/", "/", {"explorer.exe", "/n,/e,/", ""}, "/", "/"},
        {sjis, "x", {sjis, "", "/opt"}, "テスト.sh", "/opt/テスト.sh"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SlotAccessibleName(c.entry, c.hint), c.name) << c.entry.toStdString();
        EXPECT_EQ(SlotAccessibleDescription(c.entry, c.click), c.description)
            << c.entry.toStdString();
    }
}
