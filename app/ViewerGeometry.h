#pragma once
// Sizes the main window takes in its viewer modes, and where its menus open.
//
// How TForm1 uses it:
//   viewer open     resize(width(), OpenHeight(ScreenHeight))
//   viewer closed   resize(width(), ClosedHeight(Notebook1->height(), TabSet1->height(),
//                                                BorderHeight))
//   maximise        DirectoryPanelShare = PanelShare(DirectoryPanel->width(), width());
//   max / normal    DirectoryPanel->resize(PanelWidth(width(), DirectoryPanelShare), ...)
//   right press     PopupMenu1->popup(ContextMenuPos(QCursor::pos(), ...))
#include <QPoint>

namespace viewer {

// With the viewer open the window is two thirds of the screen high.
int OpenHeight(int screenHeight);

// With the viewer closed only the launcher strip is left: the notebook, the tab set,
// the frame border and a few pixels of slack.
int ClosedHeight(int notebookHeight, int tabSetHeight, int borderHeight);

// The directory panel's width as a percentage of the window width, taken before the
// window changes size so that the panel keeps its share. 0 for a window of no width.
int PanelShare(int panelWidth, int windowWidth);
int PanelWidth(int windowWidth, int share);

// The context menu opens 10 pixels right of the cursor, so the pointer is not on its
// first item; except over a launcher page while the closed viewer still holds a
// selection in ListBox1, where it opens at the cursor.
QPoint ContextMenuPos(QPoint cursor, bool launcherPageShown, bool listHasSelection,
                      bool viewerOpen);

} // namespace viewer
