// The file panel's input: the lists' keys, mouse and menus, double click and Enter, the
// header sorting, the rows and columns menus, the sheets, the tree's keys, mouse and
// menus, the directory panel's show/hide and splitter; and the start-up steps of the
// panel.
#include "app/TForm1.h"

#include "core/BusyCursor.h"
#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanelEvents.h"
#include "browser/FilePanelSelection.h"
#include "browser/FilePanelText.h"
#include "platform/FileProbe.h"
#include "platform/Shell.h"
#include "ui/CaptionPanel.h"
#include "ui/HelpWindow.h"
#include "ui/MessageDialog.h"
#include "ui/Panel.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

using core::BusyCursor;
using browser::TFileListBoxS;

void TForm1::ConnectFilePanel() {
    Selection = new browser::FilePanelSelection(this, this);
    (new browser::FilePanelEvents(this))->install();

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
    // The search bar and the result sheet's information bar.
    connect(SSpeedB, &QToolButton::clicked, this, [this] { SSpeedBClick(); });
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

void TForm1::SetFileListItemHeights() {
    ListBox1->SetItemHeight(60);
    ListBox2->SetItemHeight(60);
}

void TForm1::ApplyFilterSelection() {
    int index = FilterIndex;
    // An index the box does not have chooses its last entry, as the box itself would.
    if (index < 0 || index >= FilterComboBox1->count())
        index = FilterComboBox1->count() - 1;
    {
        const QSignalBlocker block(FilterComboBox1);
        FilterComboBox1->setCurrentIndex(index);
    }
    ListBox1->SetMask(FilterComboBox1->currentData().toString());
}

int TForm1::FilterBoxIndex() const {
    return FilterComboBox1 ? FilterComboBox1->currentIndex() : FilterIndex;
}

void TForm1::RememberTreeDirectory() {
    const QString dir = DirList2->currentItem() ? DirList2->GetSelectedPath() : QString();
    if (!dir.isEmpty())
        RememberedDirectory = dir;
}

void TForm1::OpenTreeOnRememberedDirectory() {
    if (ViewerOpen && !DirectoryPanel->isHidden())
        RestoreDirectory();
}

void TForm1::FilePanelFormShow() {
    if (DirectoryPanel->isHidden())
        return;
    // Hook for the archive work: create the archive window hidden here (MeltView).
    RestoreDirectory();
    DirList2->setFocus();
}

// ---- Lists -----------------------------------------------------------------------------

void TForm1::ListBox1DrawItem(TFileListBoxS& list, QPainter& painter, int index, const QRect& rect,
                              bool /*selected*/) {
    // The name under a file picture; the item painter work draws icons and thumbnails.
    painter.fillRect(rect, painter.brush());
    const browser::TFileInfo* record = list.Record(index);
    const int iconSize =
        std::min(32, std::max(0, rect.height() - painter.fontMetrics().height() - 6));
    if (iconSize >= 16) {
        const QIcon icon = list.style()->standardIcon(QStyle::SP_FileIcon);
        icon.paint(&painter, QRect(rect.left() + (rect.width() - iconSize) / 2, rect.top() + 3,
                                   iconSize, iconSize));
    }
    const QRect textRect = rect.adjusted(2, 0, -2, -2);
    const QString name =
        painter.fontMetrics().elidedText(record->DisplayName(), Qt::ElideMiddle, textRect.width());
    painter.drawText(
        textRect, Qt::AlignHCenter | (iconSize >= 16 ? Qt::AlignBottom : Qt::AlignVCenter), name);
}

void TForm1::ListBox1DblClick() {
    TFileListBoxS* list = ActiveList();
    if (!list)
        return;
    if (list->ItemIndex() < 0) {
        DirectoryPanel->show();
        return;
    }
    ShowLastLaunched(list->GetSelectedPath());
}

bool TForm1::ListBox1KeyDown(TFileListBoxS* /*list*/, QKeyEvent* e) {
    if (ArchiveListBusy)
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

void TForm1::ListBox1KeyUp(TFileListBoxS* list, QKeyEvent* e) {
    if (list->ItemIndex() < 0)
        return;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        ListBox1DblClick();
    list->setFocus();
}

bool TForm1::ListBox1KeyPress(TFileListBoxS* /*list*/, QKeyEvent* e) {
    if (e->text() != QLatin1String(" "))
        return false;
    SelectImageClick();
    return true;
}

void TForm1::ListBox1MouseDown(TFileListBoxS* list, Qt::MouseButton button,
                               Qt::KeyboardModifiers modifiers, QPoint pos) {
    const QPoint cursor = QCursor::pos();
    // 1. Programs show their texts in blue.
    if (list->ItemIndex() >= 0) {
        const bool program =
            browser::ExtensionKey(list->GetSelectedPath()) == QLatin1String(".EXE");
        const QColor colour = program ? QColor(0, 0, 255) : QColor(0, 0, 0);
        PanelR->setTextColor(colour);
        PanelL->setTextColor(colour);
    }
    const bool shiftOrCtrl = modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
    QMenu* menu = nullptr;
    if (button == Qt::LeftButton) {
        // 2. A drag starts once the mouse has moved a few pixels.
        if (ListDragging || list->ItemAtPos(pos, true) < 0)
            return;
        ListDragging = true;
        if (modifiers & Qt::ControlModifier)
            DropAction = daCopy;
        else if (modifiers & Qt::ShiftModifier)
            DropAction = daMove;
        else
            DropAction = daExtract;
        return;
    } else if (button == Qt::RightButton && shiftOrCtrl) {
        // 3. The file-operation menu (made by the file-operations work).
        list->SetItemIndex(list->ItemAtPos(pos, false));
        menu = PopupMenu5;
    } else if (button == Qt::RightButton) {
        // 4.
        list->SetItemIndex(list->ItemAtPos(pos, false));
        ListBox1Click(list);
        menu = PopupMenu1;
    }
    if (!menu)
        return;
    const bool centred = PageIndex() == kControlPage || list->ItemIndex() < 0;
    menu->popup(browser::ListMenuPosition(cursor, centred, menu->sizeHint().width()));
}

void TForm1::ListBox1MouseUp() {
    ListDragging = false;
}

void TForm1::ListBox1EndDrag() {
    ListDragging = false;
}

// ---- Sorting, rows and columns, sheets -----------------------------------------------

void TForm1::HeaderControl1SectionClick(QHeaderView* header, int section) {
    const bool searchSheet = header == HeaderControl2;
    TFileListBoxS* list = searchSheet ? ListBox2 : ListBox1;
    SelectImage->clear();
    ShowListSummary(list);
    if (section == 0) {
        ui::MessageBox(QString(), browser::SortHelpText(searchSheet), ui::MsgIcon::None, ui::mbOK);
        return;
    }
    const int key = browser::SectionSortKey(section, searchSheet);
    if (key >= 0)
        ToggleSort(list, key);
}

void TForm1::ToggleSort(TFileListBoxS* list, int key) {
    BusyCursor busy;
    const browser::SortState next = browser::ToggledSort(
        {list->SortOrder(), int(list->SortDirection())}, browser::TSortOrder(key));
    list->SetSortOrder(next.order);
    list->SetSortDirection(browser::TSortDirection(next.direction));
}

namespace {
int tagOf(QObject* sender) {
    const auto* item = qobject_cast<const QAction*>(sender);
    return item ? item->data().toInt() : 0;
}
} // namespace

void TForm1::K11Click(QObject* sender) {
    TFileListBoxS* list = ActiveList();
    BusyCursor busy;
    list->BeginUpdate();
    list->SetGyou(tagOf(sender));
    list->EndUpdate();
    list->setFocus();
}

void TForm1::K2Click(QObject* sender) {
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

void TForm1::K12Click(QObject* sender) {
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

void TForm1::PageControlChange() {
    BusyCursor busy;
    FocusActiveSheet();
}

void TForm1::FileListChanClick() {
    BusyCursor busy;
    {
        const QSignalBlocker block(PageControl);
        PageControl->setCurrentWidget(PageControl->currentWidget() == TabSheet1 ? TabSheet2
                                                                                : TabSheet1);
    }
    FocusActiveSheet();
}

// ---- The tree --------------------------------------------------------------------------

bool TForm1::DirList2KeyPress(QKeyEvent* e) {
    if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter)
        return false;
    if (QTreeWidgetItem* node = DirList2->currentItem())
        node->setExpanded(!node->isExpanded());
    platform::setCurrentDirectory(DirList2->GetSelectedPath());
    return true;
}

void TForm1::DirList2MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
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
        TargetDirectory = DirList2->GetNodePath(node);
        if (PopupMenu4)
            PopupMenu4->popup(browser::TreeMenuPosition(cursor));
        TreeMenuShown = true;
    } else if (button == Qt::RightButton && node) {
        DirList2->SelectNode(node);
        node->setExpanded(true);
    }
}

void TForm1::DirList2MouseUp(Qt::MouseButton button) {
    TreeDragging = false;
    if (button == Qt::RightButton && !TreeMenuShown)
        PopupMenu2->popup(browser::TreeMenuPosition(QCursor::pos()));
    TreeMenuShown = false;
}

void TForm1::DirList2StartDrag() {
    TreeDragging = true;
}

void TForm1::DirList2EndDrag() {
    TreeDragging = false;
}

bool TForm1::DirList2DragOver(QObject* /*source*/) {
    // Every drag is welcome here; the drop itself acts only on files from a file list.
    return true;
}

void TForm1::RootMoveClick() {
    DirList2->SelectNode(DirList2->FirstNode());
}

void TForm1::TOPT1Click() {
    DirList2->SelectNode(DirList2->FirstNode());
}

void TForm1::LASTL1Click() {
    DirList2->SelectNode(DirList2->LastNode());
}

void TForm1::K1Click() {
    DirList2->Rebuild();
}

// ---- Directory panel -------------------------------------------------------------------

void TForm1::DirSPBClick() {
    if (Panel3->isHidden() && DirectoryPanel->isHidden())
        return; // the viewer is closed
    DirectoryPanel->setVisible(DirectoryPanel->isHidden());
    DirSPB->setToolTip(DirectoryPanel->isHidden() ? QStringLiteral("パネル表示")
                                                  : QStringLiteral("パネル非表示"));
}

void TForm1::DirectoryPanelMouseDown(Qt::MouseButton button, QPoint pos) {
    if (button == Qt::LeftButton && browser::OnSplitter(pos.x(), DirectoryPanel->width()))
        splitterCaptured_ = true;
}

void TForm1::DirectoryPanelMouseMove(QPoint pos) {
    if (!splitterCaptured_) {
        DirectoryPanel->setCursor(browser::OnSplitter(pos.x(), DirectoryPanel->width())
                                      ? Qt::SplitHCursor
                                      : Qt::ArrowCursor);
        return;
    }
    if (browser::SplitterWidthAllowed(pos.x(), width()))
        DirectoryPanel->resize(pos.x(), DirectoryPanel->height());
}

void TForm1::DirectoryPanelMouseUp() {
    splitterCaptured_ = false;
}
