#include "ui/Composition.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QWidget>

namespace ui {

namespace {

class CompositionTracker : public QObject {
public:
    explicit CompositionTracker(QWidget* box) : QObject(box) { box->installEventFilter(this); }
    QString preedit;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        // Each event carries the whole composition as the box is to show it.
        if (e->type() == QEvent::InputMethod)
            preedit = static_cast<QInputMethodEvent*>(e)->preeditString();
        return false;
    }
};

CompositionTracker* trackerOf(QWidget* box) {
    if (!box)
        return nullptr;
    for (QObject* child : box->children())
        if (auto* tracker = dynamic_cast<CompositionTracker*>(child))
            return tracker;
    return nullptr;
}

} // namespace

void TrackComposition(QWidget* box) {
    if (box && !trackerOf(box))
        new CompositionTracker(box);
}

void SettleComposition(QWidget* box) {
    CompositionTracker* tracker = trackerOf(box);
    if (!tracker)
        return;
    QInputMethod* im = QGuiApplication::inputMethod();
    // The input method composes for the object with the focus; a real one (ibus) sends
    // its commit to the box at once.
    if (QGuiApplication::focusObject() == box)
        im->commit();
    if (tracker->preedit.isEmpty())
        return;
    // One that keeps its composition (or none at all) leaves it shown in the box.
    QInputMethodEvent typed(QString(), {});
    typed.setCommitString(tracker->preedit);
    QCoreApplication::sendEvent(box, &typed); // the tracker sees the preedit end
    tracker->preedit.clear();
    im->reset();
}

} // namespace ui
