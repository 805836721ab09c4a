// What the editor does when a write fails (Close, Open file, the program's exit), the
// load warnings, and its dialogs: the file dialogs as Qt draws them (filters by their
// place, the RTF filter, names without a dot under "*.*"), the question before an
// appended extension replaces a file, the font dialog's family, the find dialog's place.
#include "editor/EditorDialogs.h"
#include "editor/FindDialog.h"
#include "editor/TMeltL.h"
#include "platform/FsName.h"
#include "tests/browser/MainWindowFixture.h"
#include "tests/editor/EditorTestUtil.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

const QString kCloseQuestion =
    QStringLiteral("　 ＜ゼル君からの伝言＞\r\n\r\nテキストの内容が更新されています。"
                   "\r\n\r\n変更内容を保存しますか　？");

// Writes that fail even for root: a folder that does not exist, a folder in the file's
// place.
QStringList failingTargets(const QTemporaryDir& dir) {
    EXPECT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("taken.txt")));
    return {dir.filePath(QStringLiteral("missing/new.txt")),
            dir.filePath(QStringLiteral("taken.txt"))};
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray readFileRaw(const QByteArray& path) {
    QByteArray bytes;
    if (FILE* f = std::fopen(path.constData(), "rb")) {
        char buf[256];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.append(buf, qsizetype(n));
        std::fclose(f);
    }
    return bytes;
}

// Runs f on the modal file dialog once it is up (the dialog runs its own event loop).
void onFileDialog(std::function<void(QFileDialog*)> f) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            f(d);
        }
    });
    timer->start();
}

// The names the dialog's list shows, once they are the expected ones or the folder has
// had time enough to be read.
QStringList listed(QFileDialog* d, const QStringList& expected) {
    auto* view = d->findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    [[maybe_unused]] const bool settled = QTest::qWaitFor(
        [&] {
            names.clear();
            const QAbstractItemModel* m = view->model();
            for (int r = 0; r < m->rowCount(view->rootIndex()); ++r)
                names << m->index(r, 0, view->rootIndex()).data().toString();
            names.sort();
            return names == expected;
        },
        3000);
    return names;
}

// Chooses the filter at index as the user does, in the dialog's combo box.
void chooseFilter(QFileDialog* d, int index) {
    auto* combo = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    emit combo->textActivated(combo->itemText(index));
}

} // namespace

// Close -> Yes -> the write fails: the window stays visible with its text, still marked
// as changed, and the failure is shown; so does a second try.
TEST_F(EditorFixture, FailedSaveAtCloseKeepsTheWindowTheTextAndTheFlag) {
    window->setWindowTitle(QStringLiteral("ゼル君・簡易エディタ ： /old"));
    for (const QString& target : failingTargets(dir)) {
        SCOPED_TRACE(target.toStdString());
        window->show();
        setText(QStringLiteral("unsaved words"));
        window->RichEdit1->insertPlainText(QStringLiteral("more "));
        responder.clear();
        responder.answer(ui::MsgResult::Yes);
        responder.answer(ui::MsgResult::OK);
        saveAnswer = editor::FileDialogAnswer{target, 1};
        window->CloseBClick();
        ASSERT_EQ(responder.calls().size(), 2);
        EXPECT_EQ(responder.calls()[0].text, kCloseQuestion);
        EXPECT_EQ(responder.calls()[1].type, ui::MsgDlgType::Error);
        EXPECT_TRUE(responder.calls()[1].text.startsWith(target + " に書き込めません"))
            << responder.calls()[1].text.toStdString();
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->isMinimized());
        EXPECT_TRUE(window->Modified());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("ゼル君・簡易エディタ ： /old"));
        EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("more unsaved words"));
    }
    // Cancelling the dialog keeps the old way: the flag goes, the window closes.
    responder.answer(ui::MsgResult::Yes);
    saveAnswer.reset();
    window->CloseBClick();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->Modified());
}

