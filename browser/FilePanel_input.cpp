// The file panel's input: the lists' keys, mouse and menus, double click and Enter, the
// header sorting, the rows and columns menus, the sheets, the tree's keys, mouse and
// menus, the directory panel's show/hide and splitter; and the start-up steps of the
// panel.
#include "browser/FilePanel.h"

#include "core/SharedState.h"

#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FileOperations.h"
#include "browser/FilePanelEvents.h"
#include "browser/FilePanelSelection.h"
#include "browser/FilePanelText.h"
#include "browser/ResultSheet.h"
#include "browser/TDirMakeForm.h"
#include "core/BusyCursor.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "platform/Shell.h"
#include "ui/CaptionPanel.h"
#include "ui/HelpWindow.h"
#include "ui/MessageDialog.h"
#include "ui/Panel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>

using core::BusyCursor;

namespace browser {

void FilePanel::Connect() {
    selection_ = new FilePanelSelection(this, this);
    sheet_ = new ResultSheet(*this);
    (new FilePanelEvents(this))->install();
    Operations = new FileOperations(*this, state_, window_);

    connect(DriveComboBox1, &QComboBox::activated, this, [this] { DriveComboBox1Change(); });
    connect(FilterComboBox1, &QComboBox::activated, this, [this] { FilterComboBox1Change(); });
    connect(Panel1, &ui::Panel::mouseUp, this, [this](Qt::MouseButton b, QPoint p) {
        if (b == Qt::LeftButton && Panel1->rect().contains(p))
            Panel1Click();
    });
    DirList2->OnChange = [this](TDirTreeViewS*, const QString&) { DirList2Change(); };
    for (TFileListBoxS* list : {ListBox1, ListBox2})
        list->OnDrawItem = [this](TFileListBoxS& l, QPainter& p, int index, const QRect& r,
                                  bool selected) { ListBox1DrawItem(l, p, index, r, selected); };
    for (QHeaderView* header : {HeaderControl1, HeaderControl2})
        connect(header, &QHeaderView::sectionClicked, this,
                [this, header](int section) { HeaderControl1SectionClick(header, section); });
    connect(PageControl, &QTabWidget::currentChanged, this, [this] { PageControlChange(); });
    connect(PanelL, &ui::CaptionPanel::clicked, this, [this] { DirSPBClick(); });
    connect(PanelR, &ui::CaptionPanel::clicked, this, [this] { DirSPBClick(); });
    connect(DirectoryPanel, &ui::Panel::mouseDown, this,
            [this](Qt::MouseButton b, QPoint p) { DirectoryPanelMouseDown(b, p); });
    connect(DirectoryPanel, &ui::Panel::mouseMove, this,
            [this](QPoint p) { DirectoryPanelMouseMove(p); });
    connect(DirectoryPanel, &ui::Panel::mouseUp, this, [this] { DirectoryPanelMouseUp(); });
    // The result sheet's information bar; the search bar is the bulk search's.
    connect(DPanel, &ui::Panel::mouseMove, this, [this] { DPanelMouseMove(); });
    connect(DPanel, &ui::Panel::mouseUp, this, [this](Qt::MouseButton b, QPoint p) {
        if (b == Qt::LeftButton && DPanel->rect().contains(p))
            DPanelClick();
    });
    // Help topics of the panel's controls and items.
    ui::SetHelpContext(Edit1, 1042);
    ui::SetHelpContext(FindDirectory, 1042);
    ui::SetHelpContext(DirSee, 1044);
    ui::SetHelpContext(ListBox1, 1060);
    ui::SetHelpContext(ListBox2, 1060);
}

// ---- Start-up steps ------------------------------------------------------------------

void FilePanel::SetFileListItemHeights() {
    ListBox1->SetItemHeight(60);
    ListBox2->SetItemHeight(60);
}

void FilePanel::ApplyFilterSelection() {
    int index = state_.FilterIndex;
    // An index the box does not have chooses its last entry, as the box itself would.
    if (index < 0 || index >= FilterComboBox1->count())
        index = FilterComboBox1->count() - 1;
    {
        const QSignalBlocker block(FilterComboBox1);
        FilterComboBox1->setCurrentIndex(index);
    }
    const QString mask = FilterComboBox1->currentData().toString();
    if (!state_.Creating || !ListBox1->Directory().isEmpty()) {
        ListBox1->SetMask(mask);
        return;
    }
    // The mask would list the process's current directory now, only for the tree to list
    // the remembered folder in its place a moment later (often the same folder, on the
    // first start): the listing waits until start-up knows which one it needs.
    ListBox1->PresetMask(mask);
    startupListingOwed_ = true;
}

void FilePanel::SettleStartupListing() {
    if (!std::exchange(startupListingOwed_, false))
        return;
    ListBox1->SetMask(ListBox1->Mask());
}

int FilePanel::FilterBoxIndex() const {
    return FilterComboBox1 ? FilterComboBox1->currentIndex() : state_.FilterIndex;
}

void FilePanel::RememberTreeDirectory() {
    const QString dir = DirList2->currentItem() ? DirList2->GetSelectedPath() : QString();
    if (!dir.isEmpty())
        state_.RememberedDirectory = dir;
}

void FilePanel::OpenTreeOnRememberedDirectory() {
    if (state_.ViewerOpen && !DirectoryPanel->isHidden()) {
        RestoreDirectory();
        restoredAtCreation_ = true;
    }
    SettleStartupListing();
}

void FilePanel::FilePanelFormShow() {
    const bool restoredAtCreation = std::exchange(restoredAtCreation_, false);
    if (DirectoryPanel->isHidden())
        return;
    // The archive window, hidden, for the lists' archives.
    if (state_.EnsureMeltView)
        state_.EnsureMeltView();
    if (restoredAtCreation && DirList2->currentItem() && !DirList2->DirSpace() &&
        DirList2->GetSelectedPath() == state_.RememberedDirectory) {
        // The first showing right after creation: the tree is already there and the list
        // holds its folder. Walking there again would list the folder (and every folder
        // above it) once more; only the rows follow the height the list has now, as the
        // listing would have made them.
        ListBox1->SetGyou(ListBox1->Gyou());
        ShowTreeDriveInBox();
    } else {
        RestoreDirectory();
    }
    DirList2->setFocus();
}

// ---- Lists -----------------------------------------------------------------------------

void FilePanel::ListBox1DrawItem(TFileListBoxS& list, QPainter& painter, int index,
                                 const QRect& rect, bool selected) {
    ItemPainter.PaintFileItem(list, painter, list.GetItemPath(index), rect, selected);
}

void FilePanel::ListBox1DblClick() {
    TFileListBoxS* list = ActiveList();
    if (!list)
        return;
    if (list->ItemIndex() < 0) {
        DirectoryPanel->show();
        return;
    }
    emit launchRequested(list->GetSelectedPath());
}

bool FilePanel::ListBox1KeyDown(TFileListBoxS* /*list*/, QKeyEvent* e) {
    if (state_.ArchiveListBusy)
        return true;
    if (e->key() == Qt::Key_F12) {
        TFileListBoxS* active = ActiveList();
        if (active && active->ItemIndex() >= 0) {
            // Started as it is: no slot changes and no message when it fails.
            platform::ShellStart(active->GetSelectedPath(), QString(), QString(),
                                 platform::SW_SHOW);
            return true;
        }
    }
    return false;
}

void FilePanel::ListBox1KeyUp(TFileListBoxS* list, QKeyEvent* e) {
    if (list->ItemIndex() < 0)
        return;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        ListBox1DblClick();
    list->setFocus();
}

bool FilePanel::ListBox1KeyPress(TFileListBoxS* /*list*/, QKeyEvent* e) {
    if (e->text() != QLatin1String(" "))
        return false;
    SelectImageClick();
    return true;
}

void FilePanel::ListBox1MouseDown(TFileListBoxS* list, Qt::MouseButton button,
                                  Qt::KeyboardModifiers modifiers, QPoint pos) {
    const QPoint cursor = QCursor::pos();
    // 1.
    ColourPanelsForSelection(list);
    const bool shiftOrCtrl = modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
    QMenu* menu = nullptr;
    if (button == Qt::LeftButton) {
        // 2. A drag starts once the mouse has moved a few pixels.
        if (ListDragging || list->ItemAtPos(pos, true) < 0)
            return;
        ListDragging = true;
        if (modifiers & Qt::ControlModifier)
            state_.DropAction = core::daCopy;
        else if (modifiers & Qt::ShiftModifier)
            state_.DropAction = core::daMove;
        else
            state_.DropAction = core::daExtract;
        return;
    } else if (button == Qt::RightButton && shiftOrCtrl) {
        // 3. The file-operation menu (made by the file-operations work).
        list->SetItemIndex(list->ItemAtPos(pos, false));
        menu = PopupMenu5;
    } else if (button == Qt::RightButton) {
        // 4.
        list->SetItemIndex(list->ItemAtPos(pos, false));
        ListBox1Click(list);
        menu = contextMenu_;
    }
    if (menu)
        menu->popup(ListMenuAt(list, menu, cursor));
}

void FilePanel::ColourPanelsForSelection(TFileListBoxS* list) {
    if (list->ItemIndex() < 0)
        return;
    // Programs show their texts in blue.
    const bool program = ExtensionKey(list->GetSelectedPath()) == QLatin1String(".EXE");
    const QColor colour = program ? QColor(0, 0, 255) : QColor(0, 0, 0);
    PanelR->setTextColor(colour);
    PanelL->setTextColor(colour);
}

QPoint FilePanel::ListMenuAt(TFileListBoxS* list, QMenu* menu, QPoint cursor) const {
    const bool centred = (ControlPageShown && ControlPageShown()) || list->ItemIndex() < 0;
    return ListMenuPosition(cursor, centred, menu->sizeHint().width());
}

void FilePanel::ListBox1MouseUp() {
    ListDragging = false;
}

void FilePanel::ListBox1EndDrag() {
    ListDragging = false;
}

// ---- Sorting, rows and columns, sheets -----------------------------------------------

void FilePanel::HeaderControl1SectionClick(QHeaderView* header, int section) {
    const bool searchSheet = header == HeaderControl2;
    TFileListBoxS* list = searchSheet ? ListBox2 : ListBox1;
    SelectImage->clear();
    ShowListSummary(list);
    if (section == 0) {
        ui::MessageBox(QString(), SortHelpText(searchSheet), ui::MsgIcon::None, ui::mbOK);
        return;
    }
    const int key = SectionSortKey(section, searchSheet);
    if (key >= 0)
        ToggleSort(list, key);
}

void FilePanel::ToggleSort(TFileListBoxS* list, int key) {
    BusyCursor busy;
    const SortState next =
        ToggledSort({list->SortOrder(), int(list->SortDirection())}, TSortOrder(key));
    list->SetSortOrder(next.order);
    list->SetSortDirection(TSortDirection(next.direction));
}

namespace {
int tagOf(QObject* sender) {
    const auto* item = qobject_cast<const QAction*>(sender);
    return item ? item->data().toInt() : 0;
}
} // namespace

void FilePanel::K11Click(QObject* sender) {
    TFileListBoxS* list = ActiveList();
    BusyCursor busy;
    list->BeginUpdate();
    list->SetGyou(tagOf(sender));
    list->EndUpdate();
    list->setFocus();
}

void FilePanel::K2Click(QObject* sender) {
    TFileListBoxS* list = ActiveList();
    BusyCursor busy;
    list->BeginUpdate();
    const int selected = list->ItemIndex();
    list->SetColumns(tagOf(sender));
    list->SetTopIndex(selected);
    list->SetItemIndex(selected);
    list->EndUpdate();
    list->setFocus();
}

void FilePanel::K12Click(QObject* sender) {
    TFileListBoxS* list = ActiveList();
    BusyCursor busy;
    list->BeginUpdate();
    const int selected = list->ItemIndex();
    list->SetGyou(tagOf(sender));
    list->SetColumns(tagOf(sender));
    list->SetTopIndex(selected);
    list->SetItemIndex(selected);
    list->EndUpdate();
    list->setFocus();
}

void FilePanel::PageControlChange() {
    BusyCursor busy;
    FocusActiveSheet();
}

void FilePanel::FileListChanClick() {
    BusyCursor busy;
    {
        const QSignalBlocker block(PageControl);
        PageControl->setCurrentWidget(PageControl->currentWidget() == TabSheet1 ? TabSheet2
                                                                                : TabSheet1);
    }
    FocusActiveSheet();
}

// ---- The tree --------------------------------------------------------------------------

bool FilePanel::DirList2KeyPress(QKeyEvent* e) {
    if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter)
        return false;
    if (QTreeWidgetItem* node = DirList2->currentItem())
        node->setExpanded(!node->isExpanded());
    platform::setCurrentDirectory(DirList2->GetSelectedPath());
    return true;
}

