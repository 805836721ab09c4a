#include "platform/DisplayPlatform.h"

#include <QtGlobal>

namespace platform {

namespace {
bool& choiceMade() {
    static bool made = false;
    return made;
}
} // namespace

QByteArray chooseDisplayPlatform(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay,
                                 const QByteArray& sessionType, const QByteArray& display) {
    if (!qpaPlatform.trimmed().isEmpty())
        return {}; // the user's own choice, whatever it is
    if (display.isEmpty())
        return {}; // no XWayland: X11 would not start at all
    const bool wayland = !waylandDisplay.isEmpty() || sessionType.toLower() == "wayland";
    return wayland ? QByteArrayLiteral("xcb") : QByteArray();
}

bool preferX11OnWayland() {
    const QByteArray choice =
        chooseDisplayPlatform(qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"),
                              qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY"));
    if (choice.isEmpty())
        return false;
    qputenv("QT_QPA_PLATFORM", choice);
    choiceMade() = true;
    return true;
}

void forgetDisplayPlatformChoice() {
    if (choiceMade())
        qunsetenv("QT_QPA_PLATFORM");
    choiceMade() = false;
}

} // namespace platform
