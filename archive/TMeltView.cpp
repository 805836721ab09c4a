// The archive window's handlers: reading an archive's members, sorting them, showing one
// member's text, and handing the keyboard back to the main window.
#include "archive/TMeltView.h"

#include "archive/LzhBinding.h"
#include "archive/ZipBinding.h"
#include "core/BusyCursor.h"
#include "core/Placement.h"
#include "core/SharedState.h"
#include "editor/TMeltL.h"
#include "platform/FsName.h"
#include "ui/HelpWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLocale>
#include <QScopeGuard>
#include <algorithm>
#include <utility>

using namespace archive;

namespace {

const char kAllMembers[] = "*.*";

} // namespace

TMeltView::TMeltView(core::SharedState& state, std::function<void()> focusActiveList,
                     QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), state_(state),
      focusActiveList_(std::move(focusActiveList)), collator_(QLocale()) {
    Build();
    RestorePlacement(this);
}

TMeltView::~TMeltView() {
    SavePlacementQuietly(this);
}

// The opener sets the caption and shows the window, which activates it; a window that is
// visible already only gets the new caption. Each of the three reads the archive the
// caption names, once.
bool TMeltView::event(QEvent* e) {
    const bool done = QWidget::event(e);
    if (e->type() == QEvent::WindowActivate ||
        (e->type() == QEvent::WindowTitleChange && isVisible()))
        FormActivate();
    return done;
}

void TMeltView::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

void TMeltView::FormShow() {
    FocusActiveList();
    FormActivate();
}

void TMeltView::closeEvent(QCloseEvent* e) {
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e); // hides: the window stays for the run
}

bool TMeltView::FormCloseQuery() {
    if (isMaximized())
        showNormal();
    return true;
}

void TMeltView::SpeedButton1Click() {
    close();
}

void TMeltView::FocusActiveList() {
    if (focusActiveList_)
        focusActiveList_();
}

// ---- Reading ---------------------------------------------------------------------------

void TMeltView::FormActivate() {
    // 1.
    const QString archivePath = windowTitle();
    const ArchiveKind kind = ArchiveKindOf(archivePath);
    // 2.
    if (archivePath == LastListedArchive || kind == ArchiveKind::None)
        return;
    // A read lets messages through, and one of them may name another archive: the running
    // read ends first and then looks at the caption again (two walks at once would mix
    // their members, and the ZIP reader holds one archive at a time).
    if (reading_)
        return;
    // 3.
    reading_ = true;
    state_.ArchiveListBusy = true;
    core::BusyCursor busy;
    ListView1->setUpdatesEnabled(false);
    bool available = false;
    {
        // 9., however steps 4 to 8 end.
        const auto resume = qScopeGuard([&] {
            FitColumns();
            ListView1->setUpdatesEnabled(true);
            state_.ArchiveListBusy = false;
            reading_ = false;
            busy.restore();
            FocusActiveList();
        });
        // 4. - 8.
        LastListedArchive = archivePath;
        available = ReadMembers(kind);
    }
    // 10.
    if (available)
        ui::SetHelpContext(this, kHelpContext);
    const QList<int> clicks = std::exchange(pendingColumnClicks_, {});
    for (const int column : clicks)
        ListView1ColumnClick(column);
    if (windowTitle() != LastListedArchive)
        FormActivate();
}

bool TMeltView::ReadMembers(ArchiveKind kind) {
    // 4.
    ListView1->clear();
    count_ = 0;
    Label1->clear();
    // 5.
    const bool lzh = kind == ArchiveKind::Lzh;
    void* handle = nullptr;
    if (lzh) {
        if (!state_.UnlhaAvailable)
            return false;
        const QByteArray path = platform::toFsBytes(LastListedArchive);
        handle = Lzh().UnlhaOpenArchive(this, path.constData(), kOpenMode);
    } else {
        if (!state_.UnzipAvailable)
            return false;
        if (Zip().UnzipOpenArchive(this, LastListedArchive, kOpenMode) != 0)
            handle = this; // the ZIP walk has one archive and no handle of its own
    }
    // 6.
    if (!handle)
        return true;
    auto closeArchive = [&] {
        if (lzh)
            Lzh().UnlhaCloseArchive(handle);
        else
            Zip().UnzipCloseArchive(handle);
    };
    // Also after a failure, so the next archive can be opened.
    auto closeOnError = qScopeGuard([&] {
        try {
            closeArchive();
        } catch (const std::exception&) {
            // The first failure is the one reported.
        }
    });
    ArchiveMemberInfo info{};
    int found = lzh ? Lzh().UnlhaFindFirst(handle, kAllMembers, &info)
                    : Zip().UnzipFindFirst(handle, kAllMembers, &info);
    while (found == 0) {
        // 7.
        AddMember(info, kind);
        if (count_ >= kMaxMembers)
            break;
        info = ArchiveMemberInfo{};
        found = lzh ? Lzh().UnlhaFindNext(handle, &info) : Zip().UnzipFindNext(handle, &info);
    }
    // 8.
    closeOnError.dismiss();
    closeArchive();
    return true;
}

