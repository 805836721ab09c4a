#pragma once
// Which of Qt's display platforms the program asks for when it starts.
#include <QByteArray>

namespace platform {

// "xcb" when the program should run on X11 through XWayland: on a Wayland session
// (waylandDisplay set, or sessionType "wayland") with an X display at hand, unless the
// user named a platform in QT_QPA_PLATFORM. A Wayland client cannot place its windows,
// and the window's remembered place, the boxes shown at the cursor, the centred preview
// and the return from the tray all place windows. Empty: leave Qt's own choice.
QByteArray chooseDisplayPlatform(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay,
                                 const QByteArray& sessionType, const QByteArray& display);

// Applies that choice to this process's environment before the application object
// exists; returns whether it set QT_QPA_PLATFORM.
bool preferX11OnWayland();
// Takes the choice back once the application exists, so that the programs the launcher
// starts find the environment the session gave it.
void forgetDisplayPlatformChoice();

} // namespace platform
