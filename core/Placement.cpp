#include "core/Placement.h"

#include "core/SettingsFile.h"
#include "ui/ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace placement {

PlacementRecord FromWindowState(const QRect& normalFrame, bool maximized, bool minimized,
                                QPoint minPos, QPoint maxPos) {
    PlacementRecord r;
    r.flags = maximized ? PlacementRecord::kRestoreToMaximized : 0;
    r.showCmd = minimized   ? PlacementRecord::kShowMinimized
                : maximized ? PlacementRecord::kShowMaximized
                            : PlacementRecord::kShowNormal;
    r.minPos = minPos;
    r.maxPos = maxPos;
    r.left = normalFrame.x();
    r.top = normalFrame.y();
    r.right = normalFrame.x() + normalFrame.width();
    r.bottom = normalFrame.y() + normalFrame.height();
    return r;
}

QStringList KeyNames() {
    return {QStringLiteral("PlaceFlags"),           QStringLiteral("PlaceShowCmd"),
            QStringLiteral("PlaceMinPos.X"),        QStringLiteral("PlaceMinPos.Y"),
            QStringLiteral("PlaceMaxPos.X"),        QStringLiteral("PlaceMaxPos.Y"),
            QStringLiteral("PlaceNormalPos.Left"),  QStringLiteral("PlaceNormalPos.Top"),
            QStringLiteral("PlaceNormalPos.Right"), QStringLiteral("PlaceNormalPos.Bottom")};
}

void Write(SettingsFile& ini, const QString& section, const PlacementRecord& rec) {
    const QStringList keys = KeyNames();
    const int values[] = {rec.flags,      rec.showCmd,    rec.minPos.x(), rec.minPos.y(),
                          rec.maxPos.x(), rec.maxPos.y(), rec.left,       rec.top,
                          rec.right,      rec.bottom};
    for (int i = 0; i < keys.size(); ++i)
        ini.WriteInteger(section, keys.at(i), values[i]);
}

PlacementRecord Read(const SettingsFile& ini, const QString& section,
                     const PlacementRecord& current, QSize screenSize,
                     const QList<QRect>& screens) {
    const QStringList keys = KeyNames();
    const int w = current.width();
    const int h = current.height();
    PlacementRecord r = current;
    r.flags = ini.ReadInteger(section, keys.at(0), current.flags);
    r.minPos.setX(ini.ReadInteger(section, keys.at(2), current.minPos.x()));
    r.minPos.setY(ini.ReadInteger(section, keys.at(3), current.minPos.y()));
    r.maxPos.setX(ini.ReadInteger(section, keys.at(4), current.maxPos.x()));
    r.maxPos.setY(ini.ReadInteger(section, keys.at(5), current.maxPos.y()));
    // Integer division truncates toward zero, so a window larger than the screen gets
    // a negative left or top.
    r.left = ini.ReadInteger(section, keys.at(6), (screenSize.width() - w) / 2);
    r.top = ini.ReadInteger(section, keys.at(7), (screenSize.height() - h) / 2);
    r.right = ini.ReadInteger(section, keys.at(8), r.left + w);
    r.bottom = ini.ReadInteger(section, keys.at(9), r.top + h);

    bool reachable = false;
    for (const QRect& s : screens)
        reachable = reachable || r.normalRect().intersects(s);
    if (!reachable && !screens.isEmpty()) {
        const int rw = r.width() > 0 ? r.width() : w;
        const int rh = r.height() > 0 ? r.height() : h;
        r.left = (screenSize.width() - rw) / 2;
        r.top = (screenSize.height() - rh) / 2;
        r.right = r.left + rw;
        r.bottom = r.top + rh;
    }
    return r;
}

} // namespace placement

namespace {

const char kMinPosProperty[] = "zelmoPlaceMinPos";
const char kMaxPosProperty[] = "zelmoPlaceMaxPos";
const char kNormalFrameProperty[] = "zelmoNormalFrame";

QString sectionOf(const QWidget* window) {
    return QString::fromLatin1(window->metaObject()->className());
}

// Width and height the frame adds around the client area. Before a decorated window is
// on screen the window manager has not told us yet; the style's metrics stand in.
QSize frameExtra(const QWidget* window) {
    if (window->windowFlags() & Qt::FramelessWindowHint)
        return {0, 0};
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    if (window->isVisible() && frame != client)
        return frame.size() - client.size();
    const ui::ScreenMetrics m = ui::ReadScreenMetrics();
    return {2 * m.borderHeight, m.captionHeight + 2 * m.borderHeight};
}

QPoint pointProperty(const QWidget* w, const char* name) {
    const QVariant v = w->property(name);
    return v.isValid() ? v.toPoint() : QPoint(-1, -1);
}

} // namespace

PlacementRecord CurrentPlacement(const QWidget* window) {
    const Qt::WindowStates st = window->windowState();
    const bool maximized = st & (Qt::WindowMaximized | Qt::WindowFullScreen);
    const bool minimized = st & Qt::WindowMinimized;
    QRect normal;
    const QRect normalFrame = window->property(kNormalFrameProperty).toRect();
    if ((maximized || minimized) && normalFrame.isValid()) {
        normal = normalFrame;
    } else if (maximized || minimized) {
        normal = window->normalGeometry();
        const QSize extra = frameExtra(window);
        const QPoint offset = window->frameGeometry().topLeft() - window->geometry().topLeft();
        normal = QRect(normal.topLeft() + offset, normal.size() + extra);
    } else {
        normal = QRect(window->frameGeometry().topLeft(),
                       window->geometry().size() + frameExtra(window));
    }
    return placement::FromWindowState(normal, maximized, minimized,
                                      pointProperty(window, kMinPosProperty),
                                      pointProperty(window, kMaxPosProperty));
}

void ApplyPlacement(QWidget* window, const PlacementRecord& rec) {
    // Qt has no minimised or maximised positions of its own; they are kept so that the
    // next save writes back what was read.
    window->setProperty(kMinPosProperty, rec.minPos);
    window->setProperty(kMaxPosProperty, rec.maxPos);
    const Qt::WindowStates st = window->windowState();
    if (st & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) {
        // A minimised window that was maximised before comes back maximised.
        if ((st & Qt::WindowMinimized) && (rec.flags & PlacementRecord::kRestoreToMaximized))
            window->setWindowState(st | Qt::WindowMaximized);
        return;
    }
    const QSize extra = frameExtra(window);
    window->move(rec.left, rec.top);
    window->resize(qMax(0, rec.width() - extra.width()), qMax(0, rec.height() - extra.height()));
}

void SetNormalFrame(QWidget* window, const QRect& frame) {
    window->setProperty(kNormalFrameProperty, frame);
}

void RestorePlacement(QWidget* window) {
    const ui::ScreenMetrics m = ui::ReadScreenMetrics();
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens.append(s->geometry());
    if (screens.isEmpty())
        screens.append(QRect(0, 0, m.screenWidth, m.screenHeight));
    const SettingsFile ini;
    ApplyPlacement(window, placement::Read(ini, sectionOf(window), CurrentPlacement(window),
                                           QSize(m.screenWidth, m.screenHeight), screens));
}

void SavePlacement(QWidget* window) {
    SettingsFile ini;
    placement::Write(ini, sectionOf(window), CurrentPlacement(window));
}

void SavePlacementQuietly(QWidget* window) {
    try {
        SavePlacement(window);
    } catch (const std::exception&) {
        // Nothing to tell: the window is on its way out.
    }
}