void FilePanel::DirList2MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                  QPoint pos) {
    const QPoint cursor = QCursor::pos();
    // A node is under the mouse on its picture or name, not on its expand button.
    QTreeWidgetItem* node = DirList2->itemAt(pos);
    if (node && !DirList2->visualItemRect(node).contains(pos))
        node = nullptr;
    if (button == Qt::LeftButton) {
        if (!TreeDragging && node) {
            if (DirList2->currentItem() != node)
                DirList2->SelectNode(node);
            TreeDragging = true; // the drag starts once the mouse has moved a few pixels
        }
    } else if (button == Qt::RightButton &&
               (modifiers & (Qt::ShiftModifier | Qt::ControlModifier))) {
        state_.TargetDirectory = DirList2->GetNodePath(node);
        if (PopupMenu4)
            PopupMenu4->popup(TreeMenuPosition(cursor));
        TreeMenuShown = true;
    } else if (button == Qt::RightButton && node) {
        DirList2->SelectNode(node);
        node->setExpanded(true);
    }
}

void FilePanel::DirList2MouseUp(Qt::MouseButton button) {
    TreeDragging = false;
    if (button == Qt::RightButton && !TreeMenuShown)
        PopupMenu2->popup(TreeMenuPosition(QCursor::pos()));
    TreeMenuShown = false;
}

