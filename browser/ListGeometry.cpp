#include "browser/ListGeometry.h"

#include <algorithm>

namespace browser {

std::optional<GyouChange> ComputeGyou(int controlHeight, int scrollBarHeight, int rows) {
    if (rows <= 0)
        return std::nullopt;
    const int usable = controlHeight - scrollBarHeight - 4;
    if (usable <= 0)
        return std::nullopt;
    const int h = usable / rows;
    if (h > kMinItemHeight)
        return GyouChange{rows, h};
    const int r = usable / kMinItemHeight;
    if (r == 0)
        return std::nullopt;
    return GyouChange{r, usable / r};
}

int ColumnLayout::rowsPerColumn() const {
    return std::max(1, viewportHeight / std::max(1, itemHeight));
}

int ColumnLayout::columnWidth() const {
    return std::max(1, viewportWidth / std::max(1, columns));
}

int ColumnLayout::totalColumns() const {
    const int rows = rowsPerColumn();
    return (count + rows - 1) / rows;
}

int ColumnLayout::maxFirstColumn() const {
    return std::max(0, totalColumns() - std::max(1, columns));
}

QRect ColumnLayout::itemRect(int index) const {
    const int rows = rowsPerColumn();
    const int col = index / rows;
    const int row = index % rows;
    const int w = columnWidth();
    return QRect((col - firstColumn) * w, row * itemHeight, w, itemHeight);
}

int ColumnLayout::itemAt(QPoint p) const {
    const int w = columnWidth();
    const int rows = rowsPerColumn();
    if (p.x() < 0 || p.y() < 0 || p.x() >= w * std::max(1, columns))
        return -1;
    const int row = p.y() / std::max(1, itemHeight);
    if (row >= rows)
        return -1;
    const int index = (firstColumn + p.x() / w) * rows + row;
    return index < count ? index : -1;
}

int ColumnLayout::firstVisible() const {
    return std::min(count, topIndex());
}

int ColumnLayout::endVisible() const {
    // One column more than fits, for the part of a column the remainder pixels show.
    const long long end = (long long)(firstColumn + std::max(1, columns) + 1) * rowsPerColumn();
    return int(std::min<long long>(count, end));
}

} // namespace browser
