// The bulk search's entry points, the pattern check and the filling of the result sheet.
#include "search/BulkSearch.h"

#include "browser/FileListBox.h"
#include "browser/FilePanelText.h"
#include "browser/SearchSheet.h"
#include "core/BusyCursor.h"
#include "core/SharedState.h"
#include "platform/FsName.h"
#include "search/SearchText.h"
#include "ui/MessageDialog.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <exception>

namespace search {

namespace {

const QColor kWarningColour(255, 255, 0);
const QColor kWhite(255, 255, 255);

void setEditColour(QLineEdit* edit, const QColor& colour) {
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, colour);
    edit->setPalette(pal);
}

} // namespace

BulkSearch::BulkSearch(core::SharedState& state, browser::SearchSheet& sheet, QObject* parent)
    : QObject(parent), state_(state), sheet_(sheet) {
    connect(sheet_.SearchButton(), &QToolButton::clicked, this, [this] { SSpeedBClick(); });
    edit_ = sheet_.PatternEdit();
    edit_->installEventFilter(this);
}

bool BulkSearch::eventFilter(QObject* watched, QEvent* event) {
    // Only the address is compared: the panel may already be gone while the window's
    // controls are destroyed.
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        Edit1KeyDown();
        return Edit1KeyPress(static_cast<QKeyEvent*>(event));
    }
    return QObject::eventFilter(watched, event);
}

void BulkSearch::FindDirectoryClick() {
    // The scan lets other events run, so the entry points stay reachable while it runs;
    // a search asked for meanwhile is ignored rather than started inside this one.
    if (state_.SearchRunning)
        return;
    browser::TFileListBoxS* list = sheet_.ResultList();
    // 1.
    list->Clear();
    sheet_.ClearStatus();
    // 2.
    emit viewerNeeded();
    sheet_.ShowResultSheet();
    // 3.
    const QString selected = sheet_.TreeDirectory();
    if (selected.isEmpty())
        return;
    // 4.
    state_.SearchBase = selected; // searched whole; only its captions are cut
    sheet_.ShowSearchBase(browser::BaseCaption(browser::ShownSearchBase(state_.SearchBase)));
    // 5.
    state_.SearchPattern = sheet_.PatternEdit()->text();
    if (state_.SearchPattern.isEmpty())
        state_.SearchPattern = sheet_.FilterPattern();
    // 6.
    list->hide();
    sheet_.ShowTreeCaption(
        SearchCaption(browser::ShownSearchBase(state_.SearchBase), state_.SearchPattern));
    // 7.
    state_.SearchRunning = true;
    core::BusyCursor busy;
    // 8.
    std::exception_ptr failure;
    try {
        list->Clear();
        list->SetGyou(list->Gyou());
        list->SetMask(state_.SearchPattern);
        list->SearchTree(state_.SearchBase);
    } catch (...) {
        failure = std::current_exception();
    }
    // 9.
    if (list->Count() > 0) {
        sheet_.ShowListSummary(list);
        list->show();
        list->setFocus();
    } else {
        busy.restore();
        sheet_.ClearStatus();
        list->show();
        sheet_.ShowCount(QStringLiteral(" ﾌｧｲﾙ合計 : ") + QStringLiteral("0 "));
        if (!failure) {
            ui::MessageDlg(NoMatchText(state_.SearchPattern), ui::MsgDlgType::Information,
                           ui::mbOK);
            sheet_.PatternEdit()->setFocus();
        }
    }
    // 10.
    busy.restore();
    list->show();
    sheet_.ShowPanelButtonHint(QStringLiteral("パネル非表示"));
    state_.SearchRunning = false;
    if (failure)
        std::rethrow_exception(failure);
}

void BulkSearch::SSpeedBClick() {
    FindDirectoryClick();
}

bool BulkSearch::Edit1KeyPress(QKeyEvent* e) {
    QLineEdit* edit = sheet_.PatternEdit();
    if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter)
        return false;
    if (!PatternNeedsWarning(edit->text())) {
        sheet_.ResultList()->setFocus();
        FindDirectoryClick();
        return true;
    }
    ui::MessageDlg(PatternWarningText(), ui::MsgDlgType::Confirmation, ui::mbYes);
    setEditColour(edit, kWarningColour);
    edit->setFocus();
    return false;
}

void BulkSearch::Edit1KeyDown() {
    QLineEdit* edit = sheet_.PatternEdit();
    if (edit->palette().color(QPalette::Base) == kWarningColour)
        setEditColour(edit, kWhite);
}

void BulkSearch::ClearSearchResults() {
    sheet_.ResultList()->Clear();
}

} // namespace search
