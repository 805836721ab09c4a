#pragma once
// The real main window on a temporary folder tree that stands as the only drive, with
// its settings file in the same temporary folder, scripted message boxes and recorded
// starts.
#include "app/ControlPage.h"
#include "app/TForm1.h"
#include "app/WindowModes.h"
#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanel.h"
#include "launcher/LauncherStrip.h"
#include "platform/AppPaths.h"
#include "platform/Drives.h"
#include "platform/Shell.h"
#include "platform/UserInfo.h"
#include "search/BulkSearch.h"
#include "tests/browser/BrowserTestUtil.h"
#include "ui/MessageDialog.h"
#include "ui/ScreenMetrics.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(settingsDir.isValid());
        ASSERT_TRUE(driveDir.isValid());
        root = driveDir.path();
        platform::setSettingsFilePathOverride(settingsDir.filePath("zelmo32.INI"));
        platform::SetUserNameSource([] { return QStringLiteral("山田"); });
        ui::SetScreenMetricsSource([] { return ui::ScreenMetrics{1024, 768, 20, 2}; });
        platform::SetDriveSource([this] { return drives(); });
    }
    void TearDown() override {
        form.reset();
        platform::SetDriveSource(nullptr);
        platform::setSettingsFilePathOverride(QString());
        platform::SetUserNameSource(nullptr);
        ui::SetScreenMetricsSource(nullptr);
    }
    virtual QStringList drives() const { return {root}; }

    void file(const QString& relative, int64_t size = 0) {
        ASSERT_TRUE(testutil::makeFile(QFile::encodeName(root + "/" + relative), size));
    }
    void dir(const QString& relative) {
        ASSERT_TRUE(testutil::makeDir(QFile::encodeName(root + "/" + relative)));
    }
    void writeSettings(const QByteArray& text) {
        QFile f(settingsDir.filePath("zelmo32.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // Starts on the drive's root (or the given directory below it).
    TForm1& create(const QString& startDir = QString()) {
        writeSettings("[FormStyle]\r\nViewerStyle=1\r\noldDirPath=" +
                      (startDir.isEmpty() ? root : root + "/" + startDir).toUtf8() + "\r\n");
        form = std::make_unique<TForm1>();
        form->resize(640, 480);
        form->show();
        QApplication::setActiveWindow(form.get());
        QApplication::processEvents();
        return *form;
    }
    QStringList names(const browser::TFileListBoxS* list) const {
        QStringList n;
        for (int i = 0; i < list->Count(); ++i)
            n << list->ItemText(i);
        return n;
    }
    // A click on the list item, as the user makes it.
    void clickItem(browser::TFileListBoxS* list, int index,
                   Qt::MouseButton button = Qt::LeftButton) {
        const QPoint p = list->ItemRect(index).center();
        QTest::mousePress(list->viewport(), button, {}, p);
        QTest::mouseRelease(list->viewport(), button, {}, p);
    }

    QTemporaryDir settingsDir;
    QTemporaryDir driveDir;
    QString root;
    ui::ScriptedResponder responder;
    platform::ShellRecorder shell;
    std::unique_ptr<TForm1> form;
};
