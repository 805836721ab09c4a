#include "ui/TrayService.h"

#include "ui/Resources.h"

#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace ui {

namespace {

std::function<bool()>& AvailabilitySource() {
    static std::function<bool()> source;
    return source;
}

bool TrayAvailable() {
    if (AvailabilitySource())
        return AvailabilitySource()();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace

void TrayService::setAvailabilitySource(std::function<bool()> source) {
    AvailabilitySource() = std::move(source);
}

QString TrayService::tipText() {
    return QStringLiteral("ゼル君は、休憩中です。お仕事ですか !!");
}

TrayService::TrayService(QWidget* window) : QObject(window), window_(window) {
    window_->installEventFilter(this);
}

TrayService::~TrayService() {
    delete icon_;
}

void TrayService::enter() {
    if (inTray_)
        return;
    inTray_ = true;
    returning_ = false;
    if (!TrayAvailable()) {
        minimizedInstead_ = true;
        window_->showMinimized();
        return;
    }
    minimizedInstead_ = false;
    window_->hide();
    icon_ = new QSystemTrayIcon(programIcon());
    icon_->setToolTip(tipText());
    connect(icon_, &QSystemTrayIcon::activated, this, &TrayService::handleActivation);
    icon_->show();
}

void TrayService::leave() {
    const bool wasMinimized = minimizedInstead_;
    inTray_ = false;
    minimizedInstead_ = false;
    delete icon_;
    icon_ = nullptr;
    if (wasMinimized && window_->isMinimized()) {
        window_->showNormal();
    } else {
        // A window minimised before it went to the tray, or minimised and restored by
        // the window manager (Qt's window may still count itself minimised), would come
        // back as an icon.
        const Qt::WindowStates normal = window_->windowState() & ~Qt::WindowMinimized;
        window_->setWindowState(normal);
        if (QWindow* handle = window_->windowHandle())
            handle->setWindowStates(normal);
        window_->show();
        // The window manager may still map it as an icon (it kept the window's minimised
        // state from before): it is brought back as soon as that shows. Only until the
        // window is active, or for two seconds: later minimising is the user's.
        returning_ = true;
        QTimer::singleShot(2000, this, [this] { returning_ = false; });
    }
    window_->raise();
    window_->activateWindow();
}

void TrayService::handleActivation(QSystemTrayIcon::ActivationReason reason) {
    if (!inTray_)
        return;
    if (reason == QSystemTrayIcon::Trigger) {
        if (comeBack_)
            comeBack_();
    } else if (reason == QSystemTrayIcon::Context) {
        if (menu_)
            menu_->popup(menuPosition(QCursor::pos()));
    }
}

bool TrayService::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && returning_) {
        if (event->type() == QEvent::WindowActivate) {
            returning_ = false;
        } else if (event->type() == QEvent::WindowStateChange && window_->isMinimized()) {
            returning_ = false;
            QTimer::singleShot(0, window_, [w = window_] { w->showNormal(); });
        }
    }
    // Without a notification area the taskbar button is the way back: restoring the
    // minimised window ends the tray mode as a left press on the icon would.
    if (watched == window_ && event->type() == QEvent::WindowStateChange && inTray_ &&
        minimizedInstead_ && !window_->isMinimized() && comeBack_)
        comeBack_();
    return QObject::eventFilter(watched, event);
}

} // namespace ui
