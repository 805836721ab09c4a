// The real dialogs of the file operations, pressed as the user presses them.
#include "platform/FsName.h"
#include "ui/FileOperationDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ui;
using platform::OverwriteAnswer;

namespace {

// Once the modal question is up: its text, then a press of the button with this caption
// (none: the box is closed).
void pressWhenUp(QString* text, const QString& caption) {
    QTimer::singleShot(0, [text, caption] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            pressWhenUp(text, caption);
            return;
        }
        if (auto* label = dialog->findChild<QLabel*>("Message"))
            *text = label->text();
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == caption) {
                button->click();
                return;
            }
        dialog->reject();
    });
}

platform::FileFacts facts(const QByteArray& path, int64_t size) {
    return {platform::fromFsBytes(path), size, QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9))};
}

} // namespace

TEST(FileOperationDialogs, OverwriteQuestionAnswersByItsButtonsAndShowsNamesAsText) {
    FileOperationDialogs dialogs(platform::FileOpKind::Copy, "/a", "/b");
    const platform::FileOpCallbacks callbacks = dialogs.callbacks();
    const auto existing = facts("/dest/<b>\x83\x81\x83\x82</b>", 1234);
    const auto incoming = facts("/src/<b>\x83\x81\x83\x82</b>", 5);
    QString text;
    const struct {
        const char* caption;
        OverwriteAnswer answer;
    } cases[] = {{"上書き", OverwriteAnswer::Overwrite},
                 {"スキップ", OverwriteAnswer::Skip},
                 {"キャンセル", OverwriteAnswer::Cancel},
                 {"", OverwriteAnswer::Cancel}}; // closed
    for (const auto& c : cases) {
        pressWhenUp(&text, QString::fromUtf8(c.caption));
        EXPECT_EQ(callbacks.askOverwrite(existing, incoming), c.answer) << c.caption;
    }
    EXPECT_EQ(text, "行き先には同じ名前のファイルがあります。\n\n今あるファイル：\n"
                    "  /dest/<b>メモ</b>\n  1,234 バイト  2024/05/06 07:08:09\n\n"
                    "新しいファイル：\n  /src/<b>メモ</b>\n  5 バイト  2024/05/06 07:08:09\n\n"
                    "上書きしますか？");
    // A read-only file is said to be one.
    auto locked = existing;
    locked.readOnly = true;
    EXPECT_TRUE(OverwriteQuestion(locked, incoming)
                    .text.startsWith(QString::fromUtf8("行き先には同じ名前のファイルがあります。"
                                                       "\r\n\r\n今あるファイル（読み取り専用）："
                                                       "\r\n  /dest/<b>メモ</b>\r\n")));
}

TEST(FileOperationDialogs, ProgressShowsAtTheFirstReportAndCancelStopsTheCopy) {
    auto* dialogs = new FileOperationDialogs(platform::FileOpKind::Move, "/src/x", "/dest");
    const platform::FileOpCallbacks callbacks = dialogs->callbacks();
    EXPECT_TRUE(callbacks.progress(10, 100));
    QDialog* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "FileProgressDialog" && w->isVisible())
            shown = qobject_cast<QDialog*>(w);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->windowTitle(), "移動中");
    EXPECT_EQ(shown->findChild<QLabel*>("Message")->text(),
              "「/src/x」を\n「/dest」へ移動しています。");
    ASSERT_NE(QApplication::overrideCursor(), nullptr); // not the hourglass over キャンセル
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    shown->findChild<QPushButton*>("Cancel")->click();
    EXPECT_FALSE(callbacks.progress(20, 100));
    QPointer<QDialog> watch(shown);
    callbacks.finished();
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    delete dialogs;
}
