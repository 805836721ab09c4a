#include "core/SettingsImage.h"

#include "platform/FsName.h"
#include "platform/TextCodec.h"

#include <cstring>
#include <string.h>

namespace {

// What QChar::isSpace takes for a space below 0x80.
bool isAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

qsizetype firstHighByte(const char* d, qsizetype n) {
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 w;
        std::memcpy(&w, d + i, 8);
        if (w & 0x8080808080808080ull)
            break;
    }
    for (; i < n; ++i) {
        if (static_cast<unsigned char>(d[i]) >= 0x80)
            return i;
    }
    return n;
}

// A folded name's hash (FNV-1a over its UTF-16 units); equal names are checked by text.
quint64 hashOf(const QString& s) {
    quint64 h = 1469598103934665603ull;
    for (const QChar c : s) {
        h ^= c.unicode();
        h *= 1099511628211ull;
    }
    return h;
}

// "[name]" with optional spaces around; returns the trimmed name or a null string.
QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (t.size() >= 2 && t.front() == QLatin1Char('[')) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close > 0)
            return t.mid(1, close - 1).trimmed();
    }
    return QString();
}

bool decodesWholly(const QByteArray& bytes, QString* text) {
    if (platform::isValidUtf8(bytes)) {
        *text = QString::fromUtf8(bytes);
        return true;
    }
    *text = platform::decodeCp932(bytes);
    return !text->contains(QChar::ReplacementCharacter);
}

} // namespace

SettingsImage::SettingsImage(QByteArray bytes) : bytes_(std::move(bytes)) {
    classify();
    scan();
}

qsizetype SettingsImage::nextLine(qsizetype line) const {
    const char* d = bytes_.constData();
    const void* nl = std::memchr(d + line, '\n', size_t(bytes_.size() - line));
    return nl ? static_cast<const char*>(nl) - d + 1 : bytes_.size();
}

// The end of the line's text: before its "\n" or "\r\n".
qsizetype SettingsImage::contentEnd(qsizetype line) const {
    qsizetype end = nextLine(line);
    if (end > line && bytes_.at(end - 1) == '\n') {
        --end;
        if (end > line && bytes_.at(end - 1) == '\r')
            --end;
    }
    return end;
}

// The start of the line that holds the byte before pos.
qsizetype SettingsImage::lineBefore(qsizetype pos) const {
    const char* d = bytes_.constData();
    const void* nl = pos > 1 ? ::memrchr(d, '\n', size_t(pos - 1)) : nullptr;
    return nl ? static_cast<const char*>(nl) - d + 1 : 0;
}

void SettingsImage::classify() {
    const char* d = bytes_.constData();
    const qsizetype n = bytes_.size();
    crlf_ = std::memchr(d, '\r', size_t(n)) && bytes_.contains("\r\n");
    const qsizetype high = firstHighByte(d, n);
    if (high == n || platform::isValidUtf8(d + high, n - high)) {
        mode_ = Mode::Utf8;
        return;
    }
    mode_ = Mode::Cp932;
    for (qsizetype line = lineBefore(high + 1); line < n; line = nextLine(line)) {
        const qsizetype end = contentEnd(line);
        if (firstHighByte(d + line, end - line) < end - line &&
            platform::decodeCp932(QByteArray(d + line, end - line))
                .contains(QChar::ReplacementCharacter)) {
            mode_ = Mode::Mixed;
            return;
        }
    }
}

QString SettingsImage::decode(qsizetype from, qsizetype to) const {
    const char* p = bytes_.constData() + from;
    const qsizetype n = to - from;
    if (firstHighByte(p, n) == n)
        return QString::fromLatin1(p, n);
    if (mode_ == Mode::Utf8)
        return QString::fromUtf8(p, n);
    const QByteArray line(p, n);
    if (mode_ == Mode::Cp932)
        return platform::decodeCp932(line);
    // A line that decodes in neither keeps its bytes in the file-name escape form.
    QString text;
    return decodesWholly(line, &text) ? text : platform::fromFsBytes(line);
}

bool SettingsImage::isBlank(qsizetype line) const {
    const qsizetype end = contentEnd(line);
    for (qsizetype i = line; i < end; ++i) {
        const char c = bytes_.at(i);
        if (static_cast<unsigned char>(c) >= 0x80)
            return decode(line, end).trimmed().isEmpty();
        if (!isAsciiSpace(c))
            return false;
    }
    return true;
}

