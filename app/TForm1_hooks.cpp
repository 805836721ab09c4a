// Where the other parts join the main window: the image plug-ins, and the parts still to
// come (the editor, the information window, the archive libraries), each filled in by the
// work that builds its part; until then each does nothing.
#include "app/TForm1.h"

#include "pictures/PluginPictures.h"

void TForm1::EditPopClick() {
    // Filled by the editor: open the selected file in the editor.
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
