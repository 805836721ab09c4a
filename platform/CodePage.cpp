#include "platform/CodePage.h"

#include "platform/TextCodec.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <mutex>
#include <unordered_map>

namespace platform {

namespace {

// Windows-1252's 0x80-0x9F; the rest of the code page is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

QByteArray iconvName(int codePage) {
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 1361:
        return "JOHAB";
    case 20127:
        return "ASCII";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 65001:
        return "UTF-8";
    default:
        if (codePage >= 28591 && codePage <= 28606)
            return "ISO-8859-" + QByteArray::number(codePage - 28590);
        return "CP" + QByteArray::number(codePage);
    }
}

struct PageInfo {
    bool known = false;
    std::array<bool, 256> lead{};
    iconv_t cd = reinterpret_cast<iconv_t>(-1); // kept open for the run
};

// Runs iconv from the code page to UTF-16; false with EINVAL left in errno when the input
// ends inside a character.
QString convert(iconv_t cd, const QByteArray& bytes, bool* cut = nullptr) {
    QString out;
    out.resize(bytes.size() + 4);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char* o = reinterpret_cast<char*>(out.data());
    size_t outLeft = size_t(out.size()) * 2;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &o, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = (o - reinterpret_cast<char*>(out.data())) / 2;
            out.resize(out.size() * 2 + 8);
            o = reinterpret_cast<char*>(out.data() + used);
            outLeft = size_t(out.size() - used) * 2;
            continue;
        }
        if (cut && errno == EINVAL)
            *cut = true;
        if (outLeft < 2) {
            const qsizetype used = (o - reinterpret_cast<char*>(out.data())) / 2;
            out.resize(out.size() + 8);
            o = reinterpret_cast<char*>(out.data() + used);
            outLeft = size_t(out.size() - used) * 2;
        }
        // A byte that decodes as nothing: one replacement character, and on.
        const char16_t bad = 0xFFFD;
        memcpy(o, &bad, 2);
        o += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
    }
    iconv(cd, nullptr, nullptr, &o, &outLeft);
    out.resize((o - reinterpret_cast<char*>(out.data())) / 2);
    return out;
}

iconv_t openPage(int codePage) {
    return iconv_open("UTF-16LE", iconvName(codePage).constData());
}

std::mutex& pagesLock() {
    static std::mutex lock;
    return lock;
}

// What iconv knows of a code page, found out once: which bytes begin a character that
// needs a second byte. Called with pagesLock() held.
const PageInfo& pageInfo(int codePage) {
    // Kept for the run, never destroyed, so the open converters stay reachable to the end;
    // its nodes stay put, so references hold.
    static auto& pages = *new std::unordered_map<int, PageInfo>;
    static const PageInfo unknown;
    const auto it = pages.find(codePage);
    if (it != pages.end())
        return it->second;
    PageInfo info;
    info.cd = openPage(codePage);
    if (info.cd != reinterpret_cast<iconv_t>(-1)) {
        info.known = true;
        if (codePage != 65001) // UTF-8's lead bytes begin up to four-byte sequences
            for (int b = 0x80; b < 0x100; ++b) {
                bool cut = false;
                convert(info.cd, QByteArray(1, char(b)), &cut);
                info.lead[size_t(b)] = cut;
            }
    }
    if (!info.known && pages.size() > 256)
        return unknown; // numbers nobody uses are not all remembered
    return pages.emplace(codePage, info).first->second;
}

} // namespace

bool codePageKnown(int codePage) {
    if (codePage == 1252 || codePage == 932)
        return true;
    const std::lock_guard<std::mutex> guard(pagesLock());
    return pageInfo(codePage).known;
}

bool isLeadByte(int codePage, unsigned char b) {
    if (codePage == 932)
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (b < 0x80 || codePage == 1252)
        return false;
    const std::lock_guard<std::mutex> guard(pagesLock());
    return pageInfo(codePage).lead[b];
}

QString decodeCodePage(const QByteArray& bytes, int codePage) {
    if (codePage == 932)
        return decodeCp932(bytes); // the program's one CP932 reading
    if (codePage != 1252) {
        const std::lock_guard<std::mutex> guard(pagesLock());
        const PageInfo& info = pageInfo(codePage);
        if (info.known)
            return convert(info.cd, bytes);
    }
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        text += QChar(u >= 0x80 && u < 0xA0 ? kCp1252High[u - 0x80] : char16_t(u));
    }
    return text;
}

} // namespace platform
