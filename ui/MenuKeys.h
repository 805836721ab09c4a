#pragma once
// Context menus by keyboard: which keys open them, and how a menu opens then.
class QKeyEvent;
class QMenu;
class QPoint;

namespace ui {

enum class MenuKey {
    None,
    Menu,      // the menu key or Shift+F10: the menu of a right press
    Operations // Shift+Ctrl+F10: the menu of a right press with Shift or Ctrl held
};
MenuKey MenuKeyOf(const QKeyEvent* e);

// Opens the menu at globalPos for the keyboard: the arrow keys, Enter, Esc and the items'
// accelerators work at once.
void PopupByKey(QMenu* menu, QPoint globalPos);

} // namespace ui
