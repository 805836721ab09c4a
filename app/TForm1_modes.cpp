// Window modes of the main window: viewer open or closed, maximised or normal, zoom,
// task tray, the title clock, and moving the caption-less window with the mouse.
//
// What exists so far: the viewer state is stored and decides whether slot images take
// the mouse, and a right press opens the context menu. The panels of the viewer, window
// heights, maximise/normal, zoom scaling, the tray, the clock and moving the window are
// filled in by the window-modes work; until then those commands do nothing.
#include "app/TForm1.h"

#include <QCursor>
#include <QMenu>

void TForm1::ApplyViewerState() {
    // The file browser panels, the viewer menu items and buttons and the window height
    // follow the viewer state once the window-modes work adds them.
    SetSlotImagesEnabled(ViewerOpen);
    SaveViewerStyle();
}

void TForm1::VierButtonClick() {
    // Filled by the window-modes work: open the viewer.
}

void TForm1::VierCloseClick() {
    // Filled by the window-modes work: close the viewer.
}

void TForm1::PopupMaxClick() {
    // Filled by the window-modes work: maximise (opening the viewer first).
}

void TForm1::PopupNorClick() {
    // Filled by the window-modes work: back to normal size.
}

void TForm1::MinimizeButtonClick() {
    // Filled by the window-modes work: minimise the application.
}

void TForm1::ZoomOutClick() {
    // Filled by the window-modes work: scale every control by 700/1000.
}

void TForm1::ZoomInClick() {
    // Filled by the window-modes work: scale every control by 1000/900.
}

void TForm1::TaskTrayClick() {
    // Filled by the window-modes work: hide behind the notification icon.
}

void TForm1::Timer1Timer() {
    // Filled by the window-modes work: title clock and icon animation.
}

void TForm1::ScaleForStartupZoom() {
    // Filled by the window-modes work: scale all controls by Zoom / 100 and shrink the
    // tree's and result list's fonts below 85 percent.
}

void TForm1::FormMouseDown(QWidget* /*sender*/, Qt::MouseButton button, QPoint /*pos*/) {
    // A left press starts moving the window: filled by the window-modes work.
    if (button == Qt::RightButton)
        OpenContextMenu(QCursor::pos() + QPoint(10, 0));
}

void TForm1::FormMouseMove(QWidget* /*sender*/, QPoint /*pos*/) {
    // Filled by the window-modes work: move the window while dragging.
}

void TForm1::FormMouseUp(QWidget* /*sender*/, Qt::MouseButton /*button*/, QPoint /*pos*/) {
    // Filled by the window-modes work: end the move.
}

void TForm1::OpenContextMenu(QPoint globalPos) {
    PopupMenu1->popup(globalPos);
}
