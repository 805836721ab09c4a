#include "browser/FileListBox.h"

#include "browser/FileListAccessible.h"
#include "browser/SearchProgressWindow.h"
#include "platform/FsName.h"
#include "ui/PixelRatioWatch.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <memory>

namespace browser {

TFileListBoxS::TFileListBoxS(QWidget* parent)
    : QAbstractItemView(parent), model_(new FileListModel(this)) {
    setModel(model_);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setEditTriggers(NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollMode(ScrollPerItem);
    setAutoScroll(false);
    resize(150, 300);
    InstallBrowserAccessibility();
    // Thumbnails and icons are made at the screen's resolution when they are painted: a
    // new scale only needs the items painted again.
    ui::OnPixelRatioChange(this, [this] { viewport()->update(); });
}

TFileListBoxS::~TFileListBoxS() {
    // Items go before their records.
    model_->SetRecords({});
}

void TFileListBoxS::SetSortOrder(TSortOrder order) {
    if (order == info_.SortOrder())
        return;
    info_.SetSortOrder(order);
    Refill();
}

void TFileListBoxS::SetSortDirection(TSortDirection direction) {
    if (direction == sortDirection_)
        return;
    sortDirection_ = direction;
    Refill();
}

void TFileListBoxS::SetMask(const QString& mask) {
    model_->SetRecords({});
    info_.SetMask(mask);
    Refill();
}

void TFileListBoxS::SetShowHiddenSysFile(bool show) {
    if (show == showHiddenSysFile_)
        return;
    showHiddenSysFile_ = show;
    Refill();
}

void TFileListBoxS::SetSeparateExt(bool separate) {
    if (separate == separateExt_)
        return;
    separateExt_ = separate;
    Refill();
}

void TFileListBoxS::SetGyou(int rows) {
    if (rows <= 0)
        return;
    const int selected = ItemIndex();
    const std::optional<GyouChange> change = ComputeGyou(height(), ScrollBarHeight(), rows);
    if (!change)
        return;
    BeginUpdate();
    gyou_ = change->gyou;
    SetItemHeight(change->itemHeight);
    SetTopIndex(selected);
    SetItemIndex(selected);
    EndUpdate();
}

void TFileListBoxS::SetDirectory(const QString& dir, SeenSubdirs* seen) {
    if (dir.isEmpty())
        return;
    directory_ = dir;
    model_->SetRecords({});
    info_.Clear();
    info_.SetDirectory(dir, seen);
    Refill();
}

void TFileListBoxS::SearchTree(const QString& root) {
    if (progress_ || info_.IsScanning())
        return;
    QPointer<TFileListBoxS> self(this);
    auto window = std::make_unique<SearchProgressWindow>(this);
    progress_ = window.get();
    window->show();
    QPointer<SearchProgressWindow> shown(window.get());
    info_.SetProgressHandler([shown](const QString& path, int count) {
        if (shown)
            shown->SetProgress(platform::displayName(path), count);
    });
    model_->SetRecords({});
    info_.Clear();
    info_.ScanTree(root);
    if (!self) {
        (void)window.release(); // destroyed with its owner
        return;
    }
    info_.SetProgressHandler({});
    Refill();
    window->hide();
    window.reset();
    progress_ = nullptr;
}

QString TFileListBoxS::GetSelectedPath() const {
    return GetItemPath(ItemIndex());
}

QString TFileListBoxS::GetItemPath(int index) const {
    if (index < 0)
        return {};
    return Record(index)->Path();
}

QString TFileListBoxS::GetSelectedAttr() const {
    const int i = ItemIndex();
    return i < 0 ? QString() : FormatAttributes(Record(i)->Attr);
}

QString TFileListBoxS::GetSelectedDate() const {
    const int i = ItemIndex();
    return i < 0 ? QString() : FormatFileTime(Record(i)->Time);
}

QString TFileListBoxS::GetSelectedSize() const {
    const int i = ItemIndex();
    return i < 0 ? QString() : FormatSize(Record(i)->Size);
}

void TFileListBoxS::AdjustFileCount(int delta) {
    if (delta == 0)
        return;
    const int64_t sum = int64_t(info_.FileCount()) + delta;
    info_.SetFileCount(sum <= 0 ? 0 : int(sum));
}

void TFileListBoxS::AdjustTotalSize(int64_t delta) {
    if (delta == 0)
        return;
    const int64_t sum = info_.TotalSize() + delta;
    info_.SetTotalSize(sum <= 0 ? 0 : sum);
}

void TFileListBoxS::Clear() {
    model_->SetRecords({});
}

void TFileListBoxS::DeleteItem(int index) {
    model_->RemoveRow(index);
}

int TFileListBoxS::ItemIndex() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current))
        return -1;
    return current.row();
}

