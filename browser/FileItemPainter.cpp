#include "browser/FileItemPainter.h"

#include "browser/FileListBox.h"
#include "core/BusyCursor.h"
#include "pictures/PictureHeader.h"
#include "platform/FsName.h"
#include "platform/IconExtract.h"
#include "platform/Shortcut.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace browser {

namespace {

// Header sizes remembered (a few pages of several folders).
constexpr int kHeadersKept = 20000;
// What an entry costs besides its pixels.
constexpr qsizetype kEntryOverhead = 256;

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

// The list's screen: pictures are made at its resolution.
qreal ratioOf(const TFileListBoxS& list) {
    return std::max<qreal>(1.0, list.devicePixelRatioF());
}

// Whether a thumbnail made earlier is the one to draw at that size on the list now.
bool madeFor(const QPixmap& pixmap, QSize drawn, qreal ratio) {
    return pixmap.size() == pictures::DeviceSize(drawn, ratio) &&
           std::max<qreal>(1.0, pixmap.devicePixelRatio()) == ratio;
}

// The thumbnail rectangle of an item: the picture's size against the list and the
// item's texts.
QSize ThumbnailFor(const TFileListBoxS& list, const QFontMetrics& fm, const QString& name,
                   QSize picture) {
    const int textWidth =
        std::max(fm.horizontalAdvance(name), fm.horizontalAdvance(PictureSizeText(picture)));
    return ThumbnailSize(picture, list.width(), list.Columns(), textWidth, list.ItemHeight());
}

// The size an item draws its picture at: what its thumbnail is made at.
QSize DrawnSizeFor(const TFileListBoxS& list, const QFontMetrics& fm, const QString& name,
                   QSize picture) {
    return PictureInThumbnail(QRect(QPoint(), ThumbnailFor(list, fm, name, picture)), picture)
        .size();
}

} // namespace

