// The file panel's operations: choosing a drive and a filter, following the tree, the
// status texts of a list and of a selection, the selection image and the archive window.
#include "browser/FilePanel.h"

#include "core/SharedState.h"

#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanelText.h"
#include "browser/FitSelectImage.h"
#include "browser/TDirMakeForm.h"
#include "core/BusyCursor.h"
#include "platform/Drives.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "platform/IconExtract.h"
#include "platform/Shortcut.h"
#include "ui/CaptionPanel.h"
#include "ui/MessageDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>

using core::BusyCursor;

namespace browser {

namespace {

const QString& selectImageHint() {
    static const QString hint = QStringLiteral("左クリックで個別表示画面に切替え");
    return hint;
}

// Pictures larger than this are not read for the 32 x 32 selection image.
constexpr int kSelectImageBox = 32;

// Decoded at the size it is drawn: the selection image's box, at the screen's resolution.
pictures::PictureRequest selectImageRequest(const QLabel* image) {
    return {QSize(kSelectImageBox, kSelectImageBox), pictures::Fit::KeepAspect, nullptr,
            image->devicePixelRatioF()};
}

} // namespace

void FilePanel::RemakeSelectImage() {
    if (SelectImage->pixmap().isNull() || !LoadFileImage)
        return;
    const pictures::FileImage shown =
        LoadFileImage(selectImageFile_, selectImageRequest(SelectImage));
    // A file that cannot be read now keeps the picture made from it before.
    if (!shown.image.isNull())
        SelectImage->setPixmap(QPixmap::fromImage(shown.image));
}

TFileListBoxS* FilePanel::ActiveList() const {
    if (!PageControl)
        return nullptr;
    return PageControl->currentWidget() == TabSheet1 ? ListBox1 : ListBox2;
}

void FilePanel::FocusActiveList() {
    if (!state_.ViewerOpen)
        return;
    TFileListBoxS* list = ActiveList();
    if (!list)
        return;
    // From another window: the main window takes the keyboard back with it.
    if (window_->isVisible() && !window_->isActiveWindow())
        window_->activateWindow();
    list->setFocus();
}

// ---- Drive and filter ----------------------------------------------------------------

void FilePanel::DriveComboBox1Change() {
    BusyCursor busy;
    DirectoryPanel->show();
    for (;;) {
        const QString root = DriveComboBox1->currentData().toString();
        if (root.isEmpty())
            return;
        if (platform::GetDiskFreeSpace(root)) {
            DirList2->SetDrive(root);
            DirList2->setFocus();
            return;
        }
        busy.restore();
        const ui::MsgResult answer =
            ui::MessageBox(ApplicationCaption(), DriveNotReadyText(DriveComboBox1->currentText()),
                           ui::MsgIcon::Question, ui::mbYes | ui::mbNo);
        busy.resume();
        if (answer != ui::MsgResult::Yes)
            break;
    }
    // Back to the drive the tree shows, without choosing it again.
    const int index = DriveComboBox1->findData(DirList2->Drive());
    const QSignalBlocker block(DriveComboBox1);
    DriveComboBox1->setCurrentIndex(index);
}

void FilePanel::FilterComboBox1Change() {
    BusyCursor busy;
    {
        const QSignalBlocker block(PageControl);
        PageControl->setCurrentWidget(TabSheet1);
    }
    QString mask = FilterComboBox1->currentData().toString();
    if (mask.isEmpty())
        mask = QStringLiteral("*.*");
    ListBox1->SetMask(mask);
    ListBox1->setFocus();
    SelectImage->clear();
    SelectImage->setToolTip(QString());
    // The summary counts the listing the new mask gives, not the one before it.
    ShowListSummary(ListBox1);
}

void FilePanel::Panel1Click() {
    FilterComboBox1->setCurrentIndex(
        NextFilterIndex(FilterComboBox1->currentIndex(), FilterComboBox1->count()));
    FilterComboBox1Change();
    ShowListSummary(ListBox1);
}

void FilePanel::BMPClick(QObject* sender) {
    const auto* item = qobject_cast<const QAction*>(sender);
    if (!item)
        return;
    {
        const QSignalBlocker block(FilterComboBox1);
        FilterComboBox1->setCurrentIndex(item->data().toInt());
    }
    FilterComboBox1Change();
}

void FilePanel::PopupMenu2Popup() {
    const int index = FilterComboBox1->currentIndex();
    for (QAction* item : ExtItems)
        item->setChecked(item->data().toInt() == index);
}

void FilePanel::WidenFilterFor(const QString& path) {
    if (!FilterHidesFile(path, ListBox1->Mask()))
        return;
    {
        const QSignalBlocker block(FilterComboBox1);
        FilterComboBox1->setCurrentIndex(kAllFilesIndex);
    }
    ListBox1->SetMask(FilterComboBox1->currentData().toString());
}

// ---- Following the tree --------------------------------------------------------------

void FilePanel::DirList2Change() {
    BusyCursor busy;
    {
        const QSignalBlocker block(PageControl);
        PageControl->setCurrentWidget(TabSheet1);
    }
    SelectImage->clear();
    SelectImage->setToolTip(QString());
    PanelR->setCaption(QString());
    PanelL->setCaption(QString());
    PanelL->setToolTip(QString());
    startupListingOwed_ = false; // this listing takes its place
    // The summary follows also when the listing fails.
    struct Summary {
        FilePanel* panel;
        ~Summary() {
            panel->ShowListSummary(panel->ListBox1);
            // The make-directory dialog, when it exists, follows the tree.
            if (auto* form = qobject_cast<TDirMakeForm*>(panel->state_.Windows.DirMakeForm.data()))
                form->SetParentDirectory(panel->DirList2->GetSelectedPath());
        }
    } summary{this};
    ListBox1->Clear();
    ListBox1->SetGyou(ListBox1->Gyou());
    const QString dir = DirList2->GetSelectedPath();
    if (!DirList2->AwaitsSubdirsOf(dir)) {
        ListBox1->SetDirectory(dir);
        return;
    }
    // The tree has yet to learn the subfolders of this folder: this listing meets them,
    // so the folder (maybe of many thousand files) is read once, not twice.
    SeenSubdirs seen;
    ListBox1->SetDirectory(dir, &seen);
    if (seen.complete)
        DirList2->OfferSubdirs(dir, seen.names, seen.links);
}

void FilePanel::RestoreDirectory() {
    if (state_.RememberedDirectory.isEmpty())
        return;
    if (!DirList2->DirSpace()) {
        try {
            DirList2->SelectPath(state_.RememberedDirectory);
        } catch (const std::exception&) {
            // A directory that cannot be shown leaves the tree where it is.
        }
    }
    ShowTreeDriveInBox();
}

void FilePanel::ShowTreeDriveInBox() {
    const QString drive = DirList2->Drive();
    if (drive.isEmpty() || DriveComboBox1->currentData().toString() == drive)
        return;
    int index = DriveComboBox1->findData(drive);
    const QSignalBlocker block(DriveComboBox1);
    if (index < 0) {
        // A drive mounted after the box was filled.
        DriveComboBox1->addItem(DriveComboBox1->itemIcon(0),
                                platform::displayName(platform::driveRootPath(drive)), drive);
        index = DriveComboBox1->count() - 1;
    }
    DriveComboBox1->setCurrentIndex(index);
}

// ---- Status texts --------------------------------------------------------------------

void FilePanel::ShowListSummary(TFileListBoxS* list) {
    if (!list)
        return;
    if (list == ListBox1) {
        const QString dir = DirList2->GetSelectedPath();
        PanelL->setCaption(platform::displayName(dir));
        PanelL->setToolTip(platform::displayName(dir));
    } else {
        DpanelLabel->setText(SummaryBaseCaption(ShownSearchBase(state_.SearchBase)));
    }
    SelectImage->clear();
    PanelR->setCaption(SummaryText(list->FileCount(), list->TotalSize()));
    CountLabel->setText(CountText(list->FileCount()));
    CountLabel->adjustSize();
}

void FilePanel::ListBox1Click(TFileListBoxS* list) {
    if (!list)
        return;
    // 1. While a file is dragged the archive window keeps what it shows.
    if (ListDragging && state_.Windows.MeltView)
        return;
    // 2.
    const int index = list->ItemIndex();
    if (index < 0) {
        PanelL->setCaption(QString());
        PanelL->setToolTip(QString());
        PanelR->setCaption(QString());
        return;
    }
    // 3.1
    SelectImage->clear();
    SelectImage->resize(32, 32);
    SelectImage->hide();
    SelectImage->setToolTip(QString());
    // 3.2
    const QString path = list->GetSelectedPath();
    state_.SourceFile = path;
    state_.SourceFromSearch = list == ListBox2;
    if (state_.SourceFromSearch)
        DpanelLabel->setText(platform::displayName(path));
    state_.SourceSearchIndex = index;
    // 3.3 - 3.5
    const QString ext = WholeExtensionKey(path);
    PanelR->setCaption(
        SelectionText(list->GetSelectedSize(), list->GetSelectedDate(), list->GetSelectedAttr()));
    CountLabel->setText(LineText(index, list->FileCount()));
    CountLabel->adjustSize();
    // 3.6 - 3.7
    selectImageFile_ = path;
    const pictures::FileImage shown = LoadFileImage
                                          ? LoadFileImage(path, selectImageRequest(SelectImage))
                                          : pictures::FileImage{};
    switch (shown.shownAs) {
    case pictures::ShownAs::Picture:
        // Fitted by the picture's own proportions; an unreadable one stays 32 x 32.
        if (const auto size =
                FitSelectImage(kSelectImageBox, shown.size.height(), shown.size.width()))
            SelectImage->resize(*size);
        SelectImage->setPixmap(QPixmap::fromImage(shown.image));
        SelectImage->show();
        SelectImage->setToolTip(selectImageHint());
        break;
    case pictures::ShownAs::Icon:
        // An icon file shows only when it could be read; another file's icon always.
        if (pictures::KindOf(path) == pictures::FileKind::IconFile && shown.image.isNull())
            break;
        SelectImage->setPixmap(QPixmap::fromImage(shown.image));
        SelectImage->show();
        if (pictures::KindOf(path) == pictures::FileKind::IconFile)
            SelectImage->setToolTip(selectImageHint());
        break;
    case pictures::ShownAs::NoIconSource:
        SelectImage->clear();
        break;
    }
    // 4. The archive window follows the selection (it reads the archive its caption
    //    names when it is shown); the archive work creates it.
    const bool lzh = ext == QLatin1String(".LZH");
    const bool zip = ext == QLatin1String(".ZIP");
    if ((lzh && state_.UnlhaAvailable) || (zip && state_.UnzipAvailable)) {
        if (state_.Windows.MeltView) {
            state_.Windows.MeltView->setWindowTitle(platform::absolutePath(path));
            state_.Windows.MeltView->show();
            if (state_.Windows.MeltView->isMinimized())
                state_.Windows.MeltView->showNormal();
        }
    } else if (!lzh && !zip) {
        if (state_.Windows.MeltView && state_.Windows.MeltView->isVisible() &&
            !state_.ArchiveListBusy)
            state_.Windows.MeltView->hide();
    }
}

} // namespace browser
