#include "ui/MessageDialog.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace ui;

namespace {

struct SeenDialog {
    bool found = false;
    QString caption;
    QStringList buttons;
    QString text;
    bool hasIcon = false;
    QPoint pos;
    QSize size;
};

// Looks at the modal box once it is up, then presses the button with the given caption
// (or closes the box when the caption is empty).
void inspectAndPress(SeenDialog* seen, const QString& press) {
    QTimer::singleShot(0, [seen, press] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg) {
            inspectAndPress(seen, press); // not up yet
            return;
        }
        seen->found = true;
        seen->caption = dlg->windowTitle();
        seen->pos = dlg->pos();
        seen->size = dlg->size();
        if (auto* msg = dlg->findChild<QLabel*>("Message"))
            seen->text = msg->text();
        seen->hasIcon = dlg->findChild<QLabel*>("Image") != nullptr;
        QPushButton* target = nullptr;
        for (QPushButton* b : dlg->findChildren<QPushButton*>()) {
            seen->buttons << b->text();
            if (b->text() == press)
                target = b;
        }
        if (target)
            QTest::mouseClick(target, Qt::LeftButton);
        else
            dlg->close();
    });
}

} // namespace

TEST(MessageDialog, RealDialogShowsTypeCaptionButtonsAndReturnsPressedButton) {
    SeenDialog seen;
    inspectAndPress(&seen, QStringLiteral("いいえ(&N)"));
    const MsgResult r = MessageDlg(QStringLiteral("一行目\r\n\r\n二行目"), MsgDlgType::Confirmation,
                                   mbYes | mbNo | mbCancel, QPoint(40, 30));
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(r, MsgResult::No);
    EXPECT_EQ(seen.caption, QStringLiteral("確認"));
    EXPECT_EQ(seen.buttons, QStringList({QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)"),
                                         QStringLiteral("ｷｬﾝｾﾙ")}));
    EXPECT_EQ(seen.text, QStringLiteral("一行目\n\n二行目"));
    EXPECT_TRUE(seen.hasIcon);
    EXPECT_EQ(seen.pos, QPoint(40, 30));
}

TEST(MessageDialog, AllEightButtonsInOrderAndCentredWithoutPosition) {
    SeenDialog seen;
    inspectAndPress(&seen, QStringLiteral("再試行(&R)"));
    const MsgResult r = MessageDlg(QStringLiteral("x"), MsgDlgType::Error, 0xffu);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(r, MsgResult::Retry);
    EXPECT_EQ(seen.caption, QStringLiteral("ｴﾗｰ"));
    EXPECT_EQ(seen.buttons, QStringList({QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)"),
                                         QStringLiteral("OK"), QStringLiteral("ｷｬﾝｾﾙ"),
                                         QStringLiteral("中止(&A)"), QStringLiteral("再試行(&R)"),
                                         QStringLiteral("無視(&I)"), QStringLiteral("ﾍﾙﾌﾟ(&H)")}));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint centre = seen.pos + QPoint(seen.size.width() / 2, seen.size.height() / 2);
    EXPECT_LE(std::abs(centre.x() - screen.center().x()), 2);
    EXPECT_LE(std::abs(centre.y() - screen.center().y()), 2);
}

TEST(MessageDialog, TypeCaptionsAndClosingWithoutButton) {
    EXPECT_EQ(DialogTypeCaption(MsgDlgType::Warning), QStringLiteral("警告"));
    EXPECT_EQ(DialogTypeCaption(MsgDlgType::Information), QStringLiteral("情報"));
    EXPECT_EQ(DialogTypeCaption(MsgDlgType::Custom), QStringLiteral("Zelmo32"));

    SeenDialog seen;
    inspectAndPress(&seen, QString()); // close box
    EXPECT_EQ(MessageDlg(QStringLiteral("t"), MsgDlgType::Custom, mbYes | mbNo), MsgResult::None);
    EXPECT_EQ(seen.caption, QStringLiteral("Zelmo32"));
    EXPECT_FALSE(seen.hasIcon);
}

