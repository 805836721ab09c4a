#pragma once
// The main window: a caption-less window with the launcher strip on top (the notebook of
// eleven launcher pages and the control page, with its tab set) and, when the viewer is
// open, the file browser below. It holds the widgets and the state several subsystems
// share; its handlers keep their names and live with the subsystem that owns them:
//   app/TForm1.cpp           life cycle glue, closing, help
//   app/TForm1_build.cpp     the controls that exist before creation runs
//   app/TForm1_create.cpp    FormCreate, step by step
//   app/TForm1_settings.cpp  load/save pairs of the remembered values
//   app/TForm1_modes.cpp     window modes (viewer, maximise, zoom, tray, clock, moving)
//   app/TForm1_hooks.cpp     handlers whose subsystems come later
//   launcher/TForm1_pages.cpp  page switching, page menu, context menu state
//   launcher/TForm1_slots.cpp  slot clicks, registration, removal
//   browser/TForm1_filepanel*.cpp  the file browser: drive and filter boxes, tree, lists
//   search/TForm1_search.cpp   the bulk search of a directory and all below it
#include "launcher/EntryTable.h"

#include <QCursor>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>

class QAction;
class QComboBox;
class QHeaderView;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPainter;
class QTabWidget;
class QStackedWidget;
class QTimer;
class QToolButton;
class TDirTreeViewS;
class TSplashScreen;
namespace browser {
class TFileListBoxS;
} // namespace browser
namespace zoom {
struct ScaleStep;
} // namespace zoom
namespace launcher {
class SelectionSource;
class SlotButton;
class SlotImage;
enum class PictureRule;
} // namespace launcher
namespace ui {
class AlignLayout;
class CaptionPanel;
class Panel;
class TabSet;
class FramelessFrame;
class TrayService;
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
    static constexpr int kPages = EntryTable::kPages; // launcher pages, index 0..10
    static constexpr int kSlots = EntryTable::kSlots;
    static constexpr int kControlPage = 11; // notebook index of the control page
    static constexpr int kSlotButtonSize = 36;
    static constexpr int kTabSetHeight = 17;

    // The caption while maximised (the window has a title bar only then).
    static QString MaximizedCaption();
    // Captions of the notebook's twelve pages, shown as the tab set's tabs.
    static QStringList NotebookPageCaptions();

    // The notebook's current page index: the single source of truth for the page.
    int PageIndex() const;
    bool OnLauncherPage() const { return PageIndex() >= 0 && PageIndex() < kPages; }

    // ---- Controls -------------------------------------------------------------------
    ui::AlignLayout* Layout = nullptr; // docks Notebook1, TabSet1 and the browser panels
    QStackedWidget* Notebook1 = nullptr;
    ui::TabSet* TabSet1 = nullptr;
    std::array<ui::Panel*, kPages> BPPanels{}; // BP1Panel .. BP11Panel, in page order
    ui::Panel* ControlPanel = nullptr;
    // Slot controls of page p, slot k: button "BP<p+1>FileName<k>", image "BP<p+1>SPi<k>".
    std::array<std::array<launcher::SlotButton*, kSlots>, kPages> SlotButtons{};
    std::array<std::array<launcher::SlotImage*, kSlots>, kPages> SlotImages{};

    // Control page tool buttons.
    QToolButton* CloseButton = nullptr;
    QToolButton* VierButton = nullptr;
    QToolButton* VierCloseBottun = nullptr;
    QToolButton* ZoomoutSB = nullptr;
    QToolButton* ZoomInSB = nullptr;
    QToolButton* SBMax = nullptr;
    QToolButton* SBNor = nullptr;
    QToolButton* MinimizeButton = nullptr;
    QToolButton* DirSPB = nullptr;
    QToolButton* FindDirSPB = nullptr;
    QToolButton* MKDirSB = nullptr;
    QToolButton* EditB = nullptr;
    QToolButton* TRayButton = nullptr;
    QToolButton* SBP = nullptr;
    QLabel* Image1 = nullptr; // hidden, disabled; the clock draws SBP's glyph through it

