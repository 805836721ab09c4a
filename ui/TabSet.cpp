#include "ui/TabSet.h"

#include <QMouseEvent>
#include <QPainter>

namespace ui {

TabSet::TabSet(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TabSet::setTabs(const QStringList& tabs) {
    tabs_ = tabs;
    if (index_ >= tabs_.size())
        index_ = tabs_.isEmpty() ? -1 : 0;
    update();
}

void TabSet::setTabIndex(int index) {
    if (index < -1 || index >= tabs_.size() || index == index_)
        return;
    bool allow = true;
    emit change(index, &allow);
    if (!allow)
        return;
    index_ = index;
    update();
    emit clicked();
}

void TabSet::setBackgroundColor(const QColor& c) {
    background_ = c;
    update();
}
void TabSet::setSelectedColor(const QColor& c) {
    selected_ = c;
    update();
}
void TabSet::setUnselectedColor(const QColor& c) {
    unselected_ = c;
    update();
}
void TabSet::setTabHeight(int h) {
    tabHeight_ = h;
    update();
}

QRect TabSet::tabRect(int i) const {
    const QFontMetrics fm(font());
    int x = kStartMargin;
    for (int j = 0; j < tabs_.size(); ++j) {
        const int w = fm.horizontalAdvance(tabs_.at(j)) + 2 * kSlant + 6;
        if (j == i)
            return QRect(x, 0, w, tabHeight_);
        x += w - kSlant; // neighbours share a slanted edge
    }
    return {};
}

QPolygon TabSet::tabShape(int i) const {
    const QRect r = tabRect(i);
    QPolygon poly;
    poly << QPoint(r.left(), 0) << QPoint(r.left() + kSlant, r.bottom())
         << QPoint(r.right() - kSlant, r.bottom()) << QPoint(r.right(), 0);
    return poly;
}

int TabSet::tabAt(QPoint pos) const {
    // The selected tab lies over its neighbours, so it wins on a shared edge.
    if (index_ >= 0 && tabShape(index_).containsPoint(pos, Qt::OddEvenFill))
        return index_;
    for (int i = 0; i < tabs_.size(); ++i)
        if (tabShape(i).containsPoint(pos, Qt::OddEvenFill))
            return i;
    for (int i = 0; i < tabs_.size(); ++i)
        if (tabRect(i).contains(pos))
            return i;
    return -1;
}

void TabSet::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background_);
    p.setRenderHint(QPainter::Antialiasing, false);
    auto drawTab = [&](int i) {
        const QPolygon shape = tabShape(i);
        p.setPen(Qt::NoPen);
        p.setBrush(i == index_ ? selected_ : unselected_);
        p.drawPolygon(shape);
        p.setPen(QPen(Qt::black));
        p.drawLine(shape.at(0), shape.at(1));
        p.drawLine(shape.at(1), shape.at(2));
        p.drawLine(shape.at(2), shape.at(3));
        if (i != index_)
            p.drawLine(shape.at(3), shape.at(0)); // the selected tab opens onto the page
        p.setPen(Qt::black);
        p.drawText(tabRect(i), Qt::AlignCenter, tabs_.at(i));
    };
    for (int i = tabs_.size() - 1; i >= 0; --i)
        if (i != index_)
            drawTab(i);
    if (index_ >= 0)
        drawTab(index_);
}

void TabSet::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton) {
        const int i = tabAt(pos);
        if (i >= 0)
            setTabIndex(i);
    }
    emit mouseDown(e->button(), pos);
}

void TabSet::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMove(e->position().toPoint());
}

void TabSet::mouseReleaseEvent(QMouseEvent* e) {
    emit mouseUp(e->button(), e->position().toPoint());
}

} // namespace ui
