#pragma once
// A selection the tests set by hand, standing in for the file panel's lists.
#include "launcher/SelectionSource.h"

class FakeSelection : public launcher::SelectionSource {
public:
    std::optional<QString> file;
    std::optional<QString> directory;
    const QObject* listWidget = nullptr;
    const QObject* treeWidget = nullptr;
    const QObject* imageWidget = nullptr;

    std::optional<QString> selectedFile() const override { return file; }
    std::optional<QString> selectedDirectory() const override { return directory; }
    launcher::DragSourceKind dragSourceKind(const QObject* source) const override {
        if (source && source == listWidget)
            return launcher::DragSourceKind::FileList;
        if (source && source == treeWidget)
            return launcher::DragSourceKind::DirectoryTree;
        if (source && source == imageWidget)
            return launcher::DragSourceKind::SelectionImage;
        return launcher::DragSourceKind::Other;
    }
};
