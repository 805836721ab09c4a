// Where the settings file lives: beside the program when it is the user's, else in the
// XDG config folder. Exercised on real files and folders, as root and as an ordinary
// user (root may write anywhere, so ownership, not access, must decide).
#include "platform/AppPaths.h"
#include "platform/FsName.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::chooseSettingsFile;

class SettingsPlaceTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    const QString xdg = QStringLiteral("/home/ann/.config");
    const QString xdgFile = xdg + QStringLiteral("/zelmo32/zelmo32.INI");

    QString make(const QString& folder, mode_t mode) {
        const QString path = folder + QStringLiteral("/zelmo32.INI");
        const int fd = ::open(platform::toFsBytes(path).constData(), O_CREAT | O_WRONLY, mode);
        EXPECT_GE(fd, 0);
        ::close(fd);
        ::chmod(platform::toFsBytes(path).constData(), mode);
        return path;
    }
    QString folder(const QByteArray& name) {
        const QByteArray path = platform::toFsBytes(dir.path()) + '/' + name;
        EXPECT_EQ(::mkdir(path.constData(), 0755), 0);
        return platform::fromFsBytes(path);
    }
};

TEST_F(SettingsPlaceTest, TheUsersOwnFileBesideIsUsedEvenReadOnly) {
    const uid_t me = ::geteuid();
    EXPECT_EQ(chooseSettingsFile(make(dir.path(), 0644), xdg, me), dir.path() + "/zelmo32.INI");

    // Read-only, in a read-only folder: still the user's file. Writing it then fails
    // with the usual message instead of a new file appearing elsewhere.
    const QString ro = folder("ro");
    const QString file = make(ro, 0444);
    ::chmod(platform::toFsBytes(ro).constData(), 0555);
    EXPECT_EQ(chooseSettingsFile(file, xdg, me), file);
    ::chmod(platform::toFsBytes(ro).constData(), 0755);

    // In a folder whose name is not UTF-8.
    const QString sjis = folder("\x83\x65\x83\x58\x83\x67");
    EXPECT_EQ(chooseSettingsFile(make(sjis, 0444), xdg, me), sjis + "/zelmo32.INI");
}

TEST_F(SettingsPlaceTest, AnotherUsersFileBesideLeadsToTheXdgFile) {
    // Writable by everybody, but not the user's: each write would replace it with a
    // file of the user's own, taking it from its owner.
    const QString file = make(dir.path(), 0666);
    EXPECT_EQ(chooseSettingsFile(file, xdg, ::geteuid() + 1), xdgFile);
    if (::geteuid() == 0) {
        // Root writes anything, yet a file left by another user is not root's.
        ASSERT_EQ(::chown(platform::toFsBytes(file).constData(), 65534, 65534), 0);
        EXPECT_EQ(chooseSettingsFile(file, xdg, 0), xdgFile);
    }
}

TEST_F(SettingsPlaceTest, WithoutAFileTheFolderDecides) {
    const QString open = folder("open");
    EXPECT_EQ(chooseSettingsFile(open + "/zelmo32.INI", xdg, ::geteuid()), open + "/zelmo32.INI");
    // A file name without ".INI" keeps its name in the XDG folder too.
    EXPECT_EQ(chooseSettingsFile(dir.path() + "/missing/z.INI", xdg, ::geteuid()),
              xdg + "/zelmo32/z.INI");

    // A plain file where the folder should be: nobody can create anything there.
    make(dir.path(), 0644);
    EXPECT_EQ(chooseSettingsFile(dir.path() + "/zelmo32.INI/zelmo32.INI", xdg, ::geteuid()),
              xdgFile);

    // An installed program's folder that the user cannot write. Root can, and so gets
    // the file beside the program.
    const QString locked = folder("locked");
    ::chmod(platform::toFsBytes(locked).constData(), 0555);
    EXPECT_EQ(chooseSettingsFile(locked + "/zelmo32.INI", xdg, ::geteuid()),
              ::geteuid() == 0 ? locked + "/zelmo32.INI" : xdgFile);
    ::chmod(platform::toFsBytes(locked).constData(), 0755);
}

TEST_F(SettingsPlaceTest, TheInstalledProgramsFolderIsNeverTheUsers) {
    // The package's folder, here one the user owns and may write (root may write the
    // real one): a file there, even the user's own, is not used, nor is one created.
    const QString lib = folder("lib");
    const QString file = make(lib, 0644);
    EXPECT_EQ(chooseSettingsFile(file, xdg, ::geteuid(), lib), xdgFile);
    ASSERT_EQ(::unlink(platform::toFsBytes(file).constData()), 0);
    EXPECT_EQ(chooseSettingsFile(file, xdg, ::geteuid(), lib), xdgFile);
    // The same folder reached through a link, or named with a trailing slash.
    const QByteArray link = platform::toFsBytes(dir.path() + "/link");
    ASSERT_EQ(::symlink(platform::toFsBytes(lib).constData(), link.constData()), 0);
    EXPECT_EQ(chooseSettingsFile(dir.path() + "/link/zelmo32.INI", xdg, ::geteuid(), lib + "/"),
              xdgFile);

    // A copy run from its own folder keeps its file beside it, installed package or not.
    const QString copy = folder("copy");
    EXPECT_EQ(chooseSettingsFile(copy + "/zelmo32.INI", xdg, ::geteuid(), lib),
              copy + "/zelmo32.INI");
    EXPECT_EQ(chooseSettingsFile(copy + "/zelmo32.INI", xdg, ::geteuid(), dir.path() + "/absent"),
              copy + "/zelmo32.INI");
}

TEST(SettingsPlace, ConfigHomeFromTheEnvironment) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool had = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/srv/conf");
    EXPECT_EQ(platform::configHome(), "/srv/conf");
    qputenv("XDG_CONFIG_HOME", "relative/conf"); // not absolute: ignored
    EXPECT_EQ(platform::configHome(), QDir::homePath() + "/.config");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(platform::configHome(), QDir::homePath() + "/.config");
    if (had)
        qputenv("XDG_CONFIG_HOME", saved);
}

} // namespace
