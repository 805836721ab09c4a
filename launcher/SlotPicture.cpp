#include "launcher/SlotPicture.h"

#include "pictures/PictureService.h"
#include "platform/Errors.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "platform/IconExtract.h"
#include "platform/PeIcon.h"
#include "ui/Resources.h"

#include <QPainter>
#include <algorithm>

namespace launcher {

namespace {
constexpr int kSize = 32;
constexpr qsizetype kMaxPictureFile = 64 << 20;

// The slot's side in device pixels.
int DeviceSide(qreal ratio) {
    return pictures::DeviceSize(QSize(kSize, kSize), ratio).width();
}

QImage readPicture(const QString& path, bool icon, int side) {
    const auto bytes = platform::readWholeFile(path, kMaxPictureFile);
    QImage img;
    if (bytes)
        img = icon ? platform::bestIconImage(*bytes, side) : QImage::fromData(*bytes);
    if (img.isNull())
        throw EZelmoError(UnreadablePictureText(path));
    return img;
}

// Stretched to the slot, whatever its proportions, at the device's pixels.
QImage Stretched(const QImage& img, qreal ratio) {
    const int side = DeviceSide(ratio);
    QImage shown = img.size() == QSize(side, side)
                       ? img
                       : img.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    shown.setDevicePixelRatio(std::max<qreal>(1.0, ratio));
    return shown;
}

// An icon for a slot of side device pixels: one larger than the slot's logical size is
// brought to the side (a file's small icon stays small, as on any screen).
QImage ForDevice(const QImage& icon, int side) {
    if (icon.size() == QSize(side, side) || (icon.width() <= kSize && icon.height() <= kSize))
        return icon;
    return icon.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
} // namespace

QString UnreadablePictureText(const QString& path) {
    return platform::displayName(path) + QStringLiteral(" を読み込めません");
}

QImage DrawIconOnFace(QImage& work, const QImage& icon, const QColor& face, qreal ratio) {
    ratio = std::max<qreal>(1.0, ratio);
    const int side = DeviceSide(ratio);
    if (work.size() != QSize(side, side))
        work = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
    work.setDevicePixelRatio(ratio);
    work.fill(face);
    QPainter p(&work);
    QImage drawn = icon;
    // Made for this screen: drawn pixel for pixel. Anything else in logical pixels, at a
    // ratio above 1 enlarged by repeating pixels (no smoothing), so pixel art stays crisp.
    drawn.setDevicePixelRatio(ratio > 1.0 && icon.size() == QSize(side, side) ? ratio : 1.0);
    p.drawImage(QPoint(0, 0), drawn);
    p.end();
    return work.copy();
}

QImage SlotPicture(const PictureChoice& choice, QImage& work, const QColor& face, qreal ratio) {
    const int side = DeviceSide(ratio);
    switch (choice.kind) {
    case PictureChoice::Bitmap:
        return Stretched(readPicture(choice.file, false, side), ratio);
    case PictureChoice::IconFile:
        return Stretched(readPicture(choice.file, true, side), ratio);
    case PictureChoice::Extract: {
        const platform::ExtractedIcon icon = platform::ExtractIcon(choice.file, side);
        if (icon.outcome == platform::IconOutcome::Icon)
            return DrawIconOnFace(work, ratio > 1.0 ? ForDevice(icon.image, side) : icon.image,
                                  face, ratio);
        return DrawIconOnFace(work, ui::resourcePixmap(choice.resource).toImage(), face, ratio);
    }
    case PictureChoice::Resource:
        return DrawIconOnFace(work, ui::resourcePixmap(choice.resource).toImage(), face, ratio);
    }
    return {};
}

} // namespace launcher
