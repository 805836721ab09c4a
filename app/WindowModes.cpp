// Window modes of the main window: viewer open or closed, maximise or normal size,
// minimise, the zoom of every control, and the context menu of the window background.
// The tray and the title clock are in WindowModes_tray_clock.cpp.
#include "app/WindowModes.h"

#include "app/ControlPage.h"
#include "app/ViewerGeometry.h"
#include "app/ZoomRules.h"
#include "browser/FilePanel.h"
#include "core/BusyCursor.h"
#include "core/Placement.h"
#include "core/SettingsFile.h"
#include "core/SharedState.h"
#include "launcher/LauncherStrip.h"
#include "ui/ControlScaling.h"
#include "ui/TabSet.h"

#include <QAction>
#include <QMenu>
#include <QScopeGuard>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

using core::BusyCursor;

namespace {
const QString kFormStyle = QStringLiteral("FormStyle");
}

QString WindowModes::MaximizedCaption() {
    return QStringLiteral(
        "  Zelmo32 ： 一時的に表示を大きくしています。用が済んだらビューアを閉じるが便利です。");
}

// ---- Remembered values ---------------------------------------------------------------

void WindowModes::LoadViewerStyle() {
    state_.ViewerOpen = SettingsFile().ReadBool(kFormStyle, QStringLiteral("ViewerStyle"), true);
}

void WindowModes::SaveViewerStyle() {
    SettingsFile ini;
    ini.WriteBool(kFormStyle, QStringLiteral("ViewerStyle"), state_.ViewerOpen);
}

int WindowModes::NormalizedZoom(int stored) {
    // Values close to 100 come from rounding in the zoom steps; they mean full size. So
    // does a zoom below the smallest the steps allow: its controls would be too small to
    // use and could not be brought back.
    const int zoom = zoom::StartupZoom(stored);
    return zoom < kMinZoom ? 100 : zoom;
}

void WindowModes::LoadZoom() {
    state_.Zoom =
        NormalizedZoom(SettingsFile().ReadInteger(kFormStyle, QStringLiteral("ZoomInOut"), 100));
    state_.PreviousZoom = state_.Zoom;
}

void WindowModes::SaveZoom() {
    SettingsFile ini;
    ini.WriteInteger(kFormStyle, QStringLiteral("ZoomInOut"), state_.Zoom);
}

void WindowModes::LoadTaskTray() {
    state_.InTray = SettingsFile().ReadBool(kFormStyle, QStringLiteral("TaskTray"), false);
}

void WindowModes::SaveTaskTray() {
    SettingsFile ini;
    ini.WriteBool(kFormStyle, QStringLiteral("TaskTray"), state_.InTray);
}

// ---- Viewer --------------------------------------------------------------------------

void WindowModes::ApplyViewerState() {
    const bool open = state_.ViewerOpen;
    files_.ShowViewer(open);
    Normalsize->setEnabled(!open);
    controls_.VierButton->setEnabled(!open);
    VierClose->setEnabled(open);
    for (QToolButton* button : {controls_.VierCloseBottun, controls_.DirSPB, controls_.FindDirSPB})
        button->setEnabled(open);
    launcher_.SetSlotImagesEnabled(open);
    const int height = open
                           ? viewer::OpenHeight(state_.ScreenHeight)
                           : viewer::ClosedHeight(launcher_.Notebook1->height(),
                                                  launcher_.TabSet1->height(), state_.BorderHeight);
    window_->resize(window_->width(), height);
    SaveViewerStyle();
}

void WindowModes::VierButtonClick() {
    BusyCursor busy;
    // 1.
    if (state_.ViewerOpen)
        return;
    // 2. The archive window, hidden, for the lists' archives.
    if (state_.EnsureMeltView)
        state_.EnsureMeltView();
    // 3.
    state_.ViewerOpen = true;
    ApplyViewerState();
    SavePlacement(window_);
    // 4.
    files_.SetListRows(6);
    // 5. The tree and the drive box back where they were (a failure leaves them).
    files_.RestoreDirectory();
    // 6. Reads the list.
    files_.FilterComboBox1Change();
}

