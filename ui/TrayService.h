#pragma once
// The notification-area icon that stands for the main window while it rests in the
// tray: the program icon with its tip, a left press to come back and a right press for
// the tray menu. Where the desktop has no notification area the window is minimised
// instead, and restoring it from the taskbar counts as coming back, so it is never lost.
//
// How TForm1 uses it (created once in the constructor):
//   Tray = new ui::TrayService(this);
//   Tray->setMenu(PopupMenu3);
//   Tray->setComeBackHandler([this] { TaskTaryShowClick(); });
//   TaskTrayClick      remember directory ...; Tray->enter(); InTray = true; save ...
//   TaskTaryShowClick  hide the preview; Tray->leave(); InTray = false; save; ...
//   FormPaint          if (InTray) queue TaskTrayClick (never hide inside a paint)
//   FormDestroy        Tray->leave() is not needed: the icon goes with the service.
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>

class QWidget;

namespace ui {

class TrayService : public QObject {
    Q_OBJECT
public:
    explicit TrayService(QWidget* window);
    ~TrayService() override;

    // The icon's tip text.
    static QString tipText();
    // The tray menu opens 20 pixels right of and 50 pixels above the cursor.
    static QPoint menuPosition(QPoint cursor) { return cursor + QPoint(20, -50); }

    void setMenu(QMenu* menu) { menu_ = menu; }
    void setComeBackHandler(std::function<void()> handler) { comeBack_ = std::move(handler); }

    // Hides the window behind the icon, or minimises it where there is no notification
    // area. Entering again while in the tray changes nothing.
    void enter();
    // Removes the icon and shows the window again.
    void leave();

    bool inTray() const { return inTray_; }
    // True when the last enter() minimised the window for want of a notification area.
    bool minimizedInstead() const { return minimizedInstead_; }
    QSystemTrayIcon* icon() const { return icon_; }

    // What the desktop offers; tests replace it. Null restores the real check.
    static void setAvailabilitySource(std::function<bool()> source);

public slots:
    // A press on the icon: the left button comes back, the right opens the tray menu.
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    QPointer<QMenu> menu_;
    std::function<void()> comeBack_;
    QSystemTrayIcon* icon_ = nullptr;
    bool inTray_ = false;
    bool minimizedInstead_ = false;
    bool returning_ = false; // shown by leave(), not yet active
};

} // namespace ui
