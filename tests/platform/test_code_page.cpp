// The code-page module (base/CodePage.c) and its Qt side, with iconv as the oracle.
#include "base/CodePage.h"
#include "platform/CodePage.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <string>
#include <vector>

using namespace platform;

namespace {

// What iconv makes of in, converted whole: empty optional-like pair (false) when it fails.
bool iconvConvert(const char* to, const char* from, const std::string& in, std::string* out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string buf(in.size() * 4 + 16, '\0');
    char* ip = const_cast<char*>(in.data());
    char* op = buf.data();
    size_t il = in.size(), ol = buf.size();
    const bool ok = iconv(cd, &ip, &il, &op, &ol) != size_t(-1) &&
                    iconv(cd, nullptr, nullptr, &op, &ol) != size_t(-1);
    iconv_close(cd);
    buf.resize(buf.size() - ol);
    *out = buf;
    return ok;
}

std::string utf16Bytes(const uint16_t* u, size_t n) {
    return std::string(reinterpret_cast<const char*>(u), n * 2);
}

} // namespace

// Every code of the two table pages reads as iconv reads it, and every BMP character is
// written as iconv writes it (its choice among twins, its one-way choices only when asked
// for); none of them is a character the editor's document keeps for itself.
TEST(CodePage, TablePagesAgreeWithIconvOnEveryCode) {
    for (const auto& [page, name] :
         {std::pair{ZELMO_CP_932, "CP932"}, {ZELMO_CP_EUC_JP, "EUC-JP"}}) {
        SCOPED_TRACE(name);
        std::vector<std::string> codes;
        for (int a = 0; a < 256; ++a) {
            codes.push_back(std::string(1, char(a)));
            for (int b = 0x21; b < 256; ++b)
                if (a >= 0x80)
                    codes.push_back(std::string{char(a), char(b)});
        }
        for (int x = 0xA1; x < 0xFF; ++x)
            for (int y = 0xA1; y < 0xFF; ++y)
                codes.push_back(std::string{char(0x8F), char(x), char(y)});
        int mismatches = 0;
        for (const std::string& code : codes) {
            uint16_t u[8];
            const size_t n =
                zelmo_cp_decode(page, reinterpret_cast<const unsigned char*>(code.data()),
                                code.size(), u, 8, ZELMO_CP_FAIL);
            std::string expected;
            const bool ok = iconvConvert("UTF-16LE", name, code, &expected) && expected.size() == 2;
            const bool got = n == 1;
            if (got != ok || (ok && utf16Bytes(u, n) != expected))
                ++mismatches;
            if (got) {
                for (const uint16_t reserved : {0x2029, 0xFDD0, 0xFDD1, 0xFFFC})
                    EXPECT_NE(u[0], reserved);
            }
        }
        EXPECT_EQ(mismatches, 0);
        int strict = 0, bestFit = 0, oneWay = 0;
        for (uint32_t c = 1; c < 0x10000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const uint16_t u = uint16_t(c);
            std::string expected;
            const bool ok = iconvConvert(name, "UTF-16LE", utf16Bytes(&u, 1), &expected);
            char b[8];
            const size_t n = zelmo_cp_encode(page, &u, 1, b, 8, ZELMO_CP_FAIL | ZELMO_CP_BEST_FIT);
            if ((n != ZELMO_CP_FAILED) != ok || (ok && std::string(b, n) != expected))
                ++bestFit;
            const size_t m = zelmo_cp_encode(page, &u, 1, b, 8, ZELMO_CP_FAIL);
            if (m != ZELMO_CP_FAILED) {
                // Strictly, only what reads back as itself.
                uint16_t back[4];
                if (zelmo_cp_decode(page, reinterpret_cast<unsigned char*>(b), m, back, 4,
                                    ZELMO_CP_FAIL) != 1 ||
                    back[0] != u)
                    ++strict;
            } else if (ok) {
                ++oneWay;
            }
        }
        EXPECT_EQ(bestFit, 0);
        EXPECT_EQ(strict, 0);
        EXPECT_EQ(oneWay, page == ZELMO_CP_932 ? 9 : 2); // ¥ and ‾ in both; 〜 － — ‖ ¢ £ ¬
    }
}