bool SettingsImage::sectionAt(qsizetype line, QString* folded) const {
    const qsizetype end = contentEnd(line);
    qsizetype p = line;
    while (p < end && isAsciiSpace(bytes_.at(p)))
        ++p;
    // Only a line whose text starts with "[" (perhaps after other spaces) can be one.
    if (p == end || (bytes_.at(p) != '[' && static_cast<unsigned char>(bytes_.at(p)) < 0x80))
        return false;
    const QString name = sectionName(decode(line, end));
    if (name.isNull())
        return false;
    *folded = name.toCaseFolded();
    return true;
}

bool SettingsImage::keyAt(qsizetype line, QString* folded) const {
    const qsizetype end = contentEnd(line);
    const char* d = bytes_.constData();
    // "=" is never part of a two-byte character, in UTF-8 or in CP932.
    const void* eq = std::memchr(d + line, '=', size_t(end - line));
    if (!eq)
        return false;
    const QString text = decode(line, end);
    *folded = text.left(text.indexOf(QLatin1Char('='))).trimmed().toCaseFolded();
    return true;
}

void SettingsImage::scan() {
    sections_.clear();
    names_.clear();
    keys_.clear();
    const char* d = bytes_.constData();
    QString folded;
    for (qsizetype line = 0; line < bytes_.size(); line = nextLine(line)) {
        // Most lines are keys: ruled out by their first byte, without looking further.
        qsizetype p = line;
        while (p < bytes_.size() && d[p] != '\n' && isAsciiSpace(d[p]))
            ++p;
        if (p == bytes_.size() || (d[p] != '[' && static_cast<unsigned char>(d[p]) < 0x80) ||
            !sectionAt(line, &folded))
            continue;
        const int index = int(sections_.size());
        sections_.push_back(line);
        if (findSection(folded) < 0)
            names_.insert(hashOf(folded), index);
    }
}

int SettingsImage::findSection(const QString& folded) const {
    QString other;
    for (auto [it, end] = names_.equal_range(hashOf(folded)); it != end; ++it) {
        if (sectionAt(sections_[size_t(it.value())], &other) && other == folded)
            return it.value();
    }
    return -1;
}

const SettingsImage::KeyIndex& SettingsImage::keysOf(int section) const {
    const auto built = keys_.constFind(section);
    if (built != keys_.cend())
        return *built;
    KeyIndex index;
    const qsizetype start = sections_[size_t(section)];
    const qsizetype end =
        size_t(section) + 1 < sections_.size() ? sections_[size_t(section) + 1] : bytes_.size();
    QString key, other;
    for (qsizetype line = nextLine(start); line < end; line = nextLine(line)) {
        if (!keyAt(line, &key))
            continue;
        const quint64 h = hashOf(key);
        bool seen = false;
        for (auto [it, last] = index.equal_range(h); it != last && !seen; ++it)
            seen = keyAt(start + it.value(), &other) && other == key;
        if (!seen)
            index.insert(h, line - start);
    }
    return *keys_.insert(section, std::move(index));
}

qsizetype SettingsImage::findKey(int section, const QString& folded) const {
    const KeyIndex& index = keysOf(section);
    const qsizetype start = sections_[size_t(section)];
    QString other;
    for (auto [it, end] = index.equal_range(hashOf(folded)); it != end; ++it) {
        if (keyAt(start + it.value(), &other) && other == folded)
            return start + it.value();
    }
    return -1;
}

bool SettingsImage::stored(const QString& section, const QString& key, QString* text) const {
    const int s = findSection(section.trimmed().toCaseFolded());
    const qsizetype k = s < 0 ? -1 : findKey(s, key.trimmed().toCaseFolded());
    if (k < 0)
        return false;
    const QString line = decode(k, contentEnd(k));
    // Read whole, however long: a path cut short would name another file.
    *text = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    return true;
}

