#include "editor/TextSearch.h"

#include "platform/TextCodec.h"

namespace editor {

namespace {

bool IsCp932Lead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace

ByteImage::ByteImage(const QString& text, TextEncoding preferred) {
    const qsizetype n = text.size();
    posToByte_.resize(size_t(n) + 1);
    lowSurrogate_.assign(size_t(n) + 1, false);
    if (preferred == TextEncoding::Cp932) {
        bool ok = false;
        QByteArray b = platform::encodeCp932(text, &ok);
        if (ok) {
            // Each UTF-16 unit of a text that fits CP932 is one sequence of one or two bytes.
            qsizetype at = 0;
            qsizetype pos = 0;
            for (; pos < n && at < b.size(); ++pos) {
                posToByte_[size_t(pos)] = at;
                at += IsCp932Lead((unsigned char)b[at]) && at + 1 < b.size() ? 2 : 1;
            }
            if (pos == n && at == b.size()) {
                posToByte_[size_t(n)] = at;
                bytes_ = std::move(b);
                cp932_ = true;
                return;
            }
        }
    }
    bytes_ = text.toUtf8();
    qsizetype at = 0;
    for (qsizetype pos = 0; pos < n; ++pos) {
        const char16_t c = text.at(pos).unicode();
        posToByte_[size_t(pos)] = at;
        if (QChar::isHighSurrogate(c) && pos + 1 < n &&
            QChar::isLowSurrogate(text.at(pos + 1).unicode())) {
            posToByte_[size_t(pos) + 1] = at + 1;
            lowSurrogate_[size_t(pos) + 1] = true;
            at += 4;
            ++pos;
        } else {
            at += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        }
    }
    posToByte_[size_t(n)] = at;
}

qsizetype ByteImage::posOf(qsizetype byte) const {
    auto it = std::lower_bound(posToByte_.begin(), posToByte_.end(), byte);
    if (it == posToByte_.end() || *it != byte)
        return -1;
    const size_t pos = size_t(it - posToByte_.begin());
    return lowSurrogate_[pos] ? -1 : qsizetype(pos);
}

QString ExtensionKey(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return QString();
    return path.mid(dot, 4).toUpper();
}

qsizetype ByteLength(const QString& text, TextEncoding preferred) {
    if (preferred == TextEncoding::Cp932) {
        bool ok = false;
        const QByteArray b = platform::encodeCp932(text, &ok);
        if (ok)
            return b.size();
    }
    qsizetype len = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        len += c < 0x80 ? 1 : c < 0x800 ? 2 : 3; // a surrogate pair: 2 + 2 = 4 bytes
        if (QChar::isSurrogate(c))
            len -= 1;
    }
    return len;
}

QString GroupThousands(qint64 n) {
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

std::optional<TextHit> SearchEditText(const QString& text, qsizetype selStart, qsizetype selLength,
                                      const QString& find, const SearchOptions& options,
                                      TextEncoding preferred) {
    if (find.isEmpty() || text.isEmpty())
        return std::nullopt;
    const ByteImage image(text, preferred);
    QByteArray key;
    if (image.cp932()) {
        bool ok = false;
        key = platform::encodeCp932(find, &ok);
        if (!ok)
            return std::nullopt; // a character the text cannot hold never matches
    } else {
        key = find.toUtf8();
    }
    selStart = qBound<qsizetype>(0, selStart, text.size());
    selLength = qBound<qsizetype>(0, selLength, text.size() - selStart);
    const qsizetype s = image.byteOf(selStart);
    const qsizetype n = image.byteOf(selStart + selLength) - s;
    const qsizetype hit = SearchBytes(image.bytes(), s, n, key, options,
                                      [&](qsizetype b) { return image.posOf(b) >= 0; });
    if (hit < 0)
        return std::nullopt;
    const qsizetype start = image.posOf(hit);
    return TextHit{start, image.posOf(hit + key.size()) - start};
}

} // namespace editor