    // Context menu and its submenus.
    QMenu* PopupMenu1 = nullptr;
    QMenu* PageSelect = nullptr;
    std::array<QAction*, 12> PageItems{}; // Page1, page2..page4, Page5..Page11, Control
    QMenu* PopButton = nullptr;
    std::array<QAction*, kSlots> ButtonItems{}; // Button1 .. Button14, tags 1..14
    QAction* HelpH1 = nullptr;
    QAction* Exit1 = nullptr;
    // Window-mode items of the context menu.
    QAction* Normalsize = nullptr;
    QAction* VierClose = nullptr;
    QAction* PopupMax = nullptr;
    QAction* PopupNor = nullptr;
    QAction* PopupMini = nullptr;
    QAction* ZoomOut = nullptr;
    QAction* ZoomIn = nullptr;
    QAction* TaskTray = nullptr;
    // Task-tray menu.
    QMenu* PopupMenu3 = nullptr;
    QAction* TaskTaryShow = nullptr;
    QAction* N16 = nullptr;
    QAction* N13 = nullptr;

    QTimer* Timer1 = nullptr; // runs once a second while the control page is shown

    // ---- State ----------------------------------------------------------------------
    EntryTable Entries;
    QImage TmpImage; // the work image: icons are composed on it, then copied to a slot
    // The file browser's selection (the file panel sets it); none: nothing selected.
    launcher::SelectionSource* Selection = nullptr;
    QStringList PageNames;  // 11 names, "TabName" keys
    QString TabSetHintText; // the tab set's hint as built (CR LF between lines)
    int ScreenWidth = 0, ScreenHeight = 0, CaptionHeight = 0, BorderHeight = 0;
    bool Creating = false;
    bool ClosedByCommand = false; // set by the close command, never cleared
    bool ViewerOpen = true;
    bool InTray = false;
    int Zoom = 100;
    int PreviousZoom = 100;
    // Below this a zoom-out step is refused: the launcher buttons would be so small (7
    // pixels at 23 percent, then 4, 2, 1, 0) that zooming in, a whole pixel count times
    // 10/9 at a time, could never bring them back.
    static constexpr int kMinZoom = 30;
    // How long the window system may take to maximise before the window does it itself.
    static constexpr int kMaximizeSettleMs = 300;
    int DirectoryPanelShare = 0;         // the directory panel's share of the width, in percent
    int ReturnSheet = 1;                 // the sheet to return to after maximise / normal size
    ui::FramelessFrame* Frame = nullptr; // moving and edge resizing without a caption
    ui::TrayService* Tray = nullptr;     // the notification icon while in the tray
    QString RememberedDirectory;
    int FilterIndex = 1; // the filter box's index as read; the file panel keeps the live one
    bool UnlhaAvailable = false;
    bool UnzipAvailable = false;
    QPixmap WorkBitmap1, WorkBitmap2;
    std::array<QCursor, 3> HandCursors; // HANDPNT, HANDFLAT, HANDHIT

    // Windows the main window closes when it closes; each is empty until created.
    QPointer<QWidget> PreviewFormX, MeltL, MeltM, DirMakeForm, MeltView, AboutBox;

    // ---- Life cycle (app/TForm1.cpp, app/TForm1_create.cpp) ---------------------------
    void FormCreate();
    void FormShow();
    void FormActivate();
    bool FormCloseQuery(); // true: the close may go on
    void FormClose();
    void FormDestroy();
    void CloseButtonClick();
    void N13Click();
    void HelpH1Click();
    void CloseSecondaryWindows();

    // The confirmation texts, addressed to the user by name.
    static QString CloseByCommandText(const QString& userName);
    static QString CloseOtherwiseText(const QString& userName);
    // Top-left corner of the close-command question for a cursor position.
    static QPoint CloseQuestionPosition(QPoint cursor, int screenHeight);

    // ---- Remembered values (app/TForm1_settings.cpp) ----------------------------------
    void LoadViewerStyle();
    void SaveViewerStyle();
    void LoadZoom();
    void SaveZoom();
    void LoadLastDirectory();
    void SaveLastDirectory();
    void LoadTaskTray();
    void SaveTaskTray();
    void LoadPageNames();
    void SavePageNames();
    static int NormalizedZoom(int stored);

    // ---- Pages (launcher/TForm1_pages.cpp) --------------------------------------------
    void TabSet1Change(int newTab, bool* allow);
    void TabSet1Click();
    void Page1Click(QObject* sender);
    void SetSlotImagesEnabled(bool enabled);
    void CheckPageItem(int index);
    void PopupMenu1Popup();
    void BuildPageCaptions();
    void BP1PanelDblClick();

