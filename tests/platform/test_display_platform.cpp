// The display platform asked for at start: X11 through XWayland on a Wayland session,
// never against the user's own choice, never without an X display.
#include "platform/DisplayPlatform.h"

#include <gtest/gtest.h>

namespace {

using platform::chooseDisplayPlatform;

TEST(DisplayPlatform, AWaylandSessionWithXWaylandGetsX11) {
    EXPECT_EQ(chooseDisplayPlatform("", "wayland-0", "wayland", ":0"), "xcb");
    // Either sign of Wayland is enough: a session variable lost through su or a
    // terminal multiplexer, or a compositor started by hand without a session type.
    EXPECT_EQ(chooseDisplayPlatform("", "", "wayland", ":0"), "xcb");
    EXPECT_EQ(chooseDisplayPlatform("", "", "Wayland", ":1"), "xcb");
    EXPECT_EQ(chooseDisplayPlatform("", "/run/user/1000/wayland-1", "tty", ":0"), "xcb");
    // Blank counts as unset, as Qt itself reads it.
    EXPECT_EQ(chooseDisplayPlatform("  ", "wayland-0", "wayland", ":0"), "xcb");
}

TEST(DisplayPlatform, TheUsersChoiceAndOtherSessionsAreLeftAlone) {
    EXPECT_EQ(chooseDisplayPlatform("wayland", "wayland-0", "wayland", ":0"), "");
    EXPECT_EQ(chooseDisplayPlatform("offscreen", "wayland-0", "wayland", ":0"), "");
    EXPECT_EQ(chooseDisplayPlatform("xcb", "", "x11", ":0"), "");
    // An X11 session, a console or Xvfb: Qt's own choice is already X11 or fails alone.
    EXPECT_EQ(chooseDisplayPlatform("", "", "x11", ":0"), "");
    EXPECT_EQ(chooseDisplayPlatform("", "", "", ":99"), "");
    EXPECT_EQ(chooseDisplayPlatform("", "", "tty", ""), "");
    // Wayland without XWayland: asking for X11 would only stop the program starting.
    EXPECT_EQ(chooseDisplayPlatform("", "wayland-0", "wayland", ""), "");
}

TEST(DisplayPlatform, TheChoiceIsMadeForTheProgramAndTakenBackForWhatItStarts) {
    const char* names[] = {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "DISPLAY"};
    QByteArray saved[4];
    bool had[4];
    for (int i = 0; i < 4; ++i) {
        had[i] = qEnvironmentVariableIsSet(names[i]);
        saved[i] = qgetenv(names[i]);
    }

    qunsetenv("QT_QPA_PLATFORM");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    qputenv("XDG_SESSION_TYPE", "wayland");
    qputenv("DISPLAY", ":0");
    EXPECT_TRUE(platform::preferX11OnWayland());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb");
    platform::forgetDisplayPlatformChoice();
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));

    // The user's own value survives both calls.
    qputenv("QT_QPA_PLATFORM", "wayland");
    EXPECT_FALSE(platform::preferX11OnWayland());
    platform::forgetDisplayPlatformChoice();
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "wayland");

    for (int i = 0; i < 4; ++i) {
        if (had[i])
            qputenv(names[i], saved[i]);
        else
            qunsetenv(names[i]);
    }
}

} // namespace
