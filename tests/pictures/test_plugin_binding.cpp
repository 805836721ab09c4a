// Where the plug-ins are looked for, binding them, and pictures through them: both, one,
// none, a plug-in without GetPicture and one that fails; the program without plug-ins.
#include "app/TForm1.h"
#include "core/SharedState.h"
#include "pictures/PluginPictures.h"
#include "platform/AppPaths.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "tests/browser/MainWindowFixture.h"
#include "tests/pictures/PictureMaker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

const QString kGif = QStringLiteral(ZELMO_GIF_SPI);
const QString kJpeg = QStringLiteral(ZELMO_JPEG_SPI);

bool copyTo(const QString& from, const QString& folder, const QString& name) {
    return QDir().mkpath(folder) && QFile::copy(from, folder + QLatin1Char('/') + name);
}

// Picture files of both kinds in a folder of their own, with a name that is not UTF-8.
class PluginPicturesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString gifPath, jpegPath;
    QByteArray jpegBytes;

    void SetUp() override {
        gifPath = dir.filePath(QStringLiteral("a.GIF"));
        jpegBytes = QFile::encodeName(dir.path()) + "/\x83\x4c.Jpe";
        jpegPath = platform::fromFsBytes(jpegBytes);
        testpics::GifFrame f{0, 0, 3, 2, false, -1, {0, 1, 0, 1, 0, 1}, {}};
        ASSERT_TRUE(testpics::writeFile(
            gifPath, testpics::makeGif(3, 2, {qRgb(255, 0, 0), qRgb(0, 0, 255)}, {f})));
        const QByteArray jpg =
            testpics::makeJpeg(4, 2, testpics::JpegKind::Grey, QList<uchar>(8, 200));
        FILE* out = std::fopen(jpegBytes.constData(), "wb");
        ASSERT_TRUE(out);
        std::fwrite(jpg.constData(), 1, size_t(jpg.size()), out);
        std::fclose(out);
        ASSERT_TRUE(platform::pathIsFile(jpegPath));
    }
    void TearDown() override {
        pictures::ReleasePlugins();
        std::remove(jpegBytes.constData()); // Qt cannot name it to remove the folder
    }

    static QPixmap marked() {
        QPixmap p(7, 7);
        p.fill(Qt::magenta);
        return p;
    }
    // Whether a picture came through; a failure leaves the bitmap as it was.
    static bool loads(const QString& path, QSize* size = nullptr) {
        QPixmap bitmap = marked();
        const bool ok = pictures::LoadPictureThroughPlugin(path, bitmap);
        if (!ok) {
            EXPECT_EQ(bitmap.toImage(), marked().toImage()) << path.toStdString();
        }
        if (size)
            *size = bitmap.size();
        return ok;
    }
};

TEST_F(PluginPicturesTest, BothPluginsMakePicturesByExtension) {
    pictures::BindPlugins({kGif, kJpeg});
    EXPECT_TRUE(pictures::GifPluginLoaded());
    EXPECT_TRUE(pictures::JpegPluginLoaded());
    QSize size;
    ASSERT_TRUE(loads(gifPath, &size));
    EXPECT_EQ(size, QSize(3, 2));
    QImage image;
    ASSERT_TRUE(pictures::LoadImageThroughPlugin(gifPath, image));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 255));
    ASSERT_TRUE(loads(jpegPath, &size)); // ".Jpe", in a name that is not UTF-8
    EXPECT_EQ(size, QSize(4, 2));

    // Other extensions never reach a plug-in, whatever the file holds.
    const QString png = dir.filePath(QStringLiteral("b.png"));
    ASSERT_TRUE(QFile::copy(gifPath, png));
    EXPECT_FALSE(loads(png));
    const QString broken = dir.filePath(QStringLiteral("c.jpg"));
    ASSERT_TRUE(testpics::writeFile(broken, "not a picture"));
    EXPECT_FALSE(loads(broken));
    EXPECT_FALSE(loads(dir.filePath(QStringLiteral("missing.gif"))));

    pictures::ReleasePlugins();
    EXPECT_FALSE(pictures::GifPluginLoaded());
    EXPECT_FALSE(loads(gifPath));
}

TEST_F(PluginPicturesTest, OnlyTheJpegPlugin) {
    pictures::BindPlugins({QString(), kJpeg});
    EXPECT_FALSE(pictures::GifPluginLoaded());
    EXPECT_TRUE(pictures::JpegPluginLoaded());
    EXPECT_FALSE(loads(gifPath));
    EXPECT_TRUE(loads(jpegPath));
}

TEST_F(PluginPicturesTest, BrokenPluginsMakeNoPicture) {
    // Loaded without GetPicture (the module counts as loaded), and a GetPicture that fails.
    pictures::BindPlugins({QStringLiteral(ZELMO_NO_ENTRY_SPI), QStringLiteral(ZELMO_FAILING_SPI)});
    EXPECT_TRUE(pictures::GifPluginLoaded());
    EXPECT_TRUE(pictures::JpegPluginLoaded());
    EXPECT_FALSE(loads(gifPath));
    EXPECT_FALSE(loads(jpegPath));

    // Files that are no shared objects, and relative paths, do not load.
    const QString fake = dir.filePath(QStringLiteral("ifgif.spi"));
    ASSERT_TRUE(testpics::writeFile(fake, "\x7f"
                                          "ELF but not really"));
    pictures::BindPlugins({fake, QStringLiteral("ifJpeg.spi")});
    EXPECT_FALSE(pictures::GifPluginLoaded());
    EXPECT_FALSE(pictures::JpegPluginLoaded());
    EXPECT_FALSE(loads(gifPath));
}

