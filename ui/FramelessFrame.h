#pragma once
// Frame handling for a caption-less top-level window: moving it by dragging its
// background, a right-press hook for its context menu, and resizing it by dragging its
// edges, with two rules the caller switches by predicates:
//   - edges inert: the top and bottom edges do not react, a press there does nothing
//     (left and right still resize);
//   - height locked: the height cannot change by any edge; while the pointer is on an
//     edge the window's minimum and maximum height both equal its current height, so
//     the window manager keeps it too.
// The window's own code may resize it at any time: the limits are only held while the
// pointer rests on an edge or drags it.
//
// How TForm1 uses it (created once in the constructor):
//   Frame = new ui::FramelessFrame(this);
//   Frame->setEdgesInertWhen([this] { return !ViewerOpen; });
//   Frame->setHeightLockedWhen([this] { return !ViewerOpen && !Creating; });
//   Frame->addBackground(w) for the window, BP1Panel ... BP11Panel, ControlPanel, TabSet1
// and then FormMouseDown only opens the context menu on a right press. Handlers that
// route the mouse themselves may instead call beginMove / dragTo / endMove (never both:
// the window would move twice). The background route measures from the events' screen
// positions and stays smooth when the X server lags behind the window.
// The frame only acts while the window is frameless and not maximised. The edge strips
// lie inside the window; they leave buttons (with pictures lying on them) and the tabs
// of a tab set to those controls, and act on the background, panels and lists there.
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <functional>

class QMouseEvent;
class QWidget;

namespace ui {

class FramelessFrame : public QObject {
    Q_OBJECT
public:
    explicit FramelessFrame(QWidget* window);
    ~FramelessFrame() override;

    // Width in pixels of the strip along each side where a press resizes.
    void setEdgeWidth(int pixels) { edgeWidth_ = pixels; }
    int edgeWidth() const { return edgeWidth_; }

    void setEdgesInertWhen(std::function<bool()> predicate) { inert_ = std::move(predicate); }
    void setHeightLockedWhen(std::function<bool()> predicate) { locked_ = std::move(predicate); }

    // Use the window system's own edge resize where it offers one (default); off, or
    // where there is none, the frame resizes the window itself from the mouse.
    void setUseSystemResize(bool on) { useSystemResize_ = on; }

    // Presses on these controls (and drags from them) move the window.
    void addBackground(QWidget* control);
    void setRightPressHandler(std::function<void(QWidget* control, QPoint globalPos)> handler) {
        rightPress_ = std::move(handler);
    }

    // Moving by hand, for handlers that receive the mouse themselves. Positions are in
    // the control's own coordinates; the window follows the pointer by as much as it
    // moved since the press. The Global forms take the screen position of the event,
    // which stays exact while the window system is still catching up with the window.
    void beginMove(QWidget* control, QPoint pos);
    void beginMoveGlobal(QWidget* control, QPoint pos, QPoint globalPos);
    void dragTo(QWidget* control, QPoint pos);
    void dragToGlobal(QPoint globalPos);
    void endMove();
    bool isDragging() const { return dragging_; }
    QPoint dragOrigin() const { return dragOrigin_; }

    // The edges under a screen position that would resize the window now, after the
    // inert and lock rules; none outside the edge strips or when the frame is inactive.
    Qt::Edges edgesAt(QPoint globalPos) const;
    bool isResizing() const { return resizeEdges_ != Qt::Edges(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool active() const;
    // The edge strips under a point, without the inert and lock rules; none over a
    // control that takes the press itself.
    Qt::Edges stripsAt(QPoint globalPos) const;
    bool heightLocked() const { return locked_ && locked_(); }
    bool belongsToWindow(QObject* o) const;
    bool startResize(Qt::Edges edges, QPoint globalPos);
    void resizeTo(QPoint globalPos);
    void showEdgeCursor(Qt::Edges edges);
    void holdHeight(bool on);

    QWidget* window_;
    int edgeWidth_ = 4;
    std::function<bool()> inert_;
    std::function<bool()> locked_;
    std::function<void(QWidget*, QPoint)> rightPress_;
    bool useSystemResize_ = true;
    QSet<QObject*> backgrounds_;

    bool dragging_ = false;
    bool dragByFilter_ = false; // the move was started by a press on a background control
    QPointer<QWidget> dragControl_;
    QPoint dragOrigin_;
    QPoint dragPressGlobal_;
    QPoint dragWindowStart_;

    Qt::Edges resizeEdges_;
    QPoint resizePress_;
    QRect resizeStart_;

    bool cursorOverridden_ = false;
    Qt::Edges cursorEdges_;
    quint64 lastPressTime_ = 0;
    Qt::MouseButton lastPressButton_ = Qt::NoButton;
    bool heightHeld_ = false;
    int heldMin_ = 0, heldMax_ = 0;
};

} // namespace ui
