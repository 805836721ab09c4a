// Finding outside libraries by their Windows names.
#include "platform/LibraryDirs.h"

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

TEST(LibraryDirs, CurrentDirectoryIsLookedAtFirst) {
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EXPECT_EQ(platform::findOutsideLibrary("zelmotest32.dll"), "");
    QFile f(dir.filePath("libzelmotest32.so"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(platform::findOutsideLibrary("zelmotest32.dll"), dir.filePath("libzelmotest32.so"));
    QDir::setCurrent(old);
}

} // namespace
