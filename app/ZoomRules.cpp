#include "app/ZoomRules.h"

#include <algorithm>

namespace zoom {

int StartupZoom(int stored) {
    // A negative value can only come from a damaged file; it would turn every control
    // inside out, so it counts as full size too.
    if (stored <= 0 || (stored >= 95 && stored <= 105))
        return 100;
    return stored;
}

// 64-bit intermediate: a stored zoom is whatever the settings file holds.
static int MulDivFloor(int value, int m, int d) {
    return d == 0 ? value : int(qint64(value) * m / d);
}

int ZoomedOut(int zoom) {
    return MulDivFloor(zoom, kZoomOutM, kZoomOutD);
}

int ZoomedIn(int zoom) {
    return MulDivFloor(zoom, kZoomInM, kZoomInD);
}

QSize BoundAfterZoomIn(QSize window, QSize screen) {
    return {std::min(window.width(), screen.width() * 9 / 10),
            std::min(window.height(), screen.height() * 8 / 10)};
}

QPoint KeptOnScreen(QRect window, QSize screen) {
    if (!window.intersects(QRect(QPoint(0, 0), screen)))
        return window.topLeft();
    const int x = std::max(0, std::min(window.x(), screen.width() - window.width()));
    const int y = std::max(0, std::min(window.y(), screen.height() - window.height()));
    return {x, y};
}

ScaleStep MaximizeStep(int zoom, int previousZoom) {
    ScaleStep s;
    s.zoom = zoom == 0 ? 100 : zoom;
    s.previousZoom = previousZoom;
    if (s.zoom >= 100) {
        s.previousZoom = s.zoom;
    } else {
        s.scale = true;
        s.m = 100;
        s.d = s.zoom;
        s.previousZoom = 100;
    }
    return s;
}

ScaleStep NormalStep(int zoom, int previousZoom) {
    ScaleStep s;
    s.zoom = zoom;
    s.previousZoom = previousZoom;
    if (previousZoom != zoom && previousZoom != 0) {
        s.scale = true;
        s.m = zoom;
        s.d = previousZoom;
        s.previousZoom = MulDivFloor(zoom, 100, previousZoom);
    }
    return s;
}

} // namespace zoom
