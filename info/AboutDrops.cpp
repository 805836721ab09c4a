#include "info/AboutDrops.h"

#include "info/TAboutBox.h"
#include "launcher/LaunchRules.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QWidget>

namespace info {

QStringList FilesFromOtherPrograms(const QObject* dragSource, const QMimeData* mime) {
    // Drags that start in our own lists carry file URLs too; only other programs' drops
    // start files.
    return dragSource ? QStringList() : launcher::DroppedLocalFiles(mime);
}

AboutDropRouter::AboutDropRouter(TAboutBox* window) : QObject(window), window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
}

AboutDropRouter::~AboutDropRouter() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool AboutDropRouter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    // The information window takes its own drops; controls that take drops keep them.
    if (!window_ || !target || !target->isWindow() || target == window_.data())
        return false;
    auto* e = static_cast<QDropEvent*>(event);
    const QStringList files = FilesFromOtherPrograms(e->source(), e->mimeData());
    if (files.isEmpty())
        return false; // the window's own handling decides
    e->acceptProposedAction();
    if (type == QEvent::Drop) {
        window_->FilesDropped(files);
        if (target->isMinimized())
            target->showNormal();
    }
    return true;
}

} // namespace info
