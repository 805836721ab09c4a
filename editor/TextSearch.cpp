#include "editor/TextSearch.h"

#include "platform/FsName.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstring>

namespace editor {

namespace {
constexpr qsizetype kCheckpointUnits = 64;
}

ByteImage::ByteImage(QStringView text, TextEncoding encoding) : text_(text) {
    if (!Build(encoding == TextEncoding::Cp932 || encoding == TextEncoding::EucJp
                   ? encoding
                   : TextEncoding::Utf8))
        Build(TextEncoding::Utf8);
}

bool ByteImage::Build(TextEncoding encoding) {
    encoding_ = encoding;
    bytes_.clear();
    checkpoints_.clear();
    const qsizetype n = text_.size();
    // The most it can take, so it is never moved (pages never written cost nothing).
    bytes_.reserve(n * 3 + 16);
    checkpoints_.reserve(size_t(n / kCheckpointUnits) + 2);
    for (qsizetype pos = 0; pos < n;) {
        qsizetype len = std::min(kCheckpointUnits, n - pos);
        // A pair is never cut: each piece encodes as it does within the whole text.
        if (pos + len < n && text_[pos + len - 1].isHighSurrogate() &&
            text_[pos + len].isLowSurrogate())
            ++len;
        checkpoints_.push_back({pos, bytes_.size()});
        if (!EncodeLine(text_.mid(pos, len), encoding_, &bytes_))
            return false;
        pos += len;
    }
    checkpoints_.push_back({n, bytes_.size()});
    return true;
}

std::vector<qsizetype> ByteImage::OffsetsFrom(size_t c) const {
    std::vector<qsizetype> offsets;
    const Checkpoint& from = checkpoints_[c];
    const qsizetype to = c + 1 < checkpoints_.size() ? checkpoints_[c + 1].pos : from.pos;
    QByteArray scratch;
    EncodeLine(text_.mid(from.pos, to - from.pos), encoding_, &scratch, &offsets);
    for (qsizetype& o : offsets)
        o += from.byte;
    return offsets;
}

qsizetype ByteImage::byteOf(qsizetype pos) const {
    auto it = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), pos,
                               [](qsizetype p, const Checkpoint& c) { return p < c.pos; });
    const size_t c = size_t(it - checkpoints_.begin()) - 1;
    if (checkpoints_[c].pos == pos)
        return checkpoints_[c].byte;
    return OffsetsFrom(c)[size_t(pos - checkpoints_[c].pos)];
}

qsizetype ByteImage::posOf(qsizetype byte) const {
    auto it = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), byte,
                               [](qsizetype b, const Checkpoint& c) { return b < c.byte; });
    if (it == checkpoints_.begin())
        return -1;
    // The last checkpoint at or before the byte: the end, or a piece that holds it.
    const size_t c = size_t(it - checkpoints_.begin()) - 1;
    if (checkpoints_[c].byte == byte)
        return checkpoints_[c].pos;
    if (c + 1 >= checkpoints_.size())
        return -1;
    const std::vector<qsizetype> offsets = OffsetsFrom(c);
    auto at = std::lower_bound(offsets.begin(), offsets.end(), byte);
    if (at == offsets.end() || *at != byte)
        return -1;
    const qsizetype pos = checkpoints_[c].pos + (at - offsets.begin());
    const bool lowHalf = pos > 0 && text_[pos].isLowSurrogate() && text_[pos - 1].isHighSurrogate();
    return lowHalf ? -1 : pos;
}

qsizetype SearchBytes(const QByteArray& buffer, qsizetype s, qsizetype n, const QByteArray& find,
                      const SearchOptions& o, const std::function<bool(qsizetype)>& isBoundary) {
    const qsizetype L = buffer.size(), F = find.size();
    if (F == 0 || L == 0)
        return -1;
    qsizetype p, count;
    const int dir = o.down ? 1 : -1;
    if (o.down) {
        p = s + n;
        count = L - p - F;
        if (count < 0)
            return -1;
    } else {
        p = s - F;
        count = p;
    }
    if (p < 0 || p > L)
        return -1;

    // Without match case, ASCII letters compare upper-cased (what the ANSI upper-casing
    // knows of the bytes of either encoding).
    unsigned char map[256];
    for (int i = 0; i < 256; ++i)
        map[i] =
            (!o.matchCase && i >= 'a' && i <= 'z') ? (unsigned char)(i - 32) : (unsigned char)i;
    QByteArray key = find;
    for (char& c : key)
        c = char(map[(unsigned char)c]);
    const auto* buf = reinterpret_cast<const unsigned char*>(buffer.constData());
    const auto* k = reinterpret_cast<const unsigned char*>(key.constData());

    // The next word start: down skips the word, then the delimiters; up skips the
    // delimiters, then the word, and steps back onto the word's first byte.
    auto nextWordStart = [&]() {
        while (count > 0 && (o.down == IsWordByte(buf[p]))) {
            p += dir;
            --count;
        }
        while (count > 0 && (o.down != IsWordByte(buf[p]))) {
            p += dir;
            --count;
        }
        if (!o.down && count > 0 && !IsWordByte(buf[p]))
            ++p;
        return count >= 0;
    };

    if (!o.wholeWord) {
        // Without whole words every position is a candidate: let the C library find the
        // next one that matches (over a folded copy when case does not matter).
        QByteArray folded;
        if (!o.matchCase) {
            folded = buffer;
            for (char& c : folded)
                c = char(map[(unsigned char)c]);
            buf = reinterpret_cast<const unsigned char*>(folded.constData());
        }
        while (count >= 0) {
            const unsigned char* at;
            if (o.down) {
                at = static_cast<const unsigned char*>(
                    memmem(buf + p, size_t(count + F), k, size_t(F)));
            } else {
                at = nullptr;
                for (qsizetype q = p + 1; q > 0;) {
                    const auto* first =
                        static_cast<const unsigned char*>(memrchr(buf, k[0], size_t(q)));
                    if (!first || first < buf + p - count)
                        break;
                    if (std::memcmp(first, k, size_t(F)) == 0) {
                        at = first;
                        break;
                    }
                    q = first - buf;
                }
            }
            if (!at)
                return -1;
            const qsizetype q = at - buf;
            if (isBoundary(q) && isBoundary(q + F))
                return q;
            count -= (q - p) * dir + 1;
            p = q + dir;
        }
        return -1;
    }

    while (count >= 0) {
        if (o.wholeWord && !nextWordStart())
            return -1;
        qsizetype i = 0;
        while (i < F && map[buf[p + i]] == k[i])
            ++i;
        if (i == F && isBoundary(p) && isBoundary(p + F)) {
            if (!o.wholeWord || count == 0 || !IsWordByte(buf[p + F]))
                return p;
        }
        p += dir;
        --count;
    }
    return -1;
}

