// The editor's byte-wise search and size measures, without a window.
#include "editor/TextSearch.h"

#include <QTextDocument>
#include <gtest/gtest.h>

using editor::SearchEditText;
using editor::SearchOptions;
using editor::TextEncoding;

namespace {

SearchOptions Opts(bool down, bool matchCase, bool wholeWord) {
    SearchOptions o;
    o.down = down;
    o.matchCase = matchCase;
    o.wholeWord = wholeWord;
    return o;
}

qsizetype HitAt(const QString& text, qsizetype from, const QString& find, SearchOptions o,
                TextEncoding enc = TextEncoding::Cp932, qsizetype selLength = 0) {
    const auto hit = SearchEditText(text, from, selLength, find, o, enc);
    return hit ? hit->start : -1;
}

} // namespace

TEST(EditorSearch, WholeWordTakesOnlyWholeWords) {
    const SearchOptions word = Opts(true, true, true);
    EXPECT_EQ(HitAt(QStringLiteral("xab ab"), 0, QStringLiteral("ab"), word), 4);
    // The word under the start is skipped before the first comparison.
    EXPECT_EQ(HitAt(QStringLiteral("ab cd"), 0, QStringLiteral("ab"), word), -1);
    // A match followed by more of a word is no word.
    EXPECT_EQ(HitAt(QStringLiteral("x abc ab"), 0, QStringLiteral("ab"), word), 6);
    // Every double-byte character delimits words.
    EXPECT_EQ(HitAt(QStringLiteral("xab 日ab"), 0, QStringLiteral("ab"), word), 5);
    EXPECT_EQ(HitAt(QStringLiteral("xab 日ab"), 0, QStringLiteral("ab"), word, TextEncoding::Utf8),
              5);
}

TEST(EditorSearch, DirectionCaseAndSelection) {
    const QString text = QStringLiteral("Ab ab AB");
    EXPECT_EQ(HitAt(text, 0, QStringLiteral("ab"), Opts(true, true, false)), 3);
    EXPECT_EQ(HitAt(text, 0, QStringLiteral("ab"), Opts(true, false, false)), 0);
    // Down starts after the selection, up ends before its start.
    EXPECT_EQ(
        HitAt(text, 0, QStringLiteral("ab"), Opts(true, false, false), TextEncoding::Cp932, 2), 3);
    EXPECT_EQ(HitAt(text, 8, QStringLiteral("ab"), Opts(false, false, false)), 6);
    EXPECT_EQ(HitAt(text, 6, QStringLiteral("ab"), Opts(false, true, false)), 3);
    EXPECT_EQ(HitAt(text, 2, QStringLiteral("ab"), Opts(false, true, false)), -1);
    // Nothing to find in or nothing to find.
    EXPECT_EQ(HitAt(QString(), 0, QStringLiteral("ab"), Opts(true, true, false)), -1);
    EXPECT_EQ(HitAt(text, 0, QString(), Opts(true, true, false)), -1);
    EXPECT_EQ(HitAt(text, 7, QStringLiteral("AB"), Opts(true, true, false)), -1);
}

TEST(EditorSearch, HitsLieOnCharacterBoundaries) {
    // "ア" is 0x83 0x41 in CP932: its second byte is "A", which must not match.
    EXPECT_EQ(HitAt(QStringLiteral("アA"), 0, QStringLiteral("A"), Opts(true, true, false)), 1);
    EXPECT_EQ(HitAt(QStringLiteral("アa"), 0, QStringLiteral("A"), Opts(true, false, false)), 1);
    EXPECT_EQ(HitAt(QStringLiteral("アア"), 2, QStringLiteral("A"), Opts(false, true, false)), -1);
    // A Japanese find text with its hit length in characters.
    const auto hit =
        SearchEditText(QStringLiteral("これは日本語です"), 0, 0, QStringLiteral("日本"),
                       Opts(true, true, false), TextEncoding::Cp932);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->start, 3);
    EXPECT_EQ(hit->length, 2);
    // Outside CP932 the text is measured in UTF-8; a pair of surrogates is one character.
    const QString emoji = QString::fromUtf8("a\xF0\x9F\x98\x80"
                                            "b\xF0\x9F\x98\x80");
    const auto e = SearchEditText(emoji, 0, 0, QString::fromUtf8("\xF0\x9F\x98\x80"),
                                  Opts(true, true, false), TextEncoding::Cp932);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->start, 1);
    EXPECT_EQ(e->length, 2);
    EXPECT_EQ(HitAt(emoji, 3, QString::fromUtf8("\xF0\x9F\x98\x80"), Opts(true, true, false)), 4);
}

TEST(EditorSearch, ByteMeasures) {
    EXPECT_EQ(editor::GroupThousands(0), QStringLiteral("0"));
    EXPECT_EQ(editor::GroupThousands(999), QStringLiteral("999"));
    EXPECT_EQ(editor::GroupThousands(1000), QStringLiteral("1,000"));
    EXPECT_EQ(editor::GroupThousands(1234567), QStringLiteral("1,234,567"));
    EXPECT_EQ(editor::ByteLength(QStringLiteral("日本a"), TextEncoding::Cp932), 5);
    EXPECT_EQ(editor::ByteLength(QStringLiteral("日本a"), TextEncoding::Utf8), 7);
    EXPECT_EQ(
        editor::ByteLength(QString::fromUtf8("\xF0\x9F\x98\x80\xC3\xA9"), TextEncoding::Cp932), 6);
    EXPECT_EQ(editor::ExtensionKey(QStringLiteral("/d.x/a.rtfx")), QStringLiteral(".RTF"));
    EXPECT_EQ(editor::ExtensionKey(QStringLiteral("/d.x/a")), QString());
    EXPECT_EQ(editor::ExtensionKey(QStringLiteral("/d/a.lzh")), QStringLiteral(".LZH"));
}

