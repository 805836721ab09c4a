#pragma once
// Thumbnails other programs of the desktop already made, in the shared thumbnail cache
// ($XDG_CACHE_HOME/thumbnails): read only, never written (the settings file stays the
// only file the program writes on its own). A thumbnail is taken only when it names the
// file by its URI and carries the file's modification time, and when it has at least the
// pixels the item draws.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace pictures {

// The file URI of an absolute path given by its bytes, escaped byte by byte the way the
// desktop's other programs name their thumbnails: letters, digits and -_.!~*'()/&=:@+$,
// stay, every other byte (space, %, #, ?, ;, [, ], bytes of 0x80 and up) becomes %XX.
QByteArray FileUri(const QByteArray& absolutePath);
// The thumbnail's file name for a URI: the lowercase hex MD5 of the URI, then ".png".
QByteArray SharedThumbnailName(const QByteArray& uri);

// The cache's size folders, smallest first, with the largest side each holds:
// normal 128, large 256, x-large 512, xx-large 1024.
struct ThumbnailFolder {
    QString path;
    int side = 0;
};
QList<ThumbnailFolder> SharedThumbnailFolders();

// The shared thumbnail of the file at path, scaled to drawn (the rectangle the item
// stretches it into); a null image when there is none that is current and covers it.
// Looked up in the smallest folder whose size reaches the drawn rectangle, then larger
// ones; a symbolic link by its own URI, then by its target's.
QImage LoadSharedThumbnail(const QString& path, QSize drawn);

} // namespace pictures
