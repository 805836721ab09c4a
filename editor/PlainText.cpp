// Plain text files byte for byte: detection, lines, and the codecs of each encoding.
#include "editor/PlainText.h"

#include "editor/Iso2022Jp.h"

#include "base/CodePage.h"
#include "platform/TextCodec.h"

#include <QStringDecoder>

namespace editor {

namespace {

bool IsReserved(char16_t c) {
    return c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC;
}

// CP932 and EUC-JP go character by character through the code-page tables (built once),
// so a keystroke on a long line costs a table look-up per character.
const ZelmoCpTable& Table(bool euc) {
    return *zelmo_cp_table(euc ? ZELMO_CP_EUC_JP : ZELMO_CP_932);
}

bool IsUtf16(TextEncoding e) {
    return e == TextEncoding::Utf16Le || e == TextEncoding::Utf16Be;
}

void AppendCodePoint(QString* out, char32_t cp) {
    if (cp < 0x10000) {
        out->append(QChar(char16_t(cp)));
    } else {
        out->append(QChar(QChar::highSurrogate(cp)));
        out->append(QChar(QChar::lowSurrogate(cp)));
    }
}

void AppendEscapes(QString* out, const char* p, qsizetype n) {
    for (qsizetype k = 0; k < n; ++k)
        out->append(ByteEscape((unsigned char)p[k]));
}

// Counts for detection: bytes that start no character, and what the rest read as.
struct Reading {
    qsizetype bad = 0;
    qsizetype multi = 0;    // characters of more than one byte
    qsizetype halfKana = 0; // CP932's single-byte katakana
};

Reading ReadUtf8(const QByteArray& bytes) {
    Reading r;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp;
        const int len = platform::utf8SequenceAt(s, i, n, &cp);
        if (len > 0) {
            ++r.multi;
            i += len;
            continue;
        }
        // A character cut by the end of the file is no stray byte.
        const int want = s[i] >= 0xF0 ? 4 : s[i] >= 0xE0 ? 3 : s[i] >= 0xC2 ? 2 : 0;
        if (want > 0 && i + want > n) {
            bool prefix = true;
            for (qsizetype k = i + 1; k < n; ++k)
                prefix = prefix && (s[k] & 0xC0) == 0x80;
            if (prefix)
                break;
        }
        ++r.bad;
        ++i;
    }
    return r;
}

Reading ReadTable(const QByteArray& bytes, bool euc) {
    Reading r;
    const ZelmoCpTable& t = Table(euc);
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const size_t n = size_t(bytes.size());
    for (size_t i = 0; i < n;) {
        uint16_t c;
        const int len = zelmo_cp_table_at(&t, s, i, n, &c);
        if (len == 0) {
            ++r.bad;
            ++i;
            continue;
        }
        if (len > 1)
            ++r.multi;
        else if (c >= 0xFF61 && c <= 0xFF9F)
            ++r.halfKana;
        i += len;
    }
    return r;
}

} // namespace

TextEncoding DetectEncoding(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TextEncoding::Utf8Bom;
    if (bytes.startsWith("\xFF\xFE"))
        return TextEncoding::Utf16Le;
    if (bytes.startsWith("\xFE\xFF"))
        return TextEncoding::Utf16Be;
    if (LooksIso2022Jp(bytes))
        return TextEncoding::Iso2022Jp;
    const Reading u = ReadUtf8(bytes);
    // Clean UTF-8, or UTF-8 with a few stray bytes among plenty of its own sequences
    // (another code page's text is hardly ever valid UTF-8 for long).
    if (u.bad == 0 || (u.bad <= 8 && u.multi >= 4 * u.bad))
        return TextEncoding::Utf8;
    const Reading sj = ReadTable(bytes, false);
    const Reading euc = ReadTable(bytes, true);
    if (euc.bad == 0 && (sj.bad > 0 || sj.halfKana > sj.multi))
        return TextEncoding::EucJp;
    return TextEncoding::Cp932;
}

PlainFile SplitPlainFile(QByteArray bytes) {
    const TextEncoding e = DetectEncoding(bytes);
    return SplitPlainFile(std::move(bytes), e);
}

