// Window modes of the main window: viewer open or closed, maximised or normal size,
// minimised, the zoom of every control, and the context menu of the window background.
// The tray and the title clock are in TForm1_tray_clock.cpp.
#include "app/TForm1.h"

#include "core/Placement.h"
#include "app/ViewerGeometry.h"
#include "app/ZoomRules.h"
#include "core/BusyCursor.h"
#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "ui/CaptionPanel.h"
#include "ui/ControlScaling.h"
#include "ui/Panel.h"
#include "ui/TabSet.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

using core::BusyCursor;

QString TForm1::MaximizedCaption() {
    return QStringLiteral(
        "  Zelmo32 ： 一時的に表示を大きくしています。用が済んだらビューアを閉じるが便利です。");
}

// ---- Viewer --------------------------------------------------------------------------

void TForm1::ApplyViewerState() {
    const bool open = ViewerOpen;
    for (QWidget* panel : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Panel3),
                           static_cast<QWidget*>(DirectoryPanel)})
        panel->setVisible(open);
    Normalsize->setEnabled(!open);
    VierButton->setEnabled(!open);
    for (QAction* item : {VierClose, GyouM->menuAction(), RetuM->menuAction(), GRM->menuAction()})
        item->setEnabled(open);
    for (QToolButton* button : {VierCloseBottun, DirSPB, FindDirSPB})
        button->setEnabled(open);
    SetSlotImagesEnabled(open);
    const int height =
        open ? viewer::OpenHeight(ScreenHeight)
             : viewer::ClosedHeight(Notebook1->height(), TabSet1->height(), BorderHeight);
    resize(width(), height);
    SaveViewerStyle();
}

void TForm1::VierButtonClick() {
    BusyCursor busy;
    // 1.
    if (ViewerOpen)
        return;
    // 2. Hook for the archive work: create the archive window (MeltView) hidden here.
    // 3.
    ViewerOpen = true;
    ApplyViewerState();
    SavePlacement(this);
    // 4.
    ListBox1->SetGyou(6);
    // 5. The tree and the drive box back where they were (a failure leaves them).
    RestoreDirectory();
    // 6. Reads the list.
    FilterComboBox1Change();
}

void TForm1::VierCloseClick() {
    BusyCursor busy;
    // 1.
    ListBox1->Clear();
    ListBox2->Clear();
    DpanelLabel->clear();
    PanelR->setCaption(QString());
    CountLabel->clear();
    SelectImage->clear();
    SelectImage->setToolTip(QString());
    if (MeltView)
        MeltView->hide();
    if (DirMakeForm)
        DirMakeForm->hide();
    // 2.
    if (isMaximized())
        PopupNorClick();
    // 3. Creating lifts the height lock while the window shrinks to the strip.
    if (ViewerOpen) {
        SetFramed(false);
        ViewerOpen = false;
        Creating = true;
        ApplyViewerState();
        SavePlacement(this);
        Creating = false;
        RememberTreeDirectory();
        SaveLastDirectory();
    }
    // 4. The context menu's position follows from the state when it opens.
}

// ---- Maximise and normal size --------------------------------------------------------

void TForm1::SetFramed(bool framed) {
    const bool frameless = windowFlags() & Qt::FramelessWindowHint;
    if (frameless == !framed)
        return;
    // Changing the flags hides a shown window; it is shown again by the caller's show
    // call (maximise) or here.
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::FramelessWindowHint, !framed);
    if (wasVisible && !framed)
        show();
}

void TForm1::RestoreSheetAndFilter(int filterIndex) {
    {
        const QSignalBlocker block(FilterComboBox1);
        FilterComboBox1->setCurrentIndex(filterIndex);
    }
    if (ReturnSheet == 2) {
        const QSignalBlocker block(PageControl);
        PageControl->setCurrentWidget(TabSheet2);
    }
}

int TForm1::BeginSizeChange() {
    ListBox1->BeginUpdate();
    ListBox2->Clear();
    DpanelLabel->clear();
    ReturnSheet = PageControl->currentWidget() == TabSheet2 ? 2 : 1;
    return FilterComboBox1->currentIndex();
}

void TForm1::ApplyScaleStep(const zoom::ScaleStep& step) {
    if (step.scale) {
        ui::ScaleControls(this, step.m, step.d);
        ScaledChanged();
    }
    Zoom = step.zoom;
    PreviousZoom = step.previousZoom;
}

void TForm1::FitDirectoryPanel() {
    DirectoryPanel->resize(viewer::PanelWidth(width(), DirectoryPanelShare),
                           DirectoryPanel->height());
}

