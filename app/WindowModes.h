#pragma once
// The main window's modes: the viewer open or closed, maximised or normal size,
// minimised, the zoom of every control, the task tray with its menu, the title clock of
// the control page, and moving the caption-less window by its background. It owns the
// mode items of the context menu, the tray menu, the frame and the clock's timer.
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

class ControlPage;
class QAction;
class QMenu;
class QTimer;
class QWidget;
namespace browser {
class FilePanel;
} // namespace browser
namespace core {
struct SharedState;
} // namespace core
namespace launcher {
class LauncherStrip;
} // namespace launcher
namespace ui {
class FramelessFrame;
class TrayService;
} // namespace ui
namespace zoom {
struct ScaleStep;
} // namespace zoom

class WindowModes : public QObject {
    Q_OBJECT
public:
    // Below this a zoom-out step is refused: at 23 percent the launcher buttons would be
    // 8 pixels and every text 2 or 3 pixels high, nothing left to read or to hit.
    static constexpr int kMinZoom = 30;
    // How long the window system may take to maximise before the window does it itself.
    static constexpr int kMaximizeSettleMs = 300;

    // Adds the mode items to the context menu before `before` and builds the tray menu,
    // the frame and the clock.
    WindowModes(core::SharedState& state, QWidget* window, launcher::LauncherStrip& launcher,
                browser::FilePanel& files, ControlPage& controls, QMenu* contextMenu,
                QAction* before);

    // The caption while maximised (the window has a title bar only then).
    static QString MaximizedCaption();
    // A stored zoom as the window starts with it.
    static int NormalizedZoom(int stored);

    // ---- Controls ---------------------------------------------------------------------
    QAction *Normalsize = nullptr, *VierClose = nullptr;
    QAction *PopupMax = nullptr, *PopupNor = nullptr, *PopupMini = nullptr;
    QAction *ZoomOut = nullptr, *ZoomIn = nullptr, *TaskTray = nullptr;
    QMenu* PopupMenu3 = nullptr; // the tray menu
    QAction *TaskTaryShow = nullptr, *N16 = nullptr, *N13 = nullptr;
    QTimer* Timer1 = nullptr;            // runs once a second while the control page is shown
    ui::FramelessFrame* Frame = nullptr; // moving and edge resizing without a caption
    ui::TrayService* Tray = nullptr;     // the notification icon while in the tray
    int DirectoryPanelShare = 0;         // the directory panel's share of the width, in percent

    // ---- Remembered values ------------------------------------------------------------
    void LoadViewerStyle();
    void SaveViewerStyle();
    void LoadZoom();
    void SaveZoom();
    void LoadTaskTray();
    void SaveTaskTray();

    // ---- Handlers ---------------------------------------------------------------------
    void ApplyViewerState();
    void VierButtonClick();
    void VierCloseClick();
    void PopupMaxClick();
    void PopupNorClick();
    void MinimizeButtonClick();
    void ZoomOutClick();
    void ZoomInClick();
    void TaskTrayClick();
    void TaskTaryShowClick();
    void FormShow();  // the maximise and normal-size buttons follow the window
    void FormPaint(); // a window that was in the tray at the last exit goes back there
    void Timer1Timer();
    // Start-up: scales the controls for the stored zoom and gives the window back the
    // size it had before (with the viewer closed, the height of the scaled strip), on
    // the screen.
    void ScaleForStartupZoom(QSize keep);
    void PageChanged(int page); // the clock runs on the control page only
    // The context menu opens: zooming is for the normal window.
    void UpdateMenuItems();
    // A press on the background, a page panel, the control page or the tab set: the
    // frame moves the window on a left press; a right press opens the context menu.
    void FormMouseDown(QWidget* sender, Qt::MouseButton button, QPoint pos);
    void ReleaseTrayIcon();
    // The list index the preview showed last (0 before it has shown anything), through
    // PreviewIndexSource, which the window sets to the preview's.
    int PreviewLastIndex() const;
    std::function<int()> PreviewIndexSource;

signals:
    void exitRequested();   // the tray menu's exit item
    void editorRequested(); // the tray menu's editor item

private:
    void BuildMenus(QMenu* contextMenu, QAction* before);
    void ScaledChanged(); // after every scaling of the controls
    void SetFramed(bool framed);
    void FitDirectoryPanel(); // the directory panel's share of the window width
    void ApplyScaleStep(const zoom::ScaleStep& step);
    void SetSizeButtons(bool maximized);
    void KeepOnScreen();

    core::SharedState& state_;
    QWidget* window_;
    launcher::LauncherStrip& launcher_;
    browser::FilePanel& files_;
    ControlPage& controls_;
    QMenu* contextMenu_;
    QRect normalGeometry_; // where the window was before it was maximised
};
