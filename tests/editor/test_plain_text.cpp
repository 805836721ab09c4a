// Plain texts of every kind, written here as literal bytes, opened in the editor window and
// saved: unchanged they come back byte for byte; with one line typed into, only that line
// changes.
#include "EditorTestUtil.h"
#include "editor/FindDialog.h"
#include "editor/TextSearch.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <random>

using namespace editor;

namespace {

struct Case {
    const char* name;
    QByteArray bytes;
    TextEncoding encoding; // as detected
    int editLine;          // the line typed into
};

QByteArray B(const char* s, qsizetype n) {
    return QByteArray(s, n);
}
#define LIT(s) B(s, sizeof(s) - 1)

// A text made by iconv (tests/data/text/make_iso2022jp.sh).
QByteArray Fixture(const char* name) {
    QFile f(QStringLiteral(ZELMO_TEST_DATA "/text/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"ascii", LIT("hello\nworld\n"), TextEncoding::Utf8, 1},
        {"empty", LIT(""), TextEncoding::Utf8, 0},
        {"no final break", LIT("one\ntwo"), TextEncoding::Utf8, 1},
        {"cp932 crlf", LIT("\x93\xfa\x96\x7b\x8c\xea\r\n\x82\xa0\x82\xa2\r\n"), TextEncoding::Cp932,
         1},
        {"utf-8 bom crlf",
         LIT("\xEF\xBB\xBF"
             "abc\r\n\xE3\x81\x82\r\n"),
         TextEncoding::Utf8Bom, 0},
        {"utf-16le bom",
         LIT("\xFF\xFE"
             "a\0b\0\r\0\n\0"
             "\x42\x30\n\0"),
         TextEncoding::Utf16Le, 1},
        {"utf-16be bom", LIT("\xFE\xFF\0a\0\n\x30\x42"), TextEncoding::Utf16Be, 1},
        {"euc-jp", LIT("\xC6\xFC\xCB\xDC\xB8\xEC\n\xA4\xA2\xA4\xA4\n"), TextEncoding::EucJp, 0},
        {"latin-1", LIT("caf\xE9\nna\xEFve\n"), TextEncoding::Cp932, 0},
        {"utf-8 cut at the end", LIT("\xE3\x81\x82\xE3\x81\x84\n\xE3\x81"), TextEncoding::Utf8, 1},
        {"utf-8 stray byte",
         LIT("\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88\xFF\n\xE3\x81\x8A\n"),
         TextEncoding::Utf8, 0},
        {"nul bytes", LIT("ab\0cd\nef\0\n"), TextEncoding::Utf8, 0},
        {"cp932 nec row 13 and its jis twin", LIT("\x87\x90\x81\xE0\r\nx\r\n"), TextEncoding::Cp932,
         1},
        {"cp932 nec-selected and ibm", LIT("\xED\x40\xFA\x5C\r\nx"), TextEncoding::Cp932, 1},
        {"cp932 nec-selected ibm and ibm", LIT("\xEE\xEF\xFA\x40\nx\n"), TextEncoding::Cp932, 1},
        {"cp932 bytes of no character", LIT("\x82\xa0\x80\xA0\xFD\xFE\xFF\r\n\x82\xa2"),
         TextEncoding::Cp932, 0},
        {"no-break space",
         LIT("a\xC2\xA0"
             "b\n"),
         TextEncoding::Utf8, 0},
        {"line separator",
         LIT("a\xE2\x80\xA8"
             "b\nc"),
         TextEncoding::Utf8, 0},
        {"mixed line ends", LIT("a\r\nb\nc\rd"), TextEncoding::Utf8, 2},
        {"reserved characters", LIT("x\xE2\x80\xA9y\xEF\xB7\x90\xEF\xB7\x91\xEF\xBF\xBC\n"),
         TextEncoding::Utf8, 0},
        {"cr only", LIT("a\rb\r"), TextEncoding::Utf8, 1},
        {"utf-16le lone surrogate and odd byte",
         LIT("\xFF\xFE"
             "a\0\x00\xD8"
             "b\0\n\0z"),
         TextEncoding::Utf16Le, 0},
        {"cp932 half-width katakana", LIT("\xB1\xB2\xB3\r\n"), TextEncoding::Cp932, 0},
        {"utf-8 bom with a stray byte",
         LIT("\xEF\xBB\xBF"
             "a\xFF"
             "b"),
         TextEncoding::Utf8Bom, 0},
        {"cp932 cut lead byte", LIT("\x82\xa0\x82"), TextEncoding::Cp932, 0},
        {"iso-2022-jp mail", Fixture("iso2022jp-mail.txt"), TextEncoding::Iso2022Jp, 2},
        {"iso-2022-jp mixed", Fixture("iso2022jp-mixed.txt"), TextEncoding::Iso2022Jp, 1},
        {"iso-2022-jp kana and roman", Fixture("iso2022jp-kana.txt"), TextEncoding::Iso2022Jp, 0},
    };
    return cases;
}

// Where line k's bytes start (after the BOM, after k line ends).
qsizetype LineStart(const QByteArray& bytes, int k, bool utf16) {
    const int unit = utf16 ? 2 : 1;
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : utf16 ? 2 : 0;
    auto at = [&](qsizetype p) { return utf16 ? (bytes[p] ? bytes[p] : bytes[p + 1]) : bytes[p]; };
    for (int line = 0; line < k; ++line) {
        while (at(i) != '\n' && at(i) != '\r')
            i += unit;
        if (at(i) == '\r' && i + unit < bytes.size() && at(i + unit) == '\n')
            i += unit;
        i += unit;
    }
    return i;
}

class PlainTextFixture : public EditorFixture {
protected:
    QByteArray openAndSave(const QByteArray& bytes, const std::function<void()>& edit = {}) {
        const QString in = dir.filePath(QStringLiteral("in.txt"));
        const QString out = dir.filePath(QStringLiteral("out.txt"));
        write(in, bytes);
        QFile::remove(out);
        window->ClearForLoading(QString());
        window->SetPlainTextMode(true);
        EXPECT_TRUE(window->LoadFromFile(in));
        if (edit)
            edit();
        saveAnswer = FileDialogAnswer{out, 1};
        window->SaveClick();
        return read(out);
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void typeAtLineStart(int line, const QString& keys) {
        QTextCursor c(window->RichEdit1->document()->findBlockByNumber(line));
        window->RichEdit1->setTextCursor(c);
        type(keys);
    }
    // Key presses carrying each character, as the keyboard (or the input method's
    // commit) gives them; QTest's key clicks know ASCII only.
    void type(const QString& keys) {
        for (const QChar ch : keys) {
            QKeyEvent press(QEvent::KeyPress,
                            ch.unicode() < 0x80 ? QChar(ch).toUpper().unicode() : 0, Qt::NoModifier,
                            QString(ch));
            QApplication::sendEvent(window->RichEdit1, &press);
            QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(ch));
            QApplication::sendEvent(window->RichEdit1, &release);
        }
    }
};

} // namespace

TEST_F(PlainTextFixture, EveryKindOfTextSavesBackByteForByteAndEditsStayInTheirLine) {
    ASSERT_GE(Cases().size(), 20u);
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const bool utf16 =
            c.encoding == TextEncoding::Utf16Le || c.encoding == TextEncoding::Utf16Be;
        EXPECT_EQ(DetectEncoding(c.bytes), c.encoding);

        EXPECT_EQ(openAndSave(c.bytes).toHex(' '), c.bytes.toHex(' '));
        EXPECT_FALSE(window->Modified());
        // Panel 1: the text's bytes, line ends as they are, without the BOM.
        const qsizetype bom = c.bytes.startsWith("\xEF\xBB\xBF") ? 3 : utf16 ? 2 : 0;
        EXPECT_EQ(window->Panel(1),
                  GroupThousands(c.bytes.size() - bom) + QStringLiteral(" Bytes"));

        // "Z" typed at the start of one line: that line gets the byte(s) of "Z", every
        // other byte stays.
        QByteArray expected = c.bytes;
        const QByteArray z = c.encoding == TextEncoding::Utf16Le   ? B("Z\0", 2)
                             : c.encoding == TextEncoding::Utf16Be ? B("\0Z", 2)
                                                                   : QByteArray("Z");
        expected.insert(LineStart(c.bytes, c.editLine, utf16), z);
        EXPECT_EQ(openAndSave(c.bytes, [&] { typeAtLineStart(c.editLine, QStringLiteral("Z")); })
                      .toHex(' '),
                  expected.toHex(' '));
        EXPECT_EQ(window->Panel(1),
                  GroupThousands(expected.size() - bom) + QStringLiteral(" Bytes"));

        // Typed and taken back: the line is what its bytes read as again, so it keeps them.
        EXPECT_EQ(openAndSave(c.bytes,
                              [&] {
                                  typeAtLineStart(c.editLine, QStringLiteral("Q"));
                                  QTest::keyClick(window->RichEdit1, Qt::Key_Backspace);
                              })
                      .toHex(' '),
                  c.bytes.toHex(' '));
    }
}

