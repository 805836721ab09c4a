#include "editor/DocumentFiles.h"

#include "platform/FsName.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using editor::SaveFileBytes;

namespace {

QByteArray fs(const QString& path) {
    return platform::toFsBytes(path);
}

void put(const QString& path, const QByteArray& bytes, mode_t mode = 0644) {
    const int fd = ::open(fs(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
    ::chmod(fs(path).constData(), mode);
}

QByteArray get(const QString& path) {
    QByteArray out;
    const int fd = ::open(fs(path).constData(), O_RDONLY);
    if (fd < 0)
        return "<missing>";
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, n);
    ::close(fd);
    return out;
}

// The names in a folder: a save leaves no temporary file behind.
// Read byte-wise: QDir cannot list names that are not UTF-8.
QStringList names(const QString& dir) {
    QStringList out;
    DIR* d = ::opendir(fs(dir).constData());
    if (!d)
        return out;
    while (const dirent* e = ::readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
            out.append(platform::fromFsBytes(QByteArray(e->d_name)));
    }
    ::closedir(d);
    out.sort();
    return out;
}

class SaveFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString at(const QString& name) const { return dir.path() + '/' + name; }
};

} // namespace

TEST_F(SaveFileTest, ReplacesContentKeepingPermissionsAndLeavesNoTemporaryFile) {
    // A name that is not UTF-8 (Shift-JIS bytes) with a line break in it.
    const QString name = platform::fromFsBytes(QByteArray("\x83\x81\x83\x82\n.txt"));
    put(at(name), "old content that is longer", 0640);
    QString error = "unset";
    ASSERT_TRUE(SaveFileBytes(at(name), "new", &error)) << error.toStdString();
    EXPECT_EQ(get(at(name)), "new");
    struct stat st;
    ASSERT_EQ(::stat(fs(at(name)).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(names(dir.path()), QStringList{name});
    // A new file, and an empty content.
    ASSERT_TRUE(SaveFileBytes(at("fresh.txt"), "", &error));
    EXPECT_EQ(get(at("fresh.txt")), "");
}

TEST_F(SaveFileTest, SymbolicLinksAreFollowedToTheirTarget) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
    put(at("real/target.txt"), "old");
    ASSERT_EQ(::symlink("real/target.txt", fs(at("relative")).constData()), 0);
    ASSERT_EQ(::symlink(fs(at("relative")).constData(), fs(at("chain")).constData()), 0);
    QString error;
    ASSERT_TRUE(SaveFileBytes(at("chain"), "through two links", &error)) << error.toStdString();
    EXPECT_EQ(get(at("real/target.txt")), "through two links");
    struct stat st;
    ASSERT_EQ(::lstat(fs(at("chain")).constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::lstat(fs(at("relative")).constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(names(at("real")), QStringList{"target.txt"});

    // A dangling link names no file: refused, as is a loop.
    ASSERT_EQ(::symlink("real/new.txt", fs(at("dangling")).constData()), 0);
    EXPECT_FALSE(SaveFileBytes(at("dangling"), "made", &error));
    EXPECT_EQ(error, at("dangling") + QStringLiteral(" に書き込めません\r\nリンク先がありません"));
    EXPECT_EQ(names(at("real")), QStringList{"target.txt"});
    ASSERT_EQ(::symlink("loop", fs(at("loop")).constData()), 0);
    EXPECT_FALSE(SaveFileBytes(at("loop"), "x", &error));
    EXPECT_EQ(error, at("loop") +
                         QStringLiteral(" に書き込めません\r\nシンボリックリンクが循環しています"));
}

TEST_F(SaveFileTest, HardLinksKeepTheOldContentUnderTheOtherNames) {
    put(at("one"), "old");
    ASSERT_EQ(::link(fs(at("one")).constData(), fs(at("two")).constData()), 0);
    QString error;
    ASSERT_TRUE(SaveFileBytes(at("one"), "new", &error));
    EXPECT_EQ(get(at("one")), "new");
    EXPECT_EQ(get(at("two")), "old");
}

TEST_F(SaveFileTest, FailuresLeaveTheOldFileWholeAndSayWhy) {
    QString error;
    // No such folder.
    EXPECT_FALSE(SaveFileBytes(at("missing/file.txt"), "x", &error));
    EXPECT_EQ(error,
              at("missing/file.txt") + QStringLiteral(" に書き込めません\r\nフォルダがありません"));
    // A folder in the file's place.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    EXPECT_FALSE(SaveFileBytes(at("folder"), "x", &error));
    EXPECT_EQ(error, at("folder") + QStringLiteral(" に書き込めません\r\nフォルダです"));

    // Over the size limit, for root too: the process may not write more than 64 KB per
    // file. Told apart from a full disk.
    put(at("doc.txt"), "the old text");
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 65536;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveFileBytes(at("doc.txt"), QByteArray(1 << 20, 'n'), &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(error, at("doc.txt") + QStringLiteral(" に書き込めません\r\nこのファイルシステム（"
                                                    "またはサイズの制限）には大きすぎます"));
    EXPECT_EQ(get(at("doc.txt")), "the old text");
    EXPECT_EQ(names(dir.path()), (QStringList{"doc.txt", "folder"}));
}

// Runs fn in a child at uid 65534 when we are root (else as we are); its exit status.
int asOrdinaryUser(const std::function<int()>& fn) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        ::_exit(fn());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

TEST_F(SaveFileTest, ReadOnlyFilesAndFoldersRefuseTheSaveAndNothingIsWrittenInPlace) {
    // A file without owner write permission: not replaced, also for root.
    put(at("locked.txt"), "old", 0444);
    QString error;
    EXPECT_FALSE(SaveFileBytes(at("locked.txt"), "new", &error));
    EXPECT_EQ(error,
              at("locked.txt") + QStringLiteral(" に書き込めません\r\n書き込みの権限がありません"));
    EXPECT_EQ(get(at("locked.txt")), "old");

    // A folder that takes no new file, with the file itself writable: refused, never
    // written in place (a kill would tear it). An ordinary user's case.
    ASSERT_TRUE(QDir(dir.path()).mkdir("ro"));
    put(at("ro/writable.txt"), "old", 0666);
    ::chmod(fs(dir.path()).constData(), 0755);
    ::chown(fs(at("ro")).constData(), 65534, 65534);
    ::chown(fs(at("ro/writable.txt")).constData(), 65534, 65534);
    ::chmod(fs(at("ro")).constData(), 0555);
    const QString expected =
        at("ro/writable.txt") + QStringLiteral(" に書き込めません\r\n書き込みの権限がありません");
    EXPECT_EQ(
        asOrdinaryUser([&] {
            QString e;
            return SaveFileBytes(at("ro/writable.txt"), "new", &e) ? 1 : e == expected ? 0 : 2;
        }),
        0);
    EXPECT_EQ(get(at("ro/writable.txt")), "old");
    EXPECT_EQ(names(at("ro")), QStringList{"writable.txt"});
    ::chmod(fs(at("ro")).constData(), 0755);
}

TEST_F(SaveFileTest, ALinkAnotherUserPlantedInASharedFolderIsNotFollowed) {
    if (geteuid() != 0)
        GTEST_SKIP() << "another user's link needs root to plant";
    // A sticky world-writable folder (as /tmp) where uid 65534 put a link to our file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("shared"));
    ::chmod(fs(dir.path()).constData(), 0755);
    ::chmod(fs(at("shared")).constData(), 01777);
    put(at("mine.txt"), "my data", 0600);
    ASSERT_EQ(asOrdinaryUser([&] {
                  return ::symlink(fs(at("mine.txt")).constData(),
                                   fs(at("shared/note.txt")).constData());
              }),
              0);
    QString error;
    EXPECT_FALSE(SaveFileBytes(at("shared/note.txt"), "overwritten", &error));
    EXPECT_EQ(error, at("shared/note.txt") +
                         QStringLiteral(" に書き込めません\r\n書き込みの権限がありません"));
    EXPECT_EQ(get(at("mine.txt")), "my data");
    // Our own link there is followed.
    ASSERT_EQ(::symlink(fs(at("mine.txt")).constData(), fs(at("shared/own.txt")).constData()), 0);
    EXPECT_TRUE(SaveFileBytes(at("shared/own.txt"), "through my link", &error));
    EXPECT_EQ(get(at("mine.txt")), "through my link");
}

// As an ordinary user: a link another user made in a folder of the user's own (not sticky)
// is followed as the kernel would follow it; in a sticky, world-writable folder it is not.
TEST_F(SaveFileTest, AnotherUsersLinkIsFollowedInTheUsersOwnFolderAndRefusedInASharedOne) {
    if (geteuid() != 0)
        GTEST_SKIP() << "another user's link needs root to plant";
    const uid_t user = 65534, other = 65533;
    ::chmod(fs(dir.path()).constData(), 0755);
    ASSERT_TRUE(QDir(dir.path()).mkdir("own"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("shared"));
    ::chmod(fs(at("own")).constData(), 0755);
    ::chmod(fs(at("shared")).constData(), 01777);
    ASSERT_EQ(::chown(fs(at("own")).constData(), user, user), 0);
    put(at("own/target.txt"), "old", 0644);
    ASSERT_EQ(::chown(fs(at("own/target.txt")).constData(), user, user), 0);
    for (const char* link : {"own/link.txt", "shared/link.txt"}) {
        ASSERT_EQ(::symlink(fs(at("own/target.txt")).constData(), fs(at(link)).constData()), 0);
        ASSERT_EQ(::lchown(fs(at(link)).constData(), other, other), 0);
    }
    EXPECT_EQ(asOrdinaryUser([&] {
                  QString e;
                  return SaveFileBytes(at("own/link.txt"), "through", &e) ? 0 : 1;
              }),
              0);
    EXPECT_EQ(get(at("own/target.txt")), "through");
    const QString refused =
        at("shared/link.txt") + QStringLiteral(" に書き込めません\r\n書き込みの権限がありません");
    EXPECT_EQ(
        asOrdinaryUser([&] {
            QString e;
            return SaveFileBytes(at("shared/link.txt"), "planted", &e) ? 1 : e == refused ? 0 : 2;
        }),
        0);
    EXPECT_EQ(get(at("own/target.txt")), "through");
    EXPECT_TRUE(QFileInfo(at("own/link.txt")).isSymLink());
}