// Open file -> Yes -> the write fails: no open dialog, nothing loaded over the text. A
// file that cannot be read leaves text, caption and flag as they were.
TEST_F(EditorFixture, OpenFileStopsWhenTheSaveFailsAndKeepsAllWhenTheLoadFails) {
    int opened = 0;
    editor::SetOpenDialogSource([&](const editor::FileDialogRequest&) {
        ++opened;
        return openAnswer;
    });
    writeFile(dir.filePath("other.txt"), "other text");
    openAnswer = editor::FileDialogAnswer{dir.filePath("other.txt"), 1};
    window->show();
    window->setWindowTitle(QStringLiteral("ゼル君・簡易エディタ ： /old"));
    for (const QString& target : failingTargets(dir)) {
        setText(QStringLiteral("mine"));
        window->SetModified(true);
        responder.clear();
        responder.answer(ui::MsgResult::Yes);
        saveAnswer = editor::FileDialogAnswer{target, 1};
        window->FileOpenClick();
        ASSERT_EQ(responder.calls().size(), 2);
        EXPECT_EQ(responder.calls()[1].type, ui::MsgDlgType::Error);
        EXPECT_EQ(opened, 0);
        EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("mine"));
        EXPECT_TRUE(window->Modified());
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->isMinimized());
    }

    responder.clear();
    responder.answer(ui::MsgResult::No);
    openAnswer = editor::FileDialogAnswer{dir.filePath("gone.txt"), 1};
    window->FileOpenClick();
    EXPECT_EQ(opened, 1);
    ASSERT_EQ(responder.calls().size(), 2);
    EXPECT_EQ(responder.calls()[1].text, dir.filePath("gone.txt") + " を読み込めません");
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("mine"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ゼル君・簡易エディタ ： /old"));
    EXPECT_TRUE(window->Modified());
}

