#pragma once
// What the launcher needs to know of the file browser's selection: the file selected
// in the list of the active sheet and the directory selected in the tree. The file
// panel implements it on its real lists; the main window holds a pointer to it (none:
// nothing is selected anywhere).
#include <QString>
#include <optional>

class QObject;

namespace launcher {

// Where a drag onto a slot came from.
enum class DragSourceKind { Other, FileList, SelectionImage, DirectoryTree };

class SelectionSource {
public:
    virtual ~SelectionSource() = default;

    // Full path of the item selected in the file list of the active sheet.
    virtual std::optional<QString> selectedFile() const = 0;
    // The directory selected in the tree; for the tree's root node (the drive) its
    // root path, ending in "/" ("/", "/home/ann/").
    virtual std::optional<QString> selectedDirectory() const = 0;
    // Which of the browser's controls a drag started from (the drag event's source).
    virtual DragSourceKind dragSourceKind(const QObject* source) const = 0;
};

} // namespace launcher
