#include "pictures/SharedThumbnails.h"

#include "pictures/PictureService.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "platform/Shortcut.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QImageReader>
#include <algorithm>

namespace pictures {

namespace {

// A thumbnail is a few hundred kilobytes at most; anything larger is not one.
constexpr qsizetype kMaxThumbnailBytes = 16 * 1024 * 1024;

bool keptInUri(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    static const char kept[] = "-_.!~*'()/&=:@+$,";
    return c != 0 && std::char_traits<char>::find(kept, sizeof kept - 1, char(c)) != nullptr;
}

QString cacheHome() {
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return cache;
}

// The detail a picture drawn into drawn shows: itself fitted in its own proportions.
QSize fittedSize(QSize picture, QSize drawn) {
    return picture.isEmpty() ? drawn : ReducedSize(picture, drawn, Fit::KeepAspect);
}

// The thumbnail in file when it belongs to uri at mtime and covers the picture drawn.
QImage readThumbnail(const QString& file, const QByteArray& uri, qint64 mtime, QSize picture,
                     QSize drawn) {
    const std::optional<QByteArray> bytes = platform::readWholeFile(file, kMaxThumbnailBytes);
    if (!bytes)
        return {};
    QBuffer buffer;
    buffer.setData(*bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "PNG");
    if (!ThumbnailCovers(reader.size(), picture, drawn))
        return {};
    const QImage image = reader.read();
    if (image.isNull() || image.text(QStringLiteral("Thumb::URI")).toLatin1() != uri)
        return {};
    bool ok = false;
    const qint64 stamp = image.text(QStringLiteral("Thumb::MTime")).trimmed().toLongLong(&ok);
    if (!ok || stamp != mtime)
        return {};
    return image;
}

} // namespace

QByteArray FileUri(const QByteArray& absolutePath) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray uri("file://");
    uri.reserve(7 + absolutePath.size() * 3);
    for (const char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        if (keptInUri(c)) {
            uri += ch;
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

QByteArray SharedThumbnailName(const QByteArray& uri) {
    return QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
}

QList<ThumbnailFolder> SharedThumbnailFolders() {
    const QString base = cacheHome() + QStringLiteral("/thumbnails/");
    return {{base + QStringLiteral("normal"), 128},
            {base + QStringLiteral("large"), 256},
            {base + QStringLiteral("x-large"), 512},
            {base + QStringLiteral("xx-large"), 1024}};
}

bool ThumbnailCovers(QSize thumb, QSize picture, QSize drawn) {
    const QSize needed = fittedSize(picture, drawn);
    // One thumbnailer rounds 128 x 72.6 down, we round it up: the same detail.
    return thumb.width() + 1 >= needed.width() && thumb.height() + 1 >= needed.height();
}

QImage LoadSharedThumbnail(const QString& path, QSize picture, QSize drawn) {
    if (drawn.isEmpty())
        return {};
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
    if (!stamp)
        return {};
    // Whole seconds, as the thumbnails carry them (rounded down also before 1970).
    const qint64 mtime = stamp->mtimeNs >= 0 ? stamp->mtimeNs / 1000000000
                                             : -((-stamp->mtimeNs + 999999999) / 1000000000);
    const QString absolute = platform::absolutePath(path);
    QList<QByteArray> uris{FileUri(platform::toFsBytes(absolute))};
    if (platform::pathIsSymlink(absolute))
        if (const QString target = platform::ResolveShortcut(absolute); target != absolute)
            uris.append(FileUri(platform::toFsBytes(target)));
    const QSize fitted = fittedSize(picture, drawn);
    const int side = std::max(fitted.width(), fitted.height()) - 1;
    for (const QByteArray& uri : uris) {
        const QString name = QString::fromLatin1(SharedThumbnailName(uri));
        for (const ThumbnailFolder& folder : SharedThumbnailFolders()) {
            if (folder.side < side)
                continue; // too small for the picture as drawn, whatever its proportions
            QImage image =
                readThumbnail(folder.path + QLatin1Char('/') + name, uri, mtime, picture, drawn);
            if (!image.isNull())
                return image.size() == drawn
                           ? image
                           : image.scaled(drawn, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        }
    }
    return {};
}

} // namespace pictures
