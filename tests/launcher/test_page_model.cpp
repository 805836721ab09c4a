// The entry table and the page names against the settings file.
#include "core/SettingsFile.h"
#include "launcher/EntryTable.h"
#include "launcher/PageNames.h"
#include "platform/Errors.h"
#include "tests/SettingsFileFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

} // namespace
