#pragma once
// Thumbnails other programs of the desktop already made, in the shared thumbnail cache
// ($XDG_CACHE_HOME/thumbnails): read only, never written (the settings file stays the
// only file the program writes on its own). A thumbnail is taken only when it names the
// file by its URI and carries the file's modification time, and when it has at least the
// pixels of the picture as it is drawn.
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

// Whether a thumbnail of size thumb holds the detail of a picture of size picture drawn
// into drawn (device pixels): at least the picture fitted into drawn in its own
// proportions, less a pixel a side for the thumbnailers' rounding. An empty picture size
// (unknown): drawn itself.
bool ThumbnailCovers(QSize thumb, QSize picture, QSize drawn);

// The shared thumbnail of the file at path (a picture of size picture, as its header
// declares it), scaled to drawn (the size in device pixels the item draws the picture
// at, already in the picture's own proportions); a null image when there is none that is
// current and covers it. Taken from the smallest folder of the four whose thumbnail
// covers it; a symbolic link by its own URI, then by its target's.
QImage LoadSharedThumbnail(const QString& path, QSize picture, QSize drawn);

} // namespace pictures