void TFileListBoxS::SetItemIndex(int index) {
    if (index < 0 || index >= Count()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(model_->index(index), QItemSelectionModel::ClearAndSelect);
}

void TFileListBoxS::SetTopIndex(int index) {
    if (index < 0 || index >= Count())
        return;
    ColumnLayout l = layout();
    horizontalScrollBar()->setValue(std::min(index / l.rowsPerColumn(), l.maxFirstColumn()));
}

void TFileListBoxS::SetItemHeight(int height) {
    if (height <= 0 || height == itemHeight_)
        return;
    itemHeight_ = height;
    updateGeometries();
    viewport()->update();
}

void TFileListBoxS::SetColumns(int columns) {
    columns = std::max(1, columns);
    if (columns == columns_)
        return;
    columns_ = columns;
    updateGeometries();
    viewport()->update();
}

int TFileListBoxS::ItemAtPos(QPoint pos, bool existing) const {
    const int i = layout().itemAt(pos);
    if (i >= 0 || existing)
        return i;
    return Count();
}

void TFileListBoxS::BeginUpdate() {
    if (updateCount_++ == 0)
        viewport()->setUpdatesEnabled(false);
}

void TFileListBoxS::EndUpdate() {
    if (updateCount_ == 0 || --updateCount_ > 0)
        return;
    viewport()->setUpdatesEnabled(true);
    updateGeometries();
    viewport()->update();
}

int TFileListBoxS::ScrollBarHeight() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, horizontalScrollBar());
}

ColumnLayout TFileListBoxS::layout() const {
    ColumnLayout l;
    l.viewportWidth = viewport()->width();
    l.viewportHeight = viewport()->height();
    l.itemHeight = itemHeight_;
    l.columns = columns_;
    l.firstColumn = horizontalScrollBar()->value();
    l.count = model_->Count();
    return l;
}

void TFileListBoxS::Refill() {
    const std::vector<TFileInfo*>& all = info_.Items();
    std::vector<TFileInfo*> shown;
    shown.reserve(all.size());
    auto add = [&](TFileInfo* r) {
        if (showHiddenSysFile_ || (r->Attr & (faHidden | faSysFile)) == 0)
            shown.push_back(r);
    };
    if (sortDirection_ == sdUpword) {
        for (TFileInfo* r : all)
            add(r);
    } else {
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            add(*it);
    }
    model_->SetRecords(std::move(shown));
    updateGeometries();
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    if (OnChange)
        OnChange(this);
    emit changed();
}

QRect TFileListBoxS::visualRect(const QModelIndex& index) const {
    if (!index.isValid())
        return {};
    return layout().itemRect(index.row());
}

void TFileListBoxS::scrollTo(const QModelIndex& index, ScrollHint) {
    if (!index.isValid())
        return;
    const ColumnLayout l = layout();
    const int col = index.row() / l.rowsPerColumn();
    QScrollBar* bar = horizontalScrollBar();
    if (col < l.firstColumn)
        bar->setValue(col);
    else if (col >= l.firstColumn + l.columns)
        bar->setValue(col - l.columns + 1);
}

QModelIndex TFileListBoxS::indexAt(const QPoint& point) const {
    const int i = layout().itemAt(point);
    return i < 0 ? QModelIndex() : model_->index(i);
}

