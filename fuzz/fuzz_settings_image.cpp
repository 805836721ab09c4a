// libFuzzer target: the settings file's byte image on any bytes. The first byte picks a
// section, a key and a value from small lists (names in other case, with spaces, in CP932,
// with "=" or "["); the rest is the file. A write's splice changes only its span, and the
// image it leaves reads every name as a fresh reading of the new bytes does.
#include "core/SettingsImage.h"

#include <QStringList>
#include <cstdint>
#include <cstdlib>

namespace {

const QStringList kSections = {"S", "s", " S ", "Page1", "", "[X", "メモ", "T"};
const QStringList kKeys = {"K", "k", " K ", "a=b", "メ", "[Y]", "; c", "Z"};
const QStringList kValues = {"1", "", "メモ", "@Esc(a\\x0Ab)", "x]"};

void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096)
        return 0;
    const uint8_t pick = data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    SettingsImage image(bytes);
    const QString section = kSections.at(pick % kSections.size());
    const QString key = kKeys.at((pick / 8) % kKeys.size());
    const QString value = kValues.at((pick / 64) % kValues.size());
    QString text;
    for (const QString& s : kSections)
        for (const QString& k : kKeys)
            image.stored(s, k, &text);
    const SettingsImage::Splice sp = image.plan(section, key, value);
    check(sp.at >= 0 && sp.removed >= 0 && sp.at + sp.removed <= bytes.size());
    QByteArray after = bytes;
    after.replace(sp.at, sp.removed, sp.inserted);
    image.apply(sp);
    check(image.bytes() == after);
    const SettingsImage fresh(after);
    for (const QString& s : kSections) {
        for (const QString& k : kKeys) {
            QString a, b;
            const bool inImage = image.stored(s, k, &a);
            check(inImage == fresh.stored(s, k, &b) && a == b);
        }
    }
    if (image.needsRecode())
        check(!SettingsImage(image.recoded()).needsRecode());
    return 0;
}
