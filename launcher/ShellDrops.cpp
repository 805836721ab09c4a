#include "launcher/ShellDrops.h"

#include "launcher/LaunchRules.h"
#include "platform/Shell.h"

#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace launcher {

void StartDroppedFiles(const QStringList& files) {
    for (const QString& file : files) {
        const ShellRequest r = DroppedFileRequest(file);
        platform::ShellStart(r.file, r.parameters, r.directory, platform::SW_SHOW);
    }
}

ShellDropFilter* ShellDropFilter::Install(QWidget* widget) {
    auto* filter = new ShellDropFilter(widget);
    widget->setAcceptDrops(true);
    widget->installEventFilter(filter);
    return filter;
}

bool ShellDropFilter::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* e = static_cast<QDropEvent*>(event);
    // Drags that start in our own lists carry file URLs too; only other programs'
    // drops start files here.
    const QStringList files =
        e->source() == nullptr ? DroppedLocalFiles(e->mimeData()) : QStringList();
    if (files.isEmpty()) {
        e->ignore();
        return true;
    }
    e->acceptProposedAction();
    if (type == QEvent::Drop)
        StartDroppedFiles(files);
    return true;
}

} // namespace launcher
