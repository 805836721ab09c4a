#include "ui/CaptionPanel.h"

#include <QMouseEvent>
#include <QPainter>

namespace ui {

CaptionPanel::CaptionPanel(QWidget* parent) : Panel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
}

void CaptionPanel::setCaption(const QString& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
}

void CaptionPanel::setTextColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

QColor CaptionPanel::textColor() const {
    return palette().color(QPalette::WindowText);
}

void CaptionPanel::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    if (caption_.isEmpty())
        return;
    QPainter p(this);
    p.setPen(textColor());
    p.setFont(font());
    const QRect r = contentsRect();
    p.setClipRect(r);
    // Centred like a panel caption; a text wider than the panel keeps its start visible
    // only when it is centred, so it is clipped on both sides as the classic panel did.
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

void CaptionPanel::mouseReleaseEvent(QMouseEvent* e) {
    Panel::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
}

} // namespace ui