TEST(MessageDialog, MessageBoxCaptionDefaultsToApplicationTitle) {
    SeenDialog seen;
    inspectAndPress(&seen, QStringLiteral("OK"));
    EXPECT_EQ(MessageBox(QString(), QStringLiteral("t"), MsgIcon::Error), MsgResult::OK);
    EXPECT_EQ(seen.caption, QStringLiteral("Zelmo32"));
    EXPECT_TRUE(seen.hasIcon);

    SeenDialog own;
    inspectAndPress(&own, QStringLiteral("はい(&Y)"));
    EXPECT_EQ(MessageBox(QStringLiteral("ゼルモ３２"), QStringLiteral("t"), MsgIcon::Question,
                         mbYes | mbNo, QPoint(5, 6)),
              MsgResult::Yes);
    EXPECT_EQ(own.caption, QStringLiteral("ゼルモ３２"));
    EXPECT_EQ(own.pos, QPoint(5, 6));
}

TEST(MessageDialog, EnterPressesOKElseYes) {
    QTimer::singleShot(0, [] {
        if (QWidget* dlg = QApplication::activeModalWidget())
            QTest::keyClick(dlg, Qt::Key_Return);
    });
    EXPECT_EQ(MessageDlg(QStringLiteral("t"), MsgDlgType::Confirmation, mbYes | mbNo),
              MsgResult::Yes);
    QTimer::singleShot(0, [] {
        if (QWidget* dlg = QApplication::activeModalWidget())
            QTest::keyClick(dlg, Qt::Key_Return);
    });
    EXPECT_EQ(MessageDlg(QStringLiteral("t"), MsgDlgType::Confirmation, mbOK | mbCancel),
              MsgResult::OK);
}

TEST(MessageDialog, EscapePressesCancelElseNo) {
    QDialog* seenDialog = nullptr;
    QTimer::singleShot(0, [&] {
        seenDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (seenDialog)
            QTest::keyClick(seenDialog, Qt::Key_Escape);
    });
    EXPECT_EQ(MessageDlg(QStringLiteral("t"), MsgDlgType::Warning, mbYes | mbNo), MsgResult::No);
    ASSERT_NE(seenDialog, nullptr);
}

TEST(ScriptedResponder, RecordsEveryRequestAndAnswersInOrder) {
    ScriptedResponder script;
    script.answer(MsgResult::No);
    EXPECT_EQ(MessageDlg(QStringLiteral("a\r\nb"), MsgDlgType::Warning, mbYes | mbNo, QPoint(1, 2)),
              MsgResult::No);
    // Queue empty: the first button of the request.
    EXPECT_EQ(MessageBox(QString(), QStringLiteral("c"), MsgIcon::Question, mbCancel | mbRetry),
              MsgResult::Cancel);

    ASSERT_EQ(script.calls().size(), 2);
    const MessageRequest& a = script.calls()[0];
    EXPECT_EQ(a.caption, QStringLiteral("警告"));
    EXPECT_EQ(a.text, QStringLiteral("a\r\nb"));
    EXPECT_EQ(a.icon, MsgIcon::Warning);
    EXPECT_EQ(a.buttons, mbYes | mbNo);
    EXPECT_EQ(a.topLeft, std::optional<QPoint>(QPoint(1, 2)));
    EXPECT_EQ(a.type, MsgDlgType::Warning);
    EXPECT_TRUE(a.standardDialog);
    const MessageRequest& b = script.calls()[1];
    EXPECT_EQ(b.caption, QStringLiteral("Zelmo32"));
    EXPECT_EQ(b.icon, MsgIcon::Question);
    EXPECT_FALSE(b.topLeft.has_value());
    EXPECT_FALSE(b.standardDialog);

    {
        ScriptedResponder inner; // nests, and gives the outer one back afterwards
        MessageDlg(QStringLiteral("i"), MsgDlgType::Information, mbOK);
        EXPECT_EQ(inner.calls().size(), 1);
    }
    MessageDlg(QStringLiteral("o"), MsgDlgType::Information, mbOK);
    EXPECT_EQ(script.calls().size(), 3);
}

TEST(MessageDialog, SurvivesItsOwnerWindowGoingAway) {
    auto* owner = new QWidget;
    owner->show();
    QApplication::setActiveWindow(owner);
    ASSERT_TRUE(QTest::qWaitForWindowActive(owner));
    bool boxWentWithOwner = false;
    QTimer::singleShot(0, [&] {
        delete owner;
        boxWentWithOwner = QApplication::activeModalWidget() == nullptr;
        if (QWidget* left = QApplication::activeModalWidget())
            left->close();
    });
    EXPECT_EQ(MessageDlg(QStringLiteral("t"), MsgDlgType::Information, mbOK), MsgResult::None);
    EXPECT_TRUE(boxWentWithOwner);
}
