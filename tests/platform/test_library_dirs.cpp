// Finding outside libraries by their Windows names.
#include "platform/LibraryDirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(LibraryDirs, WindowsNamesMapToSharedObjects) {
    EXPECT_EQ(platform::outsideLibraryFileName("unlha32.dll"), "libunlha32.so");
    EXPECT_EQ(platform::outsideLibraryFileName("UNZIP32.DLL"), "libunzip32.so");
    EXPECT_EQ(platform::outsideLibraryFileName("ifJpeg.spi"), "ifJpeg.spi");
    EXPECT_TRUE(platform::systemLibraryDirectory().startsWith("/usr/lib"));
    EXPECT_FALSE(platform::programLibraryDirectory().isEmpty());
}

void makeFile(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

// A library planted in the folder the program was started from is never taken.
TEST(LibraryDirs, ALibraryInTheCurrentDirectoryIsNotFound) {
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    makeFile(dir.filePath("libzelmotest32.so"));
    EXPECT_EQ(platform::findOutsideLibrary("zelmotest32.dll"), "");
    EXPECT_FALSE(platform::outsideLibraryDirectories().contains(dir.path()));
    // Not through a folder that is unknown or relative either.
    platform::setOutsideLibraryDirectoriesOverride({"", ".", "./"});
    EXPECT_EQ(platform::findOutsideLibrary("zelmotest32.dll"), "");
    platform::setOutsideLibraryDirectoriesOverride({});
    QDir::setCurrent(old);
}

TEST(LibraryDirs, TheProgramsFolderThenItsLibraryFolderThenTheSystems) {
    EXPECT_EQ(
        platform::outsideLibraryDirectories(),
        QStringList({QCoreApplication::applicationDirPath(), platform::programLibraryDirectory(),
                     platform::systemLibraryDirectory()}));

    QTemporaryDir first, second;
    platform::setOutsideLibraryDirectoriesOverride({first.path(), second.path()});
    EXPECT_EQ(platform::findOutsideLibrary("zelmotest32.dll"), "");
    makeFile(second.filePath("libzelmotest32.so"));
    EXPECT_EQ(platform::findOutsideLibrary("zelmotest32.dll"),
              second.filePath("libzelmotest32.so"));
    makeFile(first.filePath("libzelmotest32.so"));
    EXPECT_EQ(platform::findOutsideLibrary("zelmotest32.dll"), first.filePath("libzelmotest32.so"));
    // A folder of the library's name is no library.
    EXPECT_EQ(platform::findOutsideLibrary("zelmodir32.dll"), "");
    ASSERT_TRUE(QDir(second.path()).mkdir("libzelmodir32.so"));
    EXPECT_EQ(platform::findOutsideLibrary("zelmodir32.dll"), "");
    platform::setOutsideLibraryDirectoriesOverride({});
}

} // namespace
