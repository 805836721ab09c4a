#pragma once
// The owner-drawn multi-column file list: the records of one TFileInfoList shown in
// columns of equal width, items flowing top to bottom and then to the next column, with
// a fixed item height, one selection and a top index. The owner draws the items.
#include "browser/FileInfo.h"
#include "browser/FileListModel.h"
#include "browser/ListGeometry.h"

#include <QAbstractItemView>
#include <functional>

namespace browser {

class SearchProgressWindow;

enum TSortDirection { sdUpword = 0, sdDownword = 1 };

class TFileListBoxS : public QAbstractItemView {
    Q_OBJECT
public:
    // Paints one item. The painter comes prepared with the list's font, the text colour
    // as pen and the background colour as brush (highlight colours when selected); the
    // item's area is not filled beforehand.
    using DrawItemHandler = std::function<void(TFileListBoxS& list, QPainter& painter, int index,
                                               const QRect& rect, bool selected)>;
    using NotifyHandler = std::function<void(TFileListBoxS* sender)>;

    explicit TFileListBoxS(QWidget* parent = nullptr);
    ~TFileListBoxS() override;

    // Properties of the file list.
    TSortOrder SortOrder() const { return info_.SortOrder(); }
    void SetSortOrder(TSortOrder order);
    TSortDirection SortDirection() const { return sortDirection_; }
    void SetSortDirection(TSortDirection direction);
    QString Mask() const { return info_.Mask(); }
    void SetMask(const QString& mask); // re-lists Directory with the new mask
    // The mask for the next listing, without listing now (start-up, while the folder to
    // list is not known yet); the items stay as they are.
    void PresetMask(const QString& mask) { info_.PresetMask(mask); }
    bool ShowHiddenSysFile() const { return showHiddenSysFile_; }
    void SetShowHiddenSysFile(bool show);
    bool SeparateExt() const { return separateExt_; }
    void SetSeparateExt(bool separate);
    int Gyou() const { return gyou_; }
    void SetGyou(int rows);
    NotifyHandler OnChange;     // after every refill of the items
    DrawItemHandler OnDrawItem; // empty: the display name is drawn

    // Content.
    QString Directory() const { return directory_; }
    // An empty dir is ignored. seen (when given) gets the subfolders the listing met.
    void SetDirectory(const QString& dir, SeenSubdirs* seen = nullptr);
    // Lists root and every directory below it with the current mask, with a progress
    // window. Ignored while a search of this list is running.
    void SearchTree(const QString& root);
    bool IsSearching() const { return progress_ != nullptr; }
    // The refill that follows the stored properties once they are all applied.
    void Loaded() { Refill(); }

    // Queries; empty when nothing is selected.
    QString GetSelectedPath() const;
    QString GetItemPath(int index) const; // empty for -1
    QString GetSelectedAttr() const;
    QString GetSelectedDate() const;
    QString GetSelectedSize() const;
    // Counters of all scanned files, also the hidden ones not shown.
    int FileCount() const { return info_.FileCount(); }
    int64_t TotalSize() const { return info_.TotalSize(); }
    // Add delta (a zero delta does nothing); a sum of 0 or below gives 0.
    void AdjustFileCount(int delta);
    void AdjustTotalSize(int64_t delta);

    // The list box.
    int Count() const { return model_->Count(); }
    TFileInfo* Record(int index) const { return model_->Record(index); }
    QString ItemText(int index) const { return Record(index)->Name(); }
    void Clear();               // removes all items
    void DeleteItem(int index); // removes one item
    int ItemIndex() const;      // the selected item, -1 for none
    void SetItemIndex(int index);
    int TopIndex() const { return layout().topIndex(); }
    void SetTopIndex(int index);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    int Columns() const { return columns_; }
    void SetColumns(int columns);
    int RowsPerColumn() const { return layout().rowsPerColumn(); }
    QRect ItemRect(int index) const { return layout().itemRect(index); }
    // The item under pos (viewport coordinates); -1 when none lies there (existing),
    // else Count() past the end.
    int ItemAtPos(QPoint pos, bool existing) const;
    void BeginUpdate();
    void EndUpdate();
    // The height of the horizontal scroll bar the rows are computed with.
    int ScrollBarHeight() const;

    TFileInfoList& InfoList() { return info_; }
    FileListModel* Model() const { return model_; }

    // QAbstractItemView
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

signals:
    void changed(); // after every refill

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;
    int horizontalOffset() const override;
    int verticalOffset() const override { return 0; }
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    ColumnLayout layout() const;
    void Refill();
    void DrawDefault(QPainter& painter, int index, const QRect& rect);

    TFileInfoList info_;
    FileListModel* model_;
    QString directory_;
    int gyou_ = 6;
    TSortDirection sortDirection_ = sdUpword;
    bool showHiddenSysFile_ = true;
    bool separateExt_ = false;
    int itemHeight_ = kMinItemHeight;
    int columns_ = 1;
    int updateCount_ = 0;
    SearchProgressWindow* progress_ = nullptr;
};

} // namespace browser