// Lines moved down by a new line above them, or joined and split again, keep their bytes
// (CP932's duplicate codes are where a new encoding would show).
TEST_F(PlainTextFixture, LinesKeepTheirBytesWhenLinesAroundThemChange) {
    const QByteArray sjis = LIT("\x87\x90\r\n\xED\x40\r\n\xEE\xEF");
    EXPECT_EQ(openAndSave(sjis,
                          [&] {
                              typeAtLineStart(1, QString());
                              QTest::keyClick(window->RichEdit1, Qt::Key_Return);
                          }),
              LIT("\x87\x90\r\n\r\n\xED\x40\r\n\xEE\xEF"));
    EXPECT_EQ(openAndSave(sjis,
                          [&] {
                              typeAtLineStart(1, QString());
                              QTest::keyClick(window->RichEdit1, Qt::Key_Backspace);
                              QTest::keyClick(window->RichEdit1, Qt::Key_Return);
                          }),
              sjis);
    // A new character CP932 lacks: the document goes to UTF-8 as a whole.
    EXPECT_EQ(openAndSave(sjis, [&] { typeAtLineStart(0, QStringLiteral("한")); }),
              QStringLiteral("한≒\r\n纊\r\nⅰ").toUtf8());
    EXPECT_EQ(window->Encoding(), TextEncoding::Utf8);
}

