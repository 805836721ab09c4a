#pragma once
// The system metrics the windows are laid out by, behind a replaceable source for tests.
#include <functional>

namespace ui {

struct ScreenMetrics {
    int screenWidth = 0; // primary screen
    int screenHeight = 0;
    int captionHeight = 0; // title bar height of the style
    int borderHeight = 0;  // frame border height of the style
};
ScreenMetrics ReadScreenMetrics();
void SetScreenMetricsSource(std::function<ScreenMetrics()> source); // null restores the real one

} // namespace ui
