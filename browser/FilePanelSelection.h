#pragma once
// The launcher's view of the file browser's selection, read from the real controls of
// the main window: the active sheet's list, the tree and the selection image.
#include "launcher/SelectionSource.h"

#include <QObject>

class TForm1;

namespace browser {

class FilePanelSelection : public QObject, public launcher::SelectionSource {
    Q_OBJECT
public:
    explicit FilePanelSelection(TForm1* form, QObject* parent) : QObject(parent), form_(form) {}

    std::optional<QString> selectedFile() const override;
    std::optional<QString> selectedDirectory() const override;
    launcher::DragSourceKind dragSourceKind(const QObject* source) const override;

private:
    TForm1* form_;
};

} // namespace browser
