#include "editor/DocumentFiles.h"

#include "platform/TextCodec.h"

#include <QTextDocument>
#include <gtest/gtest.h>

using namespace editor;

namespace {

// What the editor does with a file it opens and saves unchanged: decode, into the edit
// box's document, out again with the file's line ends and encoding.
QByteArray openAndSave(const QByteArray& bytes, TextEncoding* used) {
    const PlainText p = DecodePlainText(bytes);
    QTextDocument doc;
    doc.setPlainText(EditorText(p.text));
    return EncodePlainText(FileText(doc.toPlainText(), p.lineEnd), p.encoding, used);
}

} // namespace

TEST(PlainText, ShiftJisWithCrLfAndNoFinalBreakSavesBackByteIdentical) {
    const QString text = QStringLiteral("吾輩は猫である。\r\n半角ｶﾅ、～＼①\r\n\r\n最後の行");
    bool ok = false;
    const QByteArray sjis = platform::encodeCp932(text, &ok);
    ASSERT_TRUE(ok);
    const PlainText p = DecodePlainText(sjis);
    EXPECT_EQ(p.encoding, TextEncoding::Cp932);
    EXPECT_EQ(p.text, text);
    EXPECT_EQ(p.lineEnd, LineEnd::CrLf);
    EXPECT_FALSE(p.finalBreak);
    EXPECT_FALSE(p.cutAtNul);
    TextEncoding used = TextEncoding::Utf8;
    EXPECT_EQ(EncodePlainText(p.text, p.encoding, &used), sjis);
    EXPECT_EQ(used, TextEncoding::Cp932);
    EXPECT_EQ(openAndSave(sjis, &used), sjis);
    EXPECT_EQ(used, TextEncoding::Cp932);

    // With a final break, LF only, and CR only, each comes back as it was.
    for (const QByteArray& bytes :
         {sjis + "\r\n", QByteArray("\x82\xa0\n\x82\xa2\n"), QByteArray("a\rb\r"),
          QByteArray("\xEF\xBB\xBFutf-8 \xE3\x81\x82\r\n")}) {
        EXPECT_EQ(openAndSave(bytes, &used), bytes) << bytes.toHex().toStdString();
    }
}

TEST(PlainText, EncodingsAreDetectedAndTheBomKept) {
    EXPECT_EQ(DecodePlainText("\xE3\x81\x82").encoding, TextEncoding::Utf8);
    EXPECT_EQ(DecodePlainText("\xE3\x81\x82").text, QStringLiteral("あ"));
    const PlainText bom = DecodePlainText("\xEF\xBB\xBF\xE3\x81\x82");
    EXPECT_EQ(bom.encoding, TextEncoding::Utf8Bom);
    EXPECT_EQ(bom.text, QStringLiteral("あ"));
    TextEncoding used;
    EXPECT_EQ(EncodePlainText(bom.text, bom.encoding, &used), "\xEF\xBB\xBF\xE3\x81\x82");
    EXPECT_EQ(used, TextEncoding::Utf8Bom);
    // Broken UTF-8 is CP932.
    EXPECT_EQ(DecodePlainText("\x82\xa0\xE3\x81").encoding, TextEncoding::Cp932);
}

TEST(PlainText, CharactersOutsideCp932AreNeverSavedLossily) {
    // Read as CP932, then edited with characters CP932 has no place for: UTF-8.
    const PlainText p = DecodePlainText("\x82\xa0\r\n");
    ASSERT_EQ(p.encoding, TextEncoding::Cp932);
    TextEncoding used = TextEncoding::Cp932;
    const QString edited = p.text + QStringLiteral("😀 한국어 €");
    const QByteArray out = EncodePlainText(edited, p.encoding, &used);
    EXPECT_EQ(used, TextEncoding::Utf8);
    EXPECT_EQ(QString::fromUtf8(out), edited);
    // A UTF-8 file with such characters stays UTF-8, whatever is asked.
    const QByteArray utf8 = QStringLiteral("Ω 😀 한\n").toUtf8();
    EXPECT_EQ(openAndSave(utf8, &used), utf8);
    EXPECT_EQ(used, TextEncoding::Utf8);
}

TEST(PlainText, NulEndsTheText) {
    const PlainText p = DecodePlainText(QByteArray("ab\r\ncd\0ef\xff", 9));
    EXPECT_EQ(p.text, QStringLiteral("ab\r\ncd"));
    EXPECT_TRUE(p.cutAtNul);
    EXPECT_EQ(p.encoding, TextEncoding::Utf8); // the bytes after the NUL do not count
    EXPECT_EQ(DecodePlainText(QByteArray("\0x", 2)).text, QString());
}

TEST(PlainText, LineEndsBetweenFileAndEditBox) {
    EXPECT_EQ(EditorText(QStringLiteral("a\r\nb\rc\nd\r\n")), QStringLiteral("a\nb\nc\nd\n"));
    EXPECT_EQ(FileText(QStringLiteral("a\nb\u2029c\u2028d"), LineEnd::CrLf),
              QStringLiteral("a\r\nb\r\nc\r\nd"));
    EXPECT_EQ(FileText(QStringLiteral("a\n"), LineEnd::Cr), QStringLiteral("a\r"));
}
