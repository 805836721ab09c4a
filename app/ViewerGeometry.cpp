#include "app/ViewerGeometry.h"

namespace viewer {

int OpenHeight(int screenHeight) {
    return screenHeight * 2 / 3;
}

int ClosedHeight(int notebookHeight, int tabSetHeight, int borderHeight) {
    return notebookHeight + tabSetHeight + borderHeight + 6;
}

int PanelShare(int panelWidth, int windowWidth) {
    return windowWidth > 0 ? panelWidth * 100 / windowWidth : 0;
}

int PanelWidth(int windowWidth, int share) {
    return windowWidth * share / 100;
}

QPoint ContextMenuPos(QPoint cursor, bool launcherPageShown, bool listHasSelection,
                      bool viewerOpen) {
    if (launcherPageShown && listHasSelection && !viewerOpen)
        return cursor;
    return cursor + QPoint(10, 0);
}

} // namespace viewer
