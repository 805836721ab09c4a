// Which page the launcher strip shows, kept in step between the notebook (the single
// source of truth), the tab set and the page-select menu; the context menu's state.
#include "app/TForm1.h"

#include "launcher/PageNames.h"
#include "launcher/SlotControls.h"
#include "ui/TabSet.h"

#include <QAction>
#include <QMenu>
#include <QStackedWidget>
#include <QTimer>

void TForm1::TabSet1Change(int newTab, bool* /*allow*/) {
    Notebook1->setCurrentIndex(newTab);
    SetSlotImagesEnabled(ViewerOpen);
    // The clock only runs on the control page.
    if (newTab == kControlPage)
        Timer1->start(1000);
    else
        Timer1->stop();
}

void TForm1::TabSet1Click() {
    CheckPageItem(TabSet1->tabIndex());
}

void TForm1::Page1Click(QObject* sender) {
    auto* item = qobject_cast<QAction*>(sender);
    if (!item)
        return;
    Notebook1->setCurrentIndex(item->data().toInt() - 1);
    TabSet1->setTabIndex(Notebook1->currentIndex());
    CheckPageItem(Notebook1->currentIndex());
}

void TForm1::SetSlotImagesEnabled(bool enabled) {
    const int page = PageIndex();
    if (page < 0 || page >= kPages)
        return; // the control page has no slots
    for (launcher::SlotImage* image : SlotImages[page])
        if (image && image->isSlotEnabled() != enabled)
            image->setSlotEnabled(enabled);
}

void TForm1::CheckPageItem(int index) {
    if (index < 0 || index >= int(PageItems.size()))
        return;
    for (QAction* item : PageItems)
        item->setChecked(false);
    PageItems[index]->setChecked(true);
}

void TForm1::PopupMenu1Popup() {
    // 1. Registration captions from the page's entries.
    if (OnLauncherPage())
        RebuildRegistrationCaptions();
    // 2. Zooming is for the normal window; maximised it can only go back to normal.
    const bool maximized = isMaximized();
    ZoomOut->setEnabled(!maximized);
    ZoomIn->setEnabled(!maximized);
    PopupMax->setEnabled(!maximized);
    PopupNor->setEnabled(maximized);
    // 3. Registering needs a selected file in the active list.
    PopButton->setEnabled(false);
    if (ViewerOpen && OnLauncherPage() && ActiveListHasSelection())
        PopButton->setEnabled(true);
    // The directory items work on the file panel, so only while it is shown.
    for (QAction* item : {RootMove, FindDirectory, DirSee, FileListChan})
        item->setEnabled(ViewerOpen);
}

void TForm1::BuildPageCaptions() {
    for (int i = 0; i < int(PageItems.size()); ++i)
        PageItems[i]->setText(launcher::PageItemCaption(i, PageNames.value(i)));
    TabSetHintText = launcher::TabSetHint(PageNames);
    // The tooltip breaks lines at LF; the text itself keeps its CR LF pairs.
    TabSet1->setToolTip(
        QString(TabSetHintText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TForm1::BP1PanelDblClick() {
    // A double click on the first page's panel is bound and deliberately does nothing.
}
