// The main window's editor command on the real main window: which selection is loaded,
// which is discarded, the guard question and the one editor kept for the run.
#include "editor/TMeltL.h"
#include "tests/browser/MainWindowFixture.h"

#include <QAction>
#include <QToolButton>

namespace {

class OpenInEditorTest : public MainWindowFixture {
protected:
    void TearDown() override {
        if (form)
            delete form->State().Windows.MeltM.data();
        MainWindowFixture::TearDown();
    }
    TMeltM* editorWindow() { return qobject_cast<TMeltM*>(form->State().Windows.MeltM.data()); }
    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(root + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void selectName(const QString& name) {
        browser::TFileListBoxS* list = form->Files().ActiveList();
        const int i = int(names(list).indexOf(name));
        ASSERT_GE(i, 0) << name.toStdString();
        list->SetItemIndex(i);
    }
    QString caption(const QString& path) const {
        return QStringLiteral("ゼル君・簡易エディタ ： ") + path;
    }
};

} // namespace

TEST_F(OpenInEditorTest, SelectedTextFileOpensAsPlainText) {
    writeFile("memo.txt", "一行目\nline two\n");
    writeFile("zz.dat", "x");
    TForm1& f = create();
    selectName("memo.txt");
    f.EditPopClick();
    TMeltM* ed = editorWindow();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(ed->isVisible());
    EXPECT_EQ(ed->RichEdit1->toPlainText(), QStringLiteral("一行目\nline two\n"));
    EXPECT_EQ(ed->windowTitle(), caption(root + "/memo.txt"));
    EXPECT_EQ(f.State().CurrentTextFile, root + "/memo.txt");
    EXPECT_TRUE(ed->FileOpen->isEnabled());
    EXPECT_FALSE(ed->Modified());
    EXPECT_EQ(f.State().LastTextFontSource.data(), ed->RichEdit1);
    EXPECT_TRUE(responder.calls().isEmpty());

    // The same editor is reused for the next file.
    selectName("zz.dat");
    f.EditPopClick();
    EXPECT_EQ(editorWindow(), ed);
    EXPECT_EQ(ed->RichEdit1->toPlainText(), QStringLiteral("x"));
}

TEST_F(OpenInEditorTest, LoadModeFollowsTheExtension) {
    writeFile("plain.txt", "t");
    writeFile("noext", "n");
    writeFile("doc.RtF", "{\\rtf1 r}");
    writeFile("old.doc", "{\\rtf1 d}");
    writeFile("x.rtfx", "{\\rtf1 x}"); // four characters compared: rich
    TForm1& f = create();
    f.EditPopClick();
    TMeltM* ed = editorWindow();
    ASSERT_NE(ed, nullptr);
    QFont face = ed->RichEdit1->font();
    face.setFamily(QStringLiteral("Noto Sans Mono CJK JP"));
    ed->RichEdit1->setFont(face);
    ed->RichEdit1->document()->setDefaultFont(QFont(QStringLiteral("Other")));
    for (const char* name : {"plain.txt", "noext"}) {
        selectName(QString::fromUtf8(name));
        f.EditPopClick();
        EXPECT_TRUE(ed->PlainTextMode()) << name;
        EXPECT_EQ(ed->RichEdit1->document()->defaultFont().family(),
                  QStringLiteral("Noto Sans Mono CJK JP"));
    }
    for (const char* name : {"doc.RtF", "old.doc", "x.rtfx"}) {
        selectName(QString::fromUtf8(name));
        f.EditPopClick();
        EXPECT_FALSE(ed->PlainTextMode()) << name;
        EXPECT_EQ(ed->windowTitle(), caption(root + "/" + QString::fromUtf8(name)));
    }
}

TEST_F(OpenInEditorTest, UnreadableFileStillShowsTheEditorWithItsPath) {
    writeFile("gone.txt", "t");
    TForm1& f = create();
    selectName("gone.txt");
    ASSERT_TRUE(QFile::remove(root + "/gone.txt"));
    f.EditPopClick();
    TMeltM* ed = editorWindow();
    ASSERT_NE(ed, nullptr);
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls()[0].type, ui::MsgDlgType::Error);
    EXPECT_TRUE(responder.calls()[0].text.contains(root + "/gone.txt"));
    EXPECT_EQ(ed->windowTitle(), caption(root + "/gone.txt"));
    EXPECT_TRUE(ed->isVisible());
}

