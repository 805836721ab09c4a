#include "platform/TextCodec.h"

namespace platform {

namespace {

// Pages whose text never has more units than bytes.
bool narrow(int codePage) {
    return codePage == ZELMO_CP_932 || codePage == ZELMO_CP_EUC_JP || codePage == ZELMO_CP_1252;
}

} // namespace

QString decodeBytes(QByteArrayView bytes, int codePage, int rule, bool* ok) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t len = size_t(bytes.size());
    QString out;
    size_t cap = narrow(codePage) ? len : 2 * len + 8;
    for (;;) {
        out.resize(qsizetype(cap));
        const size_t n =
            zelmo_cp_decode(codePage, in, len, reinterpret_cast<uint16_t*>(out.data()), cap, rule);
        if (n == ZELMO_CP_FULL) {
            cap = 2 * cap + 8;
            continue;
        }
        if (ok)
            *ok = n != ZELMO_CP_FAILED;
        if (n == ZELMO_CP_FAILED)
            return {};
        out.resize(qsizetype(n));
        return out;
    }
}

QByteArray encodeText(QStringView text, int codePage, int rule, bool* ok) {
    const auto* in = reinterpret_cast<const uint16_t*>(text.utf16());
    const size_t len = size_t(text.size());
    QByteArray out;
    size_t cap = 2 * len + 8;
    for (;;) {
        out.resize(qsizetype(cap));
        const size_t n = zelmo_cp_encode(codePage, in, len, out.data(), cap, rule);
        if (n == ZELMO_CP_FULL) {
            cap = 2 * cap + 8;
            continue;
        }
        if (ok)
            *ok = n != ZELMO_CP_FAILED;
        if (n == ZELMO_CP_FAILED)
            return {};
        out.resize(qsizetype(n));
        return out;
    }
}

QString decodeCp932(const QByteArray& bytes) {
    return decodeBytes(bytes, ZELMO_CP_932, ZELMO_CP_REPLACE);
}

QByteArray encodeCp932(const QString& text, bool* ok) {
    bool fits = false;
    QByteArray bytes = encodeText(text, ZELMO_CP_932, ZELMO_CP_FAIL | ZELMO_CP_BEST_FIT, &fits);
    if (!fits)
        bytes = encodeText(text, ZELMO_CP_932, ZELMO_CP_REPLACE | ZELMO_CP_BEST_FIT);
    if (ok)
        *ok = fits;
    return bytes;
}

QString decodeText(const QByteArray& bytes) {
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return decodeCp932(bytes);
}

} // namespace platform
