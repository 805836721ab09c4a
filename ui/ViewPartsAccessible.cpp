#include "ui/ViewPartsAccessible.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace ui {

namespace {

// The parts QAbstractScrollArea makes for itself.
bool IsScrollAreaPart(const QObject* object) {
    const QString& name = object->objectName();
    return name == QLatin1String("qt_scrollarea_viewport") ||
           name == QLatin1String("qt_scrollarea_hcontainer") ||
           name == QLatin1String("qt_scrollarea_vcontainer");
}

class ViewPart : public QAccessibleWidget {
public:
    explicit ViewPart(QWidget* part) : QAccessibleWidget(part) {}

    QAccessibleInterface* parent() const override {
        QWidget* view = widget()->parentWidget();
        QWidget* above = view ? view->parentWidget() : nullptr;
        return above ? QAccessible::queryAccessibleInterface(above) : nullptr;
    }
};

} // namespace

QAccessibleInterface* ViewPartAccessible(const QString& className, QObject* object) {
    if (className != QLatin1String("QWidget") || !IsScrollAreaPart(object))
        return nullptr;
    auto* part = static_cast<QWidget*>(object);
    auto* view = qobject_cast<QAbstractItemView*>(part->parentWidget());
    if (!view)
        return nullptr;
    // Only where Qt presents the view by rows and cells; a view with an interface of its
    // own (the file lists) counts its children itself.
    QAccessibleInterface* viewInterface = QAccessible::queryAccessibleInterface(view);
    if (!viewInterface || !viewInterface->interface_cast(QAccessible::TableInterface))
        return nullptr;
    return new ViewPart(part);
}

void InstallViewPartsAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ViewPartAccessible);
        return true;
    }();
    (void)installed;
}

} // namespace ui
