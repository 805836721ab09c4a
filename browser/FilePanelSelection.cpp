#include "browser/FilePanelSelection.h"

#include "app/TForm1.h"
#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"

#include <QLabel>

namespace browser {

std::optional<QString> FilePanelSelection::selectedFile() const {
    const TFileListBoxS* list = form_->ActiveList();
    if (!list || list->ItemIndex() < 0)
        return std::nullopt;
    return list->GetSelectedPath();
}

std::optional<QString> FilePanelSelection::selectedDirectory() const {
    if (!form_->DirList2 || !form_->DirList2->currentItem())
        return std::nullopt;
    return form_->DirList2->GetSelectedPath();
}

launcher::DragSourceKind FilePanelSelection::dragSourceKind(const QObject* source) const {
    if (!source)
        return launcher::DragSourceKind::Other;
    if (source == form_->ListBox1 || source == form_->ListBox2)
        return launcher::DragSourceKind::FileList;
    if (source == form_->SelectImage)
        return launcher::DragSourceKind::SelectionImage;
    if (source == form_->DirList2)
        return launcher::DragSourceKind::DirectoryTree;
    return launcher::DragSourceKind::Other;
}

} // namespace browser
