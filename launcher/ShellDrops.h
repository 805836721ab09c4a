#pragma once
// Files dropped onto a window from other programs are started, not registered. The
// main window installs the filter on itself; other windows that take such drops (the
// task-tray route, the information window) install it the same way or pass their
// files to StartDroppedFiles.
#include <QObject>
#include <QStringList>

namespace launcher {

// Starts each file with its own folder as working directory, in the order given;
// failures are not reported.
void StartDroppedFiles(const QStringList& files);

class ShellDropFilter : public QObject {
public:
    explicit ShellDropFilter(QObject* parent = nullptr) : QObject(parent) {}
    // Makes widget accept drops of files from other programs and start them.
    static ShellDropFilter* Install(class QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace launcher
