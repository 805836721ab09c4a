// Where the parts still to come join the main window: the editor, the information
// window, the archive libraries and the image plug-ins. Each is filled in by the work
// that builds its part; until then each does nothing.
#include "app/TForm1.h"

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
    // Filled by the image loading: locate, load and bind both image plug-ins.
}

void TForm1::UnloadImagePlugins() {
    // Filled by the image loading.
}
