#include "pictures/PictureService.h"

#include "pictures/BmpFile.h"
#include "pictures/PluginPictures.h"
#include "platform/FsName.h"
#include "platform/Shortcut.h"

#include <algorithm>
#include <cmath>

namespace pictures {

FileKind KindOf(const QString& path) {
    const QString ext = platform::upperExtension(path);
    if (ext.isEmpty())
        return FileKind::Other;
    if (ext == QLatin1String(".ICO"))
        return FileKind::IconFile;
    if (ext == QLatin1String(".BMP"))
        return FileKind::Bitmap;
    if (ext == QLatin1String(".GIF"))
        return FileKind::Gif;
    if (ext == QLatin1String(".JPG") || ext == QLatin1String(".JPEG") ||
        ext == QLatin1String(".JPE"))
        return FileKind::Jpeg;
    static const char* const iconBearing[] = {".EXE", ".DLL", ".SCR", ".HLP", ".OCX", ".VBX",
                                              ".CPL", ".DRV", ".SYS", ".LNK", ".CUR", ".ANI"};
    for (const char* e : iconBearing)
        if (ext == QLatin1String(e))
            return FileKind::IconBearing;
    return FileKind::Other;
}

bool IsPictureKind(FileKind kind) {
    return kind == FileKind::Bitmap || kind == FileKind::Gif || kind == FileKind::Jpeg;
}

QSize ReducedSize(QSize own, QSize maxSize, Fit fit) {
    if (own.isEmpty() || maxSize.isEmpty())
        return own;
    // The same arithmetic as the plug-ins' scaled entry, so both give one size.
    const qint64 width = own.width(), height = own.height();
    const qint64 boxW = std::min<qint64>(width, maxSize.width());
    const qint64 boxH = std::min<qint64>(height, maxSize.height());
    if (fit == Fit::EachSide || (boxW == width && boxH == height))
        return QSize(int(boxW), int(boxH));
    if (width * boxH >= height * boxW)
        return QSize(int(boxW),
                     int(std::clamp<qint64>((height * boxW + width / 2) / width, 1, boxH)));
    return QSize(int(std::clamp<qint64>((width * boxH + height / 2) / height, 1, boxW)), int(boxH));
}

QImage Reduced(const QImage& image, QSize maxSize, Fit fit) {
    const QSize size = ReducedSize(image.size(), maxSize, fit);
    if (size == image.size())
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QSize DeviceSize(QSize logical, qreal ratio) {
    if (ratio <= 1.0)
        return logical;
    // A hair below the exact product, so 1.25 x 108 stays 135 despite rounding errors.
    const auto side = [ratio](int v) { return int(std::ceil(v * ratio - 1e-6)); };
    return QSize(side(logical.width()), side(logical.height()));
}

namespace {

Picture loadAtDeviceSize(const QString& path, const PictureRequest& request) {
    switch (KindOf(path)) {
    case FileKind::Bitmap: {
        Picture picture;
        const QImage image = ReadBmpFile(path, kMaxImageBytes);
        if (image.isNull() || (request.cancel && request.cancel->load()))
            return {};
        picture.size = image.size();
        picture.image = Reduced(image, request.maxSize, request.fit);
        return picture;
    }
    case FileKind::Gif:
    case FileKind::Jpeg:
        return PictureThroughPlugin(path, request);
    default:
        return {};
    }
}

} // namespace

Picture LoadPicture(const QString& path, const PictureRequest& request) {
    if (request.deviceRatio <= 1.0)
        return loadAtDeviceSize(path, request);
    PictureRequest device = request;
    device.maxSize = DeviceSize(request.maxSize, request.deviceRatio);
    Picture picture = loadAtDeviceSize(path, device);
    picture.image.setDevicePixelRatio(request.deviceRatio);
    return picture;
}

platform::ExtractedIcon FileIcon(const QString& path, int size) {
    // A shortcut that cannot be resolved gives the link file itself.
    const bool shortcut = platform::upperExtension(path) == QLatin1String(".LNK");
    return platform::ExtractIcon(shortcut ? platform::ResolveShortcut(path) : path, size);
}

FileImage LoadFileImage(const QString& path, const PictureRequest& request) {
    FileImage shown;
    const FileKind kind = KindOf(path);
    if (IsPictureKind(kind)) {
        Picture picture = LoadPicture(path, request);
        shown.shownAs = ShownAs::Picture;
        shown.image = std::move(picture.image);
        shown.size = picture.size;
        return shown;
    }
    const int side = DeviceSize(QSize(platform::kStandardIconSize, 1), request.deviceRatio).width();
    const platform::ExtractedIcon icon =
        kind == FileKind::IconFile ? platform::ExtractIcon(path, side) : FileIcon(path, side);
    if (kind != FileKind::IconFile && icon.outcome == platform::IconOutcome::NoIconSource)
        return shown;
    shown.shownAs = ShownAs::Icon;
    if (icon.outcome == platform::IconOutcome::Icon && !icon.image.isNull()) {
        shown.image = icon.image;
        shown.image.setDevicePixelRatio(std::max<qreal>(1.0, request.deviceRatio));
    }
    shown.size = shown.image.deviceIndependentSize().toSize();
    if (shown.image.isNull())
        shown.size = QSize(0, 0);
    return shown;
}

} // namespace pictures
