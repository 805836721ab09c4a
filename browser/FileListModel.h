#pragma once
// The items of a file list: one per shown record, in display order. Each item carries
// its record; the records belong to the list's TFileInfoList.
#include "browser/FileInfo.h"

#include <QAbstractListModel>
#include <vector>

namespace browser {

class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { RecordRole = Qt::UserRole + 1, PathRole };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void SetRecords(std::vector<TFileInfo*> records);
    void RemoveRow(int row);
    TFileInfo* Record(int row) const { return records_[size_t(row)]; }
    int Count() const { return int(records_.size()); }
    size_t MemoryUsed() const { return records_.capacity() * sizeof(TFileInfo*); }

private:
    std::vector<TFileInfo*> records_;
};

} // namespace browser
