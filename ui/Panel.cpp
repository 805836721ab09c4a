#include "ui/Panel.h"

#include <QMouseEvent>

namespace ui {

Panel::Panel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::NoFrame);
}

void Panel::setColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
    setAutoFillBackground(true);
}

void Panel::mousePressEvent(QMouseEvent* e) {
    emit mouseDown(e->button(), e->position().toPoint());
}

void Panel::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMove(e->position().toPoint());
}

void Panel::mouseReleaseEvent(QMouseEvent* e) {
    emit mouseUp(e->button(), e->position().toPoint());
}

void Panel::mouseDoubleClickEvent(QMouseEvent* e) {
    emit mouseDown(e->button(), e->position().toPoint());
    if (e->button() == Qt::LeftButton)
        emit doubleClicked();
}

} // namespace ui
