#include "ui/Resources.h"

#include <QImage>

namespace ui {

namespace {

struct CursorDef {
    const char* name;
    int hotX;
    int hotY;
};

// Hot spots at the tip of the pointing (or middle) finger, as the pictures are drawn.
constexpr CursorDef kCursors[] = {
    {"HANDPNT", 9, 1},
    {"HANDFLAT", 12, 1},
    {"HANDHIT", 9, 5},
};

const QRgb kDirTransparent = qRgb(128, 128, 0);

} // namespace

QString resourcePath(const QString& name) {
    return QStringLiteral(":/res/") + name + QStringLiteral(".png");
}

QIcon programIcon() {
    QIcon icon;
    icon.addPixmap(resourcePixmap(QStringLiteral("MAINICON")));
    icon.addPixmap(resourcePixmap(QStringLiteral("MAINICON16")));
    return icon;
}

QPixmap resourcePixmap(const QString& name) {
    QPixmap pm;
    if (!name.isEmpty())
        pm.load(resourcePath(name), "PNG");
    return pm;
}

QIcon resourceIcon(const QString& name) {
    if (name == QLatin1String("MAINICON"))
        return programIcon();
    const QPixmap pm = resourcePixmap(name);
    return pm.isNull() ? QIcon() : QIcon(pm);
}

QCursor resourceCursor(const QString& name) {
    for (const CursorDef& c : kCursors) {
        if (name == QLatin1String(c.name)) {
            const QPixmap pm = resourcePixmap(name);
            if (!pm.isNull())
                return QCursor(pm, c.hotX, c.hotY);
        }
    }
    return QCursor(Qt::ArrowCursor);
}

QStringList controlGlyphNames() {
    return {QStringLiteral("CloseButton"),     QStringLiteral("VierButton"),
            QStringLiteral("VierCloseBottun"), QStringLiteral("ZoomoutSB"),
            QStringLiteral("ZoomInSB"),        QStringLiteral("SBMax"),
            QStringLiteral("SBNor"),           QStringLiteral("MinimizeButton"),
            QStringLiteral("DirSPB"),          QStringLiteral("FindDirSPB"),
            QStringLiteral("MKDirSB"),         QStringLiteral("EditB"),
            QStringLiteral("TRayButton"),      QStringLiteral("SBP")};
}

QSize glyphSize(const QString& buttonName) {
    return buttonName == QLatin1String("SBP") ? QSize(28, 28) : QSize(24, 24);
}

QPixmap controlGlyph(const QString& buttonName) {
    if (!controlGlyphNames().contains(buttonName))
        return {};
    return resourcePixmap(QStringLiteral("glyphs/") + buttonName);
}

QIcon controlGlyphIcon(const QString& buttonName) {
    const QPixmap strip = controlGlyph(buttonName);
    if (strip.isNull())
        return {};
    const QSize size = glyphSize(buttonName);
    QIcon icon;
    icon.addPixmap(strip.copy(QRect(QPoint(0, 0), size)), QIcon::Normal);
    icon.addPixmap(strip.copy(QRect(QPoint(size.width(), 0), size)), QIcon::Disabled);
    return icon;
}

QList<QPixmap> dirImages() {
    QImage strip(resourcePath(QStringLiteral("DIRIMGS")), "PNG");
    QList<QPixmap> out;
    if (strip.isNull())
        return out;
    strip = strip.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < strip.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < strip.width(); ++x)
            if ((line[x] & 0x00ffffffu) == (kDirTransparent & 0x00ffffffu))
                line[x] = qRgba(0, 0, 0, 0);
    }
    for (int i = 0; i < strip.width() / 16; ++i)
        out.append(QPixmap::fromImage(strip.copy(i * 16, 0, 16, 16)));
    return out;
}

} // namespace ui