PlainFile SplitPlainFile(QByteArray bytes, TextEncoding encoding) {
    PlainFile f;
    f.encoding = encoding;
    f.bytes = std::move(bytes);
    const QByteArray bom = BomBytes(encoding);
    if (!bom.isEmpty() && f.bytes.startsWith(bom))
        f.bomSize = bom.size();
    const char* s = f.bytes.constData();
    const qsizetype n = f.bytes.size();
    qsizetype start = f.bomSize;
    if (IsUtf16(encoding)) {
        const bool le = encoding == TextEncoding::Utf16Le;
        auto unit = [&](qsizetype i) {
            const auto a = (unsigned char)s[i], b = (unsigned char)s[i + 1];
            return char16_t(le ? a | b << 8 : a << 8 | b);
        };
        qsizetype i = start;
        for (; i + 1 < n; i += 2) {
            const char16_t u = unit(i);
            if (u != u'\n' && u != u'\r')
                continue;
            LineEnd end = u == u'\n' ? LineEnd::Lf : LineEnd::Cr;
            qsizetype len = 2;
            if (u == u'\r' && i + 3 < n && unit(i + 2) == u'\n') {
                end = LineEnd::CrLf;
                len = 4;
            }
            f.starts.push_back(start);
            f.ends.push_back(end);
            i += len - 2;
            start = i + 2;
        }
    } else {
        for (qsizetype i = start; i < n; ++i) {
            const char c = s[i];
            if (c != '\n' && c != '\r')
                continue;
            LineEnd end = c == '\n' ? LineEnd::Lf : LineEnd::Cr;
            if (c == '\r' && i + 1 < n && s[i + 1] == '\n')
                end = LineEnd::CrLf;
            f.starts.push_back(start);
            f.ends.push_back(end);
            if (end == LineEnd::CrLf)
                ++i;
            start = i + 1;
        }
    }
    f.starts.push_back(start);
    f.ends.push_back(LineEnd::None);
    f.starts.push_back(n);
    f.firstEnd = f.ends.front();
    return f;
}

QString DecodeLine(const char* data, qsizetype size, TextEncoding encoding) {
    QString out;
    out.reserve(size);
    const auto* s = reinterpret_cast<const unsigned char*>(data);
    if (IsUtf16(encoding)) {
        const bool le = encoding == TextEncoding::Utf16Le;
        auto unit = [&](qsizetype i) {
            return char16_t(le ? s[i] | s[i + 1] << 8 : s[i] << 8 | s[i + 1]);
        };
        qsizetype i = 0;
        for (; i + 1 < size; i += 2) {
            const char16_t u = unit(i);
            if (QChar::isHighSurrogate(u) && i + 3 < size && QChar::isLowSurrogate(unit(i + 2))) {
                out.append(QChar(u));
                out.append(QChar(unit(i + 2)));
                i += 2;
            } else if (QChar::isSurrogate(u) || IsReserved(u)) {
                AppendEscapes(&out, data + i, 2);
            } else {
                out.append(QChar(u));
            }
        }
        AppendEscapes(&out, data + i, size - i);
        return out;
    }
    if (encoding == TextEncoding::Iso2022Jp)
        return DecodeIso2022JpLine(data, size);
    if (encoding == TextEncoding::Cp932 || encoding == TextEncoding::EucJp) {
        // Neither code page has a character the document reserves, so their escapes are
        // the bytes of no character only.
        out.resize(size);
        const size_t n = zelmo_cp_decode(
            encoding == TextEncoding::EucJp ? ZELMO_CP_EUC_JP : ZELMO_CP_932, s, size_t(size),
            reinterpret_cast<uint16_t*>(out.data()), size_t(size), ZELMO_CP_ESCAPE);
        out.resize(qsizetype(n));
        return out;
    }
    for (qsizetype i = 0; i < size;) {
        if (s[i] < 0x80) {
            out.append(QChar(char16_t(s[i])));
            ++i;
            continue;
        }
        char32_t cp;
        const int len = platform::utf8SequenceAt(s, i, size, &cp);
        if (len == 0) {
            out.append(ByteEscape(s[i]));
            ++i;
        } else {
            if (cp <= 0xFFFF && IsReserved(char16_t(cp)))
                AppendEscapes(&out, data + i, len);
            else
                AppendCodePoint(&out, cp); // (fromUcs4 would drop a U+FEFF)
            i += len;
        }
    }
    return out;
}

