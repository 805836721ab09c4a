#pragma once
// The hourglass while a handler runs, restored however the handler ends.
#include <QApplication>

namespace core {

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { restore(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    // Back to the normal cursor before the handler ends (for a message box).
    void restore() {
        if (active_)
            QApplication::restoreOverrideCursor();
        active_ = false;
    }
    // The hourglass again after restore().
    void resume() {
        if (!active_)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        active_ = true;
    }

private:
    bool active_ = true;
};

} // namespace core
