#include "launcher/PageNames.h"

#include "core/SettingsFile.h"

namespace launcher {

namespace {
const QString kSection = QStringLiteral("TabName");
QString keyName(int index) {
    return QStringLiteral("No") + QString::number(index);
}
} // namespace

QString DefaultPageName(int index) {
    return QStringLiteral("Page") + QString::number(index + 1);
}

QStringList LoadPageNames(const SettingsFile& ini) {
    QStringList names;
    for (int i = 0; i < kNamedPages; ++i)
        names.append(ini.ReadString(kSection, keyName(i), DefaultPageName(i)));
    return names;
}

void SavePageNames(SettingsFile& ini, const QStringList& names) {
    for (int i = 0; i < kNamedPages; ++i)
        ini.WriteString(kSection, keyName(i), names.value(i));
}

QString PageItemCaption(int index, const QString& name) {
    // The hexadecimal digit doubles as the keyboard accelerator: 1..9, A, B, C.
    const QString digit = QString::number(index + 1, 16).toUpper();
    const QString text = index == kNamedPages ? QStringLiteral("Control") : name;
    return QStringLiteral("(&") + digit + QStringLiteral(") ") + text;
}

QString TabSetHint(const QStringList& names) {
    QString hint;
    for (int i = 0; i < kNamedPages; ++i) {
        const int n = i + 1;
        hint += QLatin1Char(' ') + QString::number(n) +
                (n < 10 ? QStringLiteral("  ") : QStringLiteral(" ")) + names.value(i);
        if (n < kNamedPages)
            hint += QStringLiteral("\r\n");
    }
    return hint;
}

} // namespace launcher
