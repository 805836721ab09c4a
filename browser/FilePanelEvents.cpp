#include "browser/FilePanelEvents.h"

#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FileOperations.h"
#include "browser/FilePanel.h"
#include "platform/FsName.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QUrl>

namespace browser {

namespace {

// A drag of these files, as our own controls and other programs understand it.
QMimeData* fileMime(const QStringList& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    QStringList shown;
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        // The URL carries the name's own bytes, percent-encoded.
        urls.append(
            QUrl::fromEncoded("file://" + platform::toFsBytes(path).toPercentEncoding("/")));
        shown.append(platform::displayName(path));
    }
    mime->setUrls(urls);
    mime->setText(shown.join(QLatin1Char('\n')));
    return mime;
}

// A click below the last item took the selection away: the status texts must follow.
bool emptied(int before, const TFileListBoxS* list) {
    return before >= 0 && list->ItemIndex() < 0;
}

bool pastDragDistance(QPoint from, QPoint to) {
    return (to - from).manhattanLength() >= QApplication::startDragDistance();
}

} // namespace

FilePanelEvents::FilePanelEvents(FilePanel* panel) : QObject(panel), panel_(panel) {}

void FilePanelEvents::install() {
    lists_[0] = panel_->ListBox1;
    lists_[1] = panel_->ListBox2;
    for (int i = 0; i < 2; ++i) {
        listViewports_[i] = lists_[i]->viewport();
        lists_[i]->installEventFilter(this);
        listViewports_[i]->installEventFilter(this);
        lists_[i]->viewport()->setMouseTracking(true);
    }
    tree_ = panel_->DirList2;
    treeViewport_ = panel_->DirList2->viewport();
    tree_->installEventFilter(this);
    treeViewport_->installEventFilter(this);
    image_ = panel_->SelectImage;
    image_->installEventFilter(this);
}

void FilePanelEvents::passOn(QObject* watched, QEvent* event) {
    QObject* previous = passing_;
    passing_ = watched;
    QCoreApplication::sendEvent(watched, event);
    passing_ = previous;
}

bool FilePanelEvents::eventFilter(QObject* watched, QEvent* event) {
    // Only addresses are compared here: the controls may already be on their way out
    // while the window is destroyed.
    if (watched == passing_ || event->type() == QEvent::Destroy)
        return false;
    for (int i = 0; i < 2; ++i) {
        if (watched == lists_[i])
            return listEvent(lists_[i], false, watched, event);
        if (watched == listViewports_[i])
            return listEvent(lists_[i], true, watched, event);
    }
    if (watched == tree_)
        return treeEvent(false, watched, event);
    if (watched == treeViewport_)
        return treeEvent(true, watched, event);
    if (watched == image_)
        return selectImageEvent(event);
    return false;
}

bool FilePanelEvents::listEvent(TFileListBoxS* list, bool onViewport, QObject* watched,
                                QEvent* event) {
    if (!onViewport) {
        if (event->type() == QEvent::KeyPress) {
            auto* e = static_cast<QKeyEvent*>(event);
            if (panel_->ListBox1KeyDown(list, e) || panel_->ListBox1KeyPress(list, e))
                return true;
            const int before = list->ItemIndex();
            passOn(watched, event);
            if (list->ItemIndex() != before)
                panel_->ListBox1Click(list);
            return true;
        }
        if (event->type() == QEvent::KeyRelease) {
            auto* e = static_cast<QKeyEvent*>(event);
            if (!e->isAutoRepeat())
                panel_->ListBox1KeyUp(list, e);
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint pos = e->position().toPoint();
        inListPress_ = true;
        releasedInListPress_ = false;
        const auto pressDone = qScopeGuard([this] { inListPress_ = false; });
        if (e->button() == Qt::LeftButton) {
            const int before = list->ItemIndex();
            passOn(watched, event); // the list selects the item under the mouse
            if (list->ItemAtPos(pos, true) >= 0 || emptied(before, list))
                panel_->ListBox1Click(list);
            pressPos_ = pos;
        }
        panel_->ListBox1MouseDown(list, e->button(), e->modifiers(), pos);
        // A release that came while the press was handled still ends the pending drag,
        // or the next press (with Ctrl or Shift) would keep this press's drop action.
        if (releasedInListPress_)
            panel_->ListBox1MouseUp();
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint pos = e->position().toPoint();
        if (panel_->ListDragging) {
            if ((e->buttons() & Qt::LeftButton) && pastDragDistance(pressPos_, pos))
                startListDrag(list);
            return true; // no selection tracking while a drag is pending
        }
        if (list == panel_->ListBox2 && e->buttons() == Qt::NoButton)
            panel_->ListBox2MouseMove(pos);
        return false;
    }
    case QEvent::MouseButtonRelease: {
        if (inListPress_)
            releasedInListPress_ = true;
        const int before = list->ItemIndex();
        passOn(watched, event);
        if (emptied(before, list))
            panel_->ListBox1Click(list);
        panel_->ListBox1MouseUp();
        return true;
    }
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            return true;
        passOn(watched, event);
        panel_->ListBox1DblClick();
        return true;
    }
    default:
        return false;
    }
}