// The editor's document search reads a window of lines from the caret that doubles until
// it decides; it must find what the search over the whole text finds, wherever the window
// edges fall.
TEST(EditorSearch, DocumentSearchAgreesWithTheWholeTextSearch) {
    QString text;
    for (int i = 0; i < 900; ++i)
        text += QStringLiteral("line %1 日本 ab%2 xab\n")
                    .arg(i)
                    .arg(i % 7 == 0 ? QStringLiteral(" ab") : QString());
    text += QStringLiteral("last ab");
    QTextDocument doc;
    doc.setPlainText(text);
    ASSERT_EQ(doc.toPlainText(), text);
    for (const TextEncoding enc : {TextEncoding::Cp932, TextEncoding::Utf8}) {
        for (const QString& find :
             {QStringLiteral("ab"), QStringLiteral("日本 ab"), QStringLiteral("xab\nline"),
              QStringLiteral("last ab"), QStringLiteral("AB")}) {
            for (int o = 0; o < 8; ++o) {
                const SearchOptions opts = Opts(o & 1, o & 2, o & 4);
                for (qsizetype from :
                     {qsizetype(0), qsizetype(3), text.size() / 2, text.size() - 3, text.size()}) {
                    const auto whole = SearchEditText(text, from, 0, find, opts, enc);
                    const auto windowed = editor::SearchDocument(&doc, from, 0, find, opts, enc);
                    ASSERT_EQ(bool(whole), bool(windowed))
                        << find.toStdString() << " " << o << " " << from;
                    if (whole) {
                        EXPECT_EQ(whole->start, windowed->start) << find.toStdString() << " " << o;
                        EXPECT_EQ(whole->length, windowed->length);
                    }
                }
            }
        }
    }
}

// Over a text longer than a window the document search slides; every hit of a run of
// finds (each from the end of the last, as F3 goes) must be the one a single byte image
// of the whole text gives, including hits across a line break at a window's edge. A
// naive comparison at every byte checks the library-backed scan of the byte search.
TEST(EditorSearch, SlidingWindowsAndTheFastScanFindWhatTheWholeImageFinds) {
    QString text;
    quint32 seed = 12345;
    auto next = [&seed](quint32 n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    const QString pieces[] = {QStringLiteral("ab "), QStringLiteral("日本"), QStringLiteral("x"),
                              QStringLiteral("ｱ"),   QStringLiteral("Zy "),  QStringLiteral(" ")};
    // Long lines (a window holds a few) that end " QZ", each followed by a line "Q": a
    // find over the line breaks often ends exactly at a window's end, or past it.
    while (text.size() < 700000) {
        text += QStringLiteral(" Z ");
        for (qsizetype end = text.size() + 50000 + next(40000); text.size() < end;)
            text += pieces[next(6)];
        text += QStringLiteral(" QZ\nQ\n");
    }
    QTextDocument doc;
    doc.setPlainText(text);
    for (const TextEncoding enc : {TextEncoding::Cp932, TextEncoding::Utf8}) {
        const editor::ByteImage image(text, enc);
        const auto boundary = [&](qsizetype b) { return image.posOf(b) >= 0; };
        for (const QString& find :
             {QStringLiteral("QZ\nQ\n Z"), QStringLiteral("qz\nq\n"), QStringLiteral("QZ")}) {
            QByteArray key;
            ASSERT_TRUE(editor::EncodeLine(find, enc, &key));
            for (int o = 0; o < 8; ++o) {
                const SearchOptions opts = Opts(o & 1, o & 2, o & 4);
                qsizetype from = opts.down ? 0 : text.size();
                for (int run = 0; run < 12; ++run) {
                    const qsizetype s = image.byteOf(from);
                    const qsizetype want =
                        editor::SearchBytes(image.bytes(), s, 0, key, opts, boundary);
                    const auto got = editor::SearchDocument(&doc, from, 0, find, opts, enc);
                    ASSERT_EQ(want >= 0, bool(got)) << o << " from " << from;
                    if (!got)
                        break;
                    ASSERT_EQ(image.posOf(want), got->start) << o << " from " << from;
                    ASSERT_EQ(image.posOf(want + key.size()) - got->start, got->length);
                    if (!opts.wholeWord) { // the first match at a boundary, byte by byte
                        qsizetype naive = -1;
                        for (qsizetype p = opts.down ? s : s - key.size();
                             naive < 0 && p >= 0 && p + key.size() <= image.bytes().size();
                             p += opts.down ? 1 : -1) {
                            bool same = true;
                            for (qsizetype i = 0; same && i < key.size(); ++i) {
                                char a = image.bytes()[p + i], b = key[i];
                                if (!opts.matchCase && a >= 'a' && a <= 'z')
                                    a = char(a - 32);
                                if (!opts.matchCase && b >= 'a' && b <= 'z')
                                    b = char(b - 32);
                                same = a == b;
                            }
                            if (same && boundary(p) && boundary(p + key.size()))
                                naive = p;
                        }
                        EXPECT_EQ(naive, want) << o << " from " << from;
                    }
                    from = opts.down ? got->start + got->length : got->start;
                }
            }
        }
    }
}
