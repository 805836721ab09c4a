#pragma once
// The file browser below the launcher strip: the bottom bar with the drive and filter
// boxes, the directory panel with the tree, the two sheets of file lists (the current
// folder and the bulk search's result) with their headers and information bars, the
// panel's items of the context menu and the tree's menu. It owns their handlers and the
// selection and drag state; the window hears of what it cannot do itself by signals.
#include "browser/FileItemPainter.h"
#include "core/SharedState.h"
#include "launcher/SelectionSource.h"
#include "ui/AlignLayout.h"
#include "ui/CaptionPanel.h"
#include "ui/MenuKeys.h"

#include <QObject>
#include <QPixmap>
#include <QPoint>
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
class QToolButton;
class QWidget;
class TDirTreeViewS;

namespace browser {
class SearchSheet;
class TFileListBoxS;

class FilePanel : public QObject {
    Q_OBJECT
public:
    // Builds the panel into the window's layout; its menu items go before the first separator.
    FilePanel(core::SharedState& state, QWidget* window, ui::AlignLayout* layout,
              QMenu* contextMenu);

    // The launcher's view of the selection (the active list, the tree, the picture).
    launcher::SelectionSource* Selection() const { return selection_; }
    std::function<bool()> ControlPageShown; // lists' menus open centred on the control page

    // ---- Controls ---------------------------------------------------------------------
    ui::Panel* Panel1 = nullptr;          // bottom bar
    QComboBox* DriveComboBox1 = nullptr;  // item data: the drive's root
    QComboBox* FilterComboBox1 = nullptr; // item data: the entry's mask
    QLabel* CountLabel = nullptr;
    ui::Panel *DirectoryPanel = nullptr, *Panel3 = nullptr; // left and right
    TDirTreeViewS* DirList2 = nullptr;
    ui::CaptionPanel *PanelL = nullptr, *PanelR = nullptr; // their information bars
    QLabel* SelectImage = nullptr;
    QTabWidget* PageControl = nullptr;
    QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr;
    QHeaderView *HeaderControl1 = nullptr, *HeaderControl2 = nullptr;
    TFileListBoxS *ListBox1 = nullptr, *ListBox2 = nullptr; // tags 1 and 2
    ui::Panel *DPanel = nullptr, *SPanel = nullptr;         // the result sheet's bars
    QLabel *DpanelLabel = nullptr, *Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* SSpeedB = nullptr;
    // Items of the context menu.
    QMenu *GyouM = nullptr, *RetuM = nullptr, *GRM = nullptr;
    std::array<QAction*, 12> GyouItems{}; // K11 K21 K31 K41 K51 K6 K61 K7 K8 K9 K111 K121
    std::array<QAction*, 4> RetuItems{};  // K2 K3 K4 K5
    std::array<QAction*, 3> GRItems{};    // K12 K13 K14
    QAction *FindDirectory = nullptr, *RootMove = nullptr, *DirSee = nullptr;
    QAction* FileListChan = nullptr;
    // The tree's menu.
    QMenu *PopupMenu2 = nullptr, *EXT = nullptr;
    std::array<QAction*, 13> ExtItems{}; // EXE ALL LZH ... GIF, tags 0..12
    QAction *FindDirectory1 = nullptr, *TOPT1 = nullptr, *LASTL1 = nullptr, *K1 = nullptr;
    QMenu *PopupMenu4 = nullptr, *PopupMenu5 = nullptr; // the file operations' menus
    class FileOperations* Operations = nullptr;         // their handlers and the tree's drop

    // ---- State ------------------------------------------------------------------------
    bool ListDragging = false, TreeDragging = false, TreeMenuShown = false;
    // Paints the items of both lists; its picture loader also serves the selection image.
    FileItemPainter ItemPainter;

    // ---- Start-up, shutdown and the window's modes ------------------------------------
    void SetFileListItemHeights();
    void LoadLastDirectory(); // "oldDirPath" and "FilterCBox"
    void SaveLastDirectory();
    void ApplyFilterSelection();
    int FilterBoxIndex() const;
    void RememberTreeDirectory();
    void RestoreDirectory();
    void ShowTreeDriveInBox(); // when the box shows another drive than the tree
    void OpenTreeOnRememberedDirectory();
    // The listing the filter's mask asked for at start-up, when the tree made none.
    void SettleStartupListing();
    void FilePanelFormShow();
    void ShowViewer(bool open); // the three panels
    void SetListRows(int rows); // the first sheet's list
    void ClearForViewerClose();
    // Maximise and normal size: the lists wait, the sheet and filter come back after.
    int BeginSizeChange(); // gives the filter index to restore
    void EndSizeChange(int filterIndex, bool restoreDirectory);
    void SetDirSpace(bool on); // the tree sleeps while the window changes size
    int DirectoryPanelWidth() const;
    void SetDirectoryPanelWidth(int width);
    void UseSmallListFont(int pixels); // the tree and the result list
    bool ListHasSelection() const;     // the first sheet's list
    void Panel3Resize();