void WindowModes::VierCloseClick() {
    BusyCursor busy;
    // 1.
    files_.ClearForViewerClose();
    // 2.
    if (window_->isMaximized())
        PopupNorClick();
    // 3. Creating lifts the height lock while the window shrinks to the strip.
    if (state_.ViewerOpen) {
        SetFramed(false);
        state_.ViewerOpen = false;
        state_.Creating = true;
        ApplyViewerState();
        SavePlacement(window_);
        state_.Creating = false;
        files_.RememberTreeDirectory();
        files_.SaveLastDirectory();
    }
    // 4. The context menu's position follows from the state when it opens.
}

// ---- Maximise and normal size --------------------------------------------------------

void WindowModes::SetFramed(bool framed) {
    const bool frameless = window_->windowFlags() & Qt::FramelessWindowHint;
    if (frameless == !framed)
        return;
    // Changing the flags hides a shown window; it is shown again by the caller's show
    // call (maximise) or here.
    const bool wasVisible = window_->isVisible();
    window_->setWindowFlag(Qt::FramelessWindowHint, !framed);
    if (wasVisible && !framed)
        window_->show();
}

void WindowModes::ApplyScaleStep(const zoom::ScaleStep& step) {
    if (step.scale) {
        ui::ScaleControls(window_, step.m, step.d);
        ScaledChanged();
    }
    state_.Zoom = step.zoom;
    state_.PreviousZoom = step.previousZoom;
}

void WindowModes::FitDirectoryPanel() {
    files_.SetDirectoryPanelWidth(viewer::PanelWidth(window_->width(), DirectoryPanelShare));
}

void WindowModes::SetSizeButtons(bool maximized) {
    controls_.SBMax->setEnabled(!maximized);
    controls_.ZoomoutSB->setEnabled(!maximized);
    controls_.ZoomInSB->setEnabled(!maximized);
    controls_.SBNor->setEnabled(maximized);
}

void WindowModes::PopupMaxClick() {
    BusyCursor busy;
    // 1.
    const int filterIndex = files_.BeginSizeChange();
    // 10. The sheet and the filter come back once the tree has settled.
    const auto finally =
        qScopeGuard([this, filterIndex] { files_.EndSizeChange(filterIndex, false); });
    // 2.
    if (!state_.ViewerOpen)
        VierButtonClick();
    // 3.
    files_.RememberTreeDirectory();
    files_.SetDirSpace(true);
    // 4. and 5. The share is taken before the window changes size.
    if (!window_->isMaximized()) {
        normalGeometry_ = window_->geometry(); // frameless: the frame rectangle too
        SetNormalFrame(window_, normalGeometry_);
    }
    DirectoryPanelShare = viewer::PanelShare(files_.DirectoryPanelWidth(), window_->width());
    // 6.
    const zoom::ScaleStep step = zoom::MaximizeStep(state_.Zoom, state_.PreviousZoom);
    ApplyScaleStep(step);
    // 7. A normal caption and frame while the window is large.
    window_->setWindowTitle(MaximizedCaption());
    SetFramed(true);
    window_->showMaximized();
    // 8. The window system answers the request in its own time: the panel takes its
    //    share again once it has.
    FitDirectoryPanel();
    QTimer::singleShot(kMaximizeSettleMs, this, [this, before = normalGeometry_] {
        if (!window_->isMaximized() || window_->isMinimized())
            return;
        // Without a window manager nothing answers at all: the window takes the
        // screen's work area itself, and stays maximised.
        if (window_->geometry() == before)
            if (QScreen* s = window_->screen()) {
                window_->setGeometry(s->availableGeometry());
                window_->setWindowState(window_->windowState() | Qt::WindowMaximized);
            }
        FitDirectoryPanel();
    });
    // 9.
    SetSizeButtons(true);
}

void WindowModes::PopupNorClick() {
    BusyCursor busy;
    // 1.
    const int filterIndex = files_.BeginSizeChange();
    // 7. As for maximise, the sheet is chosen once the tree has settled.
    const auto finally =
        qScopeGuard([this, filterIndex] { files_.EndSizeChange(filterIndex, true); });
    // 2.
    files_.RememberTreeDirectory();
    files_.SetDirSpace(true);
    // 3.
    const zoom::ScaleStep step = zoom::NormalStep(state_.Zoom, state_.PreviousZoom);
    ApplyScaleStep(step);
    // 4. The title is the taskbar's text here: back to the program's name.
    const bool wasMaximized = window_->isMaximized();
    window_->setWindowTitle(QStringLiteral("Zelmo32"));
    window_->showNormal();
    SetFramed(false);
    // A window manager puts the window back where it was; without one we do.
    if (wasMaximized && normalGeometry_.isValid())
        window_->setGeometry(normalGeometry_);
    SetNormalFrame(window_, QRect());
    // 5.
    FitDirectoryPanel();
    // 6.
    SetSizeButtons(false);
}