QString DecodeText(const PlainFile& f, qsizetype* utf8, qsizetype* escapes) {
    const char* body = f.bytes.constData() + f.bomSize;
    const qsizetype size = f.bytes.size() - f.bomSize;
    qsizetype endUnits = 0; // the line ends' characters in the text
    for (const LineEnd e : f.ends)
        endUnits += LineEndLength(e, TextEncoding::Utf8);
    if (f.encoding == TextEncoding::Utf8 || f.encoding == TextEncoding::Utf8Bom) {
        // Valid UTF-8 without the characters the document keeps for itself reads in one
        // call, each line's bytes being its UTF-8.
        QStringDecoder utf8Decoder(QStringConverter::Utf8,
                                   QStringConverter::Flag::Stateless |
                                       QStringConverter::Flag::ConvertInitialBom);
        QString text = utf8Decoder(QByteArrayView(body, size));
        if (!utf8Decoder.hasError() && !text.contains(QChar(0x2029)) &&
            !text.contains(QChar(0xFDD0)) && !text.contains(QChar(0xFDD1)) &&
            !text.contains(QChar(0xFFFC))) {
            *utf8 = size - endUnits;
            *escapes = 0;
            return text;
        }
    }
    QString text;
    if (f.encoding == TextEncoding::Iso2022Jp) { // every line starts in ASCII
        text.reserve(size);
        for (int k = 0; k < f.LineCount(); ++k) {
            const LineSpan l = f.Line(k);
            text += DecodeLine(f.bytes.constData() + l.start, l.length, f.encoding);
            text += QLatin1String(LineEndBytes(l.end, TextEncoding::Utf8));
        }
    } else {
        // Line ends are single bytes (units) no character of these encodings holds, so
        // the whole reads as its lines do.
        text = DecodeLine(body, size, f.encoding);
    }
    qsizetype bytes = 0, escaped = 0;
    const char16_t* u = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = u[i];
        if (c < 0x80)
            bytes += 1;
        else if (c < 0x800)
            bytes += 2;
        else if (c >= 0xDC00 && c <= 0xDCFF && !(i > 0 && QChar::isHighSurrogate(u[i - 1]))) {
            bytes += 1; // an escape is its byte
            ++escaped;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(u[i + 1])) {
            bytes += 4;
            ++i;
        } else
            bytes += 3; // a lone surrogate that is no escape is written as U+FFFD
    }
    *utf8 = bytes - endUnits;
    *escapes = escaped;
    return text;
}

namespace {

// The bytes of one character (or pair) at text[i] in encoding; returns the units used,
// 0 when it does not fit. Writes at most 4 bytes to b, their number to *len.
int EncodeAt(QStringView text, qsizetype i, TextEncoding e, const ZelmoCpTable* t, char* b,
             int* len) {
    const char16_t c = text[i].unicode();
    if (c >= 0xDC00 && c <= 0xDCFF && IsByteEscape(text, i)) {
        b[0] = char(c - 0xDC00);
        *len = 1;
        return 1;
    }
    const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                      QChar::isLowSurrogate(text[i + 1].unicode());
    if (IsUtf16(e)) {
        const bool le = e == TextEncoding::Utf16Le;
        const int units = pair ? 2 : 1;
        for (int k = 0; k < units; ++k) {
            const char16_t u = text[i + k].unicode();
            b[2 * k] = char(le ? u & 0xFF : u >> 8);
            b[2 * k + 1] = char(le ? u >> 8 : u & 0xFF);
        }
        *len = 2 * units;
        return units;
    }
    if (t) {
        if (QChar::isSurrogate(c))
            return 0;
        *len = zelmo_cp_table_bytes(t, c, b);
        return *len > 0 ? 1 : 0;
    }
    char32_t cp = c;
    int units = 1;
    if (pair) {
        cp = QChar::surrogateToUcs4(c, text[i + 1].unicode());
        units = 2;
    } else if (QChar::isSurrogate(c)) {
        cp = 0xFFFD; // no UTF-8 form: written as the replacement character
    }
    if (cp < 0x80) {
        b[0] = char(cp);
        *len = 1;
    } else if (cp < 0x800) {
        b[0] = char(0xC0 | cp >> 6);
        b[1] = char(0x80 | (cp & 0x3F));
        *len = 2;
    } else if (cp < 0x10000) {
        b[0] = char(0xE0 | cp >> 12);
        b[1] = char(0x80 | (cp >> 6 & 0x3F));
        b[2] = char(0x80 | (cp & 0x3F));
        *len = 3;
    } else {
        b[0] = char(0xF0 | cp >> 18);
        b[1] = char(0x80 | (cp >> 12 & 0x3F));
        b[2] = char(0x80 | (cp >> 6 & 0x3F));
        b[3] = char(0x80 | (cp & 0x3F));
        *len = 4;
    }
    return units;
}

const ZelmoCpTable* TableFor(TextEncoding e) {
    if (e == TextEncoding::Cp932)
        return &Table(false);
    if (e == TextEncoding::EucJp)
        return &Table(true);
    return nullptr;
}

} // namespace

char16_t JisX0208Char(unsigned char a, unsigned char b) {
    if (a < 0x21 || a > 0x7E || b < 0x21 || b > 0x7E)
        return ZELMO_CP_NONE;
    return Table(true).pair[size_t((a | 0x80) << 8 | (b | 0x80))];
}

bool JisX0208Bytes(char16_t c, char* ab) {
    const uint32_t code = Table(true).encode[c];
    if (code >> 24 != 2 || (code >> 8 & 0xFF) < 0xA1)
        return false; // none, or EUC-JP's half-width kana
    ab[0] = char(code >> 8 & 0x7F);
    ab[1] = char(code & 0x7F);
    return true;
}

