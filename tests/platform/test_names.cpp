#include "platform/AppPaths.h"
#include "platform/DirEnum.h"
#include "platform/FsName.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace platform;

TEST(FsName, ShiftJisBytesRoundTripAndDisplayAsJapanese) {
    const QByteArray sjis("\x83\x81\x83\x82.txt"); // メモ.txt in CP932
    const QString name = fromFsBytes(sjis);
    EXPECT_TRUE(hasEscapedBytes(name));
    EXPECT_EQ(toFsBytes(name), sjis);
    EXPECT_EQ(displayName(name), QString("メモ.txt"));

    const QString utf8 = fromFsBytes(QByteArray("メモ.txt"));
    EXPECT_FALSE(hasEscapedBytes(utf8));
    EXPECT_EQ(utf8, QString("メモ.txt"));
    EXPECT_EQ(toFsBytes(utf8), QByteArray("メモ.txt"));

    // Mixed: a valid UTF-8 part stays readable, the stray bytes survive.
    const QByteArray mixed("ab\xe3\x81\x82\xff\xfe");
    EXPECT_EQ(toFsBytes(fromFsBytes(mixed)), mixed);
    EXPECT_TRUE(fromFsBytes(mixed).startsWith(QString("abあ")));
}

TEST(TextCodec, DecodesUtf8OrCp932) {
    EXPECT_EQ(decodeText(QByteArray("ゼル")), QString("ゼル"));
    EXPECT_EQ(decodeText(QByteArray("\x83\x5b\x83\x8b")), QString("ゼル"));
    bool ok = false;
    EXPECT_EQ(encodeCp932(QString("ゼル"), &ok), QByteArray("\x83\x5b\x83\x8b"));
    EXPECT_TRUE(ok);
    encodeCp932(QString("😀"), &ok);
    EXPECT_FALSE(ok);
}

TEST(DirEnum, ListsEntriesWithRawNamesAndReportsUnreadableFolders) {
    QTemporaryDir dir;
    const QByteArray base = QFile::encodeName(dir.path());
    const QByteArray sjisFile = base + "/\x83\x81\x83\x82.txt";
    int fd = ::open(sjisFile.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "abc", 3), 3);
    ::close(fd);
    ASSERT_EQ(::mkdir((base + "/sub").constData(), 0755), 0);
    ASSERT_EQ(::symlink("sub", (base + "/link").constData()), 0);

    int files = 0, dirs = 0, links = 0;
    int err = enumerateDirectory(base, [&](const DirEntry& e) {
        QByteArray n(e.name, e.nameLength);
        if (e.isRegular) {
            ++files;
            EXPECT_EQ(n, QByteArray("\x83\x81\x83\x82.txt"));
            EXPECT_EQ(e.size, 3);
        }
        if (e.isDir)
            ++dirs;
        if (e.isSymlink)
            ++links;
        return true;
    });
    EXPECT_EQ(err, 0);
    EXPECT_EQ(files, 1);
    EXPECT_EQ(dirs, 2);
    EXPECT_EQ(links, 1);
    EXPECT_NE(enumerateDirectory(base + "/nothing-here", [](const DirEntry&) { return true; }), 0);
}

TEST(AppPaths, ExtensionIsReplacedOrAdded) {
    EXPECT_EQ(pathWithExtension("/opt/z/zelmo32", ".INI"), "/opt/z/zelmo32.INI");
    EXPECT_EQ(pathWithExtension("/opt/z.d/zelmo32.exe", ".hlp"), "/opt/z.d/zelmo32.hlp");
    EXPECT_EQ(pathWithExtension("/opt/z.d/.hidden", ".INI"), "/opt/z.d/.hidden.INI");
}
