#include "core/SettingsFile.h"
#include "platform/Errors.h"
#include "platform/FsName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("zelmo32.INI"); }
};

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
    SettingsFile ini(path());
    EXPECT_EQ(ini.ReadString("Page1", "BPFileName0", ""), "");
    EXPECT_EQ(ini.ReadInteger("FormStyle", "ZoomInOut", 100), 100);
    EXPECT_TRUE(ini.ReadBool("FormStyle", "ViewerStyle", true));
    EXPECT_FALSE(QFile::exists(path()));
    ini.WriteBool("FormStyle", "ViewerStyle", true);
    EXPECT_EQ(readAll(path()), "[FormStyle]\nViewerStyle=1\n");
}

TEST_F(SettingsFileTest, NamesMatchWithoutCaseAndValuesAreReplacedInPlace) {
    writeAll(path(), "; note\r\n[formstyle]\r\nzoominout=90\r\nOther=x\r\n\r\n[Page1]\r\nA=1\r\n");
    SettingsFile ini(path());
    EXPECT_EQ(ini.ReadInteger("FormStyle", "ZoomInOut", 100), 90);
    ini.WriteInteger("FORMSTYLE", "ZOOMINOUT", 106);
    ini.WriteString("FormStyle", "New", "");
    ini.WriteString("Page2", "BPFileName3", "/home/ann/メモ.txt");
    EXPECT_EQ(readAll(path()), QByteArray("; note\r\n[formstyle]\r\nzoominout=106\r\nOther=x\r\n"
                                          "New=\r\n\r\n[Page1]\r\nA=1\r\n\r\n[Page2]\r\n"
                                          "BPFileName3=/home/ann/メモ.txt\r\n"));
    EXPECT_EQ(ini.ReadString("formstyle", "new", "default"), "");
    EXPECT_EQ(ini.ReadString("page2", "bpfilename3", ""), "/home/ann/メモ.txt");
}

TEST_F(SettingsFileTest, IntegerAndBooleanRules) {
    writeAll(path(), "[S]\nHex=0x0C\nShortHex=0x\nNeg=-7\nText=abc\nTwo=2\nBig=99999999999\n"
                     "Upper=0X1f\n");
    SettingsFile ini(path());
    EXPECT_EQ(ini.ReadInteger("S", "Hex", 1), 12);
    EXPECT_EQ(ini.ReadInteger("S", "ShortHex", 1), 1);
    EXPECT_EQ(ini.ReadInteger("S", "Neg", 1), -7);
    EXPECT_EQ(ini.ReadInteger("S", "Text", 5), 5);
    EXPECT_EQ(ini.ReadInteger("S", "Big", 5), 5);
    EXPECT_EQ(ini.ReadInteger("S", "Upper", 5), 31);
    EXPECT_TRUE(ini.ReadBool("S", "Two", false));
    EXPECT_TRUE(ini.ReadBool("S", "Text", true));
    EXPECT_FALSE(ini.ReadBool("S", "Text", false));
}

TEST_F(SettingsFileTest, LongValuesReadBackWholeNeverCut) {
    // Cutting at 1023 characters would turn a long path into another, shorter one.
    SettingsFile ini(path());
    const QString longValue = "/home/ann/" + QString(3000, QChar(u'あ'));
    ini.WriteString("S", "K", longValue);
    EXPECT_EQ(SettingsFile(path()).ReadString("S", "K", ""), longValue);
    const QString longOdd =
        "/tmp/" + QString(1020, QChar(u'x')) + "\n\\" + QString(40, QChar(u'y'));
    ini.WriteString("S", "Odd", longOdd);
    EXPECT_EQ(SettingsFile(path()).ReadString("S", "Odd", ""), longOdd);
    // A long plain value written by hand is read whole as well.
    const QByteArray hand = "/srv/" + QByteArray(2000, 'z');
    writeAll(path(), "[S]\nK=" + hand + "\n");
    EXPECT_EQ(SettingsFile(path()).ReadString("S", "K", ""), QString::fromLatin1(hand));
}

TEST_F(SettingsFileTest, ShiftJisFileStillLoads) {
    // "[Page1]\nBPFileName0=C:\\ﾃｽﾄ\\メモ.TXT" in CP932
    writeAll(path(), "[Page1]\nBPFileName0=C:\\\xc3\xbd\xc4\\\x83\x81\x83\x82.TXT\n");
    SettingsFile ini(path());
    EXPECT_EQ(ini.ReadString("Page1", "BPFileName0", ""), QString("C:\\ﾃｽﾄ\\メモ.TXT"));
}