    // ---- Slots (launcher/TForm1_slots.cpp) --------------------------------------------
    void BP3SPiClick(QObject* sender);
    void BP3SPiMouseDown(QObject* sender, Qt::MouseButton button, QPoint pos);
    void BP3SPiMouseUp(QObject* sender, Qt::MouseButton button, QPoint pos);
    bool BP3SPiDragOver(QObject* sender, QObject* source);
    void BP3SPiDragDrop(QObject* sender, QObject* source);
    void Button1Click(QObject* sender);
    void ShowStartupEntry(int page, int slot);
    void RebuildRegistrationCaptions();
    // A file double-clicked in a file list: shown on the current page's last slot (in
    // memory only) and started.
    void ShowLastLaunched(const QString& path);

    // ---- Window modes (app/TForm1_modes.cpp) ------------------------------------------
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
    void FormPaint();
    void Timer1Timer();
    void ScaleForStartupZoom();
    void Panel3Resize();
    // A press on the background, a page panel, the control page or the tab set: the
    // frame moves the window on a left press; a right press opens the context menu.
    void FormMouseDown(QWidget* sender, Qt::MouseButton button, QPoint pos);

    // ---- Later subsystems (app/TForm1_hooks.cpp) --------------------------------------
    void DirSPBClick();
    void FindDirectoryClick();
    void DirMakeClick();
    void EditPopClick();
    void SBPClick();
    void SetFileListItemHeights();
    void ApplyFilterSelection();
    int FilterBoxIndex() const;
    bool ActiveListHasSelection() const;
    void RememberTreeDirectory();
    void OpenTreeOnRememberedDirectory();
    void FilePanelFormShow();
    void ClearSearchResults();
    void LoadUnzipLibrary();
    void UnloadUnzipLibrary();
    void LoadImagePlugins();
    void UnloadImagePlugins();
    void AcceptShellDrops();
    void ReleaseTrayIcon();
    int PreviewLastIndex() const; // the list index the preview showed last

    // ==== File panel: the file browser below the launcher strip =======================
    // (browser/TForm1_filepanel*.cpp; the bulk search in search/TForm1_search.cpp)
    // Bottom bar.
    ui::Panel* Panel1 = nullptr;
    QComboBox* DriveComboBox1 = nullptr;  // item data: the drive's root
    QComboBox* FilterComboBox1 = nullptr; // item data: the entry's mask
    QLabel* CountLabel = nullptr;
    // Left: the directory panel.
    ui::Panel* DirectoryPanel = nullptr;
    TDirTreeViewS* DirList2 = nullptr;
    ui::CaptionPanel* PanelL = nullptr;
    // Right: the two sheets and the information bar.
    ui::Panel* Panel3 = nullptr;
    ui::CaptionPanel* PanelR = nullptr;
    QLabel* SelectImage = nullptr;
    QTabWidget* PageControl = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QHeaderView* HeaderControl1 = nullptr;
    QHeaderView* HeaderControl2 = nullptr;
    browser::TFileListBoxS* ListBox1 = nullptr; // tag 1
    browser::TFileListBoxS* ListBox2 = nullptr; // tag 2
    ui::Panel* DPanel = nullptr;
    QLabel* DpanelLabel = nullptr;
    ui::Panel* SPanel = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* SSpeedB = nullptr;
    // Items of PopupMenu1.
    QMenu* GyouM = nullptr;
    std::array<QAction*, 12> GyouItems{}; // K11 K21 K31 K41 K51 K6 K61 K7 K8 K9 K111 K121
    QMenu* RetuM = nullptr;
    std::array<QAction*, 4> RetuItems{}; // K2 K3 K4 K5
    QMenu* GRM = nullptr;
    std::array<QAction*, 3> GRItems{}; // K12 K13 K14
    QAction* FindDirectory = nullptr;
    QAction* RootMove = nullptr;
    QAction* DirSee = nullptr;
    QAction* FileListChan = nullptr;
    // The tree's menu.
    QMenu* PopupMenu2 = nullptr;
    QMenu* EXT = nullptr;
    std::array<QAction*, 13> ExtItems{}; // EXE ALL LZH ... GIF, tags 0..12
    QAction* FindDirectory1 = nullptr;
    QAction* TOPT1 = nullptr;
    QAction* LASTL1 = nullptr;
    QAction* K1 = nullptr;
    // The file-operation menus of the tree and of the lists; made by the file-operations
    // work, opened from here when they exist.
    QMenu* PopupMenu4 = nullptr;
    QMenu* PopupMenu5 = nullptr;

    // State of the file panel.
    bool ListDragging = false;
    bool TreeDragging = false;
    bool TreeMenuShown = false;
    bool ArchiveListBusy = false; // the archive window is reading
    QPixmap SelectBitmap;         // a GIF or JPEG picture for SelectImage
    QString SourceFile;
    bool SourceFromSearch = false;
    int SourceSearchIndex = -1;
    enum TDropAction { daExtract = 0, daCopy = 1, daMove = 2 };
    TDropAction DropAction = daExtract;
    QString TargetDirectory;
    QString SearchPattern;
    QString SearchBase;
    bool SearchRunning = false; // a bulk search is filling ListBox2

