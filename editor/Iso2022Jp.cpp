#include "editor/Iso2022Jp.h"

#include "editor/PlainText.h"

#include <cstring>

namespace editor {

namespace {

enum class JisSet { Ascii, Roman, Kana, Kanji };

constexpr char kEsc = 0x1B;

// The set an escape sequence at s[i] selects, and its length (0: none).
int SequenceAt(const char* s, qsizetype i, qsizetype n, JisSet* set) {
    if (i + 2 >= n || s[i] != kEsc)
        return 0;
    const char a = s[i + 1], b = s[i + 2];
    if (a == '$' && (b == '@' || b == 'B'))
        *set = JisSet::Kanji;
    else if (a == '(' && b == 'B')
        *set = JisSet::Ascii;
    else if (a == '(' && b == 'J')
        *set = JisSet::Roman;
    else if (a == '(' && b == 'I')
        *set = JisSet::Kana;
    else
        return 0;
    return 3;
}

const char* SequenceOf(JisSet set) {
    switch (set) {
    case JisSet::Roman:
        return "\x1B(J";
    case JisSet::Kana:
        return "\x1B(I";
    case JisSet::Kanji:
        return "\x1B$B";
    default:
        return "\x1B(B";
    }
}

bool IsReservedChar(char16_t c) {
    return c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC;
}

} // namespace

bool LooksIso2022Jp(const QByteArray& bytes) {
    const char* s = bytes.constData();
    const qsizetype n = bytes.size();
    if (!memchr(s, kEsc, size_t(n)))
        return false;
    bool shifted = false;
    for (qsizetype i = 0; i < n; ++i) {
        if ((unsigned char)s[i] >= 0x80)
            return false;
        JisSet set;
        if (!shifted && SequenceAt(s, i, n, &set))
            shifted = set != JisSet::Ascii;
    }
    return shifted;
}

QString DecodeIso2022JpLine(const char* data, qsizetype size) {
    QString out;
    out.reserve(size);
    const auto* s = reinterpret_cast<const unsigned char*>(data);
    JisSet set = JisSet::Ascii;
    for (qsizetype i = 0; i < size;) {
        if (const int len = SequenceAt(data, i, size, &set)) {
            i += len;
            continue;
        }
        const unsigned char b = s[i];
        if (b >= 0x80 || b == kEsc) {
            out.append(ByteEscape(b));
            ++i;
        } else if (set == JisSet::Kanji && b >= 0x21 && b <= 0x7E) {
            const char16_t c = i + 1 < size ? JisX0208Char(b, s[i + 1]) : 0xFFFF;
            if (c == 0xFFFF || IsReservedChar(c)) {
                out.append(ByteEscape(b));
                ++i;
            } else {
                out.append(QChar(c));
                i += 2;
            }
        } else if (set == JisSet::Kana && b >= 0x21 && b <= 0x5F) {
            out.append(QChar(char16_t(0xFF61 + b - 0x21)));
            ++i;
        } else if (set == JisSet::Roman && (b == 0x5C || b == 0x7E)) {
            out.append(QChar(char16_t(b == 0x5C ? 0x00A5 : 0x203E)));
            ++i;
        } else if (set == JisSet::Kana || set == JisSet::Kanji) {
            out.append(ByteEscape(b)); // a byte no character of the set starts
            ++i;
        } else {
            out.append(QChar(char16_t(b)));
            ++i;
        }
    }
    return out;
}

bool EncodeIso2022JpLine(QStringView text, QByteArray* out, std::vector<qsizetype>* offsets) {
    const qsizetype old = out->size();
    const size_t oldOffsets = offsets ? offsets->size() : 0;
    JisSet set = JisSet::Ascii;
    bool escapes = false;
    auto shift = [&](JisSet to) {
        if (set != to)
            out->append(SequenceOf(to));
        set = to;
    };
    auto fail = [&] {
        out->truncate(old);
        if (offsets)
            offsets->resize(oldOffsets);
        return false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (offsets)
            offsets->push_back(out->size());
        if (IsByteEscape(text, i)) {
            out->append(char(c - 0xDC00)); // in the set it stood in, as read
            escapes = true;
        } else if (c < 0x80) {
            escapes = escapes || c == kEsc; // it may make a sequence with what follows
            shift(JisSet::Ascii);
            out->append(char(c));
        } else if (c == 0x00A5 || c == 0x203E) {
            shift(JisSet::Roman);
            out->append(c == 0x00A5 ? '\x5C' : '\x7E');
        } else if (c >= 0xFF61 && c <= 0xFF9F) {
            shift(JisSet::Kana);
            out->append(char(c - 0xFF61 + 0x21));
        } else {
            char ab[2];
            if (!JisX0208Bytes(c, ab))
                return fail();
            shift(JisSet::Kanji);
            out->append(ab, 2);
        }
    }
    shift(JisSet::Ascii);
    // An escaped byte written where the set differs from where it was read may read as
    // another character: such a line has no form in the code.
    if (escapes && DecodeIso2022JpLine(out->constData() + old, out->size() - old) != text)
        return fail();
    return true;
}

} // namespace editor
