// The lists' and the tree's menus by keyboard: the menu a right press would open, at the
// selected item instead of the mouse, and without the press's change of the selection.
#include "browser/FilePanel.h"

#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanelText.h"

#include <QMenu>

namespace browser {

namespace {

// A point of the rectangle, kept inside the control's visible area: an item scrolled out
// of sight still gets its menu on the screen, next to the control.
QPoint InsideView(const QWidget* view, QPoint p) {
    const QRect r = view->rect();
    if (r.isEmpty())
        return view->mapToGlobal(QPoint());
    return view->mapToGlobal(
        QPoint(qBound(r.left(), p.x(), r.right()), qBound(r.top(), p.y(), r.bottom())));
}

} // namespace

bool FilePanel::OpenMenuByKey(QObject* receiver, ui::MenuKey key) {
    for (TFileListBoxS* list : {ListBox1, ListBox2}) {
        if (receiver != list && receiver != list->viewport())
            continue;
        ColourPanelsForSelection(list);
        QMenu* menu = PopupMenu5;
        if (key != ui::MenuKey::Operations) {
            ListBox1Click(list);
            menu = contextMenu_;
        }
        const int index = list->ItemIndex();
        QWidget* view = list->viewport();
        const QPoint at =
            InsideView(view, index >= 0 ? list->ItemRect(index).center() : view->rect().center());
        if (menu)
            ui::PopupByKey(menu, ListMenuAt(list, menu, at));
        return true;
    }
    if (receiver != DirList2 && receiver != DirList2->viewport())
        return false;
    QTreeWidgetItem* node = DirList2->currentItem();
    QWidget* view = DirList2->viewport();
    const QRect rect = node ? DirList2->visualItemRect(node) : QRect();
    const QPoint at = InsideView(view, QPoint(rect.left(), rect.center().y()));
    QMenu* menu = PopupMenu2;
    if (key == ui::MenuKey::Operations) {
        state_.TargetDirectory = DirList2->GetNodePath(node); // the drive root without one
        menu = PopupMenu4;
    }
    if (menu)
        ui::PopupByKey(menu, TreeMenuPosition(at));
    return true;
}

} // namespace browser