    // ---- Handlers ---------------------------------------------------------------------
    void UpdateMenuItems();            // the context menu opens
    TFileListBoxS* ActiveList() const; // ListBox1 on TabSheet1, else ListBox2
    void FocusActiveList();            // the keyboard to it, with the window (viewer open only)
    void DriveComboBox1Change();
    void FilterComboBox1Change();
    void Panel1Click();
    void BMPClick(QObject* sender);
    void PopupMenu2Popup();
    void WidenFilterFor(const QString& path);
    void DirList2Change();
    void ShowListSummary(TFileListBoxS* list);
    void ListBox1Click(TFileListBoxS* list);
    void ListBox1DblClick();
    bool ListBox1KeyDown(TFileListBoxS* list, QKeyEvent* e); // true: swallowed
    void ListBox1KeyUp(TFileListBoxS* list, QKeyEvent* e);
    bool ListBox1KeyPress(TFileListBoxS* list, QKeyEvent* e); // true: swallowed
    void ListBox1MouseDown(TFileListBoxS* list, Qt::MouseButton button,
                           Qt::KeyboardModifiers modifiers, QPoint pos);
    void ListBox1MouseUp();
    void ListBox1EndDrag();
    void ListBox1DrawItem(TFileListBoxS& list, QPainter& painter, int index, const QRect& rect,
                          bool selected);
    void HeaderControl1SectionClick(QHeaderView* header, int section);
    void ToggleSort(TFileListBoxS* list, int key);
    void K11Click(QObject* sender);
    void K2Click(QObject* sender);
    void K12Click(QObject* sender);
    void PageControlChange();
    void FileListChanClick();
    void FocusActiveSheet();
    bool DirList2KeyPress(QKeyEvent* e); // true: swallowed
    void DirList2MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void DirList2MouseUp(Qt::MouseButton button);
    void DirList2StartDrag();
    void DirList2EndDrag();
    bool DirList2DragOver(QObject* source);
    void RootMoveClick();
    void TOPT1Click();
    void LASTL1Click();
    void K1Click(); // the tree's refresh
    void DirSPBClick();
    void DirectoryPanelMouseDown(Qt::MouseButton button, QPoint pos);
    void DirectoryPanelMouseMove(QPoint pos);
    void DirectoryPanelMouseUp();
    void ListBox2MouseMove(QPoint pos);
    void DPanelClick();
    void DPanelMouseMove();
    // The selection image: a left click shows it large; a right press may drag it to a slot.
    void SelectImageClick();
    bool SelectImageMouseDown(Qt::MouseButton button);
    void SelectImageEndDrag() {}
    std::function<void()> ShowPreview; // set by the window: the preview, window to the tray
    void DirMakeClick();               // the make-directory dialog on the tree's folder
    // Menu key or Shift(+Ctrl)+F10 on a list or the tree: a right press's menu at the selection.
    bool OpenMenuByKey(QObject* receiver, ui::MenuKey key);
    std::function<pictures::FileImage(const QString&, const pictures::PictureRequest&)>
        LoadFileImage; // what SelectImage shows for a file; by default the picture service
    void ExtractDroppedArchive(bool fromCurrentDirectory, QPoint dropPoint); // a plain drop
    // The result sheet as the bulk search sees it; the tree's folder (empty: none).
    SearchSheet& Sheet() const { return *sheet_; }
    QString TreeDirectory() const;

signals:
    void launchRequested(const QString& path);        // a double click or Enter on a file
    void findDirectoryRequested();                    // the search items of the menus
    void panelButtonHintChanged(const QString& hint); // the directory panel shown or hidden
    void viewerNeeded(); // the make-directory dialog opens the viewer first

private:
    void BuildControls(QWidget* window, ui::AlignLayout* layout);
    void BuildMenus(QWidget* window, QMenu* contextMenu);
    void Connect();
    void ColourPanelsForSelection(TFileListBoxS* list); // a press on a list
    void RemakeSelectImage();                           // for a screen of another scale
    QPoint ListMenuAt(TFileListBoxS* list, QMenu* menu, QPoint cursor) const;

    core::SharedState& state_;
    QWidget* window_;
    QMenu* contextMenu_;
    launcher::SelectionSource* selection_ = nullptr;
    SearchSheet* sheet_ = nullptr;
    bool splitterCaptured_ = false;
    int returnSheet_ = 1; // the sheet to return to after maximise / normal size
    // Start-up: the listing waits until the tree lists the folder it opened at creation.
    bool startupListingOwed_ = false;
    bool restoredAtCreation_ = false;
    QString selectImageFile_; // what SelectImage was made from
};

} // namespace browser
