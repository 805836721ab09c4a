#include "ui/PixelRatioWatch.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace ui {

PixelRatioWatch::PixelRatioWatch(QWidget* widget, std::function<void()> remake)
    : QObject(widget), widget_(widget), remake_(std::move(remake)),
      ratio_(widget->devicePixelRatioF()) {
    widget->installEventFilter(this);
    FollowScreen();
}

void PixelRatioWatch::Check() {
    FollowScreen();
    const qreal ratio = widget_->devicePixelRatioF();
    if (qFuzzyCompare(ratio, ratio_))
        return;
    // Noted before remaking, so whatever the remaking sends cannot start it again.
    ratio_ = ratio;
    remake_();
}

bool PixelRatioWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget_ &&
        (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Show))
        Check();
    return false;
}

void PixelRatioWatch::FollowScreen() {
    QScreen* screen = widget_->screen();
    if (screen == screen_)
        return;
    disconnect(logical_);
    disconnect(physical_);
    screen_ = screen;
    if (!screen)
        return;
    // Queued: the ratio Qt reports is brought up to date after these signals.
    logical_ = connect(screen, &QScreen::logicalDotsPerInchChanged, this, &PixelRatioWatch::Check,
                       Qt::QueuedConnection);
    physical_ = connect(screen, &QScreen::physicalDotsPerInchChanged, this, &PixelRatioWatch::Check,
                        Qt::QueuedConnection);
}

void OnPixelRatioChange(QWidget* widget, std::function<void()> remake) {
    new PixelRatioWatch(widget, std::move(remake));
}

namespace {

void refitWindowsOn(QScreen* screen) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || !w->windowHandle() || w->screen() != screen)
            continue;
        // The widget keeps its size in logical pixels; the window is brought to it. A
        // resize to the same size would change nothing, its picture store included: one
        // painted a pixel wider is made anew at the new scale, and the window painted whole.
        const QSize size = w->size();
        w->resize(size + QSize(1, 0));
        w->repaint();
        w->resize(size);
    }
}

void followScreen(QScreen* screen) {
    // Queued: the ratio Qt reports is brought up to date after the signal.
    QObject::connect(
        screen, &QScreen::logicalDotsPerInchChanged, screen, [screen] { refitWindowsOn(screen); },
        Qt::QueuedConnection);
}

} // namespace

void FollowScreenScaleChanges() {
    for (QScreen* screen : QGuiApplication::screens())
        followScreen(screen);
    QObject::connect(qApp, &QGuiApplication::screenAdded, qApp, &followScreen);
}

} // namespace ui
