#pragma once
// The main window's context menus by keyboard. The menu key and Shift+F10 open the menu
// a right press would open where the keyboard is: a file list's or the tree's at its
// selected item, an edit box's own, and the context menu anywhere else (launcher page,
// control page, tab set, the window with the viewer closed) at the window's top left.
// Shift+Ctrl+F10 opens the file-operation menus of the lists and the tree.
#include <QObject>

class QMenu;
class QWidget;
namespace browser {
class FilePanel;
} // namespace browser

class KeyboardMenus : public QObject {
public:
    // Watches the keys of every control of window; parented to it.
    KeyboardMenus(QWidget* window, browser::FilePanel& files, QMenu* contextMenu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    browser::FilePanel& files_;
    QMenu* contextMenu_;
};
