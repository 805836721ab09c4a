#include "platform/FsName.h"

#include "platform/TextCodec.h"

namespace platform {

namespace {
constexpr char16_t kEscapeBase = 0xDC00;

bool isEscape(QChar c) {
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
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
        char32_t cp;
        const qsizetype n = utf8SequenceAt(s, i, size, &cp);
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

QString upperExtension(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return QString();
    return path.mid(dot).toUpper();
}

} // namespace platform