TEST_F(SettingsFileTest, SeesChangesMadeByAnotherWriter) {
    SettingsFile a(path()), b(path());
    a.WriteInteger("S", "K", 1);
    EXPECT_EQ(b.ReadInteger("S", "K", 0), 1);
    b.WriteInteger("S", "K", 2);
    EXPECT_EQ(a.ReadInteger("S", "K", 0), 2);
    writeAll(path(), "[S]\nK=3\n");
    EXPECT_EQ(a.ReadInteger("S", "K", 0), 3);
}

TEST_F(SettingsFileTest, ReadOnlyFileRaisesTheMessageAndStaysUntouched) {
    writeAll(path(), "[S]\nK=1\n");
    QFile::setPermissions(path(), QFile::ReadOwner);
    SettingsFile ini(path());
    try {
        ini.WriteInteger("S", "K", 2);
        FAIL() << "no error raised";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.text(), path() + " に書き込めません");
    }
    EXPECT_EQ(readAll(path()), "[S]\nK=1\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no temporary left
}

TEST_F(SettingsFileTest, UnwritableFolderRaisesTheMessage) {
    const QString bad = dir.filePath("missing/dir/zelmo32.INI");
    writeAll(dir.filePath("missing"), "a plain file blocks the folder");
    SettingsFile ini(bad);
    try {
        ini.WriteString("S", "K", "v");
        FAIL() << "no error raised";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.text(), bad + " に書き込めません");
    }
}

TEST_F(SettingsFileTest, ALinkedFileIsWrittenThroughTheLinkToItsTarget) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
    writeAll(dir.filePath("real/shared.INI"), "[S]\nK=1\n");
    ASSERT_TRUE(QFile::link(dir.filePath("real/shared.INI"), path()));
    SettingsFile ini(path());
    ini.WriteInteger("S", "K", 2);
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(readAll(dir.filePath("real/shared.INI")), "[S]\nK=2\n");
    EXPECT_EQ(ini.ReadInteger("S", "K", 0), 2);
}

// A file of mixed lines (a UTF-8 line, a CP932 line, a line neither decodes): read line by
// line, and every line nobody changed is written back byte for byte.
TEST_F(SettingsFileTest, AFileOfMixedLinesKeepsEachUnchangedLinesBytes) {
    const QByteArray utf8Line = "Utf=\xE3\x83\xA1\xE3\x83\xA2"; // メモ
    const QByteArray cp932Line = "Sjis=\x83\x81\x83\x82";       // メモ
    const QByteArray oddLine = "Odd=/x/\xFF\xFE\x80name";       // neither
    writeAll(path(), "[S]\r\n" + utf8Line + "\r\n" + cp932Line + "\r\n" + oddLine + "\r\nK=1\r\n");
    SettingsFile ini(path());
    EXPECT_EQ(ini.ReadString("S", "Utf", ""), QStringLiteral("メモ"));
    EXPECT_EQ(ini.ReadString("S", "Sjis", ""), QStringLiteral("メモ"));
    EXPECT_EQ(ini.ReadString("S", "Odd", ""),
              platform::fromFsBytes(QByteArray("/x/\xFF\xFE\x80name")));
    ini.WriteInteger("S", "K", 2);
    ini.WriteString("T", "New", "値");
    EXPECT_EQ(readAll(path()), "[S]\r\n" + utf8Line + "\r\n" + cp932Line + "\r\n" + oddLine +
                                   "\r\nK=2\r\n\r\n[T]\r\nNew=\xE5\x80\xA4\r\n");
    // A file wholly in CP932 still reads as before.
    writeAll(path(), "[S]\n" + cp932Line + "\n");
    EXPECT_EQ(ini.ReadString("S", "Sjis", ""), QStringLiteral("メモ"));
}

} // namespace

