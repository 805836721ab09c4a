#include "launcher/SlotControls.h"

#include "ui/Hints.h"

#include <QAccessible>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>
#include <QToolTip>

namespace launcher {

namespace {

// Slot hints are mostly paths, and a file name may look like markup: it is shown as
// written, line breaks included.
bool ShowHint(QWidget* w, QEvent* e, const QString& hint) {
    if (hint.isEmpty())
        return false;
    QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), ui::PlainHintText(hint), w,
                       QRect(), w->toolTipDuration());
    return true;
}

// The hint changes with the entry: the slot's name and description change with it, on
// the image and on the button beneath. Only for a slot a reader can see: the strip's 154
// hints are set while it is built, and the readers meet those slots when they show.
void AnnounceSlotChange(SlotImage* image) {
    if (!image->isVisible())
        return;
    QList<QObject*> controls{image};
    if (QWidget* panel = image->parentWidget()) {
        for (QObject* o : panel->children())
            if (auto* b = qobject_cast<SlotButton*>(o); b && b->tag() == image->tag())
                controls.append(b);
    }
    for (QObject* o : controls) {
        QAccessibleEvent named(o, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
        QAccessibleEvent described(o, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&described);
    }
}

} // namespace

SlotButton::SlotButton(int tag, QWidget* parent) : QPushButton(parent), tag_(tag) {
    setFocusPolicy(Qt::NoFocus);
}

bool SlotButton::event(QEvent* e) {
    // The disabled image lets the mouse through to this button, hint events included.
    if (e->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        if (SlotImage* i = image(); i && ShowHint(this, e, i->toolTip()))
            return true;
    }
    return QPushButton::event(e);
}

SlotImage* SlotButton::image() const {
    if (!parentWidget())
        return nullptr;
    for (QObject* o : parentWidget()->children())
        if (auto* i = qobject_cast<SlotImage*>(o); i && i->tag() == tag_)
            return i;
    return nullptr;
}

void SlotButton::mousePressEvent(QMouseEvent* e) {
    emit mouseDown(e->button(), e->position().toPoint());
    QPushButton::mousePressEvent(e);
    e->accept(); // a right press on a slot is the slot's, not the page panel's
}

void SlotButton::mouseReleaseEvent(QMouseEvent* e) {
    QPushButton::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton || !parentWidget())
        return;
    e->accept();
    // The press may have enabled the image lying over this button; the release is
    // then the image's, as it would be without the mouse grab of the press.
    const QPoint inParent = mapToParent(e->position().toPoint());
    if (auto* image = qobject_cast<SlotImage*>(parentWidget()->childAt(inParent)))
        image->deliverMouseUp(e->button(), image->mapFromParent(inParent));
}

SlotImage::SlotImage(int tag, QWidget* parent) : QWidget(parent), tag_(tag) {
    setAcceptDrops(true);
}

void SlotImage::setPicture(const QPixmap& picture, std::optional<PictureChoice> madeFrom) {
    picture_ = picture;
    madeFrom_ = picture.isNull() ? std::nullopt : std::move(madeFrom);
    update();
}

void SlotImage::setSlotEnabled(bool enabled) {
    slotEnabled_ = enabled;
    setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
    if (!enabled)
        leftPressed_ = false;
}

void SlotImage::deliverMouseUp(Qt::MouseButton button, QPoint pos) {
    if (slotEnabled_)
        emit mouseUp(button, pos);
}

bool SlotImage::event(QEvent* e) {
    if (e->type() == QEvent::ToolTipChange && QAccessible::isActive())
        AnnounceSlotChange(this);
    if (e->type() == QEvent::ToolTip && ShowHint(this, e, toolTip()))
        return true;
    return QWidget::event(e);
}

void SlotImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(rect(), picture_);
}

void SlotImage::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        leftPressed_ = true;
    emit mouseDown(e->button(), e->position().toPoint());
}

void SlotImage::mouseReleaseEvent(QMouseEvent* e) {
    const bool click =
        e->button() == Qt::LeftButton && leftPressed_ && rect().contains(e->position().toPoint());
    if (e->button() == Qt::LeftButton)
        leftPressed_ = false;
    emit mouseUp(e->button(), e->position().toPoint());
    if (click)
        emit clicked();
}

void SlotImage::dragEnterEvent(QDragEnterEvent* e) {
    answerDragOver(e);
}

void SlotImage::dragMoveEvent(QDragMoveEvent* e) {
    answerDragOver(e);
}

void SlotImage::answerDragOver(QDragMoveEvent* e) {
    bool accept = false;
    emit dragOver(e->source(), &accept);
    if (accept)
        e->acceptProposedAction();
    else
        e->ignore();
}

void SlotImage::dropEvent(QDropEvent* e) {
    emit dragDrop(e->source());
    e->acceptProposedAction();
}

int SlotTag(const QObject* sender) {
    if (auto* b = qobject_cast<const SlotButton*>(sender))
        return b->tag();
    if (auto* i = qobject_cast<const SlotImage*>(sender))
        return i->tag();
    return -1;
}

} // namespace launcher