    // Handlers and operations of the file panel.
    browser::TFileListBoxS* ActiveList() const; // ListBox1 on TabSheet1, else ListBox2
    void DriveComboBox1Change();
    void FilterComboBox1Change();
    void Panel1Click();
    void BMPClick(QObject* sender);
    void PopupMenu2Popup();
    void WidenFilterFor(const QString& path);
    void DirList2Change();
    void ShowListSummary(browser::TFileListBoxS* list);
    void ListBox1Click(browser::TFileListBoxS* list);
    void RestoreDirectory();
    void ListBox1DblClick();
    bool ListBox1KeyDown(browser::TFileListBoxS* list, QKeyEvent* e); // true: swallowed
    void ListBox1KeyUp(browser::TFileListBoxS* list, QKeyEvent* e);
    bool ListBox1KeyPress(browser::TFileListBoxS* list, QKeyEvent* e); // true: swallowed
    void ListBox1MouseDown(browser::TFileListBoxS* list, Qt::MouseButton button,
                           Qt::KeyboardModifiers modifiers, QPoint pos);
    void ListBox1MouseUp();
    void ListBox1EndDrag();
    void ListBox1DrawItem(browser::TFileListBoxS& list, QPainter& painter, int index,
                          const QRect& rect, bool selected);
    void HeaderControl1SectionClick(QHeaderView* header, int section);
    void ToggleSort(browser::TFileListBoxS* list, int key);
    void K11Click(QObject* sender);
    void K2Click(QObject* sender);
    void K12Click(QObject* sender);
    void PageControlChange();
    void FileListChanClick();
    bool DirList2KeyPress(QKeyEvent* e); // true: swallowed
    void DirList2MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void DirList2MouseUp(Qt::MouseButton button);
    void DirList2StartDrag();
    void DirList2EndDrag();
    bool DirList2DragOver(QObject* source);
    void RootMoveClick();
    void TOPT1Click();
    void LASTL1Click();
    void K1Click();
    void DirectoryPanelMouseDown(Qt::MouseButton button, QPoint pos);
    void DirectoryPanelMouseMove(QPoint pos);
    void DirectoryPanelMouseUp();
    // Bulk search.
    void SSpeedBClick();
    bool Edit1KeyPress(QKeyEvent* e); // true: swallowed
    void Edit1KeyDown();
    void FocusActiveSheet();
    void ListBox2MouseMove(QPoint pos);
    void DPanelClick();
    void DPanelMouseMove();
    // Hooks of later work (app/TForm1_hooks.cpp): the selection image's click (image
    // preview), GIF and JPEG pictures through the image plug-ins (image loading).
    void SelectImageClick();
    bool LoadPictureThroughPlugin(const QString& path, QPixmap& bitmap);
    // ==== end of the file panel =========================================================

signals:
    void formClosed(); // the close was allowed and done

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void BuildDesign();
    void BuildNotebook();
    void BuildControlPage();
    void BuildMenus();
    void BuildSlotControls(int page, const std::function<void()>& afterEach);
    void LocateArchiveLibraries();
    void SetHandCursors();
    void BuildWindowModes(); // app/TForm1_modes_build.cpp: frame, tray, mode menu items
    void ScaledChanged();    // after every scaling of the controls
    void SetFramed(bool framed);
    void FitDirectoryPanel(); // the directory panel's share of the window width
    int BeginSizeChange();    // step 1 of maximise / normal size: gives the filter index
    void ApplyScaleStep(const zoom::ScaleStep& step);
    void RestoreSheetAndFilter(int filterIndex); // after maximise / normal size
    QRect normalGeometry_;                       // where the window was before it was maximised
    void BuildFilePanel();                       // browser/TForm1_filepanel_build.cpp
    void BuildFilePanelMenus(); // the panel's items of PopupMenu1 and the tree's menu
    void ConnectFilePanel();    // browser/TForm1_filepanel_input.cpp
    QPoint splitterPress_;
    bool splitterCaptured_ = false;
    QImage SlotPictureFor(launcher::PictureRule rule, const QString& path);
    void RegisterOnSlot(int slot, launcher::PictureRule rule, const QString& path,
                        QAction* menuItem);

    TSplashScreen* splash_ = nullptr;
};
