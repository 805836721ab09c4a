#include "app/ZelmoApplication.h"
#include "core/SharedState.h"
#include "editor/TMeltL.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "ui/MessageDialog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// A widget whose handlers fail the way real commands do.
class FailingWidget : public QWidget {
public:
    int keysAfterError = 0;
    int userEvents = 0;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_W)
            throw EWriteError(QStringLiteral("/tmp/ro/zelmo32.INI"));
        if (e->key() == Qt::Key_S)
            throw std::runtime_error("ディスクがいっぱいです");
        ++keysAfterError;
    }
    void customEvent(QEvent*) override { ++userEvents; }
};

} // namespace

TEST(ZelmoApplication, ErrorFromAnEventHandlerIsShownAndTheProgramRunsOn) {
    ASSERT_NE(qobject_cast<ZelmoApplication*>(QCoreApplication::instance()), nullptr);
    ui::ScriptedResponder script;
    FailingWidget w;

    QTest::keyClick(&w, Qt::Key_W);
    ASSERT_EQ(script.calls().size(), 1);
    const ui::MessageRequest& shown = script.calls()[0];
    EXPECT_EQ(shown.text, QStringLiteral("/tmp/ro/zelmo32.INI に書き込めません"));
    EXPECT_EQ(shown.type, ui::MsgDlgType::Error);
    EXPECT_EQ(shown.caption, QStringLiteral("ｴﾗｰ"));
    EXPECT_EQ(shown.buttons, ui::mbOK);
    EXPECT_TRUE(shown.standardDialog);

    // The same widget and the event loop keep working.
    QTest::keyClick(&w, Qt::Key_A);
    EXPECT_EQ(w.keysAfterError, 1);
    QCoreApplication::postEvent(&w, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&w, QEvent::User);
    EXPECT_EQ(w.userEvents, 1);
    EXPECT_EQ(script.calls().size(), 1);
}

TEST(ZelmoApplication, StandardErrorsAndErrorsFromTimersAreCaughtToo) {
    ui::ScriptedResponder script;
    FailingWidget w;
    QTest::keyClick(&w, Qt::Key_S);

    // A timer's slot runs inside the event loop: its error must not end the loop.
    bool after = false;
    QTimer::singleShot(0, [] { throw EZelmoError(QStringLiteral("タイマーの失敗")); });
    QTimer::singleShot(5, [&after] { after = true; });
    QTRY_VERIFY_WITH_TIMEOUT(after, 2000);

    ASSERT_EQ(script.calls().size(), 2);
    EXPECT_EQ(script.calls()[0].text, QStringLiteral("ディスクがいっぱいです"));
    EXPECT_EQ(script.calls()[1].text, QStringLiteral("タイマーの失敗"));
    EXPECT_EQ(script.calls()[1].type, ui::MsgDlgType::Error);
}

// Qt's own texts (dialogs, the edit boxes' menu, dialog buttons) are Japanese from the
// start, whatever the locale the program was started in (this test runs under C.UTF-8,
// en_US.UTF-8 and ja_JP.UTF-8); the program's own captions never pass through a
// translator.
TEST(ZelmoApplication, QtsOwnTextsAreJapaneseInEveryLocaleOursStayAsWritten) {
    ASSERT_TRUE(QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                              QStringLiteral("/qtbase_ja.qm")))
        << "Qt's translations (qt6-translations-l10n) are not installed";
    const QByteArray lang = qgetenv("LANG");
    SCOPED_TRACE(lang.toStdString());
    // The locale is the one the environment names, not Japanese by chance.
    EXPECT_EQ(QLocale::system().name(),
              lang.startsWith("C.") ? QStringLiteral("C") : QString::fromLatin1(lang.left(5)));

    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"),
              QStringLiteral("名前を付けて保存"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
              QStringLiteral("キャンセル"));
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    const QList<QAction*> items = menu->actions();
    ASSERT_FALSE(items.isEmpty());
    EXPECT_EQ(items.first()->text().section(QLatin1Char('\t'), 0, 0),
              QStringLiteral("元に戻す(&U)"));
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](const QAction* a) {
        return a->text().section(QLatin1Char('\t'), 0, 0) == QStringLiteral("すべてを選択");
    }));

    QTemporaryDir dir;
    platform::setSettingsFilePathOverride(dir.filePath(QStringLiteral("zelmo32.INI")));
    core::SharedState state;
    TMeltM editor(state);
    EXPECT_EQ(editor.Copy->text(), QStringLiteral("Copy (&C)"));
    EXPECT_EQ(editor.CloseB->text(), QStringLiteral("Close (&X)"));
    EXPECT_EQ(editor.FileOpen->text(), QStringLiteral("ファイルを開く(&O)"));
    platform::setSettingsFilePathOverride(QString());
}
