#include "ui/ControlScaling.h"

#include <QFont>
#include <QHeaderView>
#include <QLayout>
#include <QList>
#include <QRect>
#include <QTreeView>
#include <QVariant>
#include <QWidget>

#include <climits>

namespace ui {

int ScaleValue(int value, int m, int d) {
    if (d == 0)
        return value;
    return int(qint64(value) * m / d);
}

namespace {

// On the root: the scale its controls show, as the exact product of the steps, and the
// same in whole percent, stepped as the zoom counts (100 * m div d).
const char kScale[] = "zelmoScale";
const char kScalePercent[] = "zelmoScalePercent";
// On each scaled object: its values at full scale, each with the value last set from it.
const char kFullScale[] = "zelmoFullScale";

double ScaleOf(const QWidget* root) {
    const QVariant v = root->property(kScale);
    return v.isValid() ? v.toDouble() : 1.0;
}

int ScalePercentOf(const QWidget* root) {
    const QVariant v = root->property(kScalePercent);
    return v.isValid() ? v.toInt() : 100;
}

// Toward zero like the integer division, but a product such as 100 * 0.7 * 0.7, which
// lands a hair below 49, still gives 49.
int Truncate(double v) {
    return int(v >= 0 ? v + 1e-6 : v - 1e-6);
}

// The values of one object at full scale. Stepping each value from its last whole pixel
// would lose a pixel on most steps down and never get it back on the way up (at a few
// pixels, 10/9 of a value is the value again), and a maximise and back would shrink
// everything by a pixel each time. So a value that is still as it was last set is
// computed from its full-scale value; one changed since (by a layout, the user or the
// program) is taken as showing the old scale.
class FullScale {
public:
    FullScale(QObject* object, double from, double to)
        : object_(object), from_(from), to_(to), values_(object->property(kFullScale).toMap()) {}
    ~FullScale() { object_->setProperty(kFullScale, values_); }
    FullScale(const FullScale&) = delete;
    FullScale& operator=(const FullScale&) = delete;

