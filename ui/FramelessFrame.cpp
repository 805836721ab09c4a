#include "ui/FramelessFrame.h"

#include "ui/TabSet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace ui {

namespace {

Qt::CursorShape ShapeFor(Qt::Edges e) {
    const bool horizontal = e & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = e & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling = (e & Qt::LeftEdge) == bool(e & Qt::TopEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

// Whether a control that handles presses itself lies under a point (in parent's
// coordinates): a button, with whatever lies on its face, or a tab of a tab set.
bool PressTakenAt(const QWidget* parent, QPoint pos) {
    for (QObject* o : parent->children()) {
        if (!o->isWidgetType())
            continue;
        auto* w = static_cast<QWidget*>(o);
        if (w->isWindow() || w->isHidden() || w->testAttribute(Qt::WA_TransparentForMouseEvents) ||
            !w->geometry().contains(pos))
            continue;
        const QPoint inside = pos - w->pos();
        if (qobject_cast<QAbstractButton*>(w))
            return true;
        if (auto* tabs = qobject_cast<TabSet*>(w); tabs && tabs->tabAt(inside) >= 0)
            return true;
        if (PressTakenAt(w, inside))
            return true;
    }
    return false;
}

} // namespace

FramelessFrame::FramelessFrame(QWidget* window) : QObject(window), window_(window) {
    // Moves without a button reach the window from every child that does not track the
    // mouse itself, so the edge cursor follows the pointer over the whole window.
    window_->setMouseTracking(true);
    qApp->installEventFilter(this);
}

FramelessFrame::~FramelessFrame() {
    qApp->removeEventFilter(this);
    showEdgeCursor({});
}

void FramelessFrame::addBackground(QWidget* control) {
    backgrounds_.insert(control);
    connect(control, &QObject::destroyed, this, [this](QObject* o) { backgrounds_.remove(o); });
}

void FramelessFrame::beginMove(QWidget* control, QPoint pos) {
    beginMoveGlobal(control, pos, control ? control->mapToGlobal(pos) : pos);
}

void FramelessFrame::beginMoveGlobal(QWidget* control, QPoint pos, QPoint globalPos) {
    dragging_ = true;
    dragControl_ = control;
    dragOrigin_ = pos;
    dragPressGlobal_ = globalPos;
    dragWindowStart_ = window_->pos();
}

void FramelessFrame::dragTo(QWidget* control, QPoint pos) {
    if (dragging_)
        dragToGlobal(control ? control->mapToGlobal(pos) : pos);
}

void FramelessFrame::dragToGlobal(QPoint globalPos) {
    // Measured from where the press was on the screen rather than from the control,
    // which the window system may not have moved yet when the next move arrives.
    if (dragging_)
        window_->move(dragWindowStart_ + globalPos - dragPressGlobal_);
}

void FramelessFrame::endMove() {
    dragging_ = false;
    dragByFilter_ = false;
    dragControl_ = nullptr;
}

bool FramelessFrame::active() const {
    return window_->isVisible() && (window_->windowFlags() & Qt::FramelessWindowHint) &&
           !(window_->windowState() &
             (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized));
}

Qt::Edges FramelessFrame::stripsAt(QPoint globalPos) const {
    if (!active())
        return {};
    const QRect r = window_->frameGeometry();
    if (!r.contains(globalPos))
        return {};
    Qt::Edges e;
    if (globalPos.x() < r.left() + edgeWidth_)
        e |= Qt::LeftEdge;
    else if (globalPos.x() > r.right() - edgeWidth_)
        e |= Qt::RightEdge;
    if (globalPos.y() < r.top() + edgeWidth_)
        e |= Qt::TopEdge;
    else if (globalPos.y() > r.bottom() - edgeWidth_)
        e |= Qt::BottomEdge;
    // The strips lie inside the window, over its outermost pixels: where a control lies
    // there (the launcher's slot buttons start one pixel below the top), it keeps them.
    if (e != Qt::Edges() && PressTakenAt(window_, window_->mapFromGlobal(globalPos)))
        return {};
    return e;
}

Qt::Edges FramelessFrame::edgesAt(QPoint globalPos) const {
    Qt::Edges e = stripsAt(globalPos);
    if ((inert_ && inert_()) || heightLocked())
        e &= ~(Qt::TopEdge | Qt::BottomEdge);
    return e;
}

bool FramelessFrame::belongsToWindow(QObject* o) const {
    return o->isWidgetType() && static_cast<QWidget*>(o)->window() == window_;
}

void FramelessFrame::holdHeight(bool on) {
    if (on == heightHeld_)
        return;
    if (on) {
        heldMin_ = window_->minimumHeight();
        heldMax_ = window_->maximumHeight();
        const int h = window_->height();
        window_->setMinimumHeight(h);
        window_->setMaximumHeight(h);
    } else {
        window_->setMinimumHeight(heldMin_);
        window_->setMaximumHeight(heldMax_);
    }
    heightHeld_ = on;
}

void FramelessFrame::showEdgeCursor(Qt::Edges edges) {
    if (edges == cursorEdges_ && (edges == Qt::Edges()) == !cursorOverridden_)
        return;
    cursorEdges_ = edges;
    if (edges == Qt::Edges()) {
        if (cursorOverridden_)
            QGuiApplication::restoreOverrideCursor();
        cursorOverridden_ = false;
    } else if (cursorOverridden_) {
        QGuiApplication::changeOverrideCursor(QCursor(ShapeFor(edges)));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(ShapeFor(edges)));
        cursorOverridden_ = true;
    }
}

bool FramelessFrame::startResize(Qt::Edges edges, QPoint globalPos) {
    holdHeight(heightLocked());
    if (useSystemResize_) {
        QWindow* handle = window_->windowHandle();
        if (handle && handle->startSystemResize(edges))
            return true;
    }
    resizeEdges_ = edges;
    resizePress_ = globalPos;
    resizeStart_ = window_->geometry();
    return true;
}

void FramelessFrame::resizeTo(QPoint globalPos) {
    const QPoint delta = globalPos - resizePress_;
    QRect g = resizeStart_;
    // Never so small that the edges can no longer be caught.
    const int floor = 4 * edgeWidth_;
    const int minW = qMax(window_->minimumWidth(), floor);
    const int minH = qMax(window_->minimumHeight(), floor);
    const int maxW = window_->maximumWidth();
    const int maxH = window_->maximumHeight();
    if (resizeEdges_ & Qt::LeftEdge) {
        const int w = qBound(minW, resizeStart_.width() - delta.x(), maxW);
        g.setLeft(resizeStart_.right() + 1 - w);
    } else if (resizeEdges_ & Qt::RightEdge) {
        g.setWidth(qBound(minW, resizeStart_.width() + delta.x(), maxW));
    }
    if (resizeEdges_ & Qt::TopEdge) {
        const int h = qBound(minH, resizeStart_.height() - delta.y(), maxH);
        g.setTop(resizeStart_.bottom() + 1 - h);
    } else if (resizeEdges_ & Qt::BottomEdge) {
        g.setHeight(qBound(minH, resizeStart_.height() + delta.y(), maxH));
    }
    if (g != window_->geometry())
        window_->setGeometry(g);
}

bool FramelessFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        // A key may run a command that sizes the window itself (a shortcut is asked
        // about with ShortcutOverride before it fires).
        holdHeight(false);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint global = me->globalPosition().toPoint();
        if (!belongsToWindow(watched)) {
            if (watched->isWidgetType())
                holdHeight(false);
            break;
        }
        if (me->button() == Qt::LeftButton) {
            const Qt::Edges edges = edgesAt(global);
            if (edges != Qt::Edges())
                return startResize(edges, global);
            // An inert top or bottom edge is part of the frame, not of the control
            // under it: a press there does nothing at all.
            if (stripsAt(global) != Qt::Edges())
                return true;
        }
        holdHeight(false);
        // A press the pressed child ignores travels on to its parents; act on it once.
        if (me->timestamp() == lastPressTime_ && me->button() == lastPressButton_)
            break;
        if (backgrounds_.contains(watched) && event->type() == QEvent::MouseButtonPress) {
            lastPressTime_ = me->timestamp();
            lastPressButton_ = me->button();
            auto* control = static_cast<QWidget*>(watched);
            if (me->button() == Qt::LeftButton) {
                beginMoveGlobal(control, me->position().toPoint(), global);
                dragByFilter_ = true;
            } else if (me->button() == Qt::RightButton && rightPress_) {
                rightPress_(control, global);
            }
        }
        break;
    }
    case QEvent::MouseMove: {
        if (!belongsToWindow(watched))
            break;
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint global = me->globalPosition().toPoint();
        if (resizeEdges_ != Qt::Edges()) {
            resizeTo(global);
            return true;
        }
        if (dragByFilter_ && dragging_) {
            if (me->buttons() & Qt::LeftButton) {
                dragToGlobal(global);
            } else {
                endMove(); // the release went elsewhere
            }
            break;
        }
        if (me->buttons() == Qt::NoButton) {
            const Qt::Edges edges = edgesAt(global);
            showEdgeCursor(edges);
            holdHeight(edges != Qt::Edges() && heightLocked());
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        if (!belongsToWindow(watched))
            break;
        auto* me = static_cast<QMouseEvent*>(event);
        if (resizeEdges_ != Qt::Edges() && me->button() == Qt::LeftButton) {
            resizeEdges_ = {};
            return true;
        }
        if (dragByFilter_ && me->button() == Qt::LeftButton)
            endMove();
        break;
    }
    case QEvent::Leave:
        if (watched == window_ && resizeEdges_ == Qt::Edges()) {
            showEdgeCursor({});
            holdHeight(false);
        }
        break;
    case QEvent::Hide:
        if (watched == window_) {
            resizeEdges_ = {};
            endMove();
            showEdgeCursor({});
            holdHeight(false);
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ui