void TMeltView::AddMember(const ArchiveMemberInfo& info, ArchiveKind kind) {
    uint64_t original = info.originalSize, compressed = info.compressedSize;
    // A ZIP64 member larger than the record holds shows its whole size.
    if (kind == ArchiveKind::Zip && (original == UINT32_MAX || compressed == UINT32_MAX))
        WholeZipMemberSizes(info, &original, &compressed);
    const MemberRow row = MemberRowFrom(info, kind, QLocale(), original, compressed);
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < kMemberColumns; ++c) {
        item->setText(c, row.texts[c]);
        if (c >= 1 && c <= 3)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    item->setData(0, Qt::UserRole, row.nameBytes);
    // The list keeps itself in name order as members come.
    int lo = 0, hi = ListView1->topLevelItemCount();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (CompareMemberColumn(0, row.texts[0], ListView1->topLevelItem(mid)->text(0), collator_) <
            0)
            hi = mid;
        else
            lo = mid + 1;
    }
    ListView1->insertTopLevelItem(lo, item);
    LastMemberName = row.texts[0];
    ++count_;
    Label1->setText(QString::number(count_));
    QCoreApplication::processEvents();
}

// ---- Sorting ---------------------------------------------------------------------------

void TMeltView::ListView1ColumnClick(int column) {
    if (column < 0 || column >= kMemberColumns)
        return;
    // Members still come in name order while a read runs: the click waits for its end.
    if (reading_) {
        pendingColumnClicks_.append(column);
        return;
    }
    // 1. The first click on a column sorts it descending.
    SortDescending[column] = !SortDescending[column];
    const bool descending = SortDescending[column];
    // 2.
    QTreeWidgetItem* current = ListView1->currentItem();
    QList<QTreeWidgetItem*> items;
    for (int i = ListView1->topLevelItemCount() - 1; i >= 0; --i)
        items.prepend(ListView1->takeTopLevelItem(i));
    std::stable_sort(items.begin(), items.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        const int r = CompareMemberColumn(column, a->text(column), b->text(column), collator_);
        return descending ? r > 0 : r < 0;
    });
    ListView1->addTopLevelItems(items);
    if (current)
        ListView1->setCurrentItem(current);
}

QStringList TMeltView::ColumnTexts(int column) const {
    QStringList texts;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        texts.append(ListView1->topLevelItem(i)->text(column));
    return texts;
}

// ---- Keys and members ------------------------------------------------------------------

void TMeltView::ListView1KeyDown() {
    if (!state_.ArchiveListBusy)
        FocusActiveList();
}

void TMeltView::ListView1MouseDown(QPoint pos) {
    // 1.
    const QString archivePath = windowTitle();
    if (archivePath.isEmpty() || !ListView1->itemAt(pos))
        return;
    // 2.
    core::BusyCursor busy;
    const ArchiveKind kind = ArchiveKindOf(archivePath);
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (selected.isEmpty() || kind == ArchiveKind::None)
        return;
    const QString member = selected.first()->text(0);
    // 3.
    if (IsProgramMember(member))
        return;
    // 4.
    const QByteArray archiveBytes = platform::toFsBytes(archivePath);
    const QByteArray memberBytes = selected.first()->data(0, Qt::UserRole).toByteArray();
    LastMemberName = member;
    // 5.
    QByteArray buffer(kMemberBufferSize, '\0');
    qsizetype limit = kMemberBufferSize;
    if (kind == ArchiveKind::Lzh) {
        int32_t time = 0;
        uint16_t attributes = 0;
        uint32_t written = 0;
        Lzh().UnlhaExtractMem(this, MemberCommand(archiveBytes, memberBytes).constData(),
                              reinterpret_cast<unsigned char*>(buffer.data()), kMemberBufferSize,
                              &time, &attributes, &written);
        limit = qsizetype(std::min<uint32_t>(written, kMemberBufferSize));
    } else {
        Zip().Unzip(nullptr, ZipPrintCommand(archiveBytes, memberBytes).constData(), buffer.data(),
                    kMemberBufferSize);
    }
    const QByteArray text = TextInBuffer(buffer, limit);
    buffer = QByteArray();
    // 6.
    TMeltL* window = MemberTextWindow();
    // 7.
    window->setWindowTitle(MemberCommandCaption(platform::displayName(archivePath), member));
    state_.CurrentTextFile = member;
    window->ClearForLoading(QStringLiteral("少し待って下さいね"));
    if (state_.LastTextFontSource) {
        QFont face = window->RichEdit1->document()->defaultFont();
        face.setFamily(state_.LastTextFontSource->font().family());
        window->RichEdit1->document()->setDefaultFont(face);
    }
    window->LoadTextFont(QStringLiteral("TMeltL"));
    // 8.
    window->LoadFromBuffer(text);
    window->SetModified(false);
    window->show();
    window->RichEdit1->viewport()->update();
    if (window->isMinimized())
        window->showNormal();
}

TMeltL* TMeltView::MemberTextWindow() {
    if (auto* existing = qobject_cast<TMeltL*>(state_.Windows.MeltL.data()))
        return existing;
    auto* window = new TMeltL(state_);
    // Kept for the run; destroyed at the end so that its placement is saved.
    connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    state_.Windows.MeltL = window;
    state_.LastTextFontSource = window->RichEdit1;
    return window;
}