// One key written into files of every shape: the file afterwards is exactly the expected
// bytes (every other line as it was, its line end and encoding too), and every key reads
// back the same from the accessor that wrote it and from a copy of the file read afresh.
TEST_F(SettingsFileTest, AWriteChangesOnlyItsLineAndEveryKeyReadsBack) {
    struct Read {
        const char *section, *key, *value;
    };
    struct Row {
        const char* name;
        QByteArray before;
        const char *section, *key, *value;
        QByteArray after;
        std::vector<Read> reads;
    } const rows[] = {
        {"mixed line ends, undecodable bytes",
         "[A]\r\nX=1\nOdd=\xFF\xFE\r\n[B]\nK=old\r\nZ=2\n",
         "b",
         "k",
         "new value",
         "[A]\r\nX=1\nOdd=\xFF\xFE\r\n[B]\nK=new value\r\nZ=2\n",
         {{"B", "Z", "2"}, {"A", "X", "1"}, {"B", "K", "new value"}}},
        {"a key added before the next section",
         "[A]\r\nX=1\nOdd=\xFF\r\n[B]\nK=1\n",
         "A",
         "New",
         "v",
         "[A]\r\nX=1\nOdd=\xFF\r\nNew=v\r\n[B]\nK=1\n",
         {{"A", "New", "v"}, {"B", "K", "1"}, {"A", "X", "1"}}},
        {"duplicate sections: the first counts",
         "[S]\nK=1\n[s]\nK=2\nJ=3\n",
         "S",
         "J",
         "4",
         "[S]\nK=1\nJ=4\n[s]\nK=2\nJ=3\n",
         {{"S", "J", "4"}, {"S", "K", "1"}}},
        {"duplicate keys: the first counts",
         "[S]\nK=1\nk=2\nZ=3\n",
         "S",
         "K",
         "9",
         "[S]\nK=9\nk=2\nZ=3\n",
         {{"S", "K", "9"}, {"S", "Z", "3"}}},
        {"no line end at the end",
         "[S]\nK=1",
         "S",
         "J",
         "2",
         "[S]\nK=1\nJ=2\n",
         {{"S", "J", "2"}, {"S", "K", "1"}}},
        {"a new section after a last line without its end",
         "[S]\nK=1",
         "T",
         "A",
         "1",
         "[S]\nK=1\n\n[T]\nA=1\n",
         {{"T", "A", "1"}, {"S", "K", "1"}}},
        {"blank lines end a section",
         "[S]\r\nK=1\r\n\r\n[T]\r\nA=1\r\n",
         "S",
         "J",
         "2",
         "[S]\r\nK=1\r\nJ=2\r\n\r\n[T]\r\nA=1\r\n",
         {{"S", "J", "2"}, {"T", "A", "1"}}},
        {"spaces around a key, comments",
         "; c=1\n[S]\n  K  =  v  \n;x\n",
         "S",
         "K",
         "w",
         "; c=1\n[S]\nK=w\n;x\n",
         {{"S", "K", "w"}}},
        {"an escaped value",
         "[S]\r\nK=1\r\nZ=2\r\n",
         "S",
         "K",
         "a\nb",
         "[S]\r\nK=@Esc(a\\x0Ab)\r\nZ=2\r\n",
         {{"S", "K", "a\nb"}, {"S", "Z", "2"}}},
        {"a file wholly in CP932 becomes UTF-8",
         "[S]\r\nA=\x83\x81\x83\x82\nK=1\n",
         "S",
         "K",
         "2",
         "[S]\r\nA=\xE3\x83\xA1\xE3\x83\xA2\r\nK=2\r\n",
         {{"S", "A", "メモ"}, {"S", "K", "2"}}},
        {"a CP932 key in a file of mixed lines",
         "[S]\n\x83\x81=1\nOdd=\xFF\n",
         "S",
         "メ",
         "2",
         "[S]\n\xE3\x83\xA1=2\nOdd=\xFF\n",
         {{"S", "メ", "2"}}},
        {"a mixed file the write would leave readable as CP932 becomes UTF-8",
         "[S]\nA=\x83\x81\nU=\xE3\x83\xA1\xE3\x83\xA2\nOdd=\xFF\n",
         "S",
         "Odd",
         "x",
         "[S]\nA=\xE3\x83\xA1\nU=\xE3\x83\xA1\xE3\x83\xA2\nOdd=x\n",
         {{"S", "A", "メ"}, {"S", "U", "メモ"}, {"S", "Odd", "x"}}},
        {"a section name spaced and in other case",
         "[ Page1 ]\nA=1\n[Page2]\nB=2\n",
         "PAGE1",
         "a",
         "3",
         "[ Page1 ]\nA=3\n[Page2]\nB=2\n",
         {{"page1", "A", "3"}, {"Page2", "B", "2"}}},
    };
    const QString copy = dir.filePath("copy.INI");
    for (const Row& r : rows) {
        // New files, not the old ones rewritten in place, which could look unchanged.
        QFile::remove(path());
        QFile::remove(copy);
        writeAll(path(), r.before);
        SettingsFile ini(path());
        ini.ReadString("Z", "Z", ""); // read first, so the write works on the version held
        ini.WriteString(r.section, QString::fromUtf8(r.key), QString::fromUtf8(r.value));
        const QByteArray after = readAll(path());
        EXPECT_EQ(after, r.after) << r.name;
        writeAll(copy, after);
        for (const Read& read : r.reads) {
            const QString want = QString::fromUtf8(read.value);
            const QString key = QString::fromUtf8(read.key);
            EXPECT_EQ(ini.ReadString(read.section, key, "?"), want) << r.name << " " << read.key;
            EXPECT_EQ(SettingsFile(copy).ReadString(read.section, key, "?"), want)
                << r.name << " " << read.key;
        }
    }
}
