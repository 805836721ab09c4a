#include "editor/DocumentFiles.h"

#include "RtfTestUtil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using editor::ReadRtf;
using editor::WriteRtf;

namespace {

QTextDocument* read(const QByteArray& rtf, QString* error = nullptr, bool* ok = nullptr) {
    static QTextDocument doc;
    QString e;
    const bool r = ReadRtf(rtf, &doc, &e);
    if (error)
        *error = e;
    if (ok)
        *ok = r;
    return &doc;
}

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(ZELMO_TEST_DATA "/rtf/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

void insert(QTextCursor& c, const QString& text, void (*set)(QTextCharFormat&)) {
    QTextCharFormat f;
    if (set)
        set(f);
    c.insertText(text, f);
}

// A document with every kind of run the editor shows, Japanese and RTF's specials.
void fillRich(QTextDocument* doc) {
    QTextCursor c(doc);
    insert(c, QStringLiteral("plain "), nullptr);
    insert(c, QStringLiteral("bold"), [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
    insert(c, QStringLiteral("斜体"), [](QTextCharFormat& f) { f.setFontItalic(true); });
    insert(c, QStringLiteral("under"), [](QTextCharFormat& f) { f.setFontUnderline(true); });
    insert(c, QStringLiteral("strike"), [](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    c.insertBlock();
    insert(c, QStringLiteral("big 20.5"), [](QTextCharFormat& f) { f.setFontPointSize(20.5); });
    insert(c, QStringLiteral("赤い"),
           [](QTextCharFormat& f) { f.setForeground(QColor(255, 0, 0)); });
    insert(c, QStringLiteral("all"), [](QTextCharFormat& f) {
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontUnderline(true);
        f.setFontStrikeOut(true);
        f.setFontPointSize(9);
        f.setForeground(QColor(0x12, 0x34, 0x56));
        f.setFontFamilies({QStringLiteral("ＭＳ 明朝")});
    });
    c.insertBlock();
    insert(c, QStringLiteral("{\\} tab\there\u2028next line 😀 é €"),
           [](QTextCharFormat& f) { f.setFontFamilies({QStringLiteral("DejaVu Sans")}); });
    c.insertBlock(); // an empty paragraph, then a last one
    c.insertBlock();
    insert(c, QStringLiteral("end"), nullptr);
}

} // namespace

TEST(RtfRoundTrip, WriteThenReadKeepsTextParagraphsAndRuns) {
    QTextDocument doc;
    fillRich(&doc);
    const QByteArray rtf = WriteRtf(&doc);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    for (const char c : rtf)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "RTF is 7-bit";
    QString error;
    bool ok = false;
    QTextDocument* back = read(rtf, &error, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(error, QString());
    EXPECT_EQ(back->toPlainText(), doc.toPlainText());
    EXPECT_EQ(runsOf(*back), runsOf(doc));
    // Written again, the same bytes: nothing drifts from one save to the next.
    EXPECT_EQ(WriteRtf(back), rtf);
}

TEST(RtfRoundTrip, EmptyDocumentAndFinalEmptyParagraphs) {
    for (const QString& text :
         {QString(), QStringLiteral("a\n"), QStringLiteral("\n\n"), QStringLiteral("a\n\nb")}) {
        QTextDocument doc;
        doc.setPlainText(text);
        EXPECT_EQ(read(WriteRtf(&doc))->toPlainText(), text);
    }
}

TEST(RtfReader, CodePageBytesAndUnicodeFallbacks) {
    // CP932 bytes by \ansicpg932, and by a font of charset 128 in a Western document.
    EXPECT_EQ(read("{\\rtf1\\ansi\\ansicpg932 \\'93\\'fa\\'96\\'7b\\'8c\\'ea}")->toPlainText(),
              QStringLiteral("日本語"));
    EXPECT_EQ(read("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil"
                   "\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}"
                   "\\f0 caf\\'e9 \\'80 {\\f1 \\'82\\'a0\\'82\\'a2}}")
                  ->toPlainText(),
              QStringLiteral("café € あい"));
    // The font's CP932 name is read too.
    EXPECT_EQ(findRun(runsOf(*read("{\\rtf1{\\fonttbl{\\f1\\fcharset128 \\'82\\'6c\\'82\\'72 "
                                   "\\'96\\'be\\'92\\'a9;}}\\f1 x}")),
                      "x")
                  .family,
              QStringLiteral("ＭＳ 明朝"));
    // \ucN: N fallback characters are skipped, a control word or \'hh counting as one;
    // negative \u values and surrogate pairs.
    EXPECT_EQ(read("{\\rtf1 \\u26085?\\uc2\\u26412\\'96\\'7bX\\uc0\\u35486 Y}")->toPlainText(),
              QStringLiteral("日本X語Y"));
    EXPECT_EQ(read("{\\rtf1 \\u-10179?\\u-8704?\\u-3?}")->toPlainText(), QStringLiteral("😀\uFFFD"));
    // A fallback does not run past the group's end.
    EXPECT_EQ(read("{\\rtf1 {\\uc5\\u26085}ab}")->toPlainText(), QStringLiteral("日ab"));
}

TEST(RtfReader, DestinationsAndGroupsThatHoldNothingToShow) {
    const QByteArray rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}{\\colortbl;\\red255\\green0\\blue0;}"
        "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}"
        "{\\header header text}{\\*\\unknowndest hidden}{\\*\\generator Gen;}"
        "{\\pict\\pngblip 89504e47}{\\*\\shppict{\\pict\\wmetafile8 0102}}{\\nonshppict{\\pict x}}"
        "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}"
        "A{\\b B{\\i C}D}E\\bin4 {}\\}F\\par\\pard\\plain G\\line H\\tab I\\~J}";
    QTextDocument* doc = read(rtf);
    EXPECT_EQ(doc->toRawText(), QStringLiteral("linkABCDEF\u2029G\u2028H\tI\u00A0J"));
    const QVector<TextRun> runs = runsOf(*doc, false);
    EXPECT_TRUE(findRun(runs, "B").bold);
    EXPECT_FALSE(findRun(runs, "B").italic);
    EXPECT_TRUE(findRun(runs, "C").bold && findRun(runs, "C").italic);
    EXPECT_FALSE(findRun(runs, "E").bold);
}

TEST(RtfReader, FormattingWordsAndTheirResets) {
    const QByteArray rtf = "{\\rtf1{\\colortbl;\\red0\\green128\\blue0;}"
                           "\\b\\i\\ul\\strike\\fs30\\cf1 A\\b0\\i0\\ulnone\\strike0 B"
                           "\\cf0\\ul C\\plain D\\b E\\pard F}";
    const QVector<TextRun> runs = runsOf(*read(rtf));
    ASSERT_EQ(runs.size(), 5);
    EXPECT_EQ(runs[0], (TextRun{"A", true, true, true, true, 15, "#008000", {}}));
    EXPECT_EQ(runs[1], (TextRun{"B", false, false, false, false, 15, "#008000", {}}));
    EXPECT_EQ(runs[2], (TextRun{"C", false, false, true, false, 15, {}, {}}));
    EXPECT_EQ(runs[3], (TextRun{"D", false, false, false, false, 0, {}, {}}));
    EXPECT_EQ(runs[4], (TextRun{"EF", true, false, false, false, 0, {}, {}})); // \pard keeps \b

    // The default font, and a font entry whose ";" is missing.
    const QVector<TextRun> fonts =
        runsOf(*read("{\\rtf1\\deff1{\\fonttbl{\\f0 Arial}{\\f1 Courier;}}x\\f0 y\\f7 z}"));
    EXPECT_EQ(findRun(fonts, "x").family, "Courier");
    EXPECT_EQ(findRun(fonts, "y").family, "Arial");
    EXPECT_EQ(findRun(fonts, "z").family, QString());
}

// Files LibreOffice Writer wrote (tests/data/rtf/make_rtf.sh).
TEST(RtfReader, WordProcessorFiles) {
    QTextDocument* doc = read(fixture("styles.rtf"));
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("Plain bold italic under strike end.\n"
                                                 "big red blue\n"
                                                 "日本語の太字と斜体です。\n"
                                                 "Braces {x} and back\\slash, café ü €."));
    QVector<TextRun> runs = runsOf(*doc);
    EXPECT_EQ(findRun(runs, "Plain"),
              (TextRun{"Plain ", false, false, false, false, 0, {}, "DejaVu Serif"}));
    EXPECT_TRUE(findRun(runs, "bold").bold);
    EXPECT_TRUE(findRun(runs, "italic").italic);
    EXPECT_TRUE(findRun(runs, "under").underline);
    EXPECT_TRUE(findRun(runs, "strike").strike);
    EXPECT_FALSE(findRun(runs, " end.").bold || findRun(runs, " end.").strike);
    EXPECT_EQ(findRun(runs, "big").points, 20);
    EXPECT_EQ(findRun(runs, "red").color, "#ff0000");
    EXPECT_EQ(findRun(runs, "blue").color, "#0000ff");
    EXPECT_TRUE(findRun(runs, "太字").bold);
    EXPECT_FALSE(findRun(runs, "日本語の").bold);
    EXPECT_TRUE(findRun(runs, "斜体").italic);

    doc = read(fixture("japanese.rtf"));
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("吾輩は猫である。名前はまだ無い。\n"
                                                 "どこで生れたかとんと見当がつかぬ。\n"
                                                 "半角ｶﾅとＡＢＣ全角、そして ASCII。"));
    EXPECT_EQ(findRun(runsOf(*doc), "吾輩").points, 10);

    // A Japanese font named in CP932 bytes, and the size given to double-byte text.
    runs = runsOf(*read(fixture("fonts.rtf")));
    EXPECT_EQ(read(fixture("fonts.rtf"))->toRawText(),
              QStringLiteral("明朝の十四ポイント\u2029tab\tand\u2028line all four green"));
    EXPECT_EQ(findRun(runs, "明朝の"),
              (TextRun{"明朝の十四ポイント\n", false, false, false, false, 14, {}, "ＭＳ 明朝"}));
    EXPECT_EQ(findRun(runs, "all four"),
              (TextRun{"all four green", true, true, true, true, 12, "#008000", "Courier New"}));

    QString error;
    doc = read(fixture("structure.rtf"), &error);
    EXPECT_EQ(error, QString());
    EXPECT_EQ(doc->toPlainText(),
              QStringLiteral("Heading\n\u2022\tfirst item\n\u2022\tsecond item\n"
                             "cell A\tcell B\t\nAfter the table."));
    EXPECT_TRUE(findRun(runsOf(*doc), "Heading").bold);
}

// Documents in every code page a word processor names (\ansicpg, \fcharset, \mac), made
// by iconv with \'hh bytes only, plus the symbol words and a nested table
// (tests/data/rtf/make_codepage_rtf.sh): each reads as the text beside it.
TEST(RtfReader, CodePagesSymbolWordsAndNestedTables) {
    const QDir data(QStringLiteral(ZELMO_TEST_DATA "/rtf"));
    const QStringList names = data.entryList({QStringLiteral("text-*.rtf")}, QDir::Files);
    ASSERT_GE(names.size(), 21);
    for (const QString& name : names) {
        QFile rtf(data.filePath(name)), txt(data.filePath(QString(name).replace(".rtf", ".txt")));
        ASSERT_TRUE(rtf.open(QIODevice::ReadOnly) && txt.open(QIODevice::ReadOnly))
            << name.toStdString();
        const QByteArray bytes = rtf.readAll();
        // Every character as code-page bytes, none as \uN.
        EXPECT_FALSE(QString::fromLatin1(bytes).contains(QRegularExpression(R"(\\u-?\d)")))
            << name.toStdString();
        QString error;
        // The raw text: toPlainText() would show a no-break space as a space.
        EXPECT_EQ(read(bytes, &error)->toRawText().replace(QChar::ParagraphSeparator, u'\n'),
                  QString::fromUtf8(txt.readAll()))
            << name.toStdString();
        EXPECT_EQ(error, QString()) << name.toStdString();
    }
}

TEST(RtfReader, NotRtfIsAnErrorAndDamagedRtfGivesWhatCouldBeRead) {
    QString error;
    bool ok = true;
    read("PK\x03\x04 binary word file", &error, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, QStringLiteral("RTF 形式の文書ではありません"));

    QTextDocument* doc = read("{\\rtf1 {\\b half", &error, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("half"));
    EXPECT_EQ(error, QStringLiteral("RTF 文書が途中で切れています"));

    // Cut inside \'h, \u-, a control word and \bin.
    for (const char* cut : {"{\\rtf1 a\\'8", "{\\rtf1 a\\u-", "{\\rtf1 a\\", "{\\rtf1 a\\bin999 xy",
                            "{\\rtf1 a\\fs9999999999999999999 b", "{\\rtf1 a}}}}} trailing"}) {
        doc = read(cut, &error, &ok);
        EXPECT_TRUE(ok) << cut;
        EXPECT_TRUE(doc->toPlainText().startsWith(u'a')) << cut;
    }
}

TEST(RtfReader, HostileInputsEndQuicklyWithPartialText) {
    QElapsedTimer timer;
    timer.start();
    QString error;
    bool ok = false;
    // 200 000 nested groups: the text around them is kept.
    QByteArray deep = "{\\rtf1 before";
    deep += QByteArray(200000, '{') + "inside" + QByteArray(200000, '}') + "after}";
    QTextDocument* doc = read(deep, &error, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("beforeafter"));
    EXPECT_EQ(error, QStringLiteral("RTF の入れ子が深すぎるため、一部を読み飛ばしました"));

    // Huge sizes and numbers are bounded.
    doc = read("{\\rtf1\\fs2000000000 big\\fs-5 small\\cf99999999 c\\f-2147483648 f"
               "\\uc2147483647\\u65 x}");
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("bigsmallcfA"));
    QVector<TextRun> runs = runsOf(*doc);
    EXPECT_EQ(findRun(runs, "big").points, 1638);
    EXPECT_EQ(findRun(runs, "small").points, 1);

    // Long control words, binary garbage, a megabyte of \'hh in CP932.
    QByteArray garbage = "{\\rtf1\\ansicpg932 \\" + QByteArray(100000, 'a') + " x";
    for (int i = 0; i < 300000; ++i)
        garbage += char((unsigned(i) * 7919u) % 256u);
    for (int i = 0; i < 100000; ++i)
        garbage += "\\'82\\'a0";
    doc = read(garbage, &error, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(doc->toPlainText().startsWith(u'x'));
    // Far below what a quadratic walk over these inputs would take.
    EXPECT_LT(timer.elapsed(), 20000);
}

TEST(RtfFiles, RichTextByTheFirstFourCharactersOfTheExtension) {
    for (const char* rich : {"/a/b.rtf", "B.RTF", "x.Doc", "memo.rtfx", "w.docx", "/d.txt/x.rtf"})
        EXPECT_TRUE(editor::IsRichTextName(QString::fromUtf8(rich))) << rich;
    for (const char* plain :
         {"/a/b.txt", "b.log", "noext", "/dir.rtf/file", "x.rt", "x.rtf.txt", "x.dc", ".rtfrc/x"})
        EXPECT_FALSE(editor::IsRichTextName(QString::fromUtf8(plain))) << plain;
}