TEST_F(PlainTextFixture, UndecodableBytesAndNewCharactersAskBeforeMixingEncodings) {
    const QByteArray bytes = LIT("\x82\xa0\xFF\r\nx");
    struct Answer {
        ui::MsgResult answer;
        QByteArray written;
    };
    for (const Answer& a :
         {Answer{ui::MsgResult::Yes, LIT("\xE3\x81\x82\xFF\r\n\xED\x95\x9Cx")},
          Answer{ui::MsgResult::No, LIT("\xE3\x81\x82\xEF\xBF\xBD\r\n\xED\x95\x9Cx")},
          Answer{ui::MsgResult::Cancel, LIT("<missing>")}}) {
        responder.clear();
        responder.answer(a.answer);
        const QByteArray out =
            openAndSave(bytes, [&] { typeAtLineStart(1, QStringLiteral("한")); });
        EXPECT_EQ(out.toHex(' '), a.written.toHex(' '));
        ASSERT_FALSE(responder.calls().isEmpty());
        EXPECT_EQ(
            responder.calls()[0].text,
            QStringLiteral("この文書には CP932 で書けない文字があるため、UTF-8 で保存します。"
                           "\r\n\r\nただし、CP932 として読めなかったバイトが含まれています。"
                           "\r\n\r\nはい ： そのバイトをそのまま書き込む（文字コードが混ざります）"
                           "\r\nいいえ ： そのバイトを「\uFFFD」に置き換える"
                           "\r\nｷｬﾝｾﾙ ： 保存しない"));
        EXPECT_EQ(responder.calls()[0].type, ui::MsgDlgType::Warning);
        EXPECT_EQ(window->Modified(), a.answer == ui::MsgResult::Cancel);
    }
}

