#pragma once
// Paints one item of a file list by the kind of file its extension names: icon files
// with their own icon, pictures as a thumbnail with their pixel size, programs and other
// icon-bearing files with the icon the shell extracts (through the target of a
// shortcut), everything else by its name alone. Colours mark the kind.
//
// Decoded thumbnails and extracted icons are kept in a bounded memory cache keyed by the
// path and the file's size, modification time and inode, so a repaint or a scroll does
// not decode a file again, while a changed file is read anew.
//
// Pictures are decoded off the window's thread, at the size they are drawn, the visible
// items first and then the next page. Until its picture arrives an item shows its name
// and its size text (the size its header declares) where they end up, the thumbnail
// area empty; the item is repainted when the picture comes.
#include "browser/ThumbnailQueue.h"
#include "pictures/PictureService.h"
#include "platform/FileProbe.h"

#include <QCache>
#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QFontMetrics;
class QPainter;

namespace browser {

class TFileListBoxS;

enum class ItemKind { IconFile, Picture, IconBearing, Other };

// The kind of a file by its whole extension, compared upper-cased.
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

// The thumbnail rectangle of a picture of the given size in a list of that width and
// column count, beside texts as wide as textWidth (the wider of the name and the size
// text). Width and height are limited independently; the texts stand beside this
// rectangle, and the picture is drawn within it by PictureInThumbnail. A width that
// would come out negative is 0: nothing is drawn then.
QSize ThumbnailSize(QSize picture, int listWidth, int columns, int textWidth, int itemHeight);

struct PictureItemLayout {
    QRect thumbnail; // the thumbnail rectangle
    QPoint name;     // top-left corner of the name
    QPoint sizeText; // top-left corner of the size text
};
PictureItemLayout LayoutPictureItem(const QRect& item, int itemHeight, QSize thumbnail,
                                    int nameTextHeight);

// Where a picture of size picture is drawn in its thumbnail rectangle: the largest size
// of its own proportions that fits, never larger than the picture, never 0 wide or high
// while the rectangle is not; at the rectangle's left edge, centred vertically. Empty
// when the rectangle or the picture is.
QRect PictureInThumbnail(const QRect& thumbnail, QSize picture);

// ---- Painter --------------------------------------------------------------------------

class FileItemPainter {
public:
    static constexpr qsizetype kDefaultCacheBytes = 64 * 1024 * 1024;

    explicit FileItemPainter(qsizetype cacheBytes = kDefaultCacheBytes);
    ~FileItemPainter();

    // The workers that decode the thumbnails through the picture service (their maker is
    // a seam for tests).
    ThumbnailQueue& Thumbnails() { return *queue_; }
    // Hands decoded pictures over, and repaints their items, until nothing is left to
    // decode for the lists painted last; false after timeoutMs.
    bool WaitForThumbnails(int timeoutMs);
    // The picture items of the list's visible page not yet drawn as they end.
    int PicturesMissing(TFileListBoxS& list);

    // Paints the item at rect for path (nothing for an empty path). The painter comes
    // prepared with the list's font and its text and background colours (the highlight
    // colours when selected); the item's area is not filled here.
    void PaintFileItem(TFileListBoxS& list, QPainter& painter, const QString& path,
                       const QRect& rect, bool selected);

    struct Counters {
        int pictureLoads = 0;    // thumbnails made (decoded, or found in the shared cache)
        int iconExtractions = 0; // icons asked of the icon service
    };
    const Counters& Counts() const { return counters_; }
    qsizetype CachedBytes() const { return cache_.totalCost(); }
    qsizetype CacheLimit() const { return cache_.maxCost(); }
    void ClearCache() {
        cache_.clear();
        unkept_.reset();
    }

private:
    struct Entry {
        platform::FileStamp stamp;
        QSize picture;     // the picture's own size (thumbnails)
        QPixmap pixmap;    // the thumbnail at its drawn size, or the icon
        qreal ratio = 1.0; // the screen's pixel ratio it was made for (icons)
    };

    void PaintIconFile(QPainter& painter, const QString& path, const QString& name,
                       const QRect& rect, int itemHeight, int fontHeight, bool selected);
    void PaintPicture(TFileListBoxS& list, QPainter& painter, const QString& path,
                      const QString& name, const QRect& rect, bool selected);
    // The picture's size for its size text: decoded, or until then its header's.
    const Entry* Decoded(const QString& path, const platform::FileStamp& stamp);
    QSize HeaderSize(const QString& path, const platform::FileStamp& stamp);
    // The job that would bring item index of list up to date, if any.
    std::optional<ThumbnailJob> JobFor(TFileListBoxS& list, const QFontMetrics& fm, int index);
    // After paints: asks the workers for the pictures of the pages shown, then the next.
    void NotePainted(TFileListBoxS& list);
    void Schedule();
    void Deliver(const ThumbnailJob& job, const Thumbnail& thumbnail);
    void PaintIconBearing(QPainter& painter, const QString& path, const QString& name,
                          const QRect& rect, int itemHeight, int fontHeight, bool selected);
    // The icon of source (its outcome Icon only) for a screen of that pixel ratio, from
    // the cache or the icon service.
    QPixmap IconOf(const QString& source, qreal ratio);
    void Remember(const QString& key, Entry entry);

    QCache<QString, Entry> cache_;
    // The last picture handed over that the cache could not keep (larger than its bound),
    // so it is still drawn.
    std::optional<std::pair<QString, Entry>> unkept_;
    struct Header {
        platform::FileStamp stamp;
        QSize size;
    };
    QCache<QString, Header> headers_;
    Counters counters_;
    std::vector<QPointer<TFileListBoxS>> lists_; // the lists painted by this painter
    std::vector<ThumbnailJob> painted_;          // items painted without their picture
    QTimer schedule_;
    std::unique_ptr<ThumbnailQueue> queue_;
};

} // namespace browser