QString ExtensionKey(const QString& path) {
    return platform::upperExtension(path).left(4);
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

namespace {

// A window of a document's text, its line breaks as '\n'. Short ones are gathered from
// their lines; past the first long window the document's whole text is copied once (Qt's
// one fast way out) and later windows are views of it.
class DocumentText {
public:
    explicit DocumentText(const QTextDocument* doc) : doc_(doc) {}
    QStringView Window(qsizetype base, qsizetype stop) {
        if (whole_.isNull() && stop - base > kLongWindow) {
            whole_ = doc_->toRawText();
            whole_.replace(QChar::ParagraphSeparator, u'\n');
        }
        if (!whole_.isNull())
            return QStringView(whole_).mid(base, stop - base);
        QTextCursor range(const_cast<QTextDocument*>(doc_));
        range.setPosition(int(base));
        range.setPosition(int(stop), QTextCursor::KeepAnchor);
        part_ = range.selectedText().replace(QChar::ParagraphSeparator, u'\n');
        return part_;
    }

    static constexpr qsizetype kLongWindow = 1 << 16;

private:
    const QTextDocument* doc_;
    QString whole_, part_;
};

// A window's lines hold about this many characters at most (a longer line is whole): the
// byte image of a long text is made a window at a time in the same memory.
constexpr qsizetype kWindowChars = 1 << 18;

} // namespace

std::optional<TextHit> SearchDocument(const QTextDocument* doc, qsizetype selStart,
                                      qsizetype selLength, const QString& find,
                                      const SearchOptions& options, TextEncoding encoding) {
    if (find.isEmpty() || doc->isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> key = Key(find, encoding);
    if (!key)
        return std::nullopt;
    const qsizetype F = key->size();
    const qsizetype end = doc->characterCount() - 1; // the text's length
    selStart = qBound<qsizetype>(0, selStart, end);
    selLength = qBound<qsizetype>(0, selLength, end - selStart);
    // Up, one window runs from the top to the line of the selection's start (and the
    // break after it, for the byte after a hit): the upward count of the byte-wise search
    // depends on the bytes above, so only the whole part above gives its result.
    // Down, a window of whole lines starts at the line of the selection's end and grows
    // (a hit near the caret costs what the lines up to it cost), then slides: the next
    // window starts at the line of the first byte the last one could not settle.
    const qsizetype from = options.down ? selStart + selLength : selStart;
    QTextBlock first = options.down ? doc->findBlock(int(from)) : doc->begin();
    QTextBlock last = doc->findBlock(int(from));
    qsizetype startChar = from; // where this window's search starts, in the document
    qsizetype startByte = -1;   // or there, as a byte of this window (resumed windows)
    qsizetype want = 4096;
    DocumentText source(doc);
    for (;;) {
        const qsizetype base = first.position();
        const qsizetype stop = last.position() + last.length() - (last.next().isValid() ? 0 : 1);
        const QStringView text = source.Window(base, stop);
        const ByteImage image(text, encoding);
        const qsizetype size = image.bytes().size();
        const qsizetype s = startByte >= 0 ? startByte : image.byteOf(startChar - base);
        const qsizetype hit = SearchBytes(image.bytes(), s, 0, *key, options,
                                          [&](qsizetype b) { return image.posOf(b) >= 0; });
        // A hit that needs nothing past the window is the hit of the whole text.
        const bool whole = !options.down || !last.next().isValid();
        if (hit >= 0 && (whole || hit + F < size)) {
            const qsizetype start = image.posOf(hit);
            return TextHit{base + start, image.posOf(hit + F) - start};
        }
        if (whole)
            return std::nullopt;
        // Every start before r is settled. Whole words resume a byte earlier, where the
        // word-by-word walk would stand when it reaches r.
        const qsizetype r = std::max(s, hit >= 0 ? hit : size - F);
        const qsizetype resume = options.wholeWord && r > s ? r - 1 : r;
        QTextBlock line = last;
        qsizetype lineByte = image.byteOf(line.position() - base);
        while (lineByte > resume) {
            line = line.previous();
            lineByte = image.byteOf(line.position() - base);
        }
        first = line;
        startByte = resume - lineByte;
        want = std::min(want * 2, kWindowChars);
        qsizetype grown = last.position() + last.length() - first.position();
        do {
            last = last.next();
            grown += last.length();
        } while (grown < want && last.next().isValid());
    }
}

} // namespace editor
