#include "ui/AlignLayout.h"

#include <QEvent>
#include <QResizeEvent>
#include <QWidget>
#include <QWidgetItem>

namespace ui {

AlignLayout::AlignLayout(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

AlignLayout::~AlignLayout() {
    while (!items_.isEmpty())
        delete items_.takeLast().item;
}

void AlignLayout::addWidget(QWidget* w, Align align) {
    addChildWidget(w);
    items_.append({new QWidgetItem(w), align});
    w->installEventFilter(this);
    invalidate();
}

void AlignLayout::addItem(QLayoutItem* item) {
    items_.append({item, Align::Client});
}

Align AlignLayout::alignOf(const QWidget* w) const {
    for (const Entry& e : items_)
        if (e.item->widget() == w)
            return e.align;
    return Align::Client;
}

QLayoutItem* AlignLayout::itemAt(int index) const {
    return index >= 0 && index < items_.size() ? items_.at(index).item : nullptr;
}

QLayoutItem* AlignLayout::takeAt(int index) {
    if (index < 0 || index >= items_.size())
        return nullptr;
    QLayoutItem* item = items_.takeAt(index).item;
    if (QWidget* w = item->widget())
        w->removeEventFilter(this);
    return item;
}

QSize AlignLayout::sizeHint() const {
    int h = 0, w = 0;
    for (const Entry& e : items_) {
        const QWidget* widget = e.item->widget();
        if (!widget || widget->isHidden())
            continue;
        if (e.align == Align::Top || e.align == Align::Bottom)
            h += widget->height();
        else if (e.align == Align::Left || e.align == Align::Right)
            w += widget->width();
    }
    return {w, h};
}

QSize AlignLayout::minimumSize() const {
    return {0, 0};
}

void AlignLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    laying_ = true;
    QRect r = rect;
    for (const Entry& e : items_) {
        QWidget* w = e.item->widget();
        if (!w || w->isHidden())
            continue;
        switch (e.align) {
        case Align::Top: {
            const int h = qMin(w->height(), qMax(0, r.height()));
            w->setGeometry(r.left(), r.top(), r.width(), w->height());
            r.setTop(r.top() + h);
            break;
        }
        case Align::Bottom: {
            const int h = qMin(w->height(), qMax(0, r.height()));
            w->setGeometry(r.left(), r.bottom() + 1 - w->height(), r.width(), w->height());
            r.setBottom(r.bottom() - h);
            break;
        }
        case Align::Left: {
            const int wd = qMin(w->width(), qMax(0, r.width()));
            w->setGeometry(r.left(), r.top(), w->width(), r.height());
            r.setLeft(r.left() + wd);
            break;
        }
        case Align::Right: {
            const int wd = qMin(w->width(), qMax(0, r.width()));
            w->setGeometry(r.right() + 1 - w->width(), r.top(), w->width(), r.height());
            r.setRight(r.right() - wd);
            break;
        }
        case Align::Client:
            w->setGeometry(r);
            break;
        }
    }
    laying_ = false;
}

bool AlignLayout::eventFilter(QObject* watched, QEvent* event) {
    if (!laying_ && event->type() == QEvent::Resize) {
        auto* w = static_cast<QWidget*>(watched);
        const auto* re = static_cast<QResizeEvent*>(event);
        const Align a = alignOf(w);
        const bool vertical = a == Align::Top || a == Align::Bottom;
        const bool horizontal = a == Align::Left || a == Align::Right;
        if ((vertical && re->size().height() != re->oldSize().height()) ||
            (horizontal && re->size().width() != re->oldSize().width()))
            invalidate();
    }
    return QLayout::eventFilter(watched, event);
}

} // namespace ui
