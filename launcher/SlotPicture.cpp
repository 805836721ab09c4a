#include "launcher/SlotPicture.h"

#include "platform/Errors.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "platform/IconExtract.h"
#include "platform/PeIcon.h"
#include "ui/Resources.h"

#include <QPainter>

namespace launcher {

namespace {
constexpr int kSize = 32;
constexpr qsizetype kMaxPictureFile = 64 << 20;

QImage readPicture(const QString& path, bool icon) {
    const auto bytes = platform::readWholeFile(path, kMaxPictureFile);
    QImage img;
    if (bytes)
        img = icon ? platform::bestIconImage(*bytes, kSize) : QImage::fromData(*bytes);
    if (img.isNull())
        throw EZelmoError(UnreadablePictureText(path));
    return img;
}
} // namespace

QString UnreadablePictureText(const QString& path) {
    return platform::displayName(path) + QStringLiteral(" を読み込めません");
}

QImage DrawIconOnFace(QImage& work, const QImage& icon, const QColor& face) {
    if (work.size() != QSize(kSize, kSize))
        work = QImage(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    work.fill(face);
    QPainter p(&work);
    p.drawImage(QPoint(0, 0), icon);
    p.end();
    return work.copy();
}

QImage SlotPicture(const PictureChoice& choice, QImage& work, const QColor& face) {
    switch (choice.kind) {
    case PictureChoice::Bitmap:
        // Stretched to the slot, whatever its proportions.
        return readPicture(choice.file, false)
            .scaled(kSize, kSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    case PictureChoice::IconFile: {
        QImage img = readPicture(choice.file, true);
        return img.size() == QSize(kSize, kSize)
                   ? img
                   : img.scaled(kSize, kSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    case PictureChoice::Extract: {
        const platform::ExtractedIcon icon = platform::ExtractIcon(choice.file);
        if (icon.outcome == platform::IconOutcome::Icon)
            return DrawIconOnFace(work, icon.image, face);
        return DrawIconOnFace(work, ui::resourcePixmap(choice.resource).toImage(), face);
    }
    case PictureChoice::Resource:
        return DrawIconOnFace(work, ui::resourcePixmap(choice.resource).toImage(), face);
    }
    return {};
}

} // namespace launcher
