// The text window: editing, the find run and its status texts, Save as, closing and the
// font kept in the window's own settings section.
#include "editor/FindDialog.h"
#include "platform/TextCodec.h"
#include "tests/editor/EditorTestUtil.h"

#include <QClipboard>
#include <QFile>
#include <QInputMethodEvent>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using editor::TextEncoding;

namespace {
const QString kF3Hint = QStringLiteral("検索を継続する時は、「 Ｆ３キー 」を押下して下さい。");
}

TEST_F(EditorFixture, ClassNamesSelectSectionsAndMenusMatchTheTable) {
    EXPECT_STREQ(window->metaObject()->className(), "TMeltM");
    core::SharedState other;
    TMeltL viewer(other);
    EXPECT_STREQ(viewer.metaObject()->className(), "TMeltL");
    EXPECT_EQ(window->Panel(2), QStringLiteral("右クリックで、ポップアップ・メニューを表示"));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);

    struct Item {
        QAction* action;
        const char* caption;
        QKeySequence key;
    };
    const Item items[] = {
        {window->CopyM, "コピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {window->PasteM, "貼り付け(&P)", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {window->CutM, "切り取り(&D)", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {window->UndoM, "元に戻す(&U)", QKeySequence(Qt::CTRL | Qt::Key_U)},
        {window->FindM, "検索(&F)", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {window->FindNextM, "次を検索(&N)", QKeySequence(Qt::Key_F3)},
        {window->SaveM, "名前を付けて保存(&S)", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {window->TopM, "先頭行(&T)", QKeySequence(Qt::CTRL | Qt::Key_T)},
        {window->LastM, "最終行(&L)", QKeySequence(Qt::CTRL | Qt::Key_L)},
        {window->FontsSetOM, "フォント設定(&F)", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {window->HelpHM, "ヘルプ(&H)", QKeySequence(Qt::Key_F1)},
        {window->CloseM, "閉じる(&X)", QKeySequence(Qt::Key_F4)},
        {window->FileOpen, "ファイルを開く(&O)", QKeySequence()},
        {window->K1, "フォームの最大化", QKeySequence(Qt::Key_F8)},
        {window->K3, "フォームの普通化", QKeySequence(Qt::Key_F7)},
        {window->K4, "アイコン化", QKeySequence(Qt::Key_F6)},
        {window->WordRapM, "ワードラップ(&W)", QKeySequence(Qt::CTRL | Qt::Key_W)},
        {window->Copy, "Copy (&C)", QKeySequence()},
        {window->FindNext1, "Next (&N)", QKeySequence()},
        {window->FontsSetO1, "Fonts Set (&O)", QKeySequence()},
        {window->CloseB, "Close (&X)", QKeySequence()},
    };
    for (const Item& i : items) {
        EXPECT_EQ(i.action->text(), QString::fromUtf8(i.caption));
        EXPECT_EQ(i.action->shortcut(), i.key) << i.caption;
    }
    EXPECT_FALSE(window->FileOpen->isEnabled());
    QStringList groups;
    for (QAction* a : window->MainMenu1->actions())
        groups << a->text();
    EXPECT_EQ(groups, QStringList({"ﾌｧｲﾙ(&F)", "編集(&E)", "検索(&S)", "移動(&M)", "設定(&O)"}));
}

TEST_F(EditorFixture, CopyWithoutSelectionTakesTheWholeDocument) {
    setText(QStringLiteral("一行目\nsecond"));
    select(2, 0);
    window->CopyClick();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("一行目\nsecond"));
    EXPECT_FALSE(window->RichEdit1->textCursor().hasSelection());
    EXPECT_EQ(selStart(), 0);
    // A selection is copied alone and collapsed to its start.
    select(4, 3);
    window->CopyClick();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("sec"));
    EXPECT_EQ(selStart(), 4);
    EXPECT_EQ(selLength(), 0);
}

TEST_F(EditorFixture, MenuShortcutsWinOverTheEditBoxKeys) {
    setText(QStringLiteral("whole text"));
    window->show(); // the menus follow the text: Copy and Last need some
    QApplication::setActiveWindow(window.get());
    window->RichEdit1->setFocus();
    select(6, 0);
    QApplication::clipboard()->clear();
    QTest::keyClick(window->RichEdit1, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("whole text"));
    QTest::keyClick(window->RichEdit1, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(window->WordRapM->isChecked());
    QTest::keyClick(window->RichEdit1, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(window->RichEdit1->textCursor().position(), 10);
    // A text loaded into the shown window: the keys follow it without opening a menu.
    setText(QString());
    window->UpdateMenus();
    setText(QStringLiteral("next"));
    QTest::keyClick(window->RichEdit1, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("next"));
}

TEST_F(EditorFixture, FindRunCountsHitsAndReportsTheTotal) {
    setText(QStringLiteral("x ab ab\nab"));
    select(0, 0);
    window->FindClick();
    EXPECT_TRUE(window->FindNextM->isEnabled());
    window->FindDialog1->SetFindText(QStringLiteral("ab"));
    window->FindDialog1Find();
    EXPECT_EQ(selStart(), 2);
    EXPECT_EQ(selLength(), 2);
    EXPECT_FALSE(window->FindDialog1->isVisible());
    EXPECT_EQ(window->Panel(2), kF3Hint);
    window->FindNext1Click();
    EXPECT_EQ(selStart(), 5);
    window->FindNext1Click();
    EXPECT_EQ(selStart(), 8);
    EXPECT_EQ(window->Panel(0), QStringLiteral("2 / 2 "));
    EXPECT_EQ(window->Panel(2), kF3Hint); // from the dialog's hit; F3 hits leave it
    window->FindNext1Click();
    EXPECT_EQ(window->Panel(2),
              QStringLiteral("検索文字 ： \" ab\u3000\" は、計  3  回  見つかりました。"));
    EXPECT_EQ(selStart(), 8);
    EXPECT_EQ(selLength(), 0);
    // A new run starts at the last hit and counts again from there.
    window->FindNext1Click();
    EXPECT_EQ(selStart(), 8);
    EXPECT_EQ(selLength(), 2);
    window->FindNext1Click();
    EXPECT_EQ(window->Panel(2),
              QStringLiteral("検索文字 ： \" ab\u3000\" は、計  1  回  見つかりました。"));
}

TEST_F(EditorFixture, FindWithoutHitShowsNotFoundAndNoHint) {
    setText(QStringLiteral("これは日本語の文です"));
    select(3, 2);
    window->FindClick();
    EXPECT_EQ(window->FindDialog1->FindText(), QStringLiteral("日本")); // the selection
    window->FindDialog1->SetFindText(QStringLiteral("英語"));
    window->FindDialog1Find();
    EXPECT_EQ(window->Panel(2), QStringLiteral("見つかりません \"\u3000英語\u3000\" !!"));
    EXPECT_FALSE(window->FindDialog1->isVisible());
    EXPECT_EQ(selStart(), 3);
    EXPECT_EQ(selLength(), 0);
    // Whole word through the dialog's options.
    setText(QStringLiteral("xab ab"));
    window->FindClick();
    window->FindDialog1->SetFindText(QStringLiteral("ab"));
    window->FindDialog1->SetWholeWord(true);
    window->FindDialog1Find();
    EXPECT_EQ(selStart(), 4);
}

TEST_F(EditorFixture, StatusShowsLinesAndBytesInTheSavingEncoding) {
    setText(QString());
    EXPECT_EQ(window->Panel(0), QStringLiteral("1 / 0 "));
    EXPECT_EQ(window->Panel(1), QStringLiteral("0 Bytes"));
    setText(QString(1000, QLatin1Char('a')));
    EXPECT_EQ(window->Panel(1), QStringLiteral("1,000 Bytes"));
    EXPECT_EQ(window->Panel(0), QStringLiteral("1 / 1 "));
    setText(QStringLiteral("日本\n"), TextEncoding::Cp932);
    EXPECT_EQ(window->Panel(1), QStringLiteral("5 Bytes"));
    EXPECT_EQ(window->Panel(0), QStringLiteral("1 / 1 ")); // the final empty line does not count
    setText(QStringLiteral("日本\n"), TextEncoding::Utf8);
    EXPECT_EQ(window->Panel(1), QStringLiteral("7 Bytes"));
    window->LastClick();
    EXPECT_EQ(window->Panel(0), QStringLiteral("2 / 1 "));
    window->TopClick();
    EXPECT_EQ(window->Panel(0), QStringLiteral("1 / 1 "));
}

TEST_F(EditorFixture, ClearForLoadingEmptiesAndShowsTheWaitingText) {
    setText(QStringLiteral("old"));
    window->SetModified(true);
    window->ClearForLoading(QStringLiteral("しばらく待って下さい"));
    EXPECT_TRUE(window->RichEdit1->document()->isEmpty());
    EXPECT_FALSE(window->Modified());
    EXPECT_EQ(window->Panel(0), QString());
    EXPECT_EQ(window->Panel(1), QStringLiteral("しばらく待って下さい"));
    EXPECT_EQ(window->Panel(2), QString());
}

TEST_F(EditorFixture, SaveAsProposesTheNameAndItsFilter) {
    struct Case {
        const char* current;
        int filter;
        bool inDirectory;
    };
    for (const Case& c : {Case{"/tmp/doc/a.rtfx", 2, true}, Case{"/tmp/doc/b.Rtf", 2, true},
                          Case{"/tmp/doc/c.txt", 1, true}, Case{"", 1, false}}) {
        state.CurrentTextFile = QString::fromUtf8(c.current);
        saveRequests.clear();
        window->SaveClick();
        ASSERT_EQ(saveRequests.size(), 1);
        EXPECT_EQ(saveRequests[0].filterIndex, c.filter) << c.current;
        EXPECT_EQ(saveRequests[0].fileName, state.CurrentTextFile.section(QLatin1Char('/'), -1));
        EXPECT_EQ(saveRequests[0].directory,
                  c.inDirectory ? QStringLiteral("/tmp/doc") : QString());
        EXPECT_EQ(saveRequests[0].filter,
                  QStringLiteral("Text File  (*.TXT)|*.TXT|Rtf  File  (*.RTF)|*.RTF"));
    }
}

// A Shift-JIS file with CR LF line ends and no final line break, opened and saved
// unchanged, is the same file byte for byte; a text outside CP932 is saved whole.
TEST_F(EditorFixture, OpenedTextSavesBackInItsOwnEncodingAndLineEnds) {
    // "日本語の行" CR LF "テキスト" in CP932, written out here, not by the codec under test.
    const QByteArray sjis(
        "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x8d\x73\r\n\x83\x65\x83\x4c\x83\x58\x83\x67");
    const QString path = dir.filePath("sjis.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(sjis);
    }
    window->SetPlainTextMode(true);
    ASSERT_TRUE(window->LoadFromFile(path));
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("日本語の行\nテキスト"));
    saveAnswer = editor::FileDialogAnswer{path, 1};
    window->SaveClick();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), sjis);
    f.close();

    window->RichEdit1->setPlainText(QStringLiteral("한국어 and 日本"));
    window->SetModified(true);
    window->SetPlainTextMode(true);
    window->SaveClick();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("한국어 and 日本")); // UTF-8, whole
}

