#include "platform/WildcardMask.h"

#include "platform/FsName.h"
#include "platform/TextCodec.h"

#include <QChar>
#include <cstring>

namespace platform {

namespace {

// Wildcards after translation: "*" before a dot stops at the last dot of the name, "?"
// may match nothing before a dot or at the end, and a dot before a wildcard or at the end
// may match the end of the name.
constexpr char32_t kStar = U'*';
constexpr char32_t kQm = 0x110001;
constexpr char32_t kDosStar = 0x110002;
constexpr char32_t kDosDot = 0x110003;

char32_t fold(char32_t c) {
    if (c < 0x80)
        return (c >= U'a' && c <= U'z') ? c - 32 : c;
    return char32_t(QChar::toCaseFolded(c));
}

unsigned char upperAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

// Decodes a name to the folded code points of the text the user sees: valid UTF-8 as it
// is, any other name decoded as CP932 as a whole (one invalid byte makes the whole name
// Shift-JIS, as the list shows it).
void decodeFolded(const char* data, qsizetype size, std::vector<char32_t>& out) {
    out.clear();
    const auto* s = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    while (i < size) {
        unsigned char c = s[i];
        if (c < 0x80) {
            out.push_back(upperAscii(c));
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int len = platform::utf8SequenceAt(s, i, size, &cp);
        if (len == 0)
            break;
        out.push_back(fold(cp));
        i += len;
    }
    if (i == size)
        return;
    out.clear();
    const QString shown = platform::decodeCp932(QByteArray::fromRawData(data, size));
    for (QChar c : shown) // CP932 has no characters beyond the first plane
        out.push_back(fold(c.unicode()));
}

} // namespace

WildcardMask::WildcardMask(const QString& mask) : mask_(mask) {
    const QByteArray bytes = platform::toFsBytes(mask);
    std::vector<char32_t> raw;
    decodeFolded(bytes.constData(), bytes.size(), raw);
    if (raw == std::vector<char32_t>{U'*', U'.', U'*'} || raw == std::vector<char32_t>{U'*'}) {
        kind_ = Kind::All;
        return;
    }
    pattern_.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        const char32_t c = raw[i];
        const bool atEnd = i + 1 == raw.size();
        const char32_t next = atEnd ? 0 : raw[i + 1];
        if (c == U'*')
            pattern_.push_back(next == U'.' ? kDosStar : kStar);
        else if (c == U'?')
            pattern_.push_back(kQm);
        else if (c == U'.' && (atEnd || next == U'?' || next == U'*'))
            pattern_.push_back(kDosDot);
        else
            pattern_.push_back(c);
    }
    // "*.ext" with a plain ASCII extension: a suffix test is all it takes.
    if (pattern_.size() >= 2 && pattern_[0] == kDosStar && pattern_[1] == U'.') {
        std::string suffix;
        for (size_t i = 1; i < pattern_.size(); ++i) {
            if (pattern_[i] >= 0x80 || pattern_[i] == kStar || (i > 1 && pattern_[i] == U'.')) {
                suffix.clear();
                break;
            }
            suffix.push_back(char(pattern_[i]));
        }
        if (!suffix.empty()) {
            suffix_ = suffix;
            kind_ = Kind::Suffix;
            return;
        }
    }
    kind_ = Kind::General;
}

bool WildcardMask::matches(const char* name, qsizetype length) const {
    switch (kind_) {
    case Kind::All:
        return true;
    case Kind::Suffix: {
        // Raw bytes are enough also for a Shift-JIS name: the suffix is ASCII starting
        // with a dot, and neither a dot nor a byte after it can be the second byte of a
        // double-byte character, so the shown text ends in it exactly when the bytes do.
        const qsizetype n = qsizetype(suffix_.size());
        if (length < n)
            return false;
        const char* tail = name + length - n;
        for (qsizetype i = 0; i < n; ++i) {
            if (upperAscii(static_cast<unsigned char>(tail[i])) !=
                static_cast<unsigned char>(suffix_[size_t(i)]))
                return false;
        }
        return true;
    }
    case Kind::General:
        break;
    }
    thread_local std::vector<char32_t> decoded;
    decodeFolded(name, length, decoded);
    return matchGeneral(decoded);
}

bool WildcardMask::matches(const QString& name) const {
    if (kind_ == Kind::All)
        return true;
    const QByteArray bytes = platform::toFsBytes(name);
    return matches(bytes.constData(), bytes.size());
}

// A simulation of the pattern as a set of states, one per pattern position, so that no
// name and pattern make it take more than length x pattern steps.
bool WildcardMask::matchGeneral(const std::vector<char32_t>& name) const {
    const size_t P = pattern_.size();
    size_t lastDot = name.size();
    for (size_t i = name.size(); i-- > 0;) {
        if (name[i] == U'.') {
            lastDot = i;
            break;
        }
    }
    std::vector<char> cur(P + 1, 0), nxt(P + 1, 0);

    // Adds state p and what it reaches without consuming, seeing the next character
    // (0 and atEnd at the end of the name).
    auto close = [&](std::vector<char>& set, size_t p, char32_t ahead, bool atEnd) {
        while (p <= P && !set[p]) {
            set[p] = 1;
            if (p == P)
                return;
            const char32_t c = pattern_[p];
            if (c == kStar || c == kDosStar) {
                ++p;
            } else if (c == kQm && (atEnd || ahead == U'.')) {
                while (p < P && pattern_[p] == kQm)
                    ++p;
            } else if (c == kDosDot && atEnd) {
                ++p;
            } else {
                return;
            }
        }
    };

    close(cur, 0, name.empty() ? 0 : name[0], name.empty());
    for (size_t i = 0; i < name.size(); ++i) {
        const char32_t ch = name[i];
        const bool nextEnd = i + 1 == name.size();
        const char32_t ahead = nextEnd ? 0 : name[i + 1];
        std::fill(nxt.begin(), nxt.end(), 0);
        bool any = false;
        for (size_t p = 0; p < P; ++p) {
            if (!cur[p])
                continue;
            const char32_t c = pattern_[p];
            size_t to = SIZE_MAX;
            if (c == kStar)
                to = p;
            else if (c == kDosStar)
                to = (i == lastDot) ? SIZE_MAX : p;
            else if (c == kQm)
                to = (ch == U'.') ? SIZE_MAX : p + 1; // "?" never takes the dot itself
            else if (c == kDosDot)
                to = (ch == U'.') ? p + 1 : SIZE_MAX;
            else if (c == ch)
                to = p + 1;
            if (to != SIZE_MAX) {
                close(nxt, to, ahead, nextEnd);
                any = true;
            }
        }
        if (!any)
            return false;
        cur.swap(nxt);
    }
    return cur[P] != 0;
}

} // namespace platform