// A name that is not UTF-8 (Shift-JIS bytes on disk) shows as its CP932 text in the
// caption and the messages, and the file is written under its own bytes.
TEST_F(EditorFixture, CaptionsAndMessagesShowDisplayNames) {
    const QByteArray sjisName("\x83\x81\x83\x82.txt"); // メモ.txt in Shift-JIS
    const QByteArray raw = QFile::encodeName(dir.path()) + "/" + sjisName;
    FILE* f = std::fopen(raw.constData(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("memo", f);
    std::fclose(f);
    const QString path = platform::fromFsBytes(raw);
    ASSERT_NE(path, dir.path() + QStringLiteral("/メモ.txt")); // kept as its bytes
    openAnswer = editor::FileDialogAnswer{path, 1};
    window->FileOpenClick();
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("memo"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ゼル君・簡易エディタ ： ") + dir.path() +
                                         QStringLiteral("/メモ.txt"));

    window->RichEdit1->insertPlainText(QStringLiteral("new "));
    saveAnswer = editor::FileDialogAnswer{path, 1};
    window->SaveClick();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls()[0].text,
              dir.path() + QStringLiteral("/メモ.txt\r\n\r\nFile Size  :  8  "
                                          "Bytes  を\r\n\r\n正常に保存しました !!"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("メモ.txt"));
    EXPECT_EQ(readFileRaw(raw), QByteArray("new memo"));

    openAnswer = editor::FileDialogAnswer{path + "x", 1};
    window->FileOpenClick();
    EXPECT_EQ(responder.calls().last().text,
              dir.path() + QStringLiteral("/メモ.txtx を読み込めません"));
}

// Choosing "Rtf File" and a name without an extension writes NAME.RTF as RTF; the
// filter follows the proposed name, and both are picked in Qt's own dialog.
TEST_F(EditorFixture, SaveAsWritesTheChosenFormatUnderTheAppendedExtension) {
    struct Case {
        int filter;
        const char* typed;
        const char* written;
        bool plain;
    };
    for (const Case& c :
         {Case{1, "memo", "memo.TXT", true}, Case{2, "memo", "memo.RTF", false},
          Case{2, "note.log", "note.log", true}, Case{1, "r.rtf", "r.rtf", false}}) {
        SCOPED_TRACE(c.written);
        setText(QStringLiteral("hello"));
        window->SetModified(true);
        responder.clear();
        saveAnswer = editor::FileDialogAnswer{dir.filePath(QString::fromUtf8(c.typed)), c.filter};
        window->SaveClick();
        const QString path = dir.filePath(QString::fromUtf8(c.written));
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(c.written));
        EXPECT_FALSE(window->PlainTextMode()); // off after every Save as
        ASSERT_EQ(responder.calls().size(), 1);
        EXPECT_EQ(responder.calls()[0].text,
                  path + QStringLiteral(
                             "\r\n\r\nFile Size  :  5  Bytes  を\r\n\r\n正常に保存しました !!"));
        const QByteArray bytes = readFile(path);
        EXPECT_EQ(bytes.startsWith("{\\rtf"), !c.plain);
        if (c.plain) {
            EXPECT_EQ(bytes, QByteArray("hello"));
        }
        EXPECT_FALSE(window->Modified());
        QFile::remove(path);
    }
}

TEST_F(EditorFixture, QtsSaveDialogPreselectsAndReturnsTheRtfFilterByItsPlace) {
    editor::SetSaveDialogSource(nullptr);
    struct Case {
        const char* current;
        int shown;  // the filter the dialog starts on
        int chosen; // the one the user picks
        const char* written;
    };
    for (const Case& c : {Case{"old.rtf", 1, 1, "memo.RTF"}, Case{"old.txt", 0, 1, "memo.RTF"},
                          Case{"old.rtf", 1, 0, "memo.TXT"}}) {
        SCOPED_TRACE(std::string(c.current) + " -> " + c.written);
        state.CurrentTextFile = dir.filePath(QString::fromUtf8(c.current));
        setText(QStringLiteral("rich"));
        QStringList filters;
        QString shown;
        onFileDialog([&](QFileDialog* d) {
            filters = d->nameFilters();
            shown = d->selectedNameFilter();
            EXPECT_TRUE(d->testOption(QFileDialog::DontUseNativeDialog));
            chooseFilter(d, c.chosen);
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("memo");
            static_cast<QDialog*>(d)->accept(); // QFileDialog's own checks run
        });
        window->SaveClick();
        EXPECT_EQ(filters, QStringList({"Text File (*.TXT)", "Rtf File (*.RTF)"}));
        EXPECT_EQ(shown, filters.value(c.shown));
        const QByteArray bytes = readFile(dir.filePath(QString::fromUtf8(c.written)));
        EXPECT_EQ(bytes.startsWith("{\\rtf"), c.chosen == 1);
        EXPECT_TRUE(bytes.contains("rich"));
        QFile::remove(dir.filePath(QString::fromUtf8(c.written)));
    }
}

// Qt's dialog asked about "memo"; "memo.RTF" is another file and has its own question.
// No goes back to the dialog, Yes replaces.
TEST_F(EditorFixture, AnAppendedExtensionAsksBeforeReplacingAFile) {
    const QString existing = dir.filePath("memo.RTF");
    writeFile(existing, "keep me");
    setText(QStringLiteral("new"));
    window->SetModified(true);
    saveAnswer = editor::FileDialogAnswer{dir.filePath("memo"), 2};
    responder.answer(ui::MsgResult::No);
    int asked = 0;
    editor::SetSaveDialogSource([&](const editor::FileDialogRequest& r) {
        saveRequests.append(r);
        return ++asked == 1 ? saveAnswer : std::nullopt; // then cancelled
    });
    window->SaveClick();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls()[0].text,
              existing + QStringLiteral("\r\n\r\n同じ名前のファイルが既にあります。\r\n\r\n"
                                        "置き換えますか　？"));
    EXPECT_EQ(responder.calls()[0].type, ui::MsgDlgType::Confirmation);
    EXPECT_EQ(responder.calls()[0].buttons, ui::mbYes | ui::mbNo);
    ASSERT_EQ(saveRequests.size(), 2); // the dialog again, on the name typed
    EXPECT_EQ(saveRequests[1].fileName, QStringLiteral("memo"));
    EXPECT_EQ(saveRequests[1].directory, dir.path());
    EXPECT_EQ(saveRequests[1].filterIndex, 2);
    EXPECT_EQ(readFile(existing), QByteArray("keep me"));

    asked = 0;
    responder.clear();
    responder.answer(ui::MsgResult::Yes);
    window->SetModified(true);
    window->SaveClick();
    EXPECT_TRUE(readFile(existing).startsWith("{\\rtf"));
}