void FilePanel::DirList2StartDrag() {
    TreeDragging = true;
}

void FilePanel::DirList2EndDrag() {
    TreeDragging = false;
}

bool FilePanel::DirList2DragOver(QObject* /*source*/) {
    // Every drag is welcome here; the drop itself acts only on files from a file list.
    return true;
}

void FilePanel::RootMoveClick() {
    DirList2->SelectNode(DirList2->FirstNode());
}

void FilePanel::TOPT1Click() {
    DirList2->SelectNode(DirList2->FirstNode());
}

void FilePanel::LASTL1Click() {
    DirList2->SelectNode(DirList2->LastNode());
}

void FilePanel::K1Click() {
    DirList2->Rebuild();
}

// ---- Directory panel -------------------------------------------------------------------

void FilePanel::DirSPBClick() {
    if (Panel3->isHidden() && DirectoryPanel->isHidden())
        return; // the viewer is closed
    DirectoryPanel->setVisible(DirectoryPanel->isHidden());
    emit panelButtonHintChanged(DirectoryPanel->isHidden() ? QStringLiteral("パネル表示")
                                                           : QStringLiteral("パネル非表示"));
}

void FilePanel::DirectoryPanelMouseDown(Qt::MouseButton button, QPoint pos) {
    if (button == Qt::LeftButton && OnSplitter(pos.x(), DirectoryPanel->width()))
        splitterCaptured_ = true;
}

