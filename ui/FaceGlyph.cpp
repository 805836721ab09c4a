#include "ui/FaceGlyph.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

namespace ui {

QPixmap IconOnFace(const QPixmap& icon) {
    QPixmap face(32, 32);
    face.fill(QApplication::palette().color(QPalette::Button));
    if (!icon.isNull()) {
        QPainter p(&face);
        p.drawPixmap(0, 0, icon);
    }
    return face;
}

QPixmap StretchedGlyph(const QPixmap& face, QSize buttonSize) {
    const QSize size = buttonSize - QSize(2, 2);
    if (size.width() <= 0 || size.height() <= 0 || face.isNull())
        return {};
    return face.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace ui
