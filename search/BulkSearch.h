#pragma once
// The bulk search: every file below the tree's folder whose name matches one pattern,
// listed on the file panel's second sheet. It owns the search bar's handlers (the start
// button and the pattern box's keys) and reaches the panel only through its SearchSheet.
#include <QObject>

class QKeyEvent;
namespace browser {
class SearchSheet;
} // namespace browser
namespace core {
struct SharedState;
} // namespace core

namespace search {

class BulkSearch : public QObject {
    Q_OBJECT
public:
    BulkSearch(core::SharedState& state, browser::SearchSheet& sheet, QObject* parent);

    void FindDirectoryClick();
    void SSpeedBClick();
    bool Edit1KeyPress(QKeyEvent* e); // true: swallowed
    void Edit1KeyDown();
    void ClearSearchResults(); // the start-up step

signals:
    // The search shows its result in the viewer: the window opens it first.
    void viewerNeeded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    core::SharedState& state_;
    browser::SearchSheet& sheet_;
    QObject* edit_ = nullptr; // the pattern box, whose keys come here first
};

} // namespace search