TEST_F(OpenInEditorTest, DiscardedSelectionsOpenAnEmptyEditor) {
    writeFile("arc.lzh", "-lh5- not really");
    writeFile("memo.txt", "text");
    TForm1& f = create();

    selectName("arc.lzh");
    f.EditPopClick();
    TMeltM* ed = editorWindow();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(ed->RichEdit1->document()->isEmpty());
    EXPECT_EQ(ed->windowTitle(), caption(QString()));
    EXPECT_TRUE(f.State().CurrentTextFile.isEmpty());
    EXPECT_EQ(ed->Panel(1), QString());

    // Nothing selected.
    f.Files().ActiveList()->SetItemIndex(-1);
    f.EditPopClick();
    EXPECT_TRUE(ed->RichEdit1->document()->isEmpty());
    EXPECT_EQ(ed->windowTitle(), caption(QString()));

    // The viewer closed: the launcher strip alone.
    selectName("memo.txt");
    f.State().ViewerOpen = false;
    f.EditPopClick();
    EXPECT_TRUE(ed->RichEdit1->document()->isEmpty());
    EXPECT_EQ(ed->windowTitle(), caption(QString()));
    EXPECT_TRUE(f.State().CurrentTextFile.isEmpty());
}

TEST_F(OpenInEditorTest, FromTheTrayOnlyAMinimisedEditorTakesTheSelection) {
    writeFile("memo.txt", "text");
    TForm1& f = create();
    selectName("memo.txt");
    f.State().InTray = true;
    f.EditPopClick(); // the editor is new, so not minimised
    TMeltM* ed = editorWindow();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(ed->RichEdit1->document()->isEmpty());
    EXPECT_TRUE(f.State().CurrentTextFile.isEmpty());

    ed->showMinimized();
    f.EditPopClick();
    EXPECT_EQ(ed->RichEdit1->toPlainText(), QStringLiteral("text"));
    EXPECT_EQ(f.State().CurrentTextFile, root + "/memo.txt");
    EXPECT_FALSE(ed->isMinimized()); // shown restored
}

TEST_F(OpenInEditorTest, GuardKeepsEditedTextOnNo) {
    writeFile("a.txt", "first");
    writeFile("b.txt", "second");
    TForm1& f = create();
    selectName("a.txt");
    f.EditPopClick();
    TMeltM* ed = editorWindow();
    ASSERT_NE(ed, nullptr);
    ed->RichEdit1->insertPlainText(QStringLiteral("edited "));
    ASSERT_TRUE(ed->Modified());

    selectName("b.txt");
    responder.answer(ui::MsgResult::No);
    f.EditPopClick();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(
        responder.calls()[0].text,
        QStringLiteral(
            "編集中のテキストがあります。\r\n \r\n選択に基づき、次のテキストを表示しますか ? "));
    EXPECT_EQ(responder.calls()[0].type, ui::MsgDlgType::Confirmation);
    EXPECT_EQ(responder.calls()[0].buttons, ui::mbYes | ui::mbNo);
    EXPECT_EQ(ed->RichEdit1->toPlainText(), QStringLiteral("edited first"));
    EXPECT_TRUE(ed->Modified());

    responder.answer(ui::MsgResult::Yes);
    f.EditPopClick();
    EXPECT_EQ(ed->RichEdit1->toPlainText(), QStringLiteral("second"));
    EXPECT_FALSE(ed->Modified());

    // A hidden editor with changed text is shown and asks too: its text is not dropped
    // unseen.
    ed->RichEdit1->insertPlainText(QStringLiteral("x"));
    ed->hide();
    responder.clear();
    responder.answer(ui::MsgResult::No);
    f.EditPopClick();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls()[0].type, ui::MsgDlgType::Confirmation);
    EXPECT_TRUE(ed->isVisible());
    EXPECT_EQ(ed->RichEdit1->toPlainText(), QStringLiteral("xsecond"));
    EXPECT_TRUE(ed->Modified());
}

TEST_F(OpenInEditorTest, CommandIsOnTheContextMenuWithF2) {
    TForm1& f = create();
    QAction* pop = f.findChild<QAction*>(QStringLiteral("EditPop"));
    ASSERT_NE(pop, nullptr);
    EXPECT_EQ(pop->text(), QStringLiteral("簡易エディタ を 開く (&E)"));
    EXPECT_EQ(pop->shortcut(), QKeySequence(Qt::Key_F2));
    pop->trigger();
    TMeltM* ed = editorWindow();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(ed->isVisible());
    // The control page's button and the tray menu reach the same editor.
    ed->hide();
    f.Controls().EditB->click();
    EXPECT_TRUE(ed->isVisible());
    ed->hide();
    f.Modes().N16->trigger();
    EXPECT_TRUE(ed->isVisible());
    EXPECT_EQ(editorWindow(), ed);
}
