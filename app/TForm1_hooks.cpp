// Where the other parts join the main window: the image plug-ins, the editor, the archive
// libraries and the information window.
#include "app/TForm1.h"

#include "archive/ZipBinding.h"
#include "browser/FileListBox.h"
#include "browser/FilePanel.h"
#include "editor/OpenInEditor.h"
#include "info/TAboutBox.h"
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
    TAboutBox::ShowInformation(state_);
}

void TForm1::LoadUnzipLibrary(const QString& libraryPath) {
    archive::LoadUnzipLibrary(libraryPath);
}

void TForm1::UnloadUnzipLibrary() {
    archive::UnloadUnzipLibrary();
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