TEST(LocatePlugins, FirstFolderHoldingEachPluginWins) {
    QTemporaryDir a, b, c;
    ASSERT_TRUE(copyTo(kGif, b.path(), "ifgif.spi"));
    ASSERT_TRUE(copyTo(kGif, c.path(), "ifgif.spi"));
    ASSERT_TRUE(copyTo(kJpeg, c.path(), "ifJpeg.spi"));
    ASSERT_TRUE(QDir(a.path()).mkdir("ifJpeg.spi")); // a folder of that name is no plug-in
    pictures::PluginPaths p = pictures::LocatePlugins({a.path(), QString(), b.path(), c.path()});
    EXPECT_EQ(p.Gif, b.path() + "/ifgif.spi");
    EXPECT_EQ(p.Jpeg, c.path() + "/ifJpeg.spi");
    p = pictures::LocatePlugins({a.path()});
    EXPECT_TRUE(p.Gif.isEmpty());
    EXPECT_TRUE(p.Jpeg.isEmpty());
    // The names are exact: "IFGIF.SPI" is another file.
    QTemporaryDir d;
    ASSERT_TRUE(copyTo(kGif, d.path(), "IFGIF.SPI"));
    EXPECT_TRUE(pictures::LocatePlugins({d.path()}).Gif.isEmpty());
}

// The real candidate list: the program's folder first, then the per-user folder; the
// current directory never, even when a plug-in lies there.
TEST(LocatePlugins, ProgramFolderFirstAndNeverTheCurrentDirectory) {
    QTemporaryDir data, cwd;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString oldCwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd.path()));
    ASSERT_TRUE(copyTo(kGif, cwd.path(), "ifgif.spi"));
    ASSERT_TRUE(copyTo(kJpeg, cwd.path(), "ifJpeg.spi"));
    const QString user = data.path() + "/zelmo32/plugins";
    ASSERT_TRUE(copyTo(kJpeg, user, "ifJpeg.spi"));

    const QStringList folders = pictures::PluginCandidateFolders();
    ASSERT_EQ(folders.size(), 4);
    EXPECT_EQ(folders[0], QCoreApplication::applicationDirPath());
    EXPECT_EQ(folders[1], user);
    EXPECT_FALSE(folders.contains(cwd.path()));
    const pictures::PluginPaths p = pictures::LocatePlugins(folders);
    EXPECT_FALSE(p.Gif.startsWith(cwd.path()));
    EXPECT_EQ(p.Jpeg, user + "/ifJpeg.spi");

    QDir::setCurrent(oldCwd);
    qputenv("XDG_DATA_HOME", oldData);
}

// The program with its start-up and shutdown: plug-ins found in the per-user folder only
// (the test program's folder holds none).
class ProgramPluginsTest : public MainWindowFixture {
protected:
    QTemporaryDir data;
    QByteArray oldData;
    void SetUp() override {
        MainWindowFixture::SetUp();
        oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        qputenv("XDG_DATA_HOME", oldData);
    }
    QString userFolder() const { return data.path() + "/zelmo32/plugins"; }
    void pictureFiles() {
        testpics::GifFrame f{0, 0, 1, 1, false, -1, {0}, {}};
        ASSERT_TRUE(
            testpics::writeFile(root + "/p.gif", testpics::makeGif(1, 1, {qRgb(1, 2, 3), 0}, {f})));
        ASSERT_TRUE(
            testpics::writeFile(root + "/p.jpg", testpics::makeJpeg(2, 2, testpics::JpegKind::Grey,
                                                                    QList<uchar>(4, 9))));
    }
    static bool loads(const QString& path) {
        QPixmap bitmap;
        return pictures::LoadPictureThroughPlugin(path, bitmap) && !bitmap.isNull();
    }
};

TEST_F(ProgramPluginsTest, WithoutPluginsTheProgramRunsAndShowsNoPictureSilently) {
    if (platform::pathIsFile(QCoreApplication::applicationDirPath() + "/ifgif.spi"))
        GTEST_SKIP() << "plug-ins beside the test program";
    ui::ScriptedResponder messages;
    pictureFiles();
    TForm1& w = create();
    EXPECT_TRUE(w.State().GifPluginPath.isEmpty());
    EXPECT_TRUE(w.State().JpegPluginPath.isEmpty());
    EXPECT_FALSE(pictures::GifPluginLoaded());
    EXPECT_FALSE(loads(root + "/p.gif"));
    EXPECT_FALSE(loads(root + "/p.jpg"));
    EXPECT_TRUE(messages.calls().isEmpty());
}

TEST_F(ProgramPluginsTest, OnlyTheJpegPluginFoundAndReleasedAtTheEnd) {
    ASSERT_TRUE(copyTo(kJpeg, userFolder(), "ifJpeg.spi"));
    ui::ScriptedResponder messages;
    pictureFiles();
    TForm1& w = create();
    EXPECT_TRUE(w.State().GifPluginPath.isEmpty());
    EXPECT_EQ(w.State().JpegPluginPath, userFolder() + "/ifJpeg.spi");
    EXPECT_FALSE(loads(root + "/p.gif"));
    EXPECT_TRUE(loads(root + "/p.jpg"));
    EXPECT_TRUE(messages.calls().isEmpty());
    form.reset();
    EXPECT_FALSE(pictures::JpegPluginLoaded());
}

} // namespace
