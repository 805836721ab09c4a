#include "platform/TextCodec.h"

#include <cerrno>
#include <iconv.h>

namespace platform {

int utf8SequenceAt(const unsigned char* s, qsizetype i, qsizetype size, char32_t* cp) {
    const unsigned char c = s[i];
    if (c < 0x80) {
        *cp = c;
        return 1;
    }
    int len;
    char32_t v;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        v = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        v = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > size)
        return 0;
    for (int k = 1; k < len; ++k) {
        if ((s[i + k] & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (s[i + k] & 0x3F);
    }
    if ((len == 3 && v < 0x800) || (len == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
        (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    *cp = v;
    return len;
}

bool isValidUtf8(const char* data, qsizetype size) {
    const auto* s = reinterpret_cast<const unsigned char*>(data);
    char32_t cp;
    for (qsizetype i = 0; i < size;) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        const int n = utf8SequenceAt(s, i, size, &cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

namespace {

// Runs iconv over the whole input; on an invalid sequence it emits `bad` and skips
// one input byte, so a damaged string still decodes as far as it can.
QByteArray convert(const char* to, const char* from, const QByteArray& in, const QByteArray& bad,
                   bool* ok) {
    if (ok)
        *ok = true;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (ok)
            *ok = false;
        return {};
    }
    QByteArray out;
    out.resize(in.size() * 4 + 16);
    char* inp = const_cast<char*>(in.constData());
    size_t inleft = size_t(in.size());
    char* outp = out.data();
    size_t outleft = size_t(out.size());
    while (inleft > 0) {
        size_t r = iconv(cd, &inp, &inleft, &outp, &outleft);
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            qsizetype used = outp - out.data();
            out.resize(out.size() * 2);
            outp = out.data() + used;
            outleft = size_t(out.size() - used);
            continue;
        }
        // EILSEQ or EINVAL: replace and go on.
        if (ok)
            *ok = false;
        if (outleft < size_t(bad.size()) + 8) {
            qsizetype used = outp - out.data();
            out.resize(out.size() * 2 + bad.size());
            outp = out.data() + used;
            outleft = size_t(out.size() - used);
        }
        memcpy(outp, bad.constData(), size_t(bad.size()));
        outp += bad.size();
        outleft -= size_t(bad.size());
        if (from[0] == 'U' && from[1] == 'T') {
            // Skip one whole UTF-8 character.
            unsigned char c = static_cast<unsigned char>(*inp);
            size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            n = std::min(n, inleft);
            inp += n;
            inleft -= n;
        } else {
            ++inp;
            --inleft;
        }
    }
    iconv(cd, nullptr, nullptr, &outp, &outleft);
    out.resize(outp - out.data());
    iconv_close(cd);
    return out;
}

} // namespace

QString decodeCp932(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return {};
    return QString::fromUtf8(convert("UTF-8", "CP932", bytes, QByteArray("\xEF\xBF\xBD"), nullptr));
}

QByteArray encodeCp932(const QString& text, bool* ok) {
    if (text.isEmpty()) {
        if (ok)
            *ok = true;
        return {};
    }
    return convert("CP932", "UTF-8", text.toUtf8(), QByteArray("?"), ok);
}

QString decodeText(const QByteArray& bytes) {
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return decodeCp932(bytes);
}

} // namespace platform
