#include "browser/FileItemPainter.h"

#include "browser/FileListBox.h"
#include "core/BusyCursor.h"
#include "platform/FsName.h"
#include "platform/IconExtract.h"
#include "platform/Shortcut.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace browser {

namespace {

// What an entry costs besides its pixels.
constexpr qsizetype kEntryOverhead = 256;

QString upperExtension(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return QString();
    return path.mid(dot).toUpper();
}

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The list font's height given as a character height (negative).
int fontHeightOf(const QFont& font) {
    return -QFontInfo(font).pixelSize();
}

// Text written opaque: its cell is filled with the cell colour first.
void writeText(QPainter& painter, QPoint topLeft, const QString& text, const QColor& textColour,
               const QColor& cellColour) {
    const QFontMetrics fm = painter.fontMetrics();
    painter.fillRect(QRect(topLeft, QSize(fm.horizontalAdvance(text), fm.height())), cellColour);
    painter.setPen(textColour);
    painter.drawText(QPoint(topLeft.x(), topLeft.y() + fm.ascent()), text);
}

// The colours of a kind for the item's state, over the prepared ones.
struct TextColours {
    QColor text;
    QColor cell;
};
TextColours coloursFor(ItemKind kind, const QPainter& painter, bool selected) {
    TextColours c{painter.pen().color(), painter.brush().color()};
    if (const auto text = KindTextColour(kind))
        c.text = *text;
    if (selected)
        if (const auto brush = KindSelectedBrush(kind))
            c.cell = *brush;
    return c;
}

qsizetype costOf(const QPixmap& pixmap) {
    return kEntryOverhead + qsizetype(pixmap.width()) * pixmap.height() * 4;
}

} // namespace

ItemKind ItemKindOf(const QString& path) {
    switch (pictures::KindOf(path)) {
    case pictures::FileKind::IconFile:
        return ItemKind::IconFile;
    case pictures::FileKind::Bitmap:
    case pictures::FileKind::Gif:
    case pictures::FileKind::Jpeg:
        return ItemKind::Picture;
    case pictures::FileKind::IconBearing:
        return ItemKind::IconBearing;
    case pictures::FileKind::Other:
        break;
    }
    return ItemKind::Other;
}

std::optional<QColor> KindTextColour(ItemKind kind) {
    switch (kind) {
    case ItemKind::IconFile:
        return QColor(128, 0, 0);
    case ItemKind::Picture:
        return QColor(255, 0, 0);
    case ItemKind::IconBearing:
        return QColor(0, 0, 255);
    case ItemKind::Other:
        break;
    }
    return std::nullopt;
}

std::optional<QColor> KindSelectedBrush(ItemKind kind) {
    const auto text = KindTextColour(kind);
    if (!text)
        return std::nullopt;
    return QColor(255 - text->red(), 255 - text->green(), 255 - text->blue());
}

QPoint ItemIconPos(const QRect& item, int itemHeight, int iconHeight) {
    return QPoint(item.left() + 4, item.top() + (itemHeight - iconHeight) / 2);
}

QPoint ItemNamePos(const QRect& item, int itemHeight, int fontHeight, int iconWidth) {
    return QPoint(item.left() + iconWidth + 12, item.top() + (itemHeight + fontHeight) / 2);
}

QString PictureSizeText(QSize picture) {
    return QString::number(picture.width()) + QChar(0x00D7) + QString::number(picture.height());
}

QSize ThumbnailSize(QSize picture, int listWidth, int columns, int textWidth, int itemHeight) {
    const int avail = listWidth / std::max(1, columns) - textWidth;
    const int width = picture.width() + 20 <= avail ? picture.width() : avail - 20;
    const int height = picture.height() <= itemHeight - 4 ? picture.height() : itemHeight - 4;
    return QSize(std::max(0, width), std::max(0, height));
}

PictureItemLayout LayoutPictureItem(const QRect& item, int itemHeight, QSize thumbnail,
                                    int nameTextHeight) {
    PictureItemLayout l;
    const int top = item.top() + (itemHeight - thumbnail.height()) / 2;
    l.thumbnail = QRect(QPoint(item.left() + 2, top), thumbnail);
    const int x = item.left() + thumbnail.width() + 10;
    l.name = QPoint(x, item.top() + itemHeight / 2 - nameTextHeight - 2);
    l.sizeText = QPoint(x, item.top() + itemHeight / 2 + 2);
    return l;
}

// ---- Painter ----------------------------------------------------------------------------

FileItemPainter::FileItemPainter(qsizetype cacheBytes)
    : LoadPicture([](const QString& path, const pictures::PictureRequest& request) {
          return pictures::LoadPicture(path, request);
      }),
      cache_(cacheBytes) {}

void FileItemPainter::PaintFileItem(TFileListBoxS& list, QPainter& painter, const QString& path,
                                    const QRect& rect, bool selected) {
    if (path.isEmpty())
        return;
    const QString name = platform::displayName(fileNameOf(path));
    const int itemHeight = list.ItemHeight();
    const int fontHeight = fontHeightOf(painter.font());
    switch (ItemKindOf(path)) {
    case ItemKind::IconFile:
        PaintIconFile(painter, path, name, rect, itemHeight, fontHeight, selected);
        break;
    case ItemKind::Picture:
        PaintPicture(list, painter, path, name, rect, selected);
        break;
    case ItemKind::IconBearing:
        PaintIconBearing(painter, path, name, rect, itemHeight, fontHeight, selected);
        break;
    case ItemKind::Other: {
        const TextColours c = coloursFor(ItemKind::Other, painter, selected);
        writeText(painter, ItemNamePos(rect, itemHeight, fontHeight), name, c.text, c.cell);
        break;
    }
    }
}

