#include "platform/AppPaths.h"
#include "platform/DirEnum.h"
#include "platform/DirReader.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
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

// A folder larger than one read of the kernel's entries: every name comes back once,
// byte for byte, whatever bytes it holds; subfolders open relative to the open folder,
// never through a symbolic link.
TEST(DirReader, ReadsEveryEntryOnceAndOpensSubfoldersWithoutFollowingLinks) {
    QTemporaryDir dir;
    const QByteArray base = QFile::encodeName(dir.path()) + "/";
    QSet<QByteArray> made;
    for (int i = 0; i < 2000; ++i) // some 120 kB of entries
        made.insert("file-with-a-rather-long-name-number-" + QByteArray::number(i) + ".txt");
    made.insert("\x83\x81\x83\x82.txt");
    made.insert("line\nbreak \"quoted\"");
    for (const QByteArray& n : made) {
        const int fd = ::open((base + n).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << n.constData();
        ::close(fd);
    }
    ASSERT_EQ(::mkdir((base + "sub").constData(), 0755), 0);
    ASSERT_EQ(::mkdir((base + "sub/inner").constData(), 0755), 0);
    ASSERT_EQ(::symlink("sub", (base + "link").constData()), 0);

    DirReader reader;
    ASSERT_EQ(reader.open(base), 0);
    QSet<QByteArray> seen;
    RawEntry e;
    int dirs = 0, links = 0;
    while (reader.next(e)) {
        const QByteArray n(e.name, e.nameLength);
        EXPECT_FALSE(seen.contains(n)) << n.constData();
        seen.insert(n);
        dirs += e.type == EntryType::Directory;
        links += e.type == EntryType::Symlink;
    }
    EXPECT_FALSE(reader.next(e)); // stays at the end
    EXPECT_EQ(seen.size(), made.size() + 2);
    EXPECT_TRUE(seen.contains(made));
    EXPECT_EQ(dirs, 1);
    EXPECT_EQ(links, 1);

    DirReader sub;
    ASSERT_EQ(sub.openAt(reader, "sub"), 0);
    ASSERT_TRUE(sub.next(e));
    EXPECT_EQ(QByteArray(e.name), QByteArray("inner"));
    EXPECT_FALSE(sub.next(e));
    EXPECT_NE(sub.openAt(reader, "link"), 0); // a link is never entered
    EXPECT_FALSE(sub.isOpen());
    EXPECT_FALSE(sub.next(e));
    EXPECT_EQ(sub.openAt(reader, "missing"), ENOENT);
    // Reopening the same reader starts afresh.
    ASSERT_EQ(sub.open(base + "sub"), 0);
    ASSERT_TRUE(sub.next(e));
    EXPECT_EQ(QByteArray(e.name), QByteArray("inner"));
    reader.close();
    EXPECT_FALSE(reader.next(e));
    EXPECT_EQ(sub.openAt(reader, "sub"), EBADF);
    for (const QByteArray& n : made)
        ::unlink((base + n).constData()); // names that are not UTF-8 are beyond Qt's clean-up
}

TEST(AppPaths, ExtensionIsReplacedOrAdded) {
    EXPECT_EQ(pathWithExtension("/opt/z/zelmo32", ".INI"), "/opt/z/zelmo32.INI");
    EXPECT_EQ(pathWithExtension("/opt/z.d/zelmo32.exe", ".hlp"), "/opt/z.d/zelmo32.hlp");
    EXPECT_EQ(pathWithExtension("/opt/z.d/.hidden", ".INI"), "/opt/z.d/.hidden.INI");
}

// A read takes memory for the file's size, not for the limit asked (the editor asks up
// to 999 999 999 bytes for every file); a file that grows past its stat size is still
// read whole, up to the limit.
TEST(FileProbe, ReadWholeFileAllocatesTheFileSizeNotTheLimit) {
    QTemporaryDir dir;
    const QString path = dir.filePath("six");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("abcdef");
    }
    const std::optional<QByteArray> bytes = readWholeFile(path, 999999999);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, QByteArray("abcdef"));
    EXPECT_LT(bytes->capacity(), 4096);
    EXPECT_FALSE(readWholeFile(path, 5)); // larger than the limit
    EXPECT_EQ(readWholeFile(path, 6).value_or("?"), QByteArray("abcdef"));
}
