// The archive libraries at start-up: where they are looked for, when each counts as
// available, and a ZIP library that cannot be bound.
#include "app/ControlPage.h"
#include "app/TForm1.h"
#include "archive/LzhBinding.h"
#include "archive/ZipBinding.h"
#include "browser/DirTreeViewS.h"
#include "browser/FilePanel.h"
#include "launcher/LauncherStrip.h"
#include "pictures/PluginPictures.h"
#include "platform/AppPaths.h"
#include "platform/LibraryDirs.h"
#include "platform/UserInfo.h"
#include "ui/MessageDialog.h"
#include "ui/ScreenMetrics.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString unzipStubText() {
    char out[4];
    try {
        archive::Zip().Unzip(nullptr, "-x", out, sizeof out);
    } catch (const EUnzipNoImplement& e) {
        return e.text();
    }
    return {};
}

class ArchiveStartup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        platform::setSettingsFilePathOverride(dir.filePath("zelmo32.INI"));
        platform::SetUserNameSource([] { return QStringLiteral("山田"); });
        ui::SetScreenMetricsSource([] { return ui::ScreenMetrics{1024, 768, 20, 2}; });
        // The viewer open on a remembered folder, and the GIF plug-in in the user's folder:
        // both show whether the steps after the libraries ran.
        ASSERT_TRUE(QDir().mkpath(remembered()));
        QFile ini(dir.filePath("zelmo32.INI"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[FormStyle]\r\nViewerStyle=1\r\noldDirPath=" + remembered().toUtf8() + "\r\n");
        ini.close();
        oldData_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        ASSERT_TRUE(QDir().mkpath(dir.filePath("data/zelmo32/plugins")));
        ASSERT_TRUE(QFile::copy(ZELMO_GIF_SPI, gifPlugin()));
    }
    void TearDown() override {
        form.reset();
        archive::EndLzhBinding();
        archive::UnloadUnzipLibrary();
        platform::setOutsideLibraryDirectoriesOverride({});
        platform::setSettingsFilePathOverride(QString());
        platform::SetUserNameSource(nullptr);
        ui::SetScreenMetricsSource(nullptr);
        qputenv("XDG_DATA_HOME", oldData_);
    }
    QString remembered() const { return dir.filePath("remembered"); }
    QString gifPlugin() const { return dir.filePath("data/zelmo32/plugins/ifgif.spi"); }
    // A folder of its own holding a copy of the library under the given name.
    QString folderWith(const QString& library, const QString& name) {
        const QString folder = dir.filePath(QStringLiteral("lib%1").arg(++folders_));
        EXPECT_TRUE(QDir().mkpath(folder));
        EXPECT_TRUE(QFile::copy(library, folder + "/" + name));
        return folder;
    }
    TForm1& create() {
        form = std::make_unique<TForm1>();
        return *form;
    }

    QTemporaryDir dir;
    ui::ScriptedResponder responder;
    std::unique_ptr<TForm1> form;

private:
    QByteArray oldData_;
    int folders_ = 0;
};

// Reported as the top-level handler reports errors, and every later step still runs: the
// plug-ins, the hand cursors, the tree on the remembered folder, the page names.
TEST_F(ArchiveStartup, AZipLibraryThatCannotBeBoundIsReportedAndStartUpGoesOn) {
    platform::setOutsideLibraryDirectoriesOverride(
        {folderWith(ZELMO_UNZIP_TOO_OLD, "libunzip32.so")});
    TForm1& f = create();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls().at(0).caption, "ｴﾗｰ");
    EXPECT_EQ(responder.calls().at(0).text, "UNZIP32.DLL ver 0.75以降を使用してください");
    EXPECT_TRUE(responder.calls().at(0).standardDialog);
    EXPECT_FALSE(f.State().UnzipAvailable);
    EXPECT_EQ(unzipStubText(), "Unzipは使えない");

    EXPECT_FALSE(f.State().Creating);
    EXPECT_EQ(f.State().GifPluginPath, gifPlugin());
    EXPECT_TRUE(pictures::GifPluginLoaded());
    EXPECT_EQ(f.Controls().CloseButton->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(f.Files().DirList2->GetSelectedPath(), remembered());
    EXPECT_FALSE(f.Launcher().TabSetHintText.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ArchiveStartup, AZipLibraryThatBindsIsAvailableUntilTheWindowGoes) {
    platform::setOutsideLibraryDirectoriesOverride({folderWith(ZELMO_UNZIP_GOOD, "libunzip32.so")});
    EXPECT_TRUE(create().State().UnzipAvailable);
    EXPECT_TRUE(responder.calls().isEmpty());
    EXPECT_EQ(archive::Zip().UnZipGetVersion() & 0xffff, 75);
    EXPECT_EQ(archive::Zip().UnzipFindFirst, &archive::UnzipFindFirst);
    form.reset();
    EXPECT_EQ(unzipStubText(), "Unzipは使えない");
}

// Available only when the binding made at program start holds the very file the search
// finds; a file there that does not load never claims availability.
TEST_F(ArchiveStartup, TheLzhLibraryCountsOnlyWhenTheBindingHoldsTheFileFound) {
    const QString folder = folderWith(ZELMO_UNLHA_FEW, "libunlha32.so");
    platform::setOutsideLibraryDirectoriesOverride({folder});
    EXPECT_FALSE(create().State().UnlhaAvailable) << "not bound";
    ASSERT_TRUE(archive::StartLzhBinding(ZELMO_UNLHA_FEW));
    EXPECT_FALSE(create().State().UnlhaAvailable) << "another file bound";
    ASSERT_TRUE(archive::StartLzhBinding(platform::findOutsideLibrary("unlha32.dll")));
    EXPECT_TRUE(create().State().UnlhaAvailable);

    // A new file in its place (the bound one stays mapped until the binding lets it go).
    ASSERT_TRUE(QFile::remove(folder + "/libunlha32.so"));
    QFile junk(folder + "/libunlha32.so");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a library");
    junk.close();
    EXPECT_FALSE(archive::StartLzhBinding(platform::findOutsideLibrary("unlha32.dll")));
    EXPECT_FALSE(create().State().UnlhaAvailable);
    EXPECT_TRUE(responder.calls().isEmpty());
}

TEST_F(ArchiveStartup, LibrariesInTheCurrentDirectoryAreNotUsed) {
    const QString folder = folderWith(ZELMO_UNZIP_GOOD, "libunzip32.so");
    ASSERT_TRUE(QFile::copy(ZELMO_UNLHA_FEW, folder + "/libunlha32.so"));
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder));
    // As the program starts: the LZH binding first, by the same search.
    EXPECT_FALSE(archive::StartLzhBinding(platform::findOutsideLibrary("unlha32.dll")));
    TForm1& f = create();
    QDir::setCurrent(old);
    EXPECT_FALSE(f.State().UnlhaAvailable);
    EXPECT_FALSE(f.State().UnzipAvailable);
    EXPECT_TRUE(responder.calls().isEmpty());
    EXPECT_EQ(unzipStubText(), "Unzipは使えない");
}

} // namespace
