#include "platform/FsName.h"

#include "platform/TextCodec.h"

namespace platform {

namespace {
constexpr char16_t kEscapeBase = 0xDC00;

bool isEscape(QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; }

// Length of the valid UTF-8 sequence at s[i], or 0.
qsizetype utf8SequenceLength(const unsigned char* s, qsizetype i, qsizetype size) {
    unsigned char c = s[i];
    if (c < 0x80)
        return 1;
    int len;
    unsigned cp;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > size)
        return 0;
    for (int k = 1; k < len; ++k) {
        if ((s[i + k] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}
} // namespace

QString fromFsBytes(const char* data, qsizetype size) {
    if (isValidUtf8(data, size))
        return QString::fromUtf8(data, size);
    const auto* s = reinterpret_cast<const unsigned char*>(data);
    QString out;
    out.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        qsizetype n = utf8SequenceLength(s, i, size);
        if (n == 0) {
            out.append(QChar(char16_t(kEscapeBase + s[i])));
            ++i;
        } else {
            out.append(QString::fromUtf8(data + i, n));
            i += n;
        }
    }
    return out;
}

QByteArray toFsBytes(const QString& name) {
    if (!hasEscapedBytes(name))
        return name.toUtf8();
    QByteArray out;
    out.reserve(name.size() * 3);
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        QChar c = name.at(i);
        // A real surrogate pair never contains a low surrogate on its own.
        if (isEscape(c) && !(i > 0 && name.at(i - 1).isHighSurrogate())) {
            out.append(QStringView(name).mid(start, i - start).toUtf8());
            out.append(char(c.unicode() - kEscapeBase));
            start = i + 1;
        }
    }
    out.append(QStringView(name).mid(start).toUtf8());
    return out;
}

bool hasEscapedBytes(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isEscape(name.at(i)) && !(i > 0 && name.at(i - 1).isHighSurrogate()))
            return true;
    }
    return false;
}

QString displayName(const QString& name) {
    if (!hasEscapedBytes(name))
        return name;
    return decodeCp932(toFsBytes(name));
}

} // namespace platform
