#pragma once
// The arithmetic of the multi-column file list, without widgets: rows per column from
// the wanted number of rows, and where an item sits in columns of equal width that fill
// top to bottom, then left to right.
#include <QPoint>
#include <QRect>
#include <optional>

namespace browser {

constexpr int kMinItemHeight = 40;

struct GyouChange {
    int gyou = 0;       // rows per column
    int itemHeight = 0; // pixels
};

// The rows and item height for `rows` wanted rows in a control of controlHeight pixels
// with a horizontal scroll bar of scrollBarHeight pixels (usable height: control height
// minus the scroll bar minus 4). Items are never lower than 40 pixels: when the wanted
// rows do not fit, as many 40-pixel rows as fit are used. No value: nothing changes.
std::optional<GyouChange> ComputeGyou(int controlHeight, int scrollBarHeight, int rows);

// The layout of the items in the visible area.
struct ColumnLayout {
    int viewportWidth = 0;
    int viewportHeight = 0;
    int itemHeight = kMinItemHeight;
    int columns = 1;     // visible columns
    int firstColumn = 0; // the leftmost visible column
    int count = 0;       // items

    int rowsPerColumn() const;
    int columnWidth() const;
    int totalColumns() const;
    int maxFirstColumn() const;
    int topIndex() const { return firstColumn * rowsPerColumn(); }
    QRect itemRect(int index) const;
    // The item under p, or -1 (also below the last item and beyond the visible columns).
    int itemAt(QPoint p) const;
    // The first and one past the last item that can be visible.
    int firstVisible() const;
    int endVisible() const;
};

} // namespace browser
