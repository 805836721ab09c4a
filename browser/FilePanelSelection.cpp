#include "browser/FilePanelSelection.h"

#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanel.h"

#include <QLabel>

namespace browser {

std::optional<QString> FilePanelSelection::selectedFile() const {
    const TFileListBoxS* list = panel_->ActiveList();
    if (!list || list->ItemIndex() < 0)
        return std::nullopt;
    return list->GetSelectedPath();
}

std::optional<QString> FilePanelSelection::selectedDirectory() const {
    if (!panel_->DirList2 || !panel_->DirList2->currentItem())
        return std::nullopt;
    return panel_->DirList2->GetSelectedPath();
}

launcher::DragSourceKind FilePanelSelection::dragSourceKind(const QObject* source) const {
    if (!source)
        return launcher::DragSourceKind::Other;
    if (source == panel_->ListBox1 || source == panel_->ListBox2)
        return launcher::DragSourceKind::FileList;
    if (source == panel_->SelectImage)
        return launcher::DragSourceKind::SelectionImage;
    if (source == panel_->DirList2)
        return launcher::DragSourceKind::DirectoryTree;
    return launcher::DragSourceKind::Other;
}

} // namespace browser
