#pragma once
// The launcher's view of the file browser's selection, read from the real controls of
// the file panel: the active sheet's list, the tree and the selection image.
#include "launcher/SelectionSource.h"

#include <QObject>

namespace browser {

class FilePanel;
class FilePanelSelection : public QObject, public launcher::SelectionSource {
    Q_OBJECT
public:
    explicit FilePanelSelection(FilePanel* panel, QObject* parent)
        : QObject(parent), panel_(panel) {}

    std::optional<QString> selectedFile() const override;
    std::optional<QString> selectedDirectory() const override;
    launcher::DragSourceKind dragSourceKind(const QObject* source) const override;

private:
    FilePanel* panel_;
};

} // namespace browser
