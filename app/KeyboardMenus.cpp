#include "app/KeyboardMenus.h"

#include "browser/FilePanel.h"
#include "ui/MenuKeys.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

// Controls with a menu of their own (cut, copy, paste).
bool OwnsItsMenu(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w);
}

} // namespace

KeyboardMenus::KeyboardMenus(QWidget* window, browser::FilePanel& files, QMenu* contextMenu)
    : QObject(window), window_(window), files_(files), contextMenu_(contextMenu) {
    qApp->installEventFilter(this);
}

bool KeyboardMenus::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::ContextMenu)
        return false;
    auto* control = qobject_cast<QWidget*>(watched);
    // One menu at a time: the window system may announce the menu key twice (as a key and
    // as a menu request); the second finds the menu open and goes to it.
    if (!control || control->window() != window_ || QApplication::activePopupWidget())
        return false;
    ui::MenuKey key = ui::MenuKey::Menu;
    if (press) {
        key = ui::MenuKeyOf(static_cast<QKeyEvent*>(event));
        if (key == ui::MenuKey::None)
            return false;
    } else if (static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Keyboard) {
        return false; // the mouse's menus are the controls' own handling
    }
    if (files_.OpenMenuByKey(watched, key))
        return true;
    if (OwnsItsMenu(control)) {
        if (!press || key != ui::MenuKey::Menu)
            return false;
        // The window system may not announce the key as a menu request: the box gets one.
        const QPoint at = control->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        QContextMenuEvent request(QContextMenuEvent::Keyboard, at, control->mapToGlobal(at));
        QCoreApplication::sendEvent(control, &request);
        return true;
    }
    if (key == ui::MenuKey::Menu)
        ui::PopupByKey(contextMenu_, window_->mapToGlobal(QPoint(0, 0)));
    return true;
}