QModelIndex TFileListBoxS::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int count = Count();
    if (count == 0)
        return {};
    const ColumnLayout l = layout();
    const int rows = l.rowsPerColumn();
    const QModelIndex current = currentIndex();
    int i = current.isValid() ? current.row() : -1;
    if (i < 0)
        return model_->index(0);
    switch (action) {
    case MoveUp:
    case MovePrevious:
        i -= 1;
        break;
    case MoveDown:
    case MoveNext:
        i += 1;
        break;
    case MoveLeft:
        i -= rows;
        break;
    case MoveRight:
        i += rows;
        break;
    case MovePageUp:
        i -= rows * l.columns;
        break;
    case MovePageDown:
        i += rows * l.columns;
        break;
    case MoveHome:
        i = 0;
        break;
    case MoveEnd:
        i = count - 1;
        break;
    }
    return model_->index(std::clamp(i, 0, count - 1));
}

void TFileListBoxS::keyPressEvent(QKeyEvent* event) {
    CursorAction action;
    switch (event->key()) {
    case Qt::Key_Up:
        action = MoveUp;
        break;
    case Qt::Key_Down:
        action = MoveDown;
        break;
    case Qt::Key_Left:
        action = MoveLeft;
        break;
    case Qt::Key_Right:
        action = MoveRight;
        break;
    case Qt::Key_PageUp:
        action = MovePageUp;
        break;
    case Qt::Key_PageDown:
        action = MovePageDown;
        break;
    case Qt::Key_Home:
        action = MoveHome;
        break;
    case Qt::Key_End:
        action = MoveEnd;
        break;
    default:
        QAbstractItemView::keyPressEvent(event);
        return;
    }
    // The base class selects a moved cursor by hit-testing its rectangle, which finds
    // nothing in a column that is not shown yet and so dropped the selection: select
    // the item itself, then bring its column into view, as a list box does.
    const QModelIndex next = moveCursor(action, event->modifiers());
    event->accept();
    if (!next.isValid())
        return;
    scrollTo(next);
    selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect);
}

int TFileListBoxS::horizontalOffset() const {
    return horizontalScrollBar()->value() * layout().columnWidth();
}

void TFileListBoxS::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
    const int i = layout().itemAt(rect.topLeft());
    if (i < 0) {
        selectionModel()->select(QItemSelection(), flags);
        return;
    }
    selectionModel()->select(model_->index(i), flags);
}

QRegion TFileListBoxS::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const ColumnLayout l = layout();
    for (const QItemSelectionRange& range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            region += l.itemRect(row);
    }
    return region;
}

void TFileListBoxS::updateGeometries() {
    const ColumnLayout l = layout();
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, l.maxFirstColumn());
    bar->setPageStep(l.columns);
    bar->setSingleStep(1);
    QAbstractItemView::updateGeometries();
}

void TFileListBoxS::resizeEvent(QResizeEvent* event) {
    QAbstractItemView::resizeEvent(event);
    updateGeometries();
}

void TFileListBoxS::scrollContentsBy(int, int) {
    viewport()->update();
}

void TFileListBoxS::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPalette& pal = palette();
    painter.fillRect(event->rect(), pal.brush(QPalette::Base));
    const ColumnLayout l = layout();
    const QModelIndex current = currentIndex();
    const int end = l.endVisible();
    for (int i = l.firstVisible(); i < end; ++i) {
        const QRect rect = l.itemRect(i);
        if (!rect.intersects(event->rect()))
            continue;
        const QModelIndex index = model_->index(i);
        const bool selected = selectionModel()->isSelected(index);
        painter.save();
        painter.setFont(font());
        painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.setBrush(pal.brush(selected ? QPalette::Highlight : QPalette::Base));
        painter.setBackground(pal.brush(selected ? QPalette::Highlight : QPalette::Base));
        painter.setClipRect(rect);
        if (OnDrawItem)
            OnDrawItem(*this, painter, i, rect, selected);
        else
            DrawDefault(painter, i, rect);
        painter.restore();
        if (hasFocus() && index == current) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = rect;
            option.backgroundColor = pal.color(selected ? QPalette::Highlight : QPalette::Base);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }
}

void TFileListBoxS::DrawDefault(QPainter& painter, int index, const QRect& rect) {
    painter.fillRect(rect, painter.brush());
    painter.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     Record(index)->DisplayName());
}

} // namespace browser
