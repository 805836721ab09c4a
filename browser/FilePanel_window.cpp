// What the window and the bulk search ask of the file panel: its remembered folder and
// filter, its part in the window's modes (viewer open or closed, a change of size, the
// zoom), and the result sheet and status texts the search fills.
#include "browser/FilePanel.h"

#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "core/SettingsFile.h"
#include "core/SharedState.h"
#include "platform/FileProbe.h"
#include "ui/CaptionPanel.h"
#include "ui/Panel.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QTabWidget>

namespace browser {

namespace {
const QString kFormStyle = QStringLiteral("FormStyle");
}

void FilePanel::LoadLastDirectory() {
    const SettingsFile ini;
    state_.RememberedDirectory =
        ini.ReadString(kFormStyle, QStringLiteral("oldDirPath"), platform::currentDirectory());
    state_.FilterIndex = ini.ReadInteger(kFormStyle, QStringLiteral("FilterCBox"), 1);
}

void FilePanel::SaveLastDirectory() {
    SettingsFile ini;
    ini.WriteString(kFormStyle, QStringLiteral("oldDirPath"), state_.RememberedDirectory);
    ini.WriteInteger(kFormStyle, QStringLiteral("FilterCBox"), FilterBoxIndex());
}

// ---- Window modes --------------------------------------------------------------------

void FilePanel::ShowViewer(bool open) {
    for (QWidget* panel : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Panel3),
                           static_cast<QWidget*>(DirectoryPanel)})
        panel->setVisible(open);
    for (QAction* item : {GyouM->menuAction(), RetuM->menuAction(), GRM->menuAction()})
        item->setEnabled(open);
}

void FilePanel::UpdateMenuItems() {
    // The directory items work on the panel, so only while it is shown.
    for (QAction* item : {RootMove, FindDirectory, DirSee, FileListChan})
        item->setEnabled(state_.ViewerOpen);
}

void FilePanel::SetListRows(int rows) {
    ListBox1->SetGyou(rows);
}

void FilePanel::ClearForViewerClose() {
    ListBox1->Clear();
    ListBox2->Clear();
    DpanelLabel->clear();
    PanelR->setCaption(QString());
    CountLabel->clear();
    SelectImage->clear();
    SelectImage->setToolTip(QString());
    if (state_.Windows.MeltView)
        state_.Windows.MeltView->hide();
    if (state_.Windows.DirMakeForm)
        state_.Windows.DirMakeForm->hide();
}

int FilePanel::BeginSizeChange() {
    ListBox1->BeginUpdate();
    ListBox2->Clear();
    DpanelLabel->clear();
    returnSheet_ = PageControl->currentWidget() == TabSheet2 ? 2 : 1;
    return FilterComboBox1->currentIndex();
}

void FilePanel::EndSizeChange(int filterIndex, bool restoreDirectory) {
    // The tree rebuilds when it wakes up, and its change handler shows the first sheet:
    // the sheet is chosen after that.
    DirList2->SetDirSpace(false);
    if (restoreDirectory)
        RestoreDirectory();
    {
        const QSignalBlocker block(FilterComboBox1);
        FilterComboBox1->setCurrentIndex(filterIndex);
    }
    if (returnSheet_ == 2) {
        const QSignalBlocker block(PageControl);
        PageControl->setCurrentWidget(TabSheet2);
    }
    if (restoreDirectory && !DirectoryPanel->isHidden())
        DirList2->setFocus();
    ListBox1->EndUpdate();
}

void FilePanel::SetDirSpace(bool on) {
    DirList2->SetDirSpace(on);
}

int FilePanel::DirectoryPanelWidth() const {
    return DirectoryPanel->width();
}

void FilePanel::SetDirectoryPanelWidth(int width) {
    DirectoryPanel->resize(width, DirectoryPanel->height());
}

void FilePanel::UseSmallListFont(int pixels) {
    for (QWidget* w : {static_cast<QWidget*>(DirList2), static_cast<QWidget*>(ListBox2)}) {
        QFont f = w->font();
        f.setPixelSize(pixels);
        w->setFont(f);
    }
}

bool FilePanel::ListHasSelection() const {
    return ListBox1 && ListBox1->ItemIndex() >= 0;
}

void FilePanel::Panel3Resize() {
    ListBox1->BeginUpdate();
    ListBox1->SetGyou(ListBox1->Gyou());
    ListBox1->EndUpdate();
}

QString FilePanel::TreeDirectory() const {
    return DirList2->currentItem() ? DirList2->GetSelectedPath() : QString();
}

} // namespace browser
