#pragma once
// Arithmetic of the window zoom, apart from the widgets so it can be checked on its own.
//
// How TForm1 uses it:
//   start-up    Zoom = PreviousZoom = StartupZoom(stored "ZoomInOut");
//               ui::ScaleControls(this, Zoom, 100) (then give the window its size back);
//               if UsesSmallListFont(Zoom): DirList2 and ListBox2 fonts at 12 pixels
//   zoom out    ui::ScaleBy(this, kZoomOutM, kZoomOutD); Zoom = ZoomedOut(Zoom)
//   zoom in     ui::ScaleBy(this, kZoomInM, kZoomInD); Zoom = ZoomedIn(Zoom);
//               resize(BoundAfterZoomIn(size(), screen size));
//               move(KeptOnScreen(geometry(), screen size))
//   maximise    s = MaximizeStep(Zoom, PreviousZoom); apply s (scale when s.scale)
//   normal      s = NormalStep(Zoom, PreviousZoom); apply s
// Zoom has no lower or upper bound: repeated steps only follow the integer arithmetic.
#include <QPoint>
#include <QRect>
#include <QSize>

namespace zoom {

// One zoom-out step shrinks by 700/1000 (the menu says 30 % down).
inline constexpr int kZoomOutM = 700;
inline constexpr int kZoomOutD = 1000;
// One zoom-in step grows by 1000/900 (the menu says 10 % up; it is 11 %).
inline constexpr int kZoomInM = 1000;
inline constexpr int kZoomInD = 900;

// The stored zoom as start-up uses it: 0 and values from 95 to 105 mean 100 (small
// values around 100 are left over from rounding in the steps); so does a negative value.
int StartupZoom(int stored);

// Below 85 % the directory tree and the result list take a fixed small font at
// start-up, which stays readable where the scaled one would not.
inline constexpr int kSmallListFontPixels = 12;
inline bool UsesSmallListFont(int zoom) {
    return zoom < 85;
}

int ZoomedOut(int zoom); // zoom * 700 div 1000: 100 -> 70 -> 49
int ZoomedIn(int zoom);  // zoom * 1000 div 900: 100 -> 111 -> 123

// After a zoom-in step the window is at most 8/10 of the screen high and 9/10 wide.
QSize BoundAfterZoomIn(QSize window, QSize screen);

// Where a window that reaches past the screen's right or bottom edge goes so that it
// lies on the screen again (its left and top edges first when it is larger). A window
// wholly off the screen is on another monitor and stays where it is.
QPoint KeptOnScreen(QRect window, QSize screen);

// What a maximise or normal-size step does to the zoom: optionally scale all controls
// by m/d, and the new zoom and previous zoom.
struct ScaleStep {
    bool scale = false;
    int m = 1;
    int d = 1;
    int zoom = 100;
    int previousZoom = 100;
    bool operator==(const ScaleStep&) const = default;
};

// Maximise shows the controls at full size: a zoom of 0 counts as 100; from 100 up
// nothing is scaled and previous zoom remembers the zoom; below 100 the controls are
// scaled by 100/zoom and previous zoom becomes 100.
ScaleStep MaximizeStep(int zoom, int previousZoom);

// Normal size undoes what maximise did: when previous zoom differs from zoom and is
// not 0, scale by zoom/previous and previous zoom becomes zoom * 100 div previous.
ScaleStep NormalStep(int zoom, int previousZoom);

} // namespace zoom