    int operator()(const QString& key, int current, int least = INT_MIN) {
        const QVariantList kept = values_.value(key).toList();
        const double full = kept.size() == 2 && kept.at(1).toInt() == current
                                ? kept.at(0).toDouble()
                                : (from_ > 0 ? current / from_ : current);
        const int scaled = qMax(least, Truncate(full * to_));
        values_.insert(key, QVariantList{full, scaled});
        return scaled;
    }
    // The widget took another value than the one computed: that one is compared with
    // next time.
    void Took(const QString& key, int value) {
        QVariantList kept = values_.value(key).toList();
        if (kept.size() == 2) {
            kept[1] = value;
            values_.insert(key, kept);
        }
    }

private:
    QObject* object_;
    double from_, to_;
    QVariantMap values_;
};

// The font's height in pixels; a font given in points is converted at the widget's
// resolution, so that fonts of both kinds take the same integer steps.
int FontPixelHeight(const QWidget* w, const QFont& f) {
    if (f.pixelSize() > 0)
        return f.pixelSize();
    return qRound(f.pointSizeF() * w->logicalDpiY() / 72.0);
}

// Fonts follow the zoom in whole percent: after steps that bring the zoom back to about
// 100 the texts are at their size again, while the controls (stepped by the exact
// factors) are if anything a little larger, so no text is cut off.
void ScaleFont(QWidget* w, int pixels, int percent, int newPercent) {
    FullScale fonts(w, percent / 100.0, newPercent / 100.0);
    QFont f = w->font();
    f.setPixelSize(fonts(QStringLiteral("font"), pixels, 1));
    w->setFont(f);
}

void ScaleLimits(QWidget* w, FullScale& full) {
    const QSize minimum = w->minimumSize();
    const QSize maximum = w->maximumSize();
    auto scaleMax = [&](const QString& key, int v) {
        return v < QWIDGETSIZE_MAX ? full(key, v) : v;
    };
    // Lower the minimum before the maximum moves below it, and the other way round.
    const QSize newMin(full(QStringLiteral("minW"), minimum.width()),
                       full(QStringLiteral("minH"), minimum.height()));
    const QSize newMax(scaleMax(QStringLiteral("maxW"), maximum.width()),
                       scaleMax(QStringLiteral("maxH"), maximum.height()));
    if (newMin == minimum && newMax == maximum)
        return;
    w->setMinimumSize(0, 0);
    w->setMaximumSize(newMax);
    w->setMinimumSize(newMin);
}

QRect ScaleGeometry(const QRect& r, FullScale& full) {
    return {full(QStringLiteral("x"), r.x()), full(QStringLiteral("y"), r.y()),
            full(QStringLiteral("w"), r.width()), full(QStringLiteral("h"), r.height())};
}

QMargins ScaleMargins(const QMargins& m, FullScale& full) {
    return {full(QStringLiteral("ml"), m.left()), full(QStringLiteral("mt"), m.top()),
            full(QStringLiteral("mr"), m.right()), full(QStringLiteral("mb"), m.bottom())};
}

void ScaleLayout(QLayout* layout, double from, double to) {
    FullScale full(layout, from, to);
    layout->setContentsMargins(ScaleMargins(layout->contentsMargins(), full));
    if (layout->spacing() > 0)
        layout->setSpacing(full(QStringLiteral("spacing"), layout->spacing(), 1));
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout* inner = layout->itemAt(i)->layout())
            ScaleLayout(inner, from, to);
}

// A header's sections are controls too; each stays wide enough for its caption at the
// new font, so that captions never run into each other.
struct HeaderSizes {
    QHeaderView* header;
    QList<int> sizes;
};

HeaderSizes ReadHeader(QHeaderView* header) {
    HeaderSizes h{header, {}};
    for (int i = 0; i < header->count(); ++i)
        h.sizes.append(header->sectionSize(i));
    return h;
}

void ScaleHeader(const HeaderSizes& h, double from, double to) {
    FullScale full(h.header, from, to);
    const QAbstractItemModel* model = h.header->model();
    for (int i = 0; i < h.sizes.size() && i < h.header->count(); ++i) {
        if (h.header->isSectionHidden(i))
            continue;
        int size = full(QStringLiteral("s%1").arg(i), h.sizes.at(i));
        const QString caption =
            model ? model->headerData(i, h.header->orientation(), Qt::DisplayRole).toString()
                  : QString();
        if (!caption.isEmpty())
            size = qMax(size, h.header->sectionSizeHint(i));
        h.header->resizeSection(i, size);
        full.Took(QStringLiteral("s%1").arg(i), h.header->sectionSize(i));
    }
}

// An item view's pictures and a tree's indentation are part of its rows: unscaled, a
// zoomed-out tree would show little but folder pictures, its names pushed off to the
// right.
void ScaleItemView(QAbstractItemView* view, FullScale& full) {
    const QSize icon = view->iconSize();
    if (icon.isValid())
        view->setIconSize(QSize(full(QStringLiteral("iconW"), icon.width(), 1),
                                full(QStringLiteral("iconH"), icon.height(), 1)));
    if (auto* tree = qobject_cast<QTreeView*>(view))
        tree->setIndentation(full(QStringLiteral("indent"), tree->indentation()));
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

void Scale(QWidget* root, int m, int d, bool withRootSize) {
    if (!root || d == 0 || m == d)
        return;
    const double from = ScaleOf(root);
    const double to = from * m / d;
    const int percent = ScalePercentOf(root);
    const int newPercent = qMax(1, ScaleValue(percent, m, d));

    // Every geometry is read before any is changed: a docking layout moves the
    // neighbours of a widget as soon as that widget changes size, and those moved
    // positions must not be scaled a second time.
    QList<QWidget*> widgets;
    CollectChildren(root, widgets);
    QList<QRect> geometries;
    QList<int> fonts; // pixel height of a font set on the widget itself, else 0
    QList<HeaderSizes> headers;
    geometries.reserve(widgets.size());
    fonts.reserve(widgets.size());
    for (QWidget* w : widgets) {
        geometries.append(w->geometry());
        fonts.append(w->testAttribute(Qt::WA_SetFont) ? FontPixelHeight(w, w->font()) : 0);
        if (auto* header = qobject_cast<QHeaderView*>(w))
            headers.append(ReadHeader(header));
    }

    QList<QWidget*> laidOut{root};
    laidOut.append(widgets);
    for (QWidget* w : laidOut)
        if (QLayout* l = w->layout())
            l->setEnabled(false);

    root->setProperty(kScale, to);
    root->setProperty(kScalePercent, newPercent);
    // A widget that sets a font of its own gets it scaled; the others inherit the
    // scaled font from their parent.
    ScaleFont(root, FontPixelHeight(root, root->font()), percent, newPercent);
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        QWidget* w = widgets.at(i);
        if (fonts.at(i) > 0)
            ScaleFont(w, fonts.at(i), percent, newPercent);
        FullScale full(w, from, to);
        ScaleLimits(w, full);
        const QMargins cm = w->contentsMargins();
        if (!cm.isNull() || w->property(kFullScale).toMap().contains(QStringLiteral("ml")))
            w->setContentsMargins(ScaleMargins(cm, full));
        w->setGeometry(ScaleGeometry(geometries.at(i), full));
        if (auto* view = qobject_cast<QAbstractItemView*>(w))
            ScaleItemView(view, full);
    }
    for (const HeaderSizes& h : headers)
        ScaleHeader(h, from, to);

    // Parents first, so that each layout lays its children into the area its own
    // parent has just given it.
    for (QWidget* w : laidOut) {
        if (QLayout* l = w->layout()) {
            ScaleLayout(l, from, to);
            l->setEnabled(true);
            l->invalidate();
            l->activate();
        }
    }

    if (withRootSize) {
        FullScale full(root, from, to);
        root->resize(full(QStringLiteral("w"), root->width()),
                     full(QStringLiteral("h"), root->height()));
    }
}

} // namespace

int ScalePercent(const QWidget* root) {
    return root ? ScalePercentOf(root) : 100;
}

void ScaleControls(QWidget* root, int m, int d) {
    Scale(root, m, d, false);
}

void ScaleBy(QWidget* root, int m, int d) {
    Scale(root, m, d, true);
}

} // namespace ui
