#include "app/ZelmoApplication.h"
#include "platform/Errors.h"
#include "ui/MessageDialog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

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
