#include "pictures/PluginPictures.h"

#include <QPixmap>

namespace pictures {

bool IsPluginPicture(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return false;
    const QString ext = path.mid(dot).toUpper();
    return ext == QLatin1String(".GIF") || ext == QLatin1String(".JPG") ||
           ext == QLatin1String(".JPEG") || ext == QLatin1String(".JPE");
}

bool LoadPictureThroughPlugin(const QString& /*path*/, QPixmap& /*bitmap*/) {
    // The plug-ins are not bound yet.
    return false;
}

} // namespace pictures
