// The settings file is never lost: not to a failed read, not through a link someone else
// planted; and a write on the version last read does not read it again.
#include "base/TempFile.h"
#include "core/SettingsFile.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray fs(const QString& path) {
    return QFile::encodeName(path);
}

QByteArray readAs(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& bytes, mode_t mode) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    ::chmod(fs(path).constData(), mode);
}

// Runs fn in a child at uid (when we are root; else as we are); its exit status.
int asUser(uid_t uid, const std::function<int()>& fn) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(uid) != 0 || ::setuid(uid) != 0))
            ::_exit(99);
        ::_exit(fn());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

// 0 when the write raised the write error, 1 when it went through.
int writeRaises(const QString& path) {
    try {
        SettingsFile(path).WriteString("FormStyle", "ViewerStyle", "0");
        return 1;
    } catch (const EWriteError& e) {
        return e.text() == path + " に書き込めません" ? 0 : 2;
    }
}

const uid_t kUser = 65534, kOther = 65533;

long gReads = 0;
int countReads(const char* step) {
    gReads += std::strcmp(step, "read") == 0;
    return 0;
}

} // namespace

TEST(SettingsSafety, AFileThatCannotBeReadGivesDefaultsAndIsNeverReplaced) {
    QTemporaryDir dir;
    ::chmod(fs(dir.path()).constData(), 0777);
    const QString path = dir.filePath("zelmo32.INI");
    const QByteArray launcher = "[FormStyle]\n[Launcher]\nPage1=/usr/bin/true\nPageName1=one\n";
    put(path, launcher, 0200);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(fs(path).constData(), kUser, kUser), 0);
    }
    // An ordinary user, as the program runs: the start reads defaults, the exit's write fails.
    EXPECT_EQ(asUser(kUser,
                     [&] {
                         SettingsFile ini(path);
                         if (ini.ReadString("Launcher", "Page1", "none") != "none")
                             return 3;
                         return writeRaises(path);
                     }),
              0);
    ::chmod(fs(path).constData(), 0600);
    EXPECT_EQ(readAs(path), launcher);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(SettingsSafety, AWriteOnTheVersionLastReadDoesNotReadItAgain) {
    QTemporaryDir dir;
    const QString path = dir.filePath("zelmo32.INI");
    put(path, "[S]\nA=1\n", 0644);
    zelmo_set_write_fault_hook(countReads);
    SettingsFile ini(path);
    EXPECT_EQ(ini.ReadInteger("S", "A", 0), 1);
    gReads = 0;
    ini.WriteInteger("S", "A", 2);
    ini.WriteInteger("S", "B", 3);
    EXPECT_EQ(gReads, 0);
    // Another program changed it: read again, and its key is kept. (Accessors in one
    // program share what they read and write.)
    const pid_t other = ::fork();
    if (other == 0) {
        SettingsFile(path).WriteInteger("T", "C", 4);
        ::_exit(0);
    }
    ::waitpid(other, nullptr, 0);
    gReads = 0;
    ini.WriteInteger("S", "A", 5);
    EXPECT_GT(gReads, 0);
    zelmo_set_write_fault_hook(nullptr);
    EXPECT_EQ(readAs(path), "[S]\nA=5\nB=3\n\n[T]\nC=4\n");
    EXPECT_EQ(ini.ReadInteger("T", "C", 0), 4);
}

// The kernel's rule for protected links, over folder mode, folder owner, link owner and
// user: only a sticky, world-writable folder restricts, to links of the user's own or
// of the folder's owner.
TEST(SettingsSafety, LinkRuleTable) {
    struct Row {
        mode_t folderMode;
        uid_t folderOwner, linkOwner, user;
        bool follows;
    } const rows[] = {
        {0755, 0, 1000, 2000, true},      {0777, 0, 1000, 2000, true},
        {01755, 0, 1000, 2000, true},     {01770, 0, 1000, 2000, true},
        {01777, 0, 1000, 2000, false},    {01777, 0, 2000, 2000, true},
        {01777, 0, 0, 2000, true},        {01777, 1000, 1000, 2000, true},
        {01777, 3000, 1000, 2000, false}, {01777, 2000, 1000, 2000, false},
        {01777, 0, 1000, 0, false},       {01777, 0, 0, 0, true},
        {0700, 2000, 1000, 2000, true},   {01775, 0, 1000, 2000, true},
    };
    for (const Row& r : rows) {
        struct stat folder {
        }, link{};
        folder.st_mode = S_IFDIR | r.folderMode;
        folder.st_uid = r.folderOwner;
        link.st_mode = S_IFLNK | 0777;
        link.st_uid = r.linkOwner;
        EXPECT_EQ(platform::mayFollowLink(link, folder, r.user), r.follows)
            << std::oct << r.folderMode << std::dec << " " << r.folderOwner << " " << r.linkOwner
            << " " << r.user;
    }
}

// Two ordinary users: another one plants "zelmo32.INI" beside the program in a shared
// sticky folder, pointing at the user's private file. Neither the settings writer nor the
// editor's save goes through it, and the settings go to the user's own folder instead. In
// a folder of the user's own the same link leads to its target.
TEST(SettingsSafety, ALinkPlantedByAnotherUserInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "two users' files need root to set up";
    QTemporaryDir dir;
    ::chmod(fs(dir.path()).constData(), 0755);
    const QString shared = dir.filePath("shared"), home = dir.filePath("home");
    ASSERT_TRUE(QDir().mkdir(shared));
    ASSERT_TRUE(QDir().mkdir(home));
    ::chmod(fs(shared).constData(), 01777);
    ASSERT_EQ(::chown(fs(home).constData(), kUser, kUser), 0);
    const QString victim = home + "/victim.txt", planted = shared + "/zelmo32.INI";
    put(victim, "private\n", 0600);
    ASSERT_EQ(::chown(fs(victim).constData(), kUser, kUser), 0);
    ASSERT_EQ(asUser(kOther,
                     [&] {
                         return ::symlink(fs(victim).constData(), fs(planted).constData()) == 0 ? 0
                                                                                                : 1;
                     }),
              0);
    EXPECT_EQ(asUser(kUser,
                     [&] {
                         if (writeRaises(planted) != 0)
                             return 1;
                         QString error;
                         if (platform::replaceFileContents(planted, "saved", &error))
                             return 2;
                         return platform::chooseSettingsFile(planted, home + "/xdg", kUser) ==
                                        planted
                                    ? 3
                                    : 0;
                     }),
              0);
    EXPECT_EQ(readAs(victim), "private\n");

    // The same link of the other user's making in the user's own, ordinary folder.
    const QString own = home + "/zelmo32.INI";
    ASSERT_EQ(::symlink(fs(victim).constData(), fs(own).constData()), 0);
    ASSERT_EQ(::lchown(fs(own).constData(), kOther, kOther), 0);
    EXPECT_EQ(asUser(kUser, [&] { return writeRaises(own); }), 1);
    EXPECT_EQ(readAs(victim), "private\n\n[FormStyle]\nViewerStyle=0\n");
}