// The answer holds for the document: after いいえ the text shows U+FFFD where the bytes
// were (and counts its 3 bytes); after はい the bytes stay. Neither asks again.
TEST_F(PlainTextFixture, AnAnswerAboutUndecodableBytesHoldsForLaterSaves) {
    struct Answer {
        ui::MsgResult answer;
        QByteArray first, second;
    };
    for (const Answer& a :
         {Answer{ui::MsgResult::Yes, LIT("\xE3\x81\x82\xFF\r\n\xED\x95\x9Cx"),
                 LIT("\xE3\x81\x82\xFF\r\nb\xED\x95\x9Cx")},
          Answer{ui::MsgResult::No, LIT("\xE3\x81\x82\xEF\xBF\xBD\r\n\xED\x95\x9Cx"),
                 LIT("\xE3\x81\x82\xEF\xBF\xBD\r\nb\xED\x95\x9Cx")}}) {
        SCOPED_TRACE(int(a.answer));
        auto questions = [&] {
            int n = 0;
            for (const auto& call : responder.calls())
                n += call.text.startsWith(QStringLiteral("この文書には"));
            return n;
        };
        responder.clear();
        responder.answer(a.answer);
        EXPECT_EQ(
            openAndSave(LIT("\x82\xA0\xFF\r\nx"), [&] { typeAtLineStart(1, QStringLiteral("한")); })
                .toHex(' '),
            a.first.toHex(' '));
        EXPECT_EQ(questions(), 1);
        EXPECT_EQ(window->Panel(1), GroupThousands(a.first.size()) + QStringLiteral(" Bytes"));
        EXPECT_EQ(window->RichEdit1->document()->firstBlock().text(),
                  a.answer == ui::MsgResult::Yes ? QStringLiteral("あ") + ByteEscape(0xFF)
                                                 : QStringLiteral("あ\uFFFD"));

        typeAtLineStart(1, QStringLiteral("b"));
        EXPECT_EQ(window->Panel(1), GroupThousands(a.second.size()) + QStringLiteral(" Bytes"));
        if (a.answer == ui::MsgResult::No) { // no undo brings the declined bytes back
            window->UndoClick();
            window->UndoClick();
            EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("あ\uFFFD\n한x"));
            typeAtLineStart(1, QStringLiteral("b"));
        }
        const QString out = dir.filePath(QStringLiteral("again.txt"));
        saveAnswer = FileDialogAnswer{out, 1};
        window->SaveClick();
        EXPECT_EQ(questions(), 1); // nothing asked the second time
        const QByteArray second = read(out);
        EXPECT_EQ(second.toHex(' '), a.second.toHex(' '));
        EXPECT_EQ(window->Panel(1), GroupThousands(second.size()) + QStringLiteral(" Bytes"));
    }
}

// ISO-2022-JP shows as Japanese; a changed line is written in the code, in its sets, back
// in ASCII at its end; a character JIS X 0208 lacks sends the text to UTF-8.
TEST_F(PlainTextFixture, Iso2022JpTextsShowAsJapaneseAndChangedLinesStayInTheCode) {
    const QByteArray mail = Fixture("iso2022jp-mail.txt");
    ASSERT_FALSE(mail.isEmpty());
    QByteArray out = openAndSave(mail, [&] {
        EXPECT_EQ(window->RichEdit1->toPlainText(),
                  QStringLiteral("吾輩は猫である。名前はまだ無い。\nSubject: test 1\n"
                                 "（旧称）〒100-0001 ※東京都\n"));
        typeAtLineStart(1, QStringLiteral("猫ｱ¥"));
    });
    QByteArray expected = mail;
    expected.insert(mail.indexOf("Subject"), "\x1B$BG-\x1B(I1\x1B(J\\\x1B(B");
    EXPECT_EQ(out, expected);
    EXPECT_EQ(window->Encoding(), TextEncoding::Iso2022Jp);
    EXPECT_EQ(window->Panel(1), GroupThousands(expected.size()) + QStringLiteral(" Bytes"));

    out = openAndSave(mail, [&] { typeAtLineStart(1, QStringLiteral("한")); });
    EXPECT_EQ(QString::fromUtf8(out),
              QStringLiteral("吾輩は猫である。名前はまだ無い。\r\n한Subject: test 1\r\n"
                             "（旧称）〒100-0001 ※東京都\r\n"));
    EXPECT_EQ(window->Encoding(), TextEncoding::Utf8);

    // Bytes of no character in JIS X 0208 stay, in the set they stood in.
    const QByteArray odd = LIT("\x1B$B\x7F\x7F"
                               "0!\x1B(B\nx");
    EXPECT_EQ(DetectEncoding(odd), TextEncoding::Iso2022Jp);
    EXPECT_EQ(openAndSave(odd, [&] { typeAtLineStart(1, QStringLiteral("y")); }),
              LIT("\x1B$B\x7F\x7F"
                  "0!\x1B(B\nyx"));
    EXPECT_EQ(DetectEncoding(LIT("plain \x1B(B ascii")), TextEncoding::Utf8);
}