void WindowModes::MinimizeButtonClick() {
    window_->showMinimized();
}

void WindowModes::FormShow() {
    const bool maximized = window_->isMaximized();
    controls_.SBMax->setEnabled(!maximized);
    controls_.SBNor->setEnabled(maximized);
}

void WindowModes::UpdateMenuItems() {
    // Zooming is for the normal window; maximised it can only go back to normal.
    const bool maximized = window_->isMaximized();
    ZoomOut->setEnabled(!maximized);
    ZoomIn->setEnabled(!maximized);
    PopupMax->setEnabled(!maximized);
    PopupNor->setEnabled(maximized);
}

// ---- Zoom ----------------------------------------------------------------------------

void WindowModes::ScaledChanged() {
    // The tab set draws its tabs one pixel lower than itself.
    launcher_.TabSet1->setTabHeight(launcher_.TabSet1->height() - 1);
}

void WindowModes::ZoomOutClick() {
    BusyCursor busy;
    const int zoomed = zoom::ZoomedOut(state_.Zoom);
    if (zoomed < kMinZoom)
        return;
    // 1.
    if (state_.ViewerOpen)
        files_.RememberTreeDirectory();
    // 2. and 3.
    state_.Creating = true;
    ui::ScaleBy(window_, zoom::kZoomOutM, zoom::kZoomOutD);
    state_.Zoom = zoomed;
    ScaledChanged();
    // 4.
    state_.Creating = false;
    if (state_.ViewerOpen)
        files_.RestoreDirectory();
}

void WindowModes::ZoomInClick() {
    BusyCursor busy;
    // 1.
    if (state_.ViewerOpen)
        files_.RememberTreeDirectory();
    // 2. and 3.
    state_.Creating = true;
    ui::ScaleBy(window_, zoom::kZoomInM, zoom::kZoomInD);
    state_.Zoom = zoom::ZoomedIn(state_.Zoom);
    ScaledChanged();
    window_->resize(
        zoom::BoundAfterZoomIn(window_->size(), QSize(state_.ScreenWidth, state_.ScreenHeight)));
    // The window grows to the right and down: it must not leave the screen there.
    KeepOnScreen();
    // 4.
    state_.Creating = false;
    if (state_.ViewerOpen)
        files_.RestoreDirectory();
}

void WindowModes::KeepOnScreen() {
    window_->move(
        zoom::KeptOnScreen(window_->geometry(), QSize(state_.ScreenWidth, state_.ScreenHeight)));
}

void WindowModes::ScaleForStartupZoom(QSize keep) {
    ui::ScaleControls(window_, state_.Zoom, 100);
    ScaledChanged();
    if (zoom::UsesSmallListFont(state_.Zoom))
        files_.UseSmallListFont(zoom::kSmallListFontPixels);
    // With the viewer closed the window is the strip alone, and its height is locked:
    // the height from before the scaling would cut the strip off (or leave a gap).
    if (!state_.ViewerOpen)
        keep.setHeight(viewer::ClosedHeight(launcher_.Notebook1->height(),
                                            launcher_.TabSet1->height(), state_.BorderHeight));
    // The window's own limits must not hold it at a scaled size.
    window_->setMinimumSize(window_->minimumSize().boundedTo(keep));
    window_->resize(keep);
    // A placement stored by an older run may reach past the screen's edge.
    KeepOnScreen();
}

// ---- Mouse on the background -----------------------------------------------------------

void WindowModes::FormMouseDown(QWidget* sender, Qt::MouseButton button, QPoint pos) {
    // Moving by a left press is the frame's.
    if (button != Qt::RightButton)
        return;
    const QPoint cursor = sender ? sender->mapToGlobal(pos) : QCursor::pos();
    contextMenu_->popup(viewer::ContextMenuPos(cursor, launcher_.OnLauncherPage(),
                                               files_.ListHasSelection(), state_.ViewerOpen));
}
