#pragma once
// The two controls of a launcher slot: a push button and, lying over its face, an image.
// A disabled image is transparent to the mouse, so presses and clicks go to the button
// beneath, while its picture keeps showing normally (QWidget::setEnabled would grey it
// and swallow the events). An enabled image takes the mouse and drops itself.
// The slot's hint is the image's: the button shows it too, so it appears wherever the
// pointer rests on the slot, whichever of the two takes the mouse there.
#include "launcher/EntryRules.h"

#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <optional>

class QObject;

namespace launcher {

class SlotImage;

class SlotButton : public QPushButton {
    Q_OBJECT
public:
    SlotButton(int tag, QWidget* parent);
    int tag() const { return tag_; }

signals:
    // Any mouse button, in this button's coordinates (QPushButton only reports left clicks).
    void mouseDown(Qt::MouseButton button, QPoint pos);

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    SlotImage* image() const; // the image of the same slot, on the same page

    int tag_;
};

class SlotImage : public QWidget {
    Q_OBJECT
public:
    SlotImage(int tag, QWidget* parent);
    int tag() const { return tag_; }

    // Shown stretched to the image's size; a null pixmap clears it. madeFrom is the
    // decision the picture was made from, to make it again for a screen of another scale.
    void setPicture(const QPixmap& picture, std::optional<PictureChoice> madeFrom = {});
    const QPixmap& picture() const { return picture_; }
    const std::optional<PictureChoice>& madeFrom() const { return madeFrom_; }

    // Enabled: the image takes mouse events and drops. Disabled: they pass through.
    void setSlotEnabled(bool enabled);
    bool isSlotEnabled() const { return slotEnabled_; }

    // A release that belongs to this image although another control held the mouse
    // (the right-button press on the slot's button that enabled this image).
    void deliverMouseUp(Qt::MouseButton button, QPoint pos);

signals:
    void clicked();
    void mouseDown(Qt::MouseButton button, QPoint pos);
    void mouseUp(Qt::MouseButton button, QPoint pos);
    void dragOver(QObject* source, bool* accept);
    void dragDrop(QObject* source);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // QDragEnterEvent is a QDragMoveEvent: both ask the main window the same question.
    void answerDragOver(QDragMoveEvent* e);

    int tag_;
    QPixmap picture_;
    std::optional<PictureChoice> madeFrom_;
    bool slotEnabled_ = true;
    bool leftPressed_ = false;
};

// The tag of a slot control, or -1 for any other sender.
int SlotTag(const QObject* sender);

} // namespace launcher