void FileItemPainter::PaintIconFile(QPainter& painter, const QString& path, const QString& name,
                                    const QRect& rect, int itemHeight, int fontHeight,
                                    bool selected) {
    const QPixmap icon = IconOf(path);
    const TextColours c = coloursFor(ItemKind::IconFile, painter, selected);
    if (!icon.isNull())
        painter.drawPixmap(
            QRect(ItemIconPos(rect, itemHeight), QSize(kItemIconSize, kItemIconSize)), icon);
    writeText(painter, ItemNamePos(rect, itemHeight, fontHeight), name, c.text, c.cell);
}

void FileItemPainter::PaintIconBearing(QPainter& painter, const QString& path, const QString& name,
                                       const QRect& rect, int itemHeight, int fontHeight,
                                       bool selected) {
    const core::BusyCursor busy;
    const TextColours c = coloursFor(ItemKind::IconBearing, painter, selected);
    // A shortcut shows the icon of what it points to; one that cannot be resolved, its own.
    const QString source =
        upperExtension(path) == QLatin1String(".LNK") ? platform::ResolveShortcut(path) : path;
    const QPixmap icon = IconOf(source);
    if (!icon.isNull())
        painter.drawPixmap(
            QRect(ItemIconPos(rect, itemHeight), QSize(kItemIconSize, kItemIconSize)), icon);
    // The name stands at the same x whether an icon was drawn or not.
    writeText(painter, ItemNamePos(rect, itemHeight, fontHeight), name, c.text, c.cell);
}

void FileItemPainter::PaintPicture(TFileListBoxS& list, QPainter& painter, const QString& path,
                                   const QString& name, const QRect& rect, bool selected) {
    const core::BusyCursor busy;
    const int itemHeight = list.ItemHeight();
    const QFontMetrics fm = painter.fontMetrics();
    const auto thumbnailFor = [&](QSize picture) {
        const int textWidth =
            std::max(fm.horizontalAdvance(name), fm.horizontalAdvance(PictureSizeText(picture)));
        return ThumbnailSize(picture, list.width(), list.Columns(), textWidth, itemHeight);
    };

    const QString key = QLatin1Char('P') + path;
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
    QSize picture;
    QSize thumbnail;
    QPixmap shown;
    const Entry* cached = stamp ? cache_.object(key) : nullptr;
    if (cached && cached->stamp == *stamp) {
        picture = cached->picture;
        thumbnail = thumbnailFor(picture);
        if (picture.isEmpty() || thumbnail.isEmpty())
            shown = QPixmap(); // nothing to draw
        else if (cached->pixmap.size() == thumbnail)
            shown = cached->pixmap;
        else
            cached = nullptr; // drawn at another size now: decode again
    } else {
        cached = nullptr;
    }
    if (!cached) {
        // Decoded no larger than it can be drawn: the texts are at least as wide as the
        // name, and the thumbnail at most as high as the item allows. A load error leaves
        // the picture empty: 0×0, nothing drawn.
        const QSize largest(std::max(1, list.width() / std::max(1, list.Columns()) -
                                            fm.horizontalAdvance(name) - 20),
                            std::max(1, itemHeight - 4));
        pictures::Picture decoded;
        ++counters_.pictureLoads;
        if (LoadPicture)
            decoded = LoadPicture(path, {largest, pictures::Fit::EachSide, nullptr});
        picture = decoded.image.isNull() ? QSize(0, 0) : decoded.size;
        thumbnail = thumbnailFor(picture);
        if (!decoded.image.isNull() && !thumbnail.isEmpty())
            shown = QPixmap::fromImage(decoded.image.size() == thumbnail
                                           ? decoded.image
                                           : decoded.image.scaled(thumbnail, Qt::IgnoreAspectRatio,
                                                                  Qt::SmoothTransformation));
        if (stamp)
            Remember(key, Entry{*stamp, picture, shown});
    }

    const TextColours c = coloursFor(ItemKind::Picture, painter, selected);
    const PictureItemLayout l = LayoutPictureItem(rect, itemHeight, thumbnail, fm.height());
    if (!shown.isNull())
        painter.drawPixmap(l.thumbnail, shown);
    writeText(painter, l.name, name, c.text, c.cell);
    writeText(painter, l.sizeText, PictureSizeText(picture), QColor(0, 0, 0), c.cell);
}

QPixmap FileItemPainter::IconOf(const QString& source) {
    const QString key = QLatin1Char('I') + source;
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(source);
    if (stamp)
        if (const Entry* cached = cache_.object(key); cached && cached->stamp == *stamp)
            return cached->pixmap;
    ++counters_.iconExtractions;
    const platform::ExtractedIcon icon = platform::ExtractIcon(source);
    QPixmap pixmap;
    // No icon source and no icon alike draw nothing.
    if (icon.outcome == platform::IconOutcome::Icon && !icon.image.isNull())
        pixmap = QPixmap::fromImage(icon.image);
    if (stamp)
        Remember(key, Entry{*stamp, QSize(), pixmap});
    return pixmap;
}

void FileItemPainter::Remember(const QString& key, Entry entry) {
    const qsizetype cost = costOf(entry.pixmap) + key.size() * 2;
    // One entry beyond the whole budget is drawn but not kept.
    if (cost > cache_.maxCost())
        return;
    cache_.insert(key, new Entry(std::move(entry)), cost);
}

} // namespace browser
