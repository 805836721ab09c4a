#pragma once
// Paints one item of a file list by the kind of file its extension names: icon files
// with their own icon, pictures as a thumbnail with their pixel size, programs and other
// icon-bearing files with the icon the shell extracts (through the target of a
// shortcut), everything else by its name alone. Colours mark the kind.
//
// Decoded thumbnails and extracted icons are kept in a bounded memory cache keyed by the
// path and the file's size, modification time and inode, so a repaint or a scroll does
// not decode a file again, while a changed file is read anew. Nothing on screen differs
// from reading the file on every paint.
#include "pictures/PictureService.h"
#include "platform/FileProbe.h"

#include <QCache>
#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

class QPainter;

namespace browser {

class TFileListBoxS;

enum class ItemKind { IconFile, Picture, IconBearing, Other };

// The kind of a file by its whole extension, compared upper-cased (pictures::KindOf).
ItemKind ItemKindOf(const QString& path);

// The text colour of a kind, and the text cells' colour when the item is selected (each
// component 255 minus the text colour's). Nothing for Other: the list's own colours.
std::optional<QColor> KindTextColour(ItemKind kind);
std::optional<QColor> KindSelectedBrush(ItemKind kind);

// ---- Geometry -------------------------------------------------------------------------
// itemHeight is the list's item height; fontHeight the font's height stored the way a
// character height is given (negative: -15 for 15-pixel characters). Divisions truncate
// toward zero.

constexpr int kItemIconSize = 32; // the system's icon size, loaded or not

// Top-left corner of an icon drawn in the item.
QPoint ItemIconPos(const QRect& item, int itemHeight, int iconHeight = kItemIconSize);
// Top-left corner of the name of an item without a thumbnail (icon drawn or not).
QPoint ItemNamePos(const QRect& item, int itemHeight, int fontHeight,
                   int iconWidth = kItemIconSize);

// "640×480".
QString PictureSizeText(QSize picture);

// The thumbnail of a picture of the given size in a list of that width and column
// count, beside texts as wide as textWidth (the wider of the name and the size text).
// Width and height are limited independently, so a limited thumbnail is stretched out
// of proportion. A width that would come out negative is 0: nothing is drawn then.
QSize ThumbnailSize(QSize picture, int listWidth, int columns, int textWidth, int itemHeight);

struct PictureItemLayout {
    QRect thumbnail; // where the picture is stretched
    QPoint name;     // top-left corner of the name
    QPoint sizeText; // top-left corner of the size text
};
PictureItemLayout LayoutPictureItem(const QRect& item, int itemHeight, QSize thumbnail,
                                    int nameTextHeight);

// ---- Painter --------------------------------------------------------------------------

class FileItemPainter {
public:
    // The picture of a BMP, GIF or JPEG file at a requested size, with its own size.
    using PictureLoader =
        std::function<pictures::Picture(const QString& path, const pictures::PictureRequest&)>;

    static constexpr qsizetype kDefaultCacheBytes = 64 * 1024 * 1024;

    explicit FileItemPainter(qsizetype cacheBytes = kDefaultCacheBytes);

    // Pictures come through this; by default the picture service.
    PictureLoader LoadPicture;

    // Paints the item at rect for path (nothing for an empty path). The painter comes
    // prepared with the list's font and its text and background colours (the highlight
    // colours when selected); the item's area is not filled here.
    void PaintFileItem(TFileListBoxS& list, QPainter& painter, const QString& path,
                       const QRect& rect, bool selected);

    struct Counters {
        int pictureLoads = 0;    // files decoded for thumbnails
        int iconExtractions = 0; // icons asked of the icon service
    };
    const Counters& Counts() const { return counters_; }
    qsizetype CachedBytes() const { return cache_.totalCost(); }
    qsizetype CacheLimit() const { return cache_.maxCost(); }
    void ClearCache() { cache_.clear(); }

private:
    struct Entry {
        platform::FileStamp stamp;
        QSize picture;  // the picture's own size (thumbnails)
        QPixmap pixmap; // the thumbnail at its drawn size, or the icon
    };

    void PaintIconFile(QPainter& painter, const QString& path, const QString& name,
                       const QRect& rect, int itemHeight, int fontHeight, bool selected);
    void PaintPicture(TFileListBoxS& list, QPainter& painter, const QString& path,
                      const QString& name, const QRect& rect, bool selected);
    void PaintIconBearing(QPainter& painter, const QString& path, const QString& name,
                          const QRect& rect, int itemHeight, int fontHeight, bool selected);
    // The icon of source (its outcome Icon only), from the cache or the icon service.
    QPixmap IconOf(const QString& source);
    void Remember(const QString& key, Entry entry);

    QCache<QString, Entry> cache_;
    Counters counters_;
};

} // namespace browser