TEST_F(EditorFixture, CancelledSaveAsClearsTheModifiedFlagSoCloseDoesNotAsk) {
    window->show();
    setText(QStringLiteral("text"));
    window->SetModified(true);
    saveAnswer.reset();
    window->SaveClick();
    EXPECT_FALSE(window->Modified());
    EXPECT_FALSE(window->isMinimized());
    window->CloseBClick();
    EXPECT_TRUE(responder.calls().isEmpty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("text")); // kept for the next use
}

TEST_F(EditorFixture, CloseAsksAboutChangedText) {
    window->show();
    setText(QStringLiteral("text"));
    window->SetModified(true);
    responder.answer(ui::MsgResult::No);
    window->CloseBClick();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls()[0].text,
              QStringLiteral("　 "
                             "＜ゼル君からの伝言＞\r\n\r\nテキストの内容が更新されています。\r\n\r"
                             "\n変更内容を保存しますか　？"));
    EXPECT_EQ(responder.calls()[0].type, ui::MsgDlgType::Warning);
    EXPECT_FALSE(window->Modified());
    EXPECT_TRUE(saveRequests.isEmpty());
    // Yes runs Save as.
    window->show();
    window->SetModified(true);
    responder.answer(ui::MsgResult::Yes);
    window->CloseBClick();
    EXPECT_EQ(saveRequests.size(), 1);
}

