#include "ui/MenuKeys.h"

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
    // Its opening handler sets the items' states first. No item is lit yet: Down lights
    // the first, and a submenu opens only when asked for (Right or Enter).
    menu->popup(globalPos);
}

} // namespace ui
