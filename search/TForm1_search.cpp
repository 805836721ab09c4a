// The bulk search: every file below the tree's directory whose name matches one pattern,
// listed on the second sheet; its entry points, the pattern check, the information bar
// of the result sheet and the focusing of the sheets.
#include "app/TForm1.h"

#include "core/BusyCursor.h"
#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "platform/FsName.h"
#include "search/SearchText.h"
#include "ui/CaptionPanel.h"
#include "ui/MessageDialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <exception>

using browser::TFileListBoxS;

namespace {

const QColor kWarningColour(255, 255, 0);
const QColor kWhite(255, 255, 255);

void setEditColour(QLineEdit* edit, const QColor& colour) {
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, colour);
    edit->setPalette(pal);
}

} // namespace

void TForm1::FindDirectoryClick() {
    // The scan lets other events run, so the entry points stay reachable while it runs;
    // a search asked for meanwhile is ignored rather than started inside this one.
    if (SearchRunning)
        return;
    // 1.
    CountLabel->clear();
    CountLabel->adjustSize();
    ListBox2->Clear();
    PanelR->setCaption(QString());
    SelectImage->clear();
    // 2.
    VierButtonClick();
    {
        const QSignalBlocker block(PageControl);
        PageControl->setCurrentWidget(TabSheet2);
    }
    // 3.
    const QString selected = DirList2->currentItem() ? DirList2->GetSelectedPath() : QString();
    if (selected.isEmpty())
        return;
    // 4.
    SearchBase = search::CutSearchBase(selected);
    DpanelLabel->setText(search::BaseCaption(platform::displayName(SearchBase)));
    // 5.
    SearchPattern = Edit1->text();
    if (SearchPattern.isEmpty()) {
        if (FilterComboBox1->count() == 0) {
            SearchPattern = QStringLiteral("*.*");
        } else {
            if (FilterComboBox1->currentIndex() < 0) {
                const QSignalBlocker block(FilterComboBox1);
                FilterComboBox1->setCurrentIndex(FilterComboBox1->count() - 1);
            }
            SearchPattern = FilterComboBox1->currentData().toString();
        }
    }
    // 6.
    ListBox2->hide();
    const QString caption = search::SearchCaption(platform::displayName(SearchBase), SearchPattern);
    PanelL->setCaption(caption);
    PanelL->setToolTip(caption);
    // 7.
    SearchRunning = true;
    core::BusyCursor busy;
    // 8.
    std::exception_ptr failure;
    try {
        ListBox2->Clear();
        ListBox2->SetGyou(ListBox2->Gyou());
        ListBox2->SetMask(SearchPattern);
        ListBox2->SearchTree(SearchBase);
    } catch (...) {
        failure = std::current_exception();
    }
    // 9.
    if (ListBox2->Count() > 0) {
        ShowListSummary(ListBox2);
        ListBox2->show();
        ListBox2->setFocus();
    } else {
        busy.restore();
        PanelR->setCaption(QString());
        ListBox2->show();
        CountLabel->setText(QStringLiteral(" ﾌｧｲﾙ合計 : ") + QStringLiteral("0 "));
        CountLabel->adjustSize();
        if (!failure) {
            ui::MessageDlg(search::NoMatchText(SearchPattern), ui::MsgDlgType::Information,
                           ui::mbOK);
            Edit1->setFocus();
        }
    }
    // 10.
    busy.restore();
    ListBox2->show();
    DirSPB->setToolTip(QStringLiteral("パネル非表示"));
    SearchRunning = false;
    if (failure)
        std::rethrow_exception(failure);
}

void TForm1::SSpeedBClick() {
    FindDirectoryClick();
}

bool TForm1::Edit1KeyPress(QKeyEvent* e) {
    if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter)
        return false;
    if (!search::PatternNeedsWarning(Edit1->text())) {
        ListBox2->setFocus();
        FindDirectoryClick();
        return true;
    }
    ui::MessageDlg(search::PatternWarningText(), ui::MsgDlgType::Confirmation, ui::mbYes);
    setEditColour(Edit1, kWarningColour);
    Edit1->setFocus();
    return false;
}

void TForm1::Edit1KeyDown() {
    if (Edit1->palette().color(QPalette::Base) == kWarningColour)
        setEditColour(Edit1, kWhite);
}

void TForm1::FocusActiveSheet() {
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

void TForm1::ListBox2MouseMove(QPoint pos) {
    if (ListBox2->ItemIndex() >= 0)
        return;
    const int index = ListBox2->ItemAtPos(pos, true);
    if (index >= 0) {
        DpanelLabel->setText(QStringLiteral(" ") +
                             platform::displayName(ListBox2->GetItemPath(index)));
        return;
    }
    const QString dir = DirList2->currentItem() ? DirList2->GetSelectedPath() : QString();
    DpanelLabel->setText(search::BaseCaption(platform::displayName(dir)));
}

void TForm1::DPanelClick() {
    ListBox2->SetItemIndex(-1);
    ListBox2->viewport()->update();
}

void TForm1::DPanelMouseMove() {
    if (ListBox2->Count() > 0)
        DpanelLabel->setText(search::BaseCaption(platform::displayName(SearchBase)));
}

void TForm1::ClearSearchResults() {
    ListBox2->Clear();
}
