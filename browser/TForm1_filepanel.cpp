// The file panel's operations: choosing a drive and a filter, following the tree, the
// status texts of a list and of a selection, the selection image and the archive window.
#include "app/TForm1.h"

#include "core/BusyCursor.h"
#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanelText.h"
#include "browser/FitSelectImage.h"
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
using browser::TFileListBoxS;

namespace {

const QString& selectImageHint() {
    static const QString hint = QStringLiteral("左クリックで個別表示画面に切替え");
    return hint;
}

// Pictures larger than this are not read for the 32 x 32 selection image.
constexpr qsizetype kMaxSelectPictureBytes = 64 * 1024 * 1024;

} // namespace

TFileListBoxS* TForm1::ActiveList() const {
    if (!PageControl)
        return nullptr;
    return PageControl->currentWidget() == TabSheet1 ? ListBox1 : ListBox2;
}

// ---- Drive and filter ----------------------------------------------------------------

void TForm1::DriveComboBox1Change() {
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
            ui::MessageBox(browser::ApplicationCaption(),
                           browser::DriveNotReadyText(DriveComboBox1->currentText()),
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

void TForm1::FilterComboBox1Change() {
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
}

void TForm1::Panel1Click() {
    FilterComboBox1->setCurrentIndex(
        browser::NextFilterIndex(FilterComboBox1->currentIndex(), FilterComboBox1->count()));
    FilterComboBox1Change();
    ShowListSummary(ListBox1);
}

void TForm1::BMPClick(QObject* sender) {
    const auto* item = qobject_cast<const QAction*>(sender);
    if (!item)
        return;
    {
        const QSignalBlocker block(FilterComboBox1);
        FilterComboBox1->setCurrentIndex(item->data().toInt());
    }
    FilterComboBox1Change();
}

void TForm1::PopupMenu2Popup() {
    const int index = FilterComboBox1->currentIndex();
    for (QAction* item : ExtItems)
        item->setChecked(item->data().toInt() == index);
}

void TForm1::WidenFilterFor(const QString& path) {
    if (!browser::FilterHidesFile(path, ListBox1->Mask()))
        return;
    {
        const QSignalBlocker block(FilterComboBox1);
        FilterComboBox1->setCurrentIndex(browser::kAllFilesIndex);
    }
    ListBox1->SetMask(FilterComboBox1->currentData().toString());
}

// ---- Following the tree --------------------------------------------------------------

void TForm1::DirList2Change() {
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
    // The summary follows also when the listing fails.
    struct Summary {
        TForm1* form;
        ~Summary() {
            form->ShowListSummary(form->ListBox1);
            // Hook for the make-directory work: when its dialog exists, its directory
            // label shows DirList2->GetSelectedPath() from here.
        }
    } summary{this};
    ListBox1->Clear();
    ListBox1->SetGyou(ListBox1->Gyou());
    ListBox1->SetDirectory(DirList2->GetSelectedPath());
}

void TForm1::RestoreDirectory() {
    if (RememberedDirectory.isEmpty())
        return;
    if (!DirList2->DirSpace()) {
        try {
            DirList2->SelectPath(RememberedDirectory);
        } catch (const std::exception&) {
            // A directory that cannot be shown leaves the tree where it is.
        }
    }
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

void TForm1::ShowListSummary(TFileListBoxS* list) {
    if (!list)
        return;
    if (list == ListBox1) {
        const QString dir = DirList2->GetSelectedPath();
        PanelL->setCaption(platform::displayName(dir));
        PanelL->setToolTip(platform::displayName(dir));
    } else {
        DpanelLabel->setText(QStringLiteral(" 検索ベース ＝ ") + platform::displayName(SearchBase));
    }
    SelectImage->clear();
    PanelR->setCaption(browser::SummaryText(list->FileCount(), list->TotalSize()));
    CountLabel->setText(browser::CountText(list->FileCount()));
    CountLabel->adjustSize();
}

void TForm1::ListBox1Click(TFileListBoxS* list) {
    if (!list)
        return;
    // 1. While a file is dragged the archive window keeps what it shows.
    if (ListDragging && MeltView)
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
    SelectBitmap = QPixmap();
    // 3.2
    const QString path = list->GetSelectedPath();
    SourceFile = path;
    SourceFromSearch = list == ListBox2;
    if (SourceFromSearch)
        DpanelLabel->setText(platform::displayName(path));
    SourceSearchIndex = index;
    // 3.3 - 3.5
    const QString ext = browser::ExtensionKey(path);
    PanelR->setCaption(browser::SelectionText(list->GetSelectedSize(), list->GetSelectedDate(),
                                              list->GetSelectedAttr()));
    CountLabel->setText(browser::LineText(index, list->FileCount()));
    CountLabel->adjustSize();
    // 3.6 - 3.7
    auto showFitted = [this](const QPixmap& picture) {
        if (const auto size = FitSelectImage(32, picture.height(), picture.width()))
            SelectImage->resize(*size);
        SelectImage->setPixmap(picture);
        SelectImage->show();
        SelectImage->setToolTip(selectImageHint());
    };
    if (ext == QLatin1String(".ICO")) {
        const platform::ExtractedIcon icon = platform::ExtractIcon(path);
        if (icon.outcome == platform::IconOutcome::Icon && !icon.image.isNull()) {
            SelectImage->setPixmap(QPixmap::fromImage(icon.image));
            SelectImage->show();
            SelectImage->setToolTip(selectImageHint());
        }
    } else if (ext == QLatin1String(".BMP")) {
        QPixmap bitmap;
        if (const auto bytes = platform::readWholeFile(path, kMaxSelectPictureBytes))
            bitmap.loadFromData(*bytes, "BMP");
        showFitted(bitmap);
    } else if (ext == QLatin1String(".GIF") || ext == QLatin1String(".JPG") ||
               ext == QLatin1String(".JPE")) {
        LoadPictureThroughPlugin(path, SelectBitmap);
        showFitted(SelectBitmap);
    } else {
        const QString source =
            ext == QLatin1String(".LNK") ? platform::ResolveShortcut(path) : path;
        const platform::ExtractedIcon icon = platform::ExtractIcon(source);
        if (icon.outcome == platform::IconOutcome::NoIconSource) {
            SelectImage->clear();
        } else {
            SelectImage->setPixmap(QPixmap::fromImage(icon.image));
            SelectImage->show();
        }
    }
    // 4. The archive window follows the selection (it reads the archive its caption
    //    names when it is shown); the archive work creates it.
    const bool lzh = ext == QLatin1String(".LZH");
    const bool zip = ext == QLatin1String(".ZIP");
    if ((lzh && UnlhaAvailable) || (zip && UnzipAvailable)) {
        if (MeltView) {
            MeltView->setWindowTitle(platform::absolutePath(path));
            MeltView->show();
            if (MeltView->isMinimized())
                MeltView->showNormal();
        }
    } else if (!lzh && !zip) {
        if (MeltView && MeltView->isVisible() && !ArchiveListBusy)
            MeltView->hide();
    }
}