ItemKind ItemKindOf(const QString& path) {
    // The picture service decides what a file is; the painter only groups its kinds.
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

QRect PictureInThumbnail(const QRect& thumbnail, QSize picture) {
    // The reduction alone would give the picture's own size for an empty rectangle.
    if (thumbnail.isEmpty() || picture.isEmpty())
        return QRect(thumbnail.topLeft(), QSize(0, 0));
    const QSize size = pictures::ReducedSize(picture, thumbnail.size(), pictures::Fit::KeepAspect);
    return QRect(
        QPoint(thumbnail.left(), thumbnail.top() + (thumbnail.height() - size.height()) / 2), size);
}

// ---- Painter ----------------------------------------------------------------------------

FileItemPainter::FileItemPainter(qsizetype cacheBytes)
    : cache_(cacheBytes), headers_(kHeadersKept), queue_(std::make_unique<ThumbnailQueue>()) {
    // After the paints of one round, so the visible items are asked for together.
    schedule_.setSingleShot(true);
    schedule_.setInterval(0);
    QObject::connect(&schedule_, &QTimer::timeout, queue_.get(), [this] { Schedule(); });
    QObject::connect(
        queue_.get(), &ThumbnailQueue::ready, queue_.get(),
        [this](const ThumbnailJob& job, const Thumbnail& thumbnail) { Deliver(job, thumbnail); });
}

FileItemPainter::~FileItemPainter() = default;

void FileItemPainter::PaintFileItem(TFileListBoxS& list, QPainter& painter, const QString& path,
                                    const QRect& rect, bool selected) {
    if (path.isEmpty())
        return;
    const QString name = platform::displayName(fileNameOf(path));
    const int itemHeight = list.ItemHeight();
    const int fontHeight = fontHeightOf(painter.font());
    NotePainted(list);
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
    const QPixmap icon = IconOf(path, painter.device()->devicePixelRatioF());
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
    const QString source = platform::upperExtension(path) == QLatin1String(".LNK")
                               ? platform::ResolveShortcut(path)
                               : path;
    const QPixmap icon = IconOf(source, painter.device()->devicePixelRatioF());
    if (!icon.isNull())
        painter.drawPixmap(
            QRect(ItemIconPos(rect, itemHeight), QSize(kItemIconSize, kItemIconSize)), icon);
    // The name stands at the same x whether an icon was drawn or not.
    writeText(painter, ItemNamePos(rect, itemHeight, fontHeight), name, c.text, c.cell);
}

void FileItemPainter::PaintPicture(TFileListBoxS& list, QPainter& painter, const QString& path,
                                   const QString& name, const QRect& rect, bool selected) {
    const int itemHeight = list.ItemHeight();
    const QFontMetrics fm = painter.fontMetrics();
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
    // A file that cannot be examined has no picture: 0×0.
    QSize picture(0, 0);
    QPixmap shown;
    const Entry* decoded = stamp ? Decoded(path, *stamp) : nullptr;
    if (decoded) {
        picture = decoded->picture;
        shown = decoded->pixmap; // at another size when the list changed: scaled
    } else if (stamp) {
        picture = HeaderSize(path, *stamp);
    }
    const PictureItemLayout l =
        LayoutPictureItem(rect, itemHeight, ThumbnailFor(list, fm, name, picture), fm.height());
    const QRect drawn = PictureInThumbnail(l.thumbnail, picture);
    const qreal ratio = ratioOf(list);
    const bool final = decoded && (picture.isEmpty() || drawn.isEmpty() ||
                                   madeFor(decoded->pixmap, drawn.size(), ratio));
    if (stamp && !final)
        painted_.push_back(ThumbnailJob{path, drawn.size(), picture, *stamp, ratio});
    const TextColours c = coloursFor(ItemKind::Picture, painter, selected);
    if (!shown.isNull() && !drawn.isEmpty())
        painter.drawPixmap(drawn, shown);
    writeText(painter, l.name, name, c.text, c.cell);
    writeText(painter, l.sizeText, PictureSizeText(picture), QColor(0, 0, 0), c.cell);
}

const FileItemPainter::Entry* FileItemPainter::Decoded(const QString& path,
                                                       const platform::FileStamp& stamp) {
    const QString key = QLatin1Char('P') + path;
    if (const Entry* cached = cache_.object(key); cached && cached->stamp == stamp)
        return cached;
    if (unkept_ && unkept_->first == key && unkept_->second.stamp == stamp)
        return &unkept_->second;
    return nullptr;
}

QSize FileItemPainter::HeaderSize(const QString& path, const platform::FileStamp& stamp) {
    if (const Header* known = headers_.object(path); known && known->stamp == stamp)
        return known->size;
    // A header that cannot be read gives no picture either.
    const QSize size = pictures::ReadPictureHeaderSize(path).value_or(QSize(0, 0));
    headers_.insert(path, new Header{stamp, size});
    return size;
}

std::optional<ThumbnailJob> FileItemPainter::JobFor(TFileListBoxS& list, const QFontMetrics& fm,
                                                    int index) {
    const QString path = list.GetItemPath(index);
    if (ItemKindOf(path) != ItemKind::Picture)
        return std::nullopt;
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
    if (!stamp)
        return std::nullopt;
    const QString name = platform::displayName(fileNameOf(path));
    const qreal ratio = ratioOf(list);
    if (const Entry* decoded = Decoded(path, *stamp)) {
        const QSize drawn = DrawnSizeFor(list, fm, name, decoded->picture);
        if (decoded->picture.isEmpty() || drawn.isEmpty() || madeFor(decoded->pixmap, drawn, ratio))
            return std::nullopt; // as it ends
        return ThumbnailJob{path, drawn, decoded->picture, *stamp, ratio};
    }
    const QSize header = HeaderSize(path, *stamp);
    return ThumbnailJob{path, DrawnSizeFor(list, fm, name, header), header, *stamp, ratio};
}

void FileItemPainter::NotePainted(TFileListBoxS& list) {
    if (std::find(lists_.begin(), lists_.end(), &list) == lists_.end())
        lists_.emplace_back(&list);
    if (!schedule_.isActive())
        schedule_.start();
}

void FileItemPainter::Schedule() {
    std::erase_if(lists_, [](const QPointer<TFileListBoxS>& l) { return l.isNull(); });
    // The items painted without their picture first: they are on screen.
    std::vector<ThumbnailJob> visible = std::move(painted_), ahead;
    painted_.clear();
    for (const QPointer<TFileListBoxS>& list : lists_) {
        if (!list->isVisible())
            continue;
        const QFontMetrics fm(list->font());
        const int page = std::max(1, list->RowsPerColumn() * list->Columns());
        const int top = std::max(0, list->TopIndex());
        const int end = std::min(list->Count(), top + 2 * page);
        for (int i = top; i < end; ++i)
            if (std::optional<ThumbnailJob> job = JobFor(*list, fm, i))
                (i < top + page ? visible : ahead).push_back(std::move(*job));
    }
    // What lies further away than the next page is not wanted any more.
    visible.insert(visible.end(), std::make_move_iterator(ahead.begin()),
                   std::make_move_iterator(ahead.end()));
    queue_->Want(std::move(visible));
}

void FileItemPainter::Deliver(const ThumbnailJob& job, const Thumbnail& thumbnail) {
    ++counters_.pictureLoads;
    const QString key = QLatin1Char('P') + job.path;
    Entry entry{job.stamp, thumbnail.picture,
                thumbnail.image.isNull() ? QPixmap() : QPixmap::fromImage(thumbnail.image),
                job.deviceRatio};
    if (costOf(entry.pixmap) + key.size() * 2 > cache_.maxCost())
        unkept_.emplace(key, std::move(entry));
    else
        Remember(key, std::move(entry));
    // Repaint the items that show it; their next paint asks for what is still missing.
    for (const QPointer<TFileListBoxS>& list : lists_) {
        if (list.isNull() || !list->isVisible())
            continue;
        const int page = std::max(1, list->RowsPerColumn() * list->Columns());
        const int top = std::max(0, list->TopIndex());
        const int end = std::min(list->Count(), top + page);
        for (int i = top; i < end; ++i)
            if (list->GetItemPath(i) == job.path)
                list->viewport()->update(list->ItemRect(i));
    }
}

int FileItemPainter::PicturesMissing(TFileListBoxS& list) {
    const QFontMetrics fm(list.font());
    const int page = std::max(1, list.RowsPerColumn() * list.Columns());
    const int top = std::max(0, list.TopIndex());
    int missing = 0;
    for (int i = top; i < std::min(list.Count(), top + page); ++i)
        missing += JobFor(list, fm, i).has_value();
    return missing;
}

bool FileItemPainter::WaitForThumbnails(int timeoutMs) {
    QElapsedTimer t;
    t.start();
    for (;;) {
        QCoreApplication::processEvents();
        const bool settled = !schedule_.isActive() && queue_->IsIdle();
        if (settled) {
            // Repaints of delivered pictures may ask for more: settle once more.
            QCoreApplication::processEvents();
            if (!schedule_.isActive() && queue_->IsIdle())
                return true;
        }
        if (t.hasExpired(timeoutMs))
            return false;
        queue_->WaitUntilIdle(
            int(std::max<qint64>(1, std::min<qint64>(50, timeoutMs - t.elapsed()))));
    }
}

QPixmap FileItemPainter::IconOf(const QString& source, qreal ratio) {
    ratio = std::max<qreal>(1.0, ratio);
    const QString key = QLatin1Char('I') + source;
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(source);
    if (stamp)
        if (const Entry* cached = cache_.object(key);
            cached && cached->stamp == *stamp && cached->ratio == ratio)
            return cached->pixmap;
    ++counters_.iconExtractions;
    // At the screen's resolution: the icon size that covers 32 logical pixels.
    const int side = pictures::DeviceSize(QSize(kItemIconSize, kItemIconSize), ratio).width();
    const platform::ExtractedIcon icon = platform::ExtractIcon(source, side);
    QPixmap pixmap;
    // No icon source and no icon alike draw nothing.
    if (icon.outcome == platform::IconOutcome::Icon && !icon.image.isNull()) {
        pixmap = QPixmap::fromImage(icon.image);
        pixmap.setDevicePixelRatio(ratio);
    }
    if (stamp)
        Remember(key, Entry{*stamp, QSize(), pixmap, ratio});
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