// Lines still as read carry no data of their own; whatever removes them (joined, cut,
// deleted with others, undone) the count stays the bytes a save writes, and the lines
// left keep their bytes.
TEST_F(PlainTextFixture, TheCountFollowsEditsThatRemoveLinesStillAsRead) {
    QByteArray cp932, utf8;
    for (int i = 0; i < 60; ++i) {
        cp932 += platform::encodeCp932(QStringLiteral("行%1 あいう").arg(i)) +
                 (i % 7 == 3 ? QByteArray("\xFF\xFD") : QByteArray()) +
                 (i % 5 == 4 ? "\n" : "\r\n");
        utf8 += QStringLiteral("line %1 ü").arg(i).toUtf8() + (i % 9 == 2 ? "\xC0" : "") + "\n";
    }
    for (const QByteArray& bytes : {cp932, utf8}) {
        const QString in = dir.filePath(QStringLiteral("edits.txt"));
        write(in, bytes);
        window->ClearForLoading(QString());
        window->SetPlainTextMode(true);
        ASSERT_TRUE(window->LoadFromFile(in));
        QTextDocument* doc = window->RichEdit1->document();
        std::mt19937 random(7);
        auto at = [&](int n) { return int(random() % unsigned(n)); };
        for (int step = 0; step < 150; ++step) {
            SCOPED_TRACE(step);
            const int size = doc->characterCount() - 1;
            QTextCursor c(doc);
            c.setPosition(at(size + 1));
            switch (at(6)) {
            case 0: // a selection over several lines removed
                c.setPosition(qMin(size, c.position() + at(80)), QTextCursor::KeepAnchor);
                c.removeSelectedText();
                break;
            case 1: // lines joined
                c.movePosition(QTextCursor::StartOfBlock);
                c.deletePreviousChar();
                break;
            case 2:
                c.insertText(QStringLiteral("x\n"));
                break;
            case 3:
                doc->undo();
                break;
            case 4: // cut and pasted elsewhere
                c.setPosition(qMin(size, c.position() + at(60)), QTextCursor::KeepAnchor);
                window->RichEdit1->setTextCursor(c);
                window->CutClick();
                c.setPosition(at(doc->characterCount()));
                window->RichEdit1->setTextCursor(c);
                window->PasteClick();
                break;
            default:
                doc->redo();
                break;
            }
            TextEncoding used;
            const QByteArray saved = window->Bytes().Encode(true, &used);
            ASSERT_EQ(window->Bytes().Bytes(), saved.size());
            ASSERT_EQ(window->Bytes().HasEscapes(), HasByteEscapes(doc->toPlainText()));
        }
    }
}

