#pragma once
// The main window: a caption-less window with the launcher strip on top (the notebook of
// eleven launcher pages and the control page, with its tab set) and, when the viewer is
// open, the file browser below. It builds the layout, runs start-up and shutdown, keeps
// the context menu and owns one object per part, wiring them together:
//   launcher::LauncherStrip  pages, slots, registering and launching   (launcher/)
//   browser::FilePanel       drive and filter boxes, tree, lists        (browser/)
//   search::BulkSearch       the search of a folder and all below it    (search/)
//   WindowModes              viewer, maximise, zoom, tray, clock, moving (app/)
//   ControlPage              the control page's tool buttons            (app/)
// and, as a window of its own created hidden after the rest, the preview window
//   preview::TPreviewFormX   one file of the list shown large           (preview/)
// and, made on demand and freed when closed, the information window
//   info::TAboutBox          clock, memory meter, libraries present      (info/)
// What several parts read is one core::SharedState, owned here.
#include "core/SharedState.h"

#include <QCursor>
#include <QPixmap>
#include <QWidget>
#include <array>
#include <memory>

class ControlPage;
class QAction;
class QMenu;
class TSplashScreen;
class WindowModes;
namespace browser {
class FilePanel;
} // namespace browser
namespace launcher {
class LauncherStrip;
} // namespace launcher
namespace preview {
class PreviewHost;
class TPreviewFormX;
} // namespace preview
namespace search {
class BulkSearch;
} // namespace search
namespace ui {
class AlignLayout;
} // namespace ui

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Builds the window's controls and runs FormCreate. An error that escapes creation
    // is shown in the error box and the window goes on with what was built.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override; // FormDestroy

    static constexpr int kDesignWidth = 592;
    static constexpr int kDesignHeight = 453;

    // ---- The parts ----------------------------------------------------------------------
    core::SharedState& State() { return state_; }
    launcher::LauncherStrip& Launcher() const { return *launcher_; }
    browser::FilePanel& Files() const { return *files_; }
    search::BulkSearch& Search() const { return *search_; }
    WindowModes& Modes() const { return *modes_; }
    ControlPage& Controls() const { return *controls_; }
    preview::TPreviewFormX& Preview() const { return *preview_; }

    // ---- The window's own controls and values -------------------------------------------
    ui::AlignLayout* Layout = nullptr; // docks the strip and the browser's panels
    QMenu* PopupMenu1 = nullptr;       // the context menu; each part adds its items
    QAction* HelpH1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* EditPop = nullptr;  // the editor (F2)
    QAction* PopupVer = nullptr; // the information window
    QPixmap WorkBitmap1, WorkBitmap2;
    std::array<QCursor, 3> HandCursors; // HANDPNT, HANDFLAT, HANDHIT
    bool ClosedByCommand = false;       // set by the close command, never cleared

    // ---- Life cycle ---------------------------------------------------------------------
    void FormCreate();
    void FormShow();
    void FormActivate();
    bool FormCloseQuery(); // true: the close may go on
    void FormClose();
    void FormDestroy();
    void CloseButtonClick();
    void N13Click(); // the tray menu's exit
    void HelpH1Click();
    bool CloseSecondaryWindows(); // false: a window refused (unsaved text)
    // Each part updates its items of the context menu as it opens.
    void PopupMenu1Popup();

    // The confirmation texts, addressed to the user by name.
    static QString CloseByCommandText(const QString& userName);
    static QString CloseOtherwiseText(const QString& userName);
    // Top-left corner of the close-command question for a cursor position.
    static QPoint CloseQuestionPosition(QPoint cursor, int screenHeight);

    // ---- Where the parts still to come join ---------------------------------------------
    // The editor (control page, tray menu, F2): open the selected file in it.
    void EditPopClick();
    // The information window (control page, context menu): made unless it exists, shown.
    void SBPClick();
    // The archive libraries: bind the ZIP library found at this path at start-up (raises
    // when it cannot be bound), release it at shutdown.
    void LoadUnzipLibrary(const QString& libraryPath);
    void UnloadUnzipLibrary();
    // The image plug-ins: locate and bind both at start-up, release them at shutdown.
    void LoadImagePlugins();
    void UnloadImagePlugins();

signals:
    void formClosed(); // the close was allowed and done

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void BuildDesign();
    void ConnectParts();
    void LocateArchiveLibraries();
    void SetHandCursors();
    void AcceptShellDrops();
    // The preview window, hidden, wired to the file panel and the tray.
    void CreatePreviewForm();
    // The archive window, hidden, once for the run (the viewer's first opening or showing).
    void CreateMeltView();

    core::SharedState state_;
    launcher::LauncherStrip* launcher_ = nullptr;
    ControlPage* controls_ = nullptr;
    browser::FilePanel* files_ = nullptr;
    search::BulkSearch* search_ = nullptr;
    WindowModes* modes_ = nullptr;
    TSplashScreen* splash_ = nullptr;
    std::unique_ptr<preview::PreviewHost> previewHost_; // outlives the preview
    std::unique_ptr<preview::TPreviewFormX> preview_;   // a window of its own
    bool exitWriteFailed_ = false; // the settings file refused the writes of the exit
};
