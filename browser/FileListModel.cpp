#include "browser/FileListModel.h"

namespace browser {

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(records_.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= Count())
        return {};
    const TFileInfo* r = records_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return r->DisplayName();
    case RecordRole:
        return QVariant::fromValue(reinterpret_cast<quintptr>(r));
    case PathRole:
        return r->Path();
    default:
        return {};
    }
}

void FileListModel::SetRecords(std::vector<TFileInfo*> records) {
    beginResetModel();
    records_ = std::move(records);
    endResetModel();
}

void FileListModel::RemoveRow(int row) {
    if (row < 0 || row >= Count())
        return;
    beginRemoveRows({}, row, row);
    records_.erase(records_.begin() + row);
    endRemoveRows();
}

} // namespace browser