// "*.*" lists every name, also one without a dot, as the program's own masks do.
TEST_F(EditorFixture, OpenDialogListsNamesWithoutADotUnderAllFiles) {
    editor::SetOpenDialogSource(nullptr);
    const QString folder = dir.filePath("list");
    ASSERT_TRUE(QDir().mkpath(folder + "/sub"));
    for (const char* name : {"README", "Makefile", "a.TXT", "b.log"})
        writeFile(folder + "/" + QString::fromLatin1(name), "x");
    struct Case {
        int filter;
        QStringList names;
    };
    for (const Case& c : {Case{3, {"Makefile", "README", "a.TXT", "b.log", "sub"}},
                          Case{1, {"a.TXT", "sub"}}, Case{2, {"b.log", "sub"}}}) {
        editor::FileDialogRequest request;
        request.filter = TMeltL::kOpenFilter;
        request.filterIndex = c.filter;
        request.directory = folder;
        QStringList names, filters;
        onFileDialog([&](QFileDialog* d) {
            filters = d->nameFilters();
            names = listed(d, c.names);
            d->reject();
        });
        editor::RunOpenDialog(window.get(), request);
        EXPECT_EQ(filters, QStringList({"ﾃｷｽﾄﾌｧｲﾙ (*.TXT)", "ログファイル (*.LOG)",
                                        "全てのファイル (*.*)"}));
        EXPECT_EQ(names, c.names) << c.filter;
    }
}

// A damaged RTF document shows what could be read, then says what was wrong; every load
// starts at the top.
TEST_F(EditorFixture, LoadWarningsAreShownAfterTheTextAndTheCaretStartsAtTheTop) {
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int i = 0; i < 200; ++i)
        rtf += "line " + QByteArray::number(i) + "\\par ";
    writeFile(dir.filePath("cut.rtf"), rtf); // no closing brace
    window->resize(300, 150);
    window->show();
    bool visibleWhenWarned = false;
    QString textWhenWarned;
    ui::SetMessageResponder([&](const ui::MessageRequest& r) {
        responder.clear();
        visibleWhenWarned = window->isVisible() && !window->isMinimized();
        textWhenWarned = window->RichEdit1->toPlainText();
        EXPECT_EQ(r.text, QStringLiteral("RTF 文書が途中で切れています"));
        EXPECT_EQ(r.type, ui::MsgDlgType::Warning);
        return ui::MsgResult::OK;
    });
    openAnswer = editor::FileDialogAnswer{dir.filePath("cut.rtf"), 3};
    window->FileOpenClick();
    EXPECT_TRUE(visibleWhenWarned);
    EXPECT_TRUE(textWhenWarned.startsWith("line 0\nline 1\n"));
    EXPECT_TRUE(textWhenWarned.endsWith("line 199"));
    EXPECT_EQ(window->RichEdit1->textCursor().position(), 0);
    EXPECT_EQ(window->RichEdit1->verticalScrollBar()->value(), 0);
    ui::SetMessageResponder(nullptr);
}

