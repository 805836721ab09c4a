// An input method's composition (typed, shown, not yet confirmed) is settled before a
// window decides on the text: the editor's questions at F4 and at the exit through the
// tray see it and their answers decide; nothing of it is left to arrive later in the
// hidden editor; the find, make-directory and page-name dialogs take it on OK and Cancel.
// Without an input method (the offscreen platform) the box's own preedit is what is left.
#include "browser/TDirMakeForm.h"
#include "editor/EditorDialogs.h"
#include "editor/FindDialog.h"
#include "editor/OpenInEditor.h"
#include "editor/TMeltL.h"
#include "launcher/TTabsetF.h"
#include "tests/browser/MainWindowFixture.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>

namespace {

const QString kCloseQuestion =
    QStringLiteral("　 ＜ゼル君からの伝言＞\r\n\r\nテキストの内容が更新されています。"
                   "\r\n\r\n変更内容を保存しますか　？");
const QString kGuardQuestion = QStringLiteral(
    "編集中のテキストがあります。\r\n \r\n選択に基づき、次のテキストを表示しますか ? ");

// What an input method sends while the user types: the composition, nothing committed.
void compose(QWidget* box, const QString& preedit) {
    QInputMethodEvent e(preedit, {});
    QCoreApplication::sendEvent(box, &e);
}

QString preeditIn(const TMeltM* editor) {
    return editor->RichEdit1->textCursor().block().layout()->preeditAreaText();
}

class CompositionTest : public MainWindowFixture {
protected:
    void TearDown() override {
        editor::SetSaveDialogSource(nullptr);
        if (form)
            delete form->State().Windows.MeltM.data();
        MainWindowFixture::TearDown();
    }
    // F2 with nothing selected: the empty editor, its window active.
    TMeltM* openEditor() {
        TMeltM* ed = editor::EditPopClick(form->State(), {false, false, QString()});
        EXPECT_NE(ed, nullptr);
        QApplication::setActiveWindow(ed);
        ed->RichEdit1->setFocus();
        return ed;
    }
    QStringList texts() const {
        QStringList list;
        for (const ui::MessageRequest& r : responder.calls())
            list << r.text;
        return list;
    }
};

TEST_F(CompositionTest, F4AsksAboutTheCompositionAndTheAnswerDecides) {
    create();
    const QString saved = root + "/kana.txt";
    editor::SetSaveDialogSource([&](const editor::FileDialogRequest&) {
        return editor::FileDialogAnswer{saved, 1};
    });
    for (const ui::MsgResult answer : {ui::MsgResult::No, ui::MsgResult::Yes}) {
        SCOPED_TRACE(answer == ui::MsgResult::Yes ? "saved" : "not saved");
        TMeltM* ed = openEditor();
        compose(ed->RichEdit1, QStringLiteral("かな"));
        ASSERT_EQ(preeditIn(ed), QStringLiteral("かな"));
        ASSERT_FALSE(ed->Modified()); // nothing committed yet
        responder.clear();
        responder.answer(answer);
        QTest::keyClick(ed->RichEdit1, Qt::Key_F4);
        ASSERT_EQ(texts().value(0), kCloseQuestion) << texts().join("|").toStdString();
        EXPECT_FALSE(ed->isVisible());
        EXPECT_FALSE(ed->Modified());
        EXPECT_EQ(preeditIn(ed), QString()); // nothing left to arrive in the hidden window
        if (answer == ui::MsgResult::Yes) {
            QFile f(saved);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), QStringLiteral("かな").toUtf8());
        }
        // The next F2 has no changed text to ask about.
        responder.clear();
        openEditor();
        EXPECT_FALSE(texts().contains(kGuardQuestion));
        ed->close();
    }
}

TEST_F(CompositionTest, TheTraysExitAsksAboutTheComposition) {
    TForm1& f = create();
    TMeltM* ed = openEditor();
    compose(ed->RichEdit1, QStringLiteral("かな"));
    responder.answer(ui::MsgResult::Yes); // quit?
    responder.answer(ui::MsgResult::No);  // save the text?
    QSignalSpy closed(&f, &TForm1::formClosed);
    f.N13Click();
    ASSERT_EQ(texts().size(), 2) << texts().join("|").toStdString();
    EXPECT_EQ(texts()[1], kCloseQuestion);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(ed->isVisible());
    EXPECT_EQ(preeditIn(ed), QString());
}

TEST_F(CompositionTest, DialogsTakeTheCompositionOnOkAndCancel) {
    dir("sub");
    TForm1& f = create("sub");

    // Find: the find text with its composed end; Cancel keeps it as typed.
    TMeltM* ed = openEditor();
    ed->RichEdit1->setPlainText(QStringLiteral("あいうひらがなえお"));
    ed->FindClick();
    editor::FindDialog* find = ed->FindDialog1;
    find->TextEdit->setText(QStringLiteral("ひら"));
    compose(find->TextEdit, QStringLiteral("がな"));
    find->FindNextButton->click();
    EXPECT_EQ(find->TextEdit->text(), QStringLiteral("ひらがな"));
    EXPECT_EQ(ed->RichEdit1->textCursor().selectedText(), QStringLiteral("ひらがな"));
    ed->FindClick();
    compose(find->TextEdit, QStringLiteral("え"));
    for (QPushButton* b : find->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("キャンセル"))
            b->click();
    EXPECT_FALSE(find->isVisible());
    EXPECT_TRUE(find->TextEdit->text().endsWith(QStringLiteral("え")));

    // Make directory: the folder gets the whole name.
    f.Files().DirMakeClick();
    auto* make = qobject_cast<TDirMakeForm*>(f.State().Windows.DirMakeForm.data());
    ASSERT_NE(make, nullptr);
    make->Edit1->setText(QStringLiteral("新"));
    compose(make->Edit1, QStringLiteral("規"));
    make->STButton->click();
    EXPECT_TRUE(QDir(root + "/sub/新規").exists());
    compose(make->Edit1, QStringLiteral("次"));
    make->EndButton->click();
    EXPECT_EQ(make->Edit1->text(), QStringLiteral("次"));

    // Page names: OK keeps the page's name with its composed end.
    f.Launcher().TabSetPMenuClick();
    launcher::TTabsetF* names = f.Launcher().TabsetF;
    ASSERT_NE(names, nullptr);
    QTest::keyClicks(names->Edit1, QStringLiteral("Mail"));
    compose(names->Edit1, QStringLiteral("箱"));
    const int page = names->SelectedPage();
    names->SpeedButton1->click();
    EXPECT_EQ(f.Launcher().PageNames.value(page), QStringLiteral("Mail箱"));
}

} // namespace
