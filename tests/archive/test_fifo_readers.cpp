// A FIFO (or a device) named like a file the program opens must never block it: every
// reader of user files checks for a regular file before it opens one, and opens without
// waiting. Each case runs under a watchdog, so a reader that blocks fails the test run
// with SIGALRM instead of hanging it.
#include "archive/CommandQuote.h"
#include "archive/LzhBinding.h"
#include "archive/MemberColumns.h"
#include "archive/ZipBinding.h"
#include "archive/ZipReader.h"
#include "core/SettingsFile.h"
#include "outside/spi/SusiePlugin.h"
#include "platform/FileProbe.h"
#include "platform/IconExtract.h"

#include <QTemporaryDir>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Kills the process (SIGALRM's default) if the scope takes longer than a few seconds.
struct Watchdog {
    Watchdog() { alarm(10); }
    ~Watchdog() { alarm(0); }
};

class FifoReaders : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString fifo(const char* name) {
        const QString path = dir_.filePath(QString::fromUtf8(name));
        EXPECT_EQ(mkfifo(path.toUtf8().constData(), 0600), 0);
        return path;
    }
    QTemporaryDir dir_;
};

TEST_F(FifoReaders, ArchivesAreNotOpened) {
    ASSERT_TRUE(archive::StartLzhBinding(QStringLiteral(ZELMO_UNLHA32_LIB)));
    archive::UnloadUnzipLibrary();
    archive::LoadUnzipLibrary(QStringLiteral(ZELMO_UNZIP32_LIB));
    const QByteArray lzh = fifo("pipe.lzh").toUtf8();
    const QByteArray zip = fifo("pipe.zip").toUtf8();
    const QByteArray dest = dir_.path().toUtf8() + '\\';
    char out[4096];
    unsigned char buffer[64];
    {
        Watchdog watchdog;
        // The window's walk, the member view and the extraction of each kind.
        EXPECT_EQ(archive::Lzh().UnlhaOpenArchive(nullptr, lzh.constData(), 0x1000), nullptr);
        uint32_t written = 0;
        EXPECT_NE(archive::Lzh().UnlhaExtractMem(nullptr,
                                                 archive::MemberCommand(lzh, "a.txt").constData(),
                                                 buffer, sizeof buffer, nullptr, nullptr, &written),
                  0);
        EXPECT_NE(archive::Lzh().Unlha(
                      nullptr,
                      ("x " + archive::QuoteArgument(lzh) + ' ' + archive::QuoteArgument(dest))
                          .constData(),
                      out, sizeof out),
                  0);
        EXPECT_EQ(archive::Lzh().UnlhaCheckArchive(lzh.constData(), 0), 0);
        archive::ZipReader reader;
        EXPECT_FALSE(reader.open(QString::fromUtf8(zip)));
        EXPECT_NE(archive::Zip().Unzip(nullptr, archive::ZipPrintCommand(zip, "a.txt").constData(),
                                       out, sizeof out),
                  0);
        EXPECT_NE(archive::Zip().Unzip(
                      nullptr,
                      ("-x " + archive::QuoteArgument(zip) + ' ' + archive::QuoteArgument(dest))
                          .constData(),
                      out, sizeof out),
                  0);
    }
    archive::UnloadUnzipLibrary();
    archive::EndLzhBinding();
}

TEST_F(FifoReaders, TextsPicturesIconsAndSettingsAreNotOpened) {
    const QString text = fifo("pipe.txt");
    const QString gif = fifo("pipe.gif");
    const QString program = fifo("pipe.exe");
    const QString settings = fifo("zelmo32.INI");
    void* plugin = dlopen(ZELMO_GIF_SPI, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin, nullptr) << dlerror();
    auto getPicture = reinterpret_cast<SpiGetPictureFn>(dlsym(plugin, SPI_GET_PICTURE_EXPORT));
    ASSERT_NE(getPicture, nullptr);
    {
        Watchdog watchdog;
        // The editor, the preview and the file list read whole files (texts, BMP, ICO).
        EXPECT_FALSE(platform::readWholeFile(text, 1 << 20).has_value());
        EXPECT_TRUE(platform::readFileHead(text, 16).isEmpty());
        // The picture plug-ins open the file themselves.
        SpiHandle info = nullptr, bits = nullptr;
        EXPECT_NE(getPicture(gif.toUtf8().constData(), 0, SPI_INPUT_FILE, &info, &bits, nullptr, 0),
                  0);
        // Icons of programs and shortcuts.
        EXPECT_TRUE(platform::ExtractIcon(program).image.isNull());
        // The settings file (a FIFO there reads as no settings).
        SettingsFile file(settings);
        EXPECT_EQ(
            file.ReadString(QStringLiteral("Form1"), QStringLiteral("Top"), QStringLiteral("none")),
            QStringLiteral("none"));
    }
    dlclose(plugin);
}

} // namespace