// The font dialog starts on the family the editor's font resolves to; kept, the stored
// name stays the one the settings had.
TEST_F(EditorFixture, FontDialogStartsOnTheResolvedFamilyAndKeepsTheStoredName) {
    const QString stored = window->RichEdit1->font().family();
    ASSERT_EQ(stored, QStringLiteral("ＭＳ ゴシック"));
    QString shown;
    QString answer; // empty: the user keeps what was shown
    editor::SetFontDialogSource([&](const editor::FontChoice& c) {
        shown = c.font.family();
        editor::FontChoice r = c;
        if (!answer.isEmpty())
            r.font.setFamily(answer);
        return std::optional<editor::FontChoice>(r);
    });
    window->FontsSetO1Click();
    EXPECT_EQ(shown, QFontInfo(window->RichEdit1->font()).family());
    EXPECT_EQ(window->RichEdit1->font().family(), stored);
    EXPECT_EQ(SettingsFile().ReadString("TMeltM", "Name", ""), stored);
    answer = QStringLiteral("DejaVu Serif");
    window->FontsSetO1Click();
    EXPECT_EQ(SettingsFile().ReadString("TMeltM", "Name", ""), answer);
}

// The find dialog goes to the cursor less 10 pixels and moves only to stay on screen.
TEST(FindDialogPlace, MovesOnlyToStayOnTheScreen) {
    const QRect screen(0, 0, 1024, 768);
    const QSize frame(400, 200);
    struct Case {
        QPoint wanted, placed;
    };
    for (const Case& c :
         {Case{{90, 90}, {90, 90}}, Case{{624, 568}, {624, 568}}, Case{{900, 100}, {624, 100}},
          Case{{100, 700}, {100, 568}}, Case{{1000, 760}, {624, 568}}, Case{{-10, -10}, {0, 0}}})
        EXPECT_EQ(editor::FindDialog::PlaceOnScreen(c.wanted, frame, screen), c.placed)
            << c.wanted.x() << "," << c.wanted.y();
}

// The program's exit: a text whose save fails keeps the program running, with the
// editor and its text.
class EditorExitTest : public MainWindowFixture {
protected:
    void TearDown() override {
        editor::SetSaveDialogSource(nullptr);
        if (form)
            delete form->State().Windows.MeltM.data();
        MainWindowFixture::TearDown();
    }
};

TEST_F(EditorExitTest, AFailedSaveStopsTheExit) {
    TForm1& f = create();
    auto* ed = new TMeltM(f.State());
    f.State().Windows.MeltM = ed;
    ed->show();
    ed->RichEdit1->setPlainText(QStringLiteral("not on disk yet"));
    ed->SetModified(true);
    editor::SetSaveDialogSource([this](const editor::FileDialogRequest&) {
        return editor::FileDialogAnswer{root + "/no such folder/x.txt", 1};
    });
    QSignalSpy closed(&f, &TForm1::formClosed);
    for (const bool fromTray : {false, true}) {
        SCOPED_TRACE(fromTray ? "tray exit" : "close command");
        responder.clear();
        if (fromTray) {
            responder.answer(ui::MsgResult::Yes); // quit?
            responder.answer(ui::MsgResult::Yes); // save the text?
            f.N13Click();
        } else {
            responder.answer(ui::MsgResult::Yes); // save the text? (asked first here)
            f.CloseButtonClick();
        }
        QStringList texts;
        for (const ui::MessageRequest& r : responder.calls())
            texts << r.text;
        ASSERT_EQ(texts.size(), fromTray ? 3 : 2) << texts.join("|").toStdString();
        EXPECT_EQ(texts[texts.size() - 2], kCloseQuestion);
        EXPECT_EQ(responder.calls().last().type, ui::MsgDlgType::Error);
        EXPECT_EQ(closed.count(), 0);
        EXPECT_TRUE(f.isVisible());
        EXPECT_TRUE(ed->isVisible());
        EXPECT_TRUE(ed->Modified());
        EXPECT_EQ(ed->RichEdit1->toPlainText(), QStringLiteral("not on disk yet"));
    }
}
