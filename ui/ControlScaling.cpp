#include "ui/ControlScaling.h"

#include <QFont>
#include <QLayout>
#include <QList>
#include <QRect>
#include <QWidget>

namespace ui {

int ScaleValue(int value, int m, int d) {
    if (d == 0)
        return value;
    return int(qint64(value) * m / d);
}

namespace {

QRect ScaleRect(const QRect& r, int m, int d) {
    return {ScaleValue(r.x(), m, d), ScaleValue(r.y(), m, d), ScaleValue(r.width(), m, d),
            ScaleValue(r.height(), m, d)};
}

// The font's height in pixels; a font given in points is converted at the widget's
// resolution, so that fonts of both kinds take the same integer steps.
int FontPixelHeight(const QWidget* w, const QFont& f) {
    if (f.pixelSize() > 0)
        return f.pixelSize();
    return qRound(f.pointSizeF() * w->logicalDpiY() / 72.0);
}

// A widget that sets a font of its own gets its size scaled from the height it had
// before the step; the others inherit the scaled size from their parent. (A widget
// whose own font leaves the size to its parent ends up with the same pixels.)
void SetFontPixels(QWidget* w, int pixels) {
    QFont f = w->font();
    f.setPixelSize(qMax(1, pixels));
    w->setFont(f);
}

void ScaleLimits(QWidget* w, int m, int d) {
    const QSize minimum = w->minimumSize();
    const QSize maximum = w->maximumSize();
    auto scaleMin = [&](int v) { return v > 0 ? ScaleValue(v, m, d) : v; };
    auto scaleMax = [&](int v) { return v < QWIDGETSIZE_MAX ? ScaleValue(v, m, d) : v; };
    // Lower the minimum before the maximum moves below it, and the other way round.
    const QSize newMin(scaleMin(minimum.width()), scaleMin(minimum.height()));
    const QSize newMax(scaleMax(maximum.width()), scaleMax(maximum.height()));
    if (newMin == minimum && newMax == maximum)
        return;
    w->setMinimumSize(0, 0);
    w->setMaximumSize(newMax);
    w->setMinimumSize(newMin);
}

void ScaleLayout(QLayout* layout, int m, int d) {
    const QMargins mg = layout->contentsMargins();
    layout->setContentsMargins(ScaleValue(mg.left(), m, d), ScaleValue(mg.top(), m, d),
                               ScaleValue(mg.right(), m, d), ScaleValue(mg.bottom(), m, d));
    if (layout->spacing() > 0)
        layout->setSpacing(ScaleValue(layout->spacing(), m, d));
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout* inner = layout->itemAt(i)->layout())
            ScaleLayout(inner, m, d);
}

void CollectChildren(QWidget* parent, QList<QWidget*>& out) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow())
            continue;
        out.append(w);
        CollectChildren(w, out);
    }
}

} // namespace

void ScaleControls(QWidget* root, int m, int d) {
    if (!root || d == 0 || m == d)
        return;

    // Every geometry is read before any is changed: a docking layout moves the
    // neighbours of a widget as soon as that widget changes size, and those moved
    // positions must not be scaled a second time.
    QList<QWidget*> widgets;
    CollectChildren(root, widgets);
    QList<QRect> geometries;
    QList<int> fonts; // pixel height of a font set on the widget itself, else 0
    geometries.reserve(widgets.size());
    fonts.reserve(widgets.size());
    for (QWidget* w : widgets) {
        geometries.append(w->geometry());
        fonts.append(w->testAttribute(Qt::WA_SetFont) ? FontPixelHeight(w, w->font()) : 0);
    }

    QList<QWidget*> laidOut{root};
    laidOut.append(widgets);
    for (QWidget* w : laidOut)
        if (QLayout* l = w->layout())
            l->setEnabled(false);

    SetFontPixels(root, ScaleValue(FontPixelHeight(root, root->font()), m, d));
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        QWidget* w = widgets.at(i);
        if (fonts.at(i) > 0)
            SetFontPixels(w, ScaleValue(fonts.at(i), m, d));
        ScaleLimits(w, m, d);
        const QMargins cm = w->contentsMargins();
        if (!cm.isNull())
            w->setContentsMargins(ScaleValue(cm.left(), m, d), ScaleValue(cm.top(), m, d),
                                  ScaleValue(cm.right(), m, d), ScaleValue(cm.bottom(), m, d));
        w->setGeometry(ScaleRect(geometries.at(i), m, d));
    }

    // Parents first, so that each layout lays its children into the area its own
    // parent has just given it.
    for (QWidget* w : laidOut) {
        if (QLayout* l = w->layout()) {
            ScaleLayout(l, m, d);
            l->setEnabled(true);
            l->invalidate();
            l->activate();
        }
    }
}

void ScaleBy(QWidget* root, int m, int d) {
    if (!root || d == 0 || m == d)
        return;
    ScaleControls(root, m, d);
    root->resize(ScaleValue(root->width(), m, d), ScaleValue(root->height(), m, d));
}

} // namespace ui
