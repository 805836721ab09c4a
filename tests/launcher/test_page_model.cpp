// The entry table and the page names against the settings file.
#include "core/SettingsFile.h"
#include "launcher/EntryRules.h"
#include "launcher/EntryTable.h"
#include "launcher/PageNames.h"
#include "platform/Errors.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "tests/SettingsFileFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PageModelTest : public SettingsFileFixture {};

TEST_F(PageModelTest, LoadsEveryPageAndSlotFromItsOwnKey) {
    write("[Page1]\nBPFileName0=/usr/bin/xterm\nBPFileName13=/home/ann\n"
          "[page11]\nbpfilename7=/home/ann/メモ.txt\n[Page3]\nBPFileName4=\n");
    EntryTable table;
    int calls = 0;
    table.LoadAll(SettingsFile(path()), [&] { ++calls; });
    EXPECT_EQ(calls, 154);
    EXPECT_EQ(table.at(0, 0), "/usr/bin/xterm");
    EXPECT_EQ(table.at(0, 13), "/home/ann");
    EXPECT_EQ(table.at(10, 7), "/home/ann/メモ.txt");
    EXPECT_FALSE(table.isRegistered(2, 4)); // a removed entry leaves an empty key
    EXPECT_FALSE(table.isRegistered(1, 0));
    EXPECT_EQ(table.at(11, 0), ""); // outside the table
    EXPECT_EQ(table.at(0, 14), "");
}

TEST_F(PageModelTest, RecordChangesMemoryAndWritesOneKey) {
    EntryTable table;
    SettingsFile ini(path());
    table.Record(ini, 2, 7, "/opt/tool/run");
    EXPECT_EQ(table.at(2, 7), "/opt/tool/run");
    EXPECT_EQ(readAll(), "[Page3]\nBPFileName7=/opt/tool/run\n");
    table.Record(ini, 2, 7, "");
    EXPECT_EQ(readAll(), "[Page3]\nBPFileName7=\n");
    table.set(2, 13, "/tmp/x"); // memory only
    EXPECT_EQ(table.at(2, 13), "/tmp/x");
    EXPECT_EQ(readAll(), "[Page3]\nBPFileName7=\n");
}

TEST_F(PageModelTest, RecordOnAReadOnlyFileRaisesAfterChangingMemory) {
    write("[Page1]\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0444), 0);
    EntryTable table;
    SettingsFile ini(path());
    try {
        table.Record(ini, 0, 1, "/bin/sh");
        FAIL() << "no error raised";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.text(), path() + " に書き込めません");
    }
    EXPECT_EQ(table.at(0, 1), "/bin/sh");
    EXPECT_EQ(readAll(), "[Page1]\n");
}

TEST_F(PageModelTest, PageNamesDefaultAndTheirCaptions) {
    write("[TabName]\nNo2=道具\nNo10=\n");
    const QStringList names = launcher::LoadPageNames(SettingsFile(path()));
    ASSERT_EQ(names.size(), 11);
    EXPECT_EQ(names.at(0), "Page1");
    EXPECT_EQ(names.at(2), "道具");
    EXPECT_EQ(names.at(10), ""); // an empty name is a name
    EXPECT_EQ(launcher::PageItemCaption(0, names.at(0)), "(&1) Page1");
    EXPECT_EQ(launcher::PageItemCaption(9, "Page10"), "(&A) Page10");
    EXPECT_EQ(launcher::PageItemCaption(10, ""), "(&B) ");
    EXPECT_EQ(launcher::PageItemCaption(11, "ignored"), "(&C) Control");
}

TEST_F(PageModelTest, TabSetHintHasElevenLinesWithNumbersPadded) {
    QStringList names;
    for (int i = 0; i < 11; ++i)
        names.append(launcher::DefaultPageName(i));
    EXPECT_EQ(launcher::TabSetHint(names),
              " 1  Page1\r\n 2  Page2\r\n 3  Page3\r\n 4  Page4\r\n 5  Page5\r\n 6  Page6\r\n"
              " 7  Page7\r\n 8  Page8\r\n 9  Page9\r\n 10 Page10\r\n 11 Page11");
}

TEST_F(PageModelTest, SavedPageNamesComeBack) {
    SettingsFile ini(path());
    QStringList names;
    for (int i = 0; i < 11; ++i)
        names.append(QString("名前%1").arg(i));
    launcher::SavePageNames(ini, names);
    EXPECT_EQ(launcher::LoadPageNames(SettingsFile(path())), names);
}

// Registered files whose names hold what a settings line cannot: after a restart each
// slot names the very file registered, and no name adds a key or a section.
TEST_F(PageModelTest, OddFileNamesSurviveARestartOnTheirOwnSlots) {
    const QList<QByteArray> names = {
        "a\nBPFileName6=/tmp/x.sh",
        "b\n[FormStyle]\nViewerStyle=0",
        "\x83\x65\x83\x58\x83\x67.txt", // テスト.txt in CP932
        "notes ",
        " lead",
        "cr\r",
        "eq=semi;[br]\"q\"\\back",
        "@Esc(x)",
        "\xe3\x83\xa1\xe3\x83\xa2\xe3\x80\x80", // メモ and a full-width space
    };
    QStringList registered;
    {
        EntryTable table;
        SettingsFile ini(path());
        for (int i = 0; i < names.size(); ++i) {
            const QByteArray file = platform::toFsBytes(dir.path()) + '/' + names.at(i);
            // A name with "/" lies in folders of such names.
            for (qsizetype s = file.indexOf('/', 1); s >= 0; s = file.indexOf('/', s + 1))
                ::mkdir(file.left(s).constData(), 0755);
            const int fd = ::open(file.constData(), O_CREAT | O_WRONLY, 0644);
            ASSERT_GE(fd, 0) << i;
            ::close(fd);
            // As registration does: the full path of the name read from the folder.
            const QString full = launcher::FullPath(platform::fromFsBytes(file));
            registered.append(full);
            table.Record(ini, 0, i < 6 ? i : i + 1, full);
        }
        ini.WriteBool("FormStyle", "ViewerStyle", true);
    }
    EntryTable table;
    table.LoadAll(SettingsFile(path()));
    for (int i = 0; i < names.size(); ++i) {
        const QString& got = table.at(0, i < 6 ? i : i + 1);
        EXPECT_EQ(got, registered.at(i)) << i;
        EXPECT_TRUE(platform::pathIsFile(got)) << i;
    }
    EXPECT_FALSE(table.isRegistered(0, 6)); // the name's "BPFileName6=" is no key
    for (int p = 1; p < EntryTable::kPages; ++p)
        for (int k = 0; k < EntryTable::kSlots; ++k)
            EXPECT_FALSE(table.isRegistered(p, k));
    EXPECT_TRUE(SettingsFile(path()).ReadBool("FormStyle", "ViewerStyle", false));
}

TEST_F(PageModelTest, PageNamesKeepSpacesAndLineBreaks) {
    SettingsFile ini(path());
    QStringList names;
    for (int i = 0; i < 11; ++i)
        names.append(launcher::DefaultPageName(i));
    names[0] = "tools ";
    names[1] = "  ";
    names[2] = "a\r\n[TabName]";
    names[3] = "ゲーム\u3000";
    launcher::SavePageNames(ini, names);
    EXPECT_EQ(launcher::LoadPageNames(SettingsFile(path())), names);
}

} // namespace
