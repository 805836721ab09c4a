#include "launcher/StripKeys.h"

#include "launcher/LauncherStrip.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QStackedWidget>
#include <algorithm>

namespace launcher {

StripKeys::StripKeys(LauncherStrip& strip) : QObject(&strip), strip_(strip) {}

void StripKeys::AddButtons(const QList<QAbstractButton*>& buttons) {
    for (QAbstractButton* b : buttons) {
        b->setFocusPolicy(Qt::NoFocus); // a click never takes the keyboard to the strip
        b->installEventFilter(this);
        buttons_.append(b);
        connect(b, &QObject::destroyed, this, [this, b] { buttons_.removeAll(b); });
    }
    if (!buttons.isEmpty() && !Stop(buttons.first()->parentWidget())) {
        const QList<QAbstractButton*> reachable = Reachable(buttons.first()->parentWidget());
        if (!reachable.isEmpty())
            MoveStop(reachable.first(), false);
    }
}

QList<QAbstractButton*> StripKeys::Reachable(const QWidget* page) const {
    QList<QAbstractButton*> list;
    for (QAbstractButton* b : buttons_)
        if (b->parentWidget() == page && b->isEnabled() && !b->isHidden())
            list.append(b);
    std::stable_sort(
        list.begin(), list.end(),
        [](const QAbstractButton* a, const QAbstractButton* b) { return a->x() < b->x(); });
    return list;
}

QAbstractButton* StripKeys::Stop(const QWidget* page) const {
    for (QAbstractButton* b : buttons_)
        if (b->parentWidget() == page && b->focusPolicy() == Qt::TabFocus)
            return b;
    return nullptr;
}

void StripKeys::MoveStop(QAbstractButton* to, bool focus) {
    if (QAbstractButton* from = Stop(to->parentWidget()); from && from != to)
        from->setFocusPolicy(Qt::NoFocus);
    to->setFocusPolicy(Qt::TabFocus);
    if (focus)
        to->setFocus(Qt::TabFocusReason);
}

bool StripKeys::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button)
        return false;
    // A disabled stop would leave the page out of the Tab order, and a disabled button
    // gives the keyboard away (the maximise button is disabled by its own press): both go
    // to the page's first button, so the keyboard stays on the strip.
    const bool losesFocus = event->type() == QEvent::FocusOut;
    if ((losesFocus || event->type() == QEvent::EnabledChange) && !button->isEnabled() &&
        button->focusPolicy() == Qt::TabFocus) {
        const QList<QAbstractButton*> reachable = Reachable(button->parentWidget());
        if (!reachable.isEmpty())
            MoveStop(reachable.first(), losesFocus);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* e = static_cast<QKeyEvent*>(event);
    if (e->modifiers() & ~Qt::KeypadModifier)
        return false; // Shift+F10, Alt+F4 and the like are not the strip's
    return KeyPress(button, e->key());
}

bool StripKeys::KeyPress(QAbstractButton* button, int key) {
    const QList<QAbstractButton*> reachable = Reachable(button->parentWidget());
    const qsizetype at = reachable.indexOf(button);
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const qsizetype next = at + (key == Qt::Key_Left ? -1 : 1);
        if (at >= 0 && next >= 0 && next < reachable.size())
            MoveStop(reachable.at(next), true);
        return true; // the ends hold the keyboard, as a tool bar does
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
        return true; // a button would hand the keyboard on, out of the strip
    case Qt::Key_Home:
    case Qt::Key_End:
        if (!reachable.isEmpty())
            MoveStop(key == Qt::Key_Home ? reachable.first() : reachable.last(), true);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        button->click();
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        TurnPage(key == Qt::Key_PageUp ? -1 : 1);
        return true;
    default:
        return false; // Space presses the button as buttons do
    }
}

void StripKeys::TurnPage(int step) {
    const int pages = strip_.Notebook1->count();
    strip_.ShowPage((strip_.PageIndex() + step + pages) % pages);
    QWidget* page = strip_.Notebook1->currentWidget();
    QAbstractButton* stop = Stop(page);
    if (!stop || !stop->isEnabled()) {
        const QList<QAbstractButton*> reachable = Reachable(page);
        stop = reachable.isEmpty() ? nullptr : reachable.first();
    }
    if (stop)
        MoveStop(stop, true);
}

} // namespace launcher