bool FilePanelEvents::treeEvent(bool onViewport, QObject* watched, QEvent* event) {
    if (!onViewport) {
        if (event->type() == QEvent::KeyPress)
            return panel_->DirList2KeyPress(static_cast<QKeyEvent*>(event));
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint pos = e->position().toPoint();
        if (e->button() == Qt::LeftButton) {
            passOn(watched, event); // selects, or opens and closes by the node's button
            pressPos_ = pos;
        }
        panel_->DirList2MouseDown(e->button(), e->modifiers(), pos);
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (panel_->TreeDragging && (e->buttons() & Qt::LeftButton)) {
            if (pastDragDistance(pressPos_, e->position().toPoint()))
                startTreeDrag();
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        passOn(watched, event);
        panel_->DirList2MouseUp(e->button());
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(event);
        if (panel_->DirList2DragOver(e->source()))
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        e->acceptProposedAction();
        panel_->Operations->DirList2DragDrop(e->source(), e->position().toPoint());
        return true;
    }
    default:
        return false;
    }
}

bool FilePanelEvents::selectImageEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        imagePressed_ = e->button() == Qt::LeftButton;
        imageDragArmed_ = panel_->SelectImageMouseDown(e->button());
        pressPos_ = e->position().toPoint();
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (imageDragArmed_ && (e->buttons() & Qt::RightButton) &&
            pastDragDistance(pressPos_, e->position().toPoint())) {
            imageDragArmed_ = false;
            startSelectImageDrag();
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        imageDragArmed_ = false;
        // A click is a left press and release on the image.
        if (imagePressed_ && e->button() == Qt::LeftButton) {
            imagePressed_ = false;
            if (panel_->SelectImage->rect().contains(e->position().toPoint()))
                panel_->SelectImageClick();
        }
        return true;
    }
    default:
        return false;
    }
}

void FilePanelEvents::startListDrag(TFileListBoxS* list) {
    const QString path = list->GetSelectedPath();
    if (path.isEmpty()) {
        panel_->ListBox1EndDrag();
        return;
    }
    QPointer<TFileListBoxS> source(list);
    auto* drag = new QDrag(list);
    drag->setMimeData(fileMime({path}));
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    if (source)
        panel_->ListBox1EndDrag();
}

void FilePanelEvents::startTreeDrag() {
    TDirTreeViewS* tree = panel_->DirList2;
    panel_->DirList2StartDrag();
    auto* drag = new QDrag(tree);
    drag->setMimeData(fileMime({tree->GetSelectedPath()}));
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    panel_->DirList2EndDrag();
}

void FilePanelEvents::startSelectImageDrag() {
    TFileListBoxS* list = panel_->ActiveList();
    const QString path = list ? list->GetSelectedPath() : QString();
    if (path.isEmpty())
        return;
    auto* drag = new QDrag(panel_->SelectImage);
    drag->setMimeData(fileMime({path}));
    if (const QPixmap picture = panel_->SelectImage->pixmap(); !picture.isNull())
        drag->setPixmap(picture.scaled(32, 32, Qt::KeepAspectRatio));
    drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
    panel_->SelectImageEndDrag();
}

} // namespace browser
