// Handlers and start-up steps of subsystems that are not built yet: the file panel,
// the directory tree, the bulk search, the make-directory dialog, the editor, the
// information window, the archive and image libraries. Each is filled in by the work
// that builds its subsystem; until then each does nothing (or reports that there is
// nothing: no list selection, the filter index as read).
#include "app/TForm1.h"

#include "launcher/SelectionSource.h"
#include "launcher/ShellDrops.h"
#include "ui/TrayService.h"

void TForm1::DirMakeClick() {
    // Filled by the file-panel work: the make-directory dialog.
}

void TForm1::EditPopClick() {
    // Filled by the editor work: open the selected file in the editor.
}

void TForm1::SBPClick() {
    // Filled by the information-window work.
}

bool TForm1::ActiveListHasSelection() const {
    // The file panel provides the selection; without it nothing is selected.
    return Selection && Selection->selectedFile().has_value();
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

void TForm1::SelectImageClick() {
    // Filled by the image-preview work: show the selection in the preview window and
    // go to the task tray.
}

bool TForm1::LoadPictureThroughPlugin(const QString& /*path*/, QPixmap& /*bitmap*/) {
    // Filled by the image-loading work: a GIF or JPEG picture through the image
    // plug-ins. Until then the selection image stays empty for them.
    return false;
}

void TForm1::ReleaseTrayIcon() {
    // The icon goes with the tray service: no icon outlives the window.
    delete Tray;
    Tray = nullptr;
}

int TForm1::PreviewLastIndex() const {
    // Filled by the image-preview work: the list index the preview showed last. It has
    // never run before that work exists.
    return 0;
}
