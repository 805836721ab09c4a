// Where the other parts join the main window: the image plug-ins, the editor, and the parts still
// to come (the information window, the archive libraries), each filled in by the work that builds
// its part; until then each does nothing.
#include "app/TForm1.h"

#include "browser/FileListBox.h"
#include "browser/FilePanel.h"
#include "editor/OpenInEditor.h"
#include "pictures/PluginPictures.h"

void TForm1::EditPopClick() {
    editor::EditorOpenFacts facts;
    facts.viewerOpen = state_.ViewerOpen;
    facts.inTray = state_.InTray;
    if (const browser::TFileListBoxS* list = files_->ActiveList(); list && list->ItemIndex() >= 0)
        facts.selectedPath = list->GetSelectedPath();
    editor::EditPopClick(state_, facts);
}

void TForm1::SBPClick() {
    // Filled by the information window.
}

void TForm1::LoadUnzipLibrary() {
    // Filled by the archive libraries: bind the ZIP library.
}

void TForm1::UnloadUnzipLibrary() {
    // Filled by the archive libraries.
}

void TForm1::LoadImagePlugins() {
    const pictures::PluginPaths paths = pictures::LocatePlugins(pictures::PluginCandidateFolders());
    state_.GifPluginPath = paths.Gif;
    state_.JpegPluginPath = paths.Jpeg;
    pictures::BindPlugins(paths);
}

void TForm1::UnloadImagePlugins() {
    pictures::ReleasePlugins();
}