TEST_F(EditorFixture, OpenFileAsksThenLoadsTheChosenFile) {
    QFile f(dir.filePath("open.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("ファイルの中身");
    f.close();
    setText(QStringLiteral("changed"));
    window->SetModified(true);
    openAnswer = editor::FileDialogAnswer{f.fileName(), 1};
    responder.answer(ui::MsgResult::Cancel);
    window->FileOpenClick();
    ASSERT_EQ(responder.calls().size(), 1);
    EXPECT_EQ(responder.calls()[0].buttons, ui::mbYes | ui::mbNo | ui::mbCancel);
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("changed"));
    responder.answer(ui::MsgResult::No);
    window->FileOpenClick();
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("ファイルの中身"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ゼル君・簡易エディタ ： ") + f.fileName());
    EXPECT_FALSE(window->Modified());
    EXPECT_TRUE(state.CurrentTextFile.isEmpty()); // not changed by opening
}

TEST_F(EditorFixture, FontSettingsRoundTripInTheClassSection) {
    QFont chosen(QStringLiteral("Noto Sans CJK JP"), 14);
    chosen.setBold(true);
    chosen.setStrikeOut(true);
    fontAnswer = editor::FontChoice{chosen, QColor(0x12, 0x34, 0x56)};
    window->FontsSetO1Click();
    SettingsFile ini;
    EXPECT_EQ(ini.ReadString("TMeltM", "Name", ""), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(ini.ReadInteger("TMeltM", "Size", 0), 14);
    EXPECT_EQ(ini.ReadInteger("TMeltM", "Color", 0), 0x563412); // 0x00BBGGRR
    EXPECT_EQ(ini.ReadInteger("TMeltM", "Style", 0), 9);
    EXPECT_EQ(ini.ReadString("TMeltL", "Name", "none"), QStringLiteral("none"));

    core::SharedState other;
    TMeltM again(other);
    again.LoadTextFont(QStringLiteral("TMeltM"));
    EXPECT_EQ(again.RichEdit1->font().family(), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(again.RichEdit1->font().pointSize(), 14);
    EXPECT_TRUE(again.RichEdit1->font().bold());
    EXPECT_FALSE(again.RichEdit1->font().italic());
    EXPECT_TRUE(again.RichEdit1->font().strikeOut());
    EXPECT_EQ(again.TextColor(), QColor(0x12, 0x34, 0x56));

    // Hexadecimal colours read; a system colour constant is written back unchanged.
    ini.WriteString("TMeltL", "Color", "0x0000FF");
    TMeltL viewer(other);
    viewer.LoadTextFont(QStringLiteral("TMeltL"));
    EXPECT_EQ(viewer.TextColor(), QColor(255, 0, 0));
    ini.WriteString("TMeltL", "Color", "0x80000008");
    viewer.LoadTextFont(QStringLiteral("TMeltL"));
    viewer.SaveFontSettings();
    EXPECT_EQ(uint32_t(ini.ReadInteger("TMeltL", "Color", 0)), 0x80000008u);
    // Defaults are the current font.
    TMeltL fresh(other);
    const QFont before = fresh.RichEdit1->font();
    fresh.LoadTextFont(QStringLiteral("Nothing"));
    EXPECT_EQ(fresh.RichEdit1->font().family(), before.family());
    EXPECT_EQ(fresh.TextColor(), QColor(Qt::black));
}

TEST_F(EditorFixture, PlacementIsKeptUnderTheClassName) {
    window->setGeometry(100, 120, 400, 300);
    window.reset();
    SettingsFile ini;
    EXPECT_NE(ini.ReadString("TMeltM", placement::KeyNames().last(), ""), QString());
    EXPECT_EQ(ini.ReadString("TMeltL", placement::KeyNames().last(), ""), QString());
}

TEST_F(EditorFixture, UndoWordWrapAndMenus) {
    setText(QStringLiteral("abc"));
    window->UpdateMenus();
    EXPECT_FALSE(window->UndoM->isEnabled());
    EXPECT_FALSE(window->CutM->isEnabled());
    EXPECT_TRUE(window->CopyM->isEnabled());
    window->LastClick();
    window->RichEdit1->insertPlainText(QStringLiteral("def"));
    EXPECT_TRUE(window->Modified());
    window->UpdateMenus();
    EXPECT_TRUE(window->UndoM->isEnabled());
    window->UndoClick();
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("abc"));
    window->WordRapMClick();
    EXPECT_EQ(window->RichEdit1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_TRUE(window->WordRapM->isChecked());
    window->WordRapMClick();
    EXPECT_EQ(window->RichEdit1->lineWrapMode(), QPlainTextEdit::NoWrap);
    setText(QString());
    window->UpdateMenus();
    EXPECT_FALSE(window->SaveM->isEnabled());
    EXPECT_FALSE(window->Find->isEnabled());
}

TEST_F(EditorFixture, CtrlUpDownScrollWithoutMovingTheCaret) {
    window->resize(300, 150);
    window->show();
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << QString::number(i);
    setText(lines.join(QLatin1Char('\n')));
    window->TopClick();
    QScrollBar* bar = window->RichEdit1->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    QTest::keyClick(window->RichEdit1, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(window->RichEdit1, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 2); // two lines
    EXPECT_EQ(window->RichEdit1->textCursor().position(), 0);
    QTest::keyClick(window->RichEdit1, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(window->RichEdit1, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 0);
    // Without Ctrl the key is the edit box's own.
    QTest::keyClick(window->RichEdit1, Qt::Key_Down);
    EXPECT_NE(window->RichEdit1->textCursor().position(), 0);
}

TEST_F(EditorFixture, ConvertingClauseShowsYellowOnBlue) {
    window->show();
    setText(QString());
    window->RichEdit1->setFocus();
    QTextCharFormat converting;
    converting.setBackground(Qt::darkGray);
    QTextCharFormat rest;
    rest.setFontUnderline(true);
    QList<QInputMethodEvent::Attribute> attrs{
        {QInputMethodEvent::TextFormat, 0, 2, QVariant::fromValue(QTextFormat(converting))},
        {QInputMethodEvent::TextFormat, 2, 2, QVariant::fromValue(QTextFormat(rest))}};
    QInputMethodEvent e(QStringLiteral("日本ごを"), attrs);
    QApplication::sendEvent(window->RichEdit1, &e);
    const QTextLayout* layout = window->RichEdit1->document()->firstBlock().layout();
    const QList<QTextLayout::FormatRange> formats = layout->formats();
    bool sawConverting = false, sawRest = false;
    for (const QTextLayout::FormatRange& r : formats) {
        if (r.format.background().color() == QColor(0, 0, 255)) {
            sawConverting = true;
            EXPECT_EQ(r.format.foreground().color(), QColor(255, 255, 0));
            EXPECT_FALSE(r.format.fontUnderline());
        }
        if (r.format.fontUnderline())
            sawRest = true;
    }
    EXPECT_TRUE(sawConverting);
    EXPECT_TRUE(sawRest);
}

// A plain text opened after an RTF document shows in the box's own font and colour,
// whatever format the caret stood in at the end of the RTF document.
TEST_F(EditorFixture, PlainTextAfterRtfTakesNoFormatFromIt) {
    const QString rtf = dir.filePath(QStringLiteral("red.rtf"));
    const QString txt = dir.filePath(QStringLiteral("plain.txt"));
    QFile r(rtf), t(txt);
    ASSERT_TRUE(r.open(QIODevice::WriteOnly) && t.open(QIODevice::WriteOnly));
    r.write("{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}plain \\b\\cf1\\fs48 red bold}");
    t.write("just text\n");
    r.close();
    t.close();
    window->ClearForLoading(QString());
    ASSERT_TRUE(window->LoadFromFile(rtf));
    window->LastClick(); // the caret in the red bold run
    window->ClearForLoading(QString());
    window->SetPlainTextMode(true);
    ASSERT_TRUE(window->LoadFromFile(txt));
    const QTextCharFormat f =
        window->RichEdit1->document()->firstBlock().begin().fragment().charFormat();
    EXPECT_FALSE(f.font().bold());
    EXPECT_FALSE(f.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_FALSE(f.hasProperty(QTextFormat::FontPointSize));
}
