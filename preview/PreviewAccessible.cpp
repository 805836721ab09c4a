#include "preview/PreviewAccessible.h"

#include "preview/TPreviewFormX.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QLabel>

namespace preview {

namespace {

class PreviewPictureAccessible : public QAccessibleWidget {
public:
    explicit PreviewPictureAccessible(QLabel* picture)
        : QAccessibleWidget(picture, QAccessible::Graphic) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return widget()->window()->windowTitle();
        if (t == QAccessible::Description)
            return widget()->toolTip();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* PreviewFactory(const QString&, QObject* object) {
    auto* label = qobject_cast<QLabel*>(object);
    if (!label || label->objectName() != QLatin1String("Image1") ||
        !qobject_cast<TPreviewFormX*>(label->window()))
        return nullptr;
    return new PreviewPictureAccessible(label);
}

// A new caption is a new name of the picture.
class CaptionWatch : public QObject {
public:
    CaptionWatch(TPreviewFormX* form) : QObject(form), form_(form) {
        form->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::WindowTitleChange && QAccessible::isActive() && form_->Image1) {
            QAccessibleEvent named(form_->Image1, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&named);
        }
        return false;
    }

private:
    TPreviewFormX* form_;
};

} // namespace

void InstallPreviewAccessibility(TPreviewFormX* form) {
    static const bool installed = [] {
        QAccessible::installFactory(PreviewFactory);
        return true;
    }();
    (void)installed;
    new CaptionWatch(form);
}

} // namespace preview