QByteArray SettingsImage::lineEnd() const {
    return crlf_ ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

SettingsImage::Splice SettingsImage::plan(const QString& section, const QString& key,
                                          const QString& stored) const {
    Splice sp;
    const QByteArray eol = lineEnd();
    const int s = findSection(section.trimmed().toCaseFolded());
    sp.section = s;
    const qsizetype k = s < 0 ? -1 : findKey(s, key.trimmed().toCaseFolded());
    if (k >= 0) {
        // The key as it stands, without the spaces around it; the line end stays.
        const qsizetype end = contentEnd(k);
        const QString line = decode(k, end);
        sp.at = sp.line = k;
        sp.removed = end - k;
        sp.inserted = platform::toFsBytes(line.left(line.indexOf(QLatin1Char('='))).trimmed()) +
                      '=' + stored.toUtf8();
        return sp;
    }
    const QByteArray entry = key.toUtf8() + '=' + stored.toUtf8();
    const qsizetype n = bytes_.size();
    const bool open = n > 0 && bytes_.back() != '\n'; // the last line has no line end yet
    if (s >= 0) {
        // After the section's last non-empty line.
        const qsizetype body = nextLine(sections_[size_t(s)]);
        qsizetype at = size_t(s) + 1 < sections_.size() ? sections_[size_t(s) + 1] : n;
        while (at > body && isBlank(lineBefore(at)))
            at = lineBefore(at);
        sp.at = at;
        if (at == n && open)
            sp.inserted = eol;
        sp.line = at + sp.inserted.size();
        sp.inserted += entry + eol;
        return sp;
    }
    sp.at = n;
    if (open)
        sp.inserted = eol;
    if (n > 0 && !isBlank(lineBefore(n)))
        sp.inserted += eol;
    sp.line = n + sp.inserted.size();
    sp.inserted += '[' + section.toUtf8() + ']' + eol + entry + eol;
    return sp;
}

void SettingsImage::apply(const Splice& sp) {
    // The tail moves once (replace would remove, then insert: twice).
    const qsizetype size = bytes_.size(), tail = size - sp.at - sp.removed;
    const qsizetype grown = size - sp.removed + sp.inserted.size();
    if (grown > size)
        bytes_.resize(grown);
    char* d = bytes_.data();
    std::memmove(d + sp.at + sp.inserted.size(), d + sp.at + sp.removed, size_t(tail));
    std::memcpy(d + sp.at, sp.inserted.constData(), size_t(sp.inserted.size()));
    if (grown < size)
        bytes_.truncate(grown);
    QString folded;
    const qsizetype entry = sp.section < 0 ? nextLine(sp.line) : sp.line;
    if (mode_ != Mode::Utf8 || (entry < bytes_.size() && sectionAt(entry, &folded))) {
        // A file not wholly UTF-8 may change how it decodes; a line that became a section
        // line changes the sections: both rare, both read anew.
        classify();
        scan();
        return;
    }
    if (sp.section < 0) {
        // A new section at the end: what was the last section's body may have grown.
        if (!sections_.empty())
            keys_.remove(int(sections_.size()) - 1);
        for (qsizetype line = sp.at; line < bytes_.size(); line = nextLine(line)) {
            if (!sectionAt(line, &folded))
                continue;
            const int index = int(sections_.size());
            sections_.push_back(line);
            if (findSection(folded) < 0)
                names_.insert(hashOf(folded), index);
        }
        return;
    }
    const qsizetype delta = sp.inserted.size() - sp.removed;
    for (size_t j = size_t(sp.section) + 1; j < sections_.size(); ++j)
        sections_[j] += delta;
    const auto built = keys_.find(sp.section);
    if (built == keys_.end())
        return;
    const qsizetype start = sections_[size_t(sp.section)];
    const qsizetype line = sp.line - start;
    const bool inserted = sp.removed == 0;
    for (auto it = built->begin(); it != built->end(); ++it) {
        if (it.value() > line || (inserted && it.value() == line))
            it.value() += delta;
    }
    // A new key line comes after the keys of its name already there.
    if (inserted && keyAt(sp.line, &folded) && findKey(sp.section, folded) < 0)
        built->insert(hashOf(folded), line);
}

bool SettingsImage::needsRecodeAfter(const Splice& splice) const {
    if (mode_ != Mode::Mixed)
        return mode_ == Mode::Cp932;
    SettingsImage after;
    after.bytes_ = bytes_;
    after.bytes_.replace(splice.at, splice.removed, splice.inserted);
    after.classify();
    return after.mode_ == Mode::Cp932;
}

QByteArray SettingsImage::recoded() const {
    QByteArray out;
    out.reserve(bytes_.size() + bytes_.size() / 2);
    const QByteArray eol = lineEnd();
    for (qsizetype line = 0; line < bytes_.size(); line = nextLine(line))
        out += platform::toFsBytes(decode(line, contentEnd(line))) + eol;
    return out;
}