void FilePanel::DirectoryPanelMouseMove(QPoint pos) {
    if (!splitterCaptured_) {
        DirectoryPanel->setCursor(OnSplitter(pos.x(), DirectoryPanel->width()) ? Qt::SplitHCursor
                                                                               : Qt::ArrowCursor);
        return;
    }
    if (SplitterWidthAllowed(pos.x(), window_->width()))
        DirectoryPanel->resize(pos.x(), DirectoryPanel->height());
}

void FilePanel::DirectoryPanelMouseUp() {
    splitterCaptured_ = false;
}

// ---- The result sheet ------------------------------------------------------------------

void FilePanel::FocusActiveSheet() {
    CountLabel->clear();
    CountLabel->adjustSize();
    PanelR->setCaption(QString());
    SelectImage->clear();
    if (PageControl->currentWidget() == TabSheet2) {
        if (ListBox2->Count() > 0) {
            ListBox2->SetItemIndex(-1);
            ListBox2->viewport()->update();
            ShowListSummary(ListBox2);
            ListBox2->setFocus();
        } else {
            Edit1->setFocus();
        }
        return;
    }
    ListBox1->SetItemIndex(-1);
    ListBox1->viewport()->update();
    ShowListSummary(ListBox1);
    ListBox1->setFocus();
}

void FilePanel::ListBox2MouseMove(QPoint pos) {
    if (ListBox2->ItemIndex() >= 0)
        return;
    const int index = ListBox2->ItemAtPos(pos, true);
    if (index >= 0) {
        DpanelLabel->setText(QStringLiteral(" ") +
                             platform::displayName(ListBox2->GetItemPath(index)));
        return;
    }
    DpanelLabel->setText(BaseCaption(ShownSearchBase(TreeDirectory())));
}

void FilePanel::DPanelClick() {
    ListBox2->SetItemIndex(-1);
    ListBox2->viewport()->update();
}

void FilePanel::DPanelMouseMove() {
    if (ListBox2->Count() > 0)
        DpanelLabel->setText(BaseCaption(ShownSearchBase(state_.SearchBase)));
}

// ---- Hooks of later work ---------------------------------------------------------------

void FilePanel::DirMakeClick() {
    emit viewerNeeded();
    BusyCursor busy;
    auto* form = qobject_cast<TDirMakeForm*>(state_.Windows.DirMakeForm.data());
    if (!form) {
        // The application's, kept for the run; destroyed at the end so that its
        // placement is saved.
        form = new TDirMakeForm(DirList2);
        connect(qApp, &QCoreApplication::aboutToQuit, form, &QObject::deleteLater);
        state_.Windows.DirMakeForm = form;
    }
    form->SetParentDirectory(DirList2->GetSelectedPath());
    form->show();
    if (form->isMinimized())
        form->showNormal();
}

void FilePanel::SelectImageClick() {
    if (!SelectImage->isHidden() && ShowPreview)
        ShowPreview();
}

bool FilePanel::SelectImageMouseDown(Qt::MouseButton button) {
    if (button != Qt::RightButton)
        return false;
    const TFileListBoxS* list = ActiveList();
    // Only the launcher pages take a file; the control page has no slots.
    return list && list->ItemIndex() >= 0 && !(ControlPageShown && ControlPageShown());
}

} // namespace browser
