// Pasting into the editor: formatted text keeps its formats in an RTF document and
// arrives plain in a plain text; and the box as a screen reader reads it.
#include "RtfTestUtil.h"
#include "editor/EditorAccessible.h"
#include "tests/editor/EditorTestUtil.h"

#include <QAccessible>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QTextBlock>

using namespace editor;

namespace {

class PasteFixture : public EditorFixture {
protected:
    void load(const QString& name, const QByteArray& bytes, bool plain) {
        const QString path = dir.filePath(name);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        window->ClearForLoading(QString());
        window->SetPlainTextMode(plain);
        ASSERT_TRUE(window->LoadFromFile(path));
    }
    void pasteAtEnd(QMimeData* data) {
        QApplication::clipboard()->setMimeData(data);
        window->RichEdit1->moveCursor(QTextCursor::End);
        window->UpdateMenus();
        ASSERT_TRUE(window->PasteM->isEnabled());
        window->PasteClick();
    }
    QVector<TextRun> runs() const { return runsOf(*window->RichEdit1->document()); }
};

const QByteArray kRtf = "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0 Arial;}}"
                        "{\\colortbl;\\red255\\green0\\blue0;}\\f0\\fs20 plain "
                        "{\\b\\cf1\\fs48 BoldRed} end\\par}";

} // namespace

TEST_F(PasteFixture, FormattedTextPastedIntoAnRtfDocumentKeepsItsFormats) {
    load(QStringLiteral("d.rtf"), kRtf, false);
    const QString text = window->RichEdit1->toPlainText();
    select(int(text.indexOf(QStringLiteral("BoldRed"))), 7);
    window->CopyClick();
    ASSERT_TRUE(QApplication::clipboard()->mimeData()->hasHtml());
    window->RichEdit1->moveCursor(QTextCursor::End);
    window->PasteClick();
    TextRun boldRed;
    boldRed.text = QStringLiteral("BoldRed");
    boldRed.bold = true;
    boldRed.points = 24;
    boldRed.color = QStringLiteral("#ff0000");
    boldRed.family = QStringLiteral("Arial");
    EXPECT_EQ(runs().last(), boldRed);

    // Saved as RTF and read again, the pasted run is as it was.
    const QString out = dir.filePath(QStringLiteral("out.rtf"));
    saveAnswer = FileDialogAnswer{out, 2};
    window->SaveClick();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    load(QStringLiteral("again.rtf"), f.readAll(), false);
    EXPECT_EQ(runs().last(), boldRed);

    // Another program's HTML: bold stays bold; a table's cells become lines, an image
    // goes, a link is its text.
    auto* html = new QMimeData;
    html->setHtml(QStringLiteral("<p><b>fat</b> <i>thin</i> <s>gone</s> <u>under</u></p>"
                                 "<table><tr><td>a1</td><td>b1</td></tr></table>"
                                 "<p><img src=\"x.png\"><a href=\"http://x\">link</a></p>"));
    html->setText(QStringLiteral("fat thin"));
    pasteAtEnd(html);
    const QVector<TextRun> r = runs();
    EXPECT_TRUE(findRun(r, QStringLiteral("fat")).bold);
    EXPECT_FALSE(findRun(r, QStringLiteral("fat")).italic);
    EXPECT_TRUE(findRun(r, QStringLiteral("thin")).italic);
    EXPECT_TRUE(findRun(r, QStringLiteral("gone")).strike);
    EXPECT_TRUE(findRun(r, QStringLiteral("under")).underline);
    EXPECT_TRUE(window->RichEdit1->toPlainText().endsWith(
        QStringLiteral("BoldRedfat thin gone under\na1\nb1\n\nlink")))
        << window->RichEdit1->toPlainText().toStdString();
    EXPECT_FALSE(window->RichEdit1->toPlainText().contains(QChar::ObjectReplacementCharacter));
}

TEST_F(PasteFixture, APlainTextPastesPlainAndAnRtfSaveMakesItFormatted) {
    load(QStringLiteral("d.txt"), "plain\n", true);
    auto* html = new QMimeData;
    html->setHtml(QStringLiteral("<b>fat</b>"));
    html->setText(QStringLiteral("fat"));
    pasteAtEnd(html);
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("plain\nfat"));
    for (const TextRun& r : runs())
        EXPECT_FALSE(r.bold) << r;

    // Saved as RTF, the document is one: the next paste keeps the bold.
    saveAnswer = FileDialogAnswer{dir.filePath(QStringLiteral("d.rtf")), 2};
    window->SaveClick();
    html = new QMimeData;
    html->setHtml(QStringLiteral("<b>fat</b>"));
    pasteAtEnd(html);
    EXPECT_TRUE(runs().last().bold);
}

// A screen reader gets the whole text as the screen shows it: a NUL as the box, a byte of
// no character as U+FFFD, each in the place of one character.
TEST_F(PasteFixture, TheAccessibleTextIsTheWholeTextAsShown) {
    load(QStringLiteral("nul.txt"),
         QByteArray("ab\0cd\xFF"
                    "e\nsecond",
                    14),
         true);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(window->RichEdit1);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->textInterface(), nullptr);
    const QString shown = QStringLiteral("ab\u25A1cd\uFFFDe\nsecond");
    EXPECT_EQ(a->text(QAccessible::Value), shown);
    EXPECT_EQ(a->textInterface()->characterCount(), shown.size());
    EXPECT_EQ(a->textInterface()->text(0, a->textInterface()->characterCount()), shown);
    EXPECT_EQ(a->textInterface()->text(2, 6), QStringLiteral("\u25A1cd\uFFFD"));
    a->textInterface()->setSelection(0, 3, 5);
    EXPECT_EQ(window->RichEdit1->textCursor().selectedText(), QStringLiteral("cd"));
    int start = 0, end = 0;
    a->textInterface()->selection(0, &start, &end);
    EXPECT_EQ(start, 3);
    EXPECT_EQ(end, 5);
    EXPECT_EQ(AccessibleText(QStringView(u"\U0001F600\xDCFF")), QStringLiteral("\U0001F600\uFFFD"));
}
