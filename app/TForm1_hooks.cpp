// Handlers and start-up steps of subsystems that are not built yet: the file panel,
// the directory tree, the bulk search, the make-directory dialog, the editor, the
// information window, the archive and image libraries. Each is filled in by the work
// that builds its subsystem; until then each does nothing (or reports that there is
// nothing: no list selection, the filter index as read).
#include "app/TForm1.h"

#include "launcher/SelectionSource.h"
#include "launcher/ShellDrops.h"

void TForm1::DirSPBClick() {
    // Filled by the file-panel work: show or hide the directory panel.
}

void TForm1::FindDirectoryClick() {
    // Filled by the search work: the bulk search of the directory tree.
}

void TForm1::DirMakeClick() {
    // Filled by the file-panel work: the make-directory dialog.
}

void TForm1::EditPopClick() {
    // Filled by the editor work: open the selected file in the editor.
}

void TForm1::SBPClick() {
    // Filled by the information-window work.
}

void TForm1::SetFileListItemHeights() {
    // Filled by the file-panel work: item height 60 for ListBox1 and ListBox2.
}

void TForm1::ApplyFilterSelection() {
    // Filled by the file-panel work: select FilterIndex in the filter box and give its
    // mask to ListBox1.
}

int TForm1::FilterBoxIndex() const {
    // The file panel replaces this with its filter box's current index.
    return FilterIndex;
}

bool TForm1::ActiveListHasSelection() const {
    // The file panel provides the selection; without it nothing is selected.
    return Selection && Selection->selectedFile().has_value();
}

void TForm1::RememberTreeDirectory() {
    // Filled by the file-panel work: RememberedDirectory = the tree's current directory.
}

void TForm1::OpenTreeOnRememberedDirectory() {
    // Filled by the file-panel work: with the viewer open and the directory panel shown,
    // open the tree on RememberedDirectory and select its drive.
}

void TForm1::FilePanelFormShow() {
    // Filled by the file-panel work: create the archive window hidden, open the tree on
    // RememberedDirectory and give it the focus.
}

void TForm1::ClearSearchResults() {
    // Filled by the search work: empty ListBox2.
}

void TForm1::LoadUnzipLibrary() {
    // Filled by the archive work: bind the ZIP library (raises when it cannot be bound).
}

void TForm1::UnloadUnzipLibrary() {
    // Filled by the archive work.
}

void TForm1::LoadImagePlugins() {
    // Filled by the image-preview work: locate, load and bind both image plug-ins.
}

void TForm1::UnloadImagePlugins() {
    // Filled by the image-preview work.
}

void TForm1::AcceptShellDrops() {
    // Files dropped from other programs are started, each in its own folder.
    launcher::ShellDropFilter::Install(this);
}

void TForm1::ReleaseTrayIcon() {
    // Filled by the window-modes work: remove the notification icon if one is held.
}
