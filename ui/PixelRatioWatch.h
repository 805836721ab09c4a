#pragma once
// Pictures made at a screen's resolution must be made again when the widget is drawn at
// another device pixel ratio: its window moved to a screen of another scale, or the
// desktop changed the scale of the screen it is on. Qt 6.4 has no single event for this;
// the watch gathers the ways it shows (the window's screen changed, the widget shown on
// another screen, the screen's dots per inch changed) and calls remake once per real
// change of the ratio the widget reports, never for a change that leaves it equal.
#include <QObject>
#include <QPointer>
#include <functional>

class QScreen;
class QWidget;

namespace ui {

class PixelRatioWatch : public QObject {
public:
    // Watches widget (and belongs to it); its ratio now is the one its pictures were made at.
    PixelRatioWatch(QWidget* widget, std::function<void()> remake);

    // Looks at the ratio now: calls remake when it differs from the one last seen.
    void Check();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Follows the screen the widget is on now for its scale changes.
    void FollowScreen();

    QWidget* widget_;
    std::function<void()> remake_;
    qreal ratio_;
    QPointer<QScreen> screen_;
    QMetaObject::Connection logical_, physical_;
};

// Installs a watch on widget: remake runs when the ratio it is drawn at has changed.
void OnPixelRatioChange(QWidget* widget, std::function<void()> remake);

// When the desktop changes a screen's scale while the program runs, Qt 6.4 leaves the
// windows on it at their old size in device pixels and paints nothing again: each shown
// window gets its own size at the new scale and is painted whole. Called once at start.
void FollowScreenScaleChanges();

} // namespace ui