// Bytes of no character by each rule, in a table page, in 1252 and in an iconv page; and
// characters of no bytes on the way back.
TEST(CodePage, EachRuleForWhatHasNoForm) {
    struct Case {
        const char* what;
        int page;
        std::string bytes;
        int rule;
        std::u16string text; // u"" with failed set when the conversion fails
        bool failed = false;
    };
    const Case cases[] = {
        {"932 stray byte escaped", 932, "a\x80\x82\xA0", ZELMO_CP_ESCAPE, u"a\xDC80あ"},
        {"932 bad trail replaced", 932, "\x81\x20x", ZELMO_CP_REPLACE, u"\xFFFD x"},
        {"932 cut lead at the end", 932, "\x82\xA0\x82", ZELMO_CP_ESCAPE, u"あ\xDC82"},
        {"932 cut lead refused", 932, "\x82\xA0\x82", ZELMO_CP_FAIL, u"", true},
        {"euc-jp triple", 51932, "\x8F\xB0\xA1", ZELMO_CP_FAIL, u"丂"},
        {"euc-jp cut triple", 51932, "\x8F\xB0", ZELMO_CP_ESCAPE, u"\xDC8F\xDCB0"},
        {"1252 high half", 1252, "\x80\x81\xE9", ZELMO_CP_REPLACE, u"€\xFFFDé"},
        {"1252 unassigned escaped", 1252, "\x81\x9D", ZELMO_CP_ESCAPE, u"\xDC81\xDC9D"},
        {"936 through iconv", 936, "\xC4\xE3\xBA\xC3", ZELMO_CP_FAIL, u"你好"},
        {"936 bad byte escaped", 936, "\xFF\xC4\xE3", ZELMO_CP_ESCAPE, u"\xDCFF你"},
        {"949 cut at the end replaced", 949, "A\xB0", ZELMO_CP_REPLACE, u"A\xFFFD"},
        {"unknown page", 4242, "abc", ZELMO_CP_REPLACE, u"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        uint16_t out[64];
        const size_t n =
            zelmo_cp_decode(c.page, reinterpret_cast<const unsigned char*>(c.bytes.data()),
                            c.bytes.size(), out, 64, c.rule);
        if (c.failed) {
            EXPECT_EQ(n, ZELMO_CP_FAILED);
            continue;
        }
        ASSERT_LE(n, size_t(64));
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out), n), c.text);
        if (c.rule == ZELMO_CP_ESCAPE) { // and back to the same bytes
            char back[256];
            const size_t m = zelmo_cp_encode(c.page, out, n, back, sizeof back, ZELMO_CP_ESCAPE);
            ASSERT_LE(m, sizeof back);
            EXPECT_EQ(std::string(back, m), c.bytes);
        }
    }
    const struct {
        int page;
        std::u16string text;
        int rule;
        std::string bytes;
        bool failed = false;
    } encodes[] = {
        {932, u"〜x", ZELMO_CP_REPLACE, "?x"},
        {932, u"〜x", ZELMO_CP_REPLACE | ZELMO_CP_BEST_FIT, "\x81\x60x"},
        {932, u"a😀b", ZELMO_CP_REPLACE, "a?b"},
        {932, u"a😀b", ZELMO_CP_ESCAPE, "", true},
        {932, u"\xDC81\xDCFF", ZELMO_CP_ESCAPE, "\x81\xFF"},
        {932, u"\xDC81", ZELMO_CP_REPLACE, "?"},
        {932, u"\xD800\xDC81", ZELMO_CP_ESCAPE, "", true}, // a pair, not an escape
        {1252, u"€é\xDC81", ZELMO_CP_ESCAPE, "\x80\xE9\x81"},
        {936, u"你\xDCFF好", ZELMO_CP_ESCAPE, "\xC4\xE3\xFF\xBA\xC3"},
        {936, u"你한", ZELMO_CP_FAIL, "", true},
        {1251, u"Жあ", ZELMO_CP_REPLACE, "\xC6?"},
    };
    for (const auto& e : encodes) {
        char out[64];
        const size_t m = zelmo_cp_encode(e.page, reinterpret_cast<const uint16_t*>(e.text.data()),
                                         e.text.size(), out, sizeof out, e.rule);
        if (e.failed)
            EXPECT_EQ(m, ZELMO_CP_FAILED) << e.page;
        else
            EXPECT_EQ(std::string(out, m <= sizeof out ? m : 0), e.bytes) << e.page;
    }
    // Too little room is said, never overrun.
    uint16_t small[2];
    EXPECT_EQ(zelmo_cp_decode(932, reinterpret_cast<const unsigned char*>("abc"), 3, small, 2,
                              ZELMO_CP_ESCAPE),
              ZELMO_CP_FULL);
    char tiny[1];
    EXPECT_EQ(
        zelmo_cp_encode(932, reinterpret_cast<const uint16_t*>(u"あ"), 1, tiny, 1, ZELMO_CP_FAIL),
        ZELMO_CP_FULL);
}

// The Qt side: names and settings (CP932 with U+FFFD), RTF's pages by number with their lead
// bytes, an unknown page read as 1252.
TEST(CodePage, QtSideReadsDocumentPagesByNumber) {
    EXPECT_EQ(decodeCp932(QByteArray("\x83\x81\x83\x82\xFF")), QString("メモ\uFFFD"));
    EXPECT_EQ(decodeCodePage(QByteArray("\xC4\xE3"), 936), QString("你"));
    EXPECT_EQ(decodeCodePage(QByteArray("\xC6\xE9"), 1251), QString("Жй"));
    EXPECT_EQ(decodeCodePage(QByteArray("\x80\xE9"), 4242), QString("€é"));
    EXPECT_FALSE(codePageKnown(4242));
    EXPECT_TRUE(codePageKnown(950));
    EXPECT_TRUE(isLeadByte(932, 0x81));
    EXPECT_FALSE(isLeadByte(932, 0xA1));
    EXPECT_TRUE(isLeadByte(936, 0x81));
    EXPECT_FALSE(isLeadByte(1252, 0x81));
    EXPECT_FALSE(isLeadByte(1251, 0xC6));
    EXPECT_TRUE(isLeadByte(ZELMO_CP_EUC_JP, 0x8E));
    bool ok = true;
    EXPECT_EQ(encodeCp932(QString("〜Ａ"), &ok), QByteArray("\x81\x60\x82\x60"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(encodeCp932(QString("a\u00E9"), &ok), QByteArray("a?"));
    EXPECT_FALSE(ok);
    // A long text past the first guess of room.
    const QByteArray big(100000, '\xC6');
    EXPECT_EQ(decodeBytes(big, 1251, ZELMO_CP_FAIL), QString(100000, QChar(0x0416)));
}
