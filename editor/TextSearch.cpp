#include "editor/TextSearch.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace editor {

ByteImage::ByteImage(QStringView text, TextEncoding encoding) {
    const qsizetype n = text.size();
    encoding_ = encoding == TextEncoding::Cp932 || encoding == TextEncoding::EucJp
                    ? encoding
                    : TextEncoding::Utf8;
    posToByte_.reserve(size_t(n) + 1);
    if (!EncodeLine(text, encoding_, &bytes_, &posToByte_)) {
        encoding_ = TextEncoding::Utf8;
        posToByte_.clear();
        EncodeLine(text, encoding_, &bytes_, &posToByte_);
    }
    posToByte_.push_back(bytes_.size());
    lowSurrogate_.assign(size_t(n) + 1, false);
    for (qsizetype pos = 1; pos < n; ++pos)
        lowSurrogate_[size_t(pos)] = text[pos].isLowSurrogate() && text[pos - 1].isHighSurrogate();
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

TextEncoding SearchEncodingFor(QStringView text, TextEncoding preferred) {
    if ((preferred == TextEncoding::Cp932 || preferred == TextEncoding::EucJp) &&
        EncodedLength(text, preferred) >= 0)
        return preferred;
    return TextEncoding::Utf8;
}

qsizetype ByteLength(const QString& text, TextEncoding preferred) {
    return EncodedLength(text, SearchEncodingFor(text, preferred));
}

QString GroupThousands(qint64 n) {
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

namespace {

std::optional<QByteArray> Key(const QString& find, TextEncoding encoding) {
    QByteArray key;
    if (!EncodeLine(find, encoding, &key))
        return std::nullopt; // a character the text cannot hold never matches
    return key;
}

} // namespace

std::optional<TextHit> SearchEditText(const QString& text, qsizetype selStart, qsizetype selLength,
                                      const QString& find, const SearchOptions& options,
                                      TextEncoding preferred) {
    if (find.isEmpty() || text.isEmpty())
        return std::nullopt;
    const ByteImage image(text, SearchEncodingFor(text, preferred));
    const std::optional<QByteArray> key = Key(find, image.encoding());
    if (!key)
        return std::nullopt;
    selStart = qBound<qsizetype>(0, selStart, text.size());
    selLength = qBound<qsizetype>(0, selLength, text.size() - selStart);
    const qsizetype s = image.byteOf(selStart);
    const qsizetype n = image.byteOf(selStart + selLength) - s;
    const qsizetype hit = SearchBytes(image.bytes(), s, n, *key, options,
                                      [&](qsizetype b) { return image.posOf(b) >= 0; });
    if (hit < 0)
        return std::nullopt;
    const qsizetype start = image.posOf(hit);
    return TextHit{start, image.posOf(hit + key->size()) - start};
}

std::optional<TextHit> SearchDocument(const QTextDocument* doc, qsizetype selStart,
                                      qsizetype selLength, const QString& find,
                                      const SearchOptions& options, TextEncoding encoding) {
    if (find.isEmpty() || doc->isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> key = Key(find, encoding);
    if (!key)
        return std::nullopt;
    const qsizetype end = doc->characterCount() - 1; // the text's length
    selStart = qBound<qsizetype>(0, selStart, end);
    selLength = qBound<qsizetype>(0, selLength, end - selStart);
    // Down, the window starts at the line of the selection's end and grows downward. Up,
    // it runs from the top to the line of the selection's start (and the break after it,
    // for the byte after a hit): the upward count of the byte-wise search depends on the
    // bytes above, so only the whole part above gives its result.
    const qsizetype from = options.down ? selStart + selLength : selStart;
    QTextBlock first = options.down ? doc->findBlock(int(from)) : doc->begin();
    QTextBlock last = doc->findBlock(int(from));
    qsizetype want = 4096;
    for (;;) {
        // The window's text in one pass over the document (QTextBlock::text per line
        // looks each line up again); its line breaks come as U+2029.
        const qsizetype base = first.position();
        const qsizetype stop = last.position() + last.length() - (last.next().isValid() ? 0 : 1);
        QTextCursor range(const_cast<QTextDocument*>(doc));
        range.setPosition(int(base));
        range.setPosition(int(stop), QTextCursor::KeepAnchor);
        const QString text = range.selectedText().replace(QChar::ParagraphSeparator, u'\n');
        const qsizetype chars = text.size();
        const ByteImage image(text, encoding);
        const qsizetype s = image.byteOf(from - base);
        const qsizetype hit = SearchBytes(image.bytes(), s, 0, *key, options,
                                          [&](qsizetype b) { return image.posOf(b) >= 0; });
        // A hit that needs nothing past the window is the hit of the whole text.
        const bool whole = !options.down || !last.next().isValid();
        if (hit >= 0 && (whole || hit + key->size() < image.bytes().size())) {
            const qsizetype start = image.posOf(hit);
            return TextHit{base + start, image.posOf(hit + key->size()) - start};
        }
        if (whole)
            return std::nullopt;
        // Double the window.
        want = std::max(want * 2, chars * 2);
        qsizetype grown = chars;
        while (grown < want && last.next().isValid()) {
            last = last.next();
            grown += last.length();
        }
    }
}

} // namespace editor
