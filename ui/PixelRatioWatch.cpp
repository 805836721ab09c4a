#include "ui/PixelRatioWatch.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

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

} // namespace ui