void TForm1::PopupMaxClick() {
    BusyCursor busy;
    // 1.
    const int filterIndex = BeginSizeChange();
    const auto finally = qScopeGuard([this, filterIndex] {
        // 10. The tree rebuilds when it wakes up, and its change handler shows the
        //     first sheet: the sheet is chosen after that.
        DirList2->SetDirSpace(false);
        RestoreSheetAndFilter(filterIndex);
        ListBox1->EndUpdate();
    });
    // 2.
    if (!ViewerOpen)
        VierButtonClick();
    // 3.
    RememberTreeDirectory();
    DirList2->SetDirSpace(true);
    // 4. and 5. The share is taken before the window changes size.
    if (!isMaximized())
        normalGeometry_ = geometry();
    DirectoryPanelShare = viewer::PanelShare(DirectoryPanel->width(), width());
    // 6.
    const zoom::ScaleStep step = zoom::MaximizeStep(Zoom, PreviousZoom);
    ApplyScaleStep(step);
    // 7. A normal caption and frame while the window is large.
    setWindowTitle(MaximizedCaption());
    SetFramed(true);
    showMaximized();
    // 8. The window system answers the request in its own time: the panel takes its
    //    share again once it has.
    FitDirectoryPanel();
    QTimer::singleShot(kMaximizeSettleMs, this, [this, before = normalGeometry_] {
        if (!isMaximized() || isMinimized())
            return;
        // Without a window manager nothing answers at all: the window takes the
        // screen's work area itself, and stays maximised.
        if (geometry() == before)
            if (QScreen* s = screen()) {
                setGeometry(s->availableGeometry());
                setWindowState(windowState() | Qt::WindowMaximized);
            }
        FitDirectoryPanel();
    });
    // 9.
    SBMax->setEnabled(false);
    ZoomoutSB->setEnabled(false);
    ZoomInSB->setEnabled(false);
    SBNor->setEnabled(true);
}

void TForm1::PopupNorClick() {
    BusyCursor busy;
    // 1.
    const int filterIndex = BeginSizeChange();
    const auto finally = qScopeGuard([this, filterIndex] {
        // 7. As for maximise, the sheet is chosen once the tree has settled.
        DirList2->SetDirSpace(false);
        RestoreDirectory();
        RestoreSheetAndFilter(filterIndex);
        if (!DirectoryPanel->isHidden())
            DirList2->setFocus();
        ListBox1->EndUpdate();
    });
    // 2.
    RememberTreeDirectory();
    DirList2->SetDirSpace(true);
    // 3.
    const zoom::ScaleStep step = zoom::NormalStep(Zoom, PreviousZoom);
    ApplyScaleStep(step);
    // 4. The title is the taskbar's text here: back to the program's name.
    const bool wasMaximized = isMaximized();
    setWindowTitle(QStringLiteral("Zelmo32"));
    showNormal();
    SetFramed(false);
    // A window manager puts the window back where it was; without one we do.
    if (wasMaximized && normalGeometry_.isValid())
        setGeometry(normalGeometry_);
    // 5.
    FitDirectoryPanel();
    // 6.
    SBMax->setEnabled(true);
    ZoomoutSB->setEnabled(true);
    ZoomInSB->setEnabled(true);
    SBNor->setEnabled(false);
}

void TForm1::MinimizeButtonClick() {
    showMinimized();
}

// ---- Zoom ----------------------------------------------------------------------------

void TForm1::ScaledChanged() {
    // The tab set draws its tabs one pixel lower than itself.
    TabSet1->setTabHeight(TabSet1->height() - 1);
}

void TForm1::ZoomOutClick() {
    BusyCursor busy;
    const int zoomed = zoom::ZoomedOut(Zoom);
    if (zoomed < kMinZoom)
        return;
    // 1.
    if (ViewerOpen)
        RememberTreeDirectory();
    // 2. and 3.
    Creating = true;
    ui::ScaleBy(this, zoom::kZoomOutM, zoom::kZoomOutD);
    Zoom = zoomed;
    ScaledChanged();
    // 4.
    Creating = false;
    if (ViewerOpen)
        RestoreDirectory();
}

void TForm1::ZoomInClick() {
    BusyCursor busy;
    // 1.
    if (ViewerOpen)
        RememberTreeDirectory();
    // 2. and 3.
    Creating = true;
    ui::ScaleBy(this, zoom::kZoomInM, zoom::kZoomInD);
    Zoom = zoom::ZoomedIn(Zoom);
    ScaledChanged();
    resize(zoom::BoundAfterZoomIn(size(), QSize(ScreenWidth, ScreenHeight)));
    // 4.
    Creating = false;
    if (ViewerOpen)
        RestoreDirectory();
}

void TForm1::ScaleForStartupZoom() {
    // The caller gives the window its size back afterwards.
    ui::ScaleControls(this, Zoom, 100);
    ScaledChanged();
    if (zoom::UsesSmallListFont(Zoom)) {
        for (QWidget* w : {static_cast<QWidget*>(DirList2), static_cast<QWidget*>(ListBox2)}) {
            QFont f = w->font();
            f.setPixelSize(zoom::kSmallListFontPixels);
            w->setFont(f);
        }
    }
}

// ---- File panel ----------------------------------------------------------------------

void TForm1::Panel3Resize() {
    ListBox1->BeginUpdate();
    ListBox1->SetGyou(ListBox1->Gyou());
    ListBox1->EndUpdate();
}

// ---- Mouse on the background -----------------------------------------------------------

void TForm1::FormMouseDown(QWidget* sender, Qt::MouseButton button, QPoint pos) {
    // Moving by a left press is the frame's (BuildWindowModes).
    if (button != Qt::RightButton)
        return;
    const QPoint cursor = sender ? sender->mapToGlobal(pos) : QCursor::pos();
    const bool listSelection = ListBox1 && ListBox1->ItemIndex() >= 0;
    PopupMenu1->popup(viewer::ContextMenuPos(cursor, OnLauncherPage(), listSelection, ViewerOpen));
}