bool EncodeLine(QStringView text, TextEncoding encoding, QByteArray* out,
                std::vector<qsizetype>* offsets) {
    if (encoding == TextEncoding::Iso2022Jp)
        return EncodeIso2022JpLine(text, out, offsets);
    const ZelmoCpTable* t = TableFor(encoding);
    const bool utf8 = !t && !IsUtf16(encoding);
    const qsizetype old = out->size();
    // At most 3 bytes a unit (a pair's 4 bytes take two units): written in place, cut to
    // what was written at the end.
    out->resize(old + text.size() * 3);
    char* const start = out->data() + old;
    char* w = start;
    int len = 0;
    for (qsizetype i = 0; i < text.size();) {
        const char16_t c = text[i].unicode();
        if (offsets)
            offsets->push_back(old + (w - start));
        if (c < 0x80 && utf8) {
            *w++ = char(c);
            ++i;
            continue;
        }
        if (t && !QChar::isSurrogate(c)) { // the common case of a table, without the rest
            const int n = zelmo_cp_table_bytes(t, c, w);
            if (n == 0) {
                out->truncate(old);
                return false;
            }
            w += n;
            ++i;
            continue;
        }
        const int used = EncodeAt(text, i, encoding, t, w, &len);
        if (used == 0) {
            out->truncate(old);
            return false;
        }
        if (offsets && used == 2)
            offsets->push_back(old + (w - start) + 1);
        w += len;
        i += used;
    }
    out->truncate(old + (w - start));
    return true;
}

qsizetype EncodedLength(QStringView text, TextEncoding encoding) {
    if (encoding == TextEncoding::Iso2022Jp) { // the escape sequences count too
        QByteArray bytes;
        return EncodeIso2022JpLine(text, &bytes, nullptr) ? bytes.size() : -1;
    }
    const ZelmoCpTable* t = TableFor(encoding);
    qsizetype total = 0;
    char b[8];
    int len = 0;
    for (qsizetype i = 0; i < text.size();) {
        const char16_t c = text[i].unicode();
        if (c < 0x80 && !IsUtf16(encoding)) {
            ++total; // ASCII is one byte in every byte encoding here
            ++i;
            continue;
        }
        const int used = EncodeAt(text, i, encoding, t, b, &len);
        if (used == 0)
            return -1;
        total += len;
        i += used;
    }
    return total;
}

QByteArray LineEndBytes(LineEnd end, TextEncoding encoding) {
    const char* ascii = end == LineEnd::Lf     ? "\n"
                        : end == LineEnd::CrLf ? "\r\n"
                        : end == LineEnd::Cr   ? "\r"
                                               : "";
    QByteArray out;
    for (const char* p = ascii; *p; ++p) {
        if (encoding == TextEncoding::Utf16Le)
            out.append(*p).append('\0');
        else if (encoding == TextEncoding::Utf16Be)
            out.append('\0').append(*p);
        else
            out.append(*p);
    }
    return out;
}

QByteArray BomBytes(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF");
    case TextEncoding::Utf16Le:
        return QByteArray("\xFF\xFE");
    case TextEncoding::Utf16Be:
        return QByteArray("\xFE\xFF");
    default:
        return {};
    }
}

QString EncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Cp932:
        return QStringLiteral("CP932");
    case TextEncoding::EucJp:
        return QStringLiteral("EUC-JP");
    case TextEncoding::Iso2022Jp:
        return QStringLiteral("ISO-2022-JP");
    case TextEncoding::Utf16Le:
        return QStringLiteral("UTF-16LE");
    case TextEncoding::Utf16Be:
        return QStringLiteral("UTF-16BE");
    default:
        return QStringLiteral("UTF-8");
    }
}

bool HasByteEscapes(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (IsByteEscape(text, i))
            return true;
    return false;
}

QString WithoutEscapes(QStringView text, TextEncoding encoding) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (!IsByteEscape(text, i)) {
            const char16_t c = text[i].unicode();
            const bool paired =
                (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                 text[i + 1].isLowSurrogate()) ||
                (QChar::isLowSurrogate(c) && i > 0 && text[i - 1].isHighSurrogate());
            out.append(QChar::isSurrogate(c) && !paired ? QChar(QChar::ReplacementCharacter)
                                                        : text[i]);
            ++i;
            continue;
        }
        QByteArray run;
        while (i < text.size() && IsByteEscape(text, i))
            run.append(char(text[i++].unicode() - 0xDC00));
        // In a UTF-8 text the escaped bytes may be a reserved character, which other
        // programs take as it is; bytes of no character become U+FFFD each.
        const bool utf8 = encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf8Bom;
        if (utf8 && platform::isValidUtf8(run))
            out.append(QString::fromUtf8(run));
        else
            out.append(QString(run.size(), QChar::ReplacementCharacter));
    }
    return out;
}

} // namespace editor
