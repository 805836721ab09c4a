#pragma once
// What the preview window needs of the main window: the active file list, the directory
// panel, the task tray and the selection handler. The main window implements it over its parts.
#include <QString>

namespace browser {
class TFileListBoxS;
}

namespace preview {

class PreviewHost {
public:
    virtual ~PreviewHost() = default;

    // The list of the active sheet (none while the window is being built).
    virtual browser::TFileListBoxS* ActiveList() const = 0;
    // Shown when there is nothing to preview, so the user sees where to choose a file.
    virtual void ShowDirectoryPanel() = 0;
    // The main window back from the task tray.
    virtual void LeaveTray() = 0;
    // The selection handler of the file panel, run for the list whose selection was set.
    virtual void SelectionChanged(browser::TFileListBoxS* list) = 0;
};

} // namespace preview