TEST_F(PlainTextFixture, NewDocumentsAreUtf8WithLfAndRichTextCountsCrLf) {
    openAndSave(LIT("\x82\xa0\r\n\x82\xa2"));
    ASSERT_EQ(window->Encoding(), TextEncoding::Cp932);
    window->ClearForLoading(QString());
    EXPECT_EQ(window->Encoding(), TextEncoding::Utf8);
    type(QStringLiteral("あ"));
    QTest::keyClick(window->RichEdit1, Qt::Key_Return);
    type(QStringLiteral("い"));
    window->UpdateStatus();
    EXPECT_EQ(window->Panel(1), QStringLiteral("7 Bytes"));
    const QString out = dir.filePath(QStringLiteral("new.txt"));
    saveAnswer = FileDialogAnswer{out, 1};
    window->SaveClick();
    EXPECT_EQ(read(out), QByteArray("\xE3\x81\x82\n\xE3\x81\x84"));

    // RTF: counted as its text in CP932 with each break as CR LF (\line too).
    write(dir.filePath(QStringLiteral("d.rtf")),
          "{\\rtf1\\ansi\\ansicpg932 ab\\par c\\line d\\par}");
    window->ClearForLoading(QString());
    window->SetPlainTextMode(false);
    ASSERT_TRUE(window->LoadFromFile(dir.filePath(QStringLiteral("d.rtf"))));
    EXPECT_EQ(window->Panel(1), QStringLiteral("8 Bytes")); // ab CRLF c CRLF d
}

// The archive member view: a zero-terminated buffer, its text ends at the first NUL.
TEST_F(PlainTextFixture, MemberTextEndsAtTheFirstNul) {
    window->LoadFromBuffer(LIT("ab\r\ncd\0ef"));
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("ab\ncd"));
    EXPECT_EQ(window->Panel(1), QStringLiteral("6 Bytes"));
}

TEST_F(PlainTextFixture, EscapesCountAsBytesInFindAndNeverReachTheClipboard) {
    openAndSave(LIT("\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88 x\xFFy\r\nline two\r\n"));
    ASSERT_EQ(window->Encoding(), TextEncoding::Utf8);
    // The selection of the stray byte and "y" as find text finds its own bytes.
    QTextCursor c(window->RichEdit1->document());
    c.setPosition(6);
    c.setPosition(8, QTextCursor::KeepAnchor);
    window->RichEdit1->setTextCursor(c);
    window->FindClick();
    EXPECT_EQ(window->FindDialog1->FindText(), QString(QChar(0xDCFF)) + u'y');
    window->TopClick();
    window->FindNext1Click();
    EXPECT_EQ(selStart(), 6);
    EXPECT_EQ(selLength(), 2);

    // A selection over two lines finds itself: real line breaks in the find text.
    select(6, 5);
    window->FindClick();
    EXPECT_EQ(window->FindDialog1->FindText(), QString(QChar(0xDCFF)) + QStringLiteral("y\nli"));
    window->TopClick();
    window->FindNext1Click();
    EXPECT_EQ(selStart(), 6);
    EXPECT_EQ(selLength(), 5);
    // Panel 1 counts the stray byte as one byte.
    EXPECT_EQ(window->Panel(1), QStringLiteral("28 Bytes"));

    select(4, 3);
    std::unique_ptr<QMimeData> mime(window->RichEdit1->createMimeDataFromSelection());
    EXPECT_EQ(mime->text(), QStringLiteral(" x\uFFFD"));
}

// Lone surrogates (from RTF \uN) are measured as they are written (U+FFFD in UTF-8), so the
// hits after them are where they are.
TEST(EditorSearchBytes, LoneSurrogatesAndEscapesMeasureAsWritten) {
    const QString lone = QString(QChar(0xD800)) + QStringLiteral("ab ab");
    EXPECT_EQ(ByteLength(lone, TextEncoding::Utf8), 3 + 5);
    const auto hit =
        SearchEditText(lone, 2, 0, QStringLiteral("ab"), SearchOptions(), TextEncoding::Utf8);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->start, 4);
    const QString escaped = QString(QChar(0xDC82)) + QStringLiteral("ab");
    EXPECT_EQ(ByteLength(escaped, TextEncoding::Cp932), 3);
    EXPECT_EQ(ByteLength(escaped, TextEncoding::Utf8), 3);
}
