#pragma once
// The launcher strip: the notebook of eleven launcher pages and the control page, the
// tab set under it, the 154 slots with their entries, and the context menu's page-select
// and registration submenus. It registers files on slots and starts them; what the file
// browser has selected it learns through a SelectionSource.
#include "launcher/EntryTable.h"
#include "launcher/LaunchRules.h"

#include <QCursor>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>

class QAction;
class QMenu;
class QStackedWidget;
class QWidget;
namespace core {
struct SharedState;
} // namespace core
namespace ui {
class AlignLayout;
class Panel;
class TabSet;
} // namespace ui

namespace launcher {

class SelectionSource;
class SlotButton;
class StripKeys;
class SlotImage;
class TTabsetF;
enum class PictureRule;
struct PictureChoice;

class LauncherStrip : public QObject {
    Q_OBJECT
public:
    static constexpr int kPages = EntryTable::kPages; // launcher pages, index 0..10
    static constexpr int kSlots = EntryTable::kSlots;
    static constexpr int kControlPage = 11; // notebook index of the control page
    static constexpr int kSlotButtonSize = 36;
    static constexpr int kTabSetHeight = 17;

    // Builds the notebook and the tab set at the top of the window's layout and adds the
    // page-select and registration submenus to the context menu.
    LauncherStrip(core::SharedState& state, QWidget* window, ui::AlignLayout* layout,
                  QMenu* contextMenu);

    // Captions of the notebook's twelve pages, shown as the tab set's tabs.
    static QStringList NotebookPageCaptions();
    // The notebook's current page index: the single source of truth for the page.
    int PageIndex() const;
    bool OnLauncherPage() const { return PageIndex() >= 0 && PageIndex() < kPages; }
    // The file browser's selection; none: nothing is selected anywhere.
    void setSelectionSource(SelectionSource* source) { Selection = source; }

    // ---- Controls ---------------------------------------------------------------------
    QStackedWidget* Notebook1 = nullptr;
    ui::TabSet* TabSet1 = nullptr;
    std::array<ui::Panel*, kPages> BPPanels{}; // BP1Panel .. BP11Panel, in page order
    ui::Panel* ControlPanel = nullptr;         // the control page; its buttons are the window's
    // Slot controls of page p, slot k: button "BP<p+1>FileName<k>", image "BP<p+1>SPi<k>".
    std::array<std::array<SlotButton*, kSlots>, kPages> SlotButtons{};
    std::array<std::array<SlotImage*, kSlots>, kPages> SlotImages{};
    QMenu* PageSelect = nullptr;
    std::array<QAction*, 12> PageItems{}; // Page1, page2..page4, Page5..Page11, Control
    QAction* TabSetPMenu = nullptr;       // opens the page tab-name dialog
    QPointer<TTabsetF> TabsetF;           // the tab-name dialog while it is open
    StripKeys* Keys = nullptr;            // the pages' buttons by keyboard
    QMenu* PopButton = nullptr;
    std::array<QAction*, kSlots> ButtonItems{}; // Button1 .. Button14, tags 1..14

    // ---- State ------------------------------------------------------------------------
    EntryTable Entries;
    QImage TmpImage;        // the work image: icons are composed on it, then copied to a slot
    QStringList PageNames;  // 11 names, "TabName" keys
    QString TabSetHintText; // the tab set's hint as built (CR LF between lines)

    // ---- Start-up steps ---------------------------------------------------------------
    void LoadEntries(const std::function<void()>& afterEach);
    void BuildSlotControls(int page, const std::function<void()>& afterEach);
    void ShowStartupEntries();
    void SetHandCursors(const std::array<QCursor, 3>& cursors);
    void LoadPageNames();
    void SavePageNames();

    // ---- Pages ------------------------------------------------------------------------
    void TabSet1Change(int newTab, bool* allow);
    void TabSet1Click();
    void Page1Click(QObject* sender);
    void SetSlotImagesEnabled(bool enabled);
    void CheckPageItem(int index);
    void BuildPageCaptions();
    // Shows page index (0..11) the way the tab set does: notebook, tab, menu check.
    void ShowPage(int index);
    // Opens the page tab-name dialog, building it when there is none.
    void TabSetPMenuClick();
    void BP1PanelDblClick();
    // The context menu opens: registration captions and whether registering is possible.
    void UpdateMenuItems();

    // ---- Slots ------------------------------------------------------------------------
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
    // What a click on slot k of the current page would start now (nothing is started).
    ShellRequest PlannedSlotClick(int slot) const;

signals:
    void pageChanged(int page); // the notebook shows another page

private:
    // Makes the picture of choice at the resolution of the screen the slot's image is
    // on and shows it; raises EZelmoError, the image unchanged, when it cannot be read.
    void ShowSlotPicture(SlotImage* image, const PictureChoice& choice);
    // The same picture shown as "no icon" ("USAGI").
    void ShowNoIconPicture(SlotImage* image);
    // Every slot's picture made again, after the screen's scale changed.
    void RemakeSlotPictures();
    void RegisterOnSlot(int slot, PictureRule rule, const QString& path, QAction* menuItem);

    core::SharedState& state_;
    SelectionSource* Selection = nullptr;
};

} // namespace launcher
