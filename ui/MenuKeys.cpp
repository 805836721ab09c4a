#include "ui/MenuKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>

namespace ui {

MenuKey MenuKeyOf(const QKeyEvent* e) {
    const Qt::KeyboardModifiers held = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                         Qt::AltModifier | Qt::MetaModifier);
    if (e->key() == Qt::Key_Menu && held == Qt::NoModifier)
        return MenuKey::Menu;
    if (e->key() != Qt::Key_F10)
        return MenuKey::None;
    if (held == Qt::ShiftModifier)
        return MenuKey::Menu;
    if (held == (Qt::ShiftModifier | Qt::ControlModifier))
        return MenuKey::Operations;
    return MenuKey::None;
}

void PopupByKey(QMenu* menu, QPoint globalPos) {
    menu->popup(globalPos); // its opening handler sets the items' states first
    // As the Down key does: the first item lights up, a submenu stays closed until asked.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(menu, &down);
}

} // namespace ui
