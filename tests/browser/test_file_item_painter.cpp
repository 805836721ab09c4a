#include "BrowserTestUtil.h"
#include "TestPictures.h"
#include "browser/FileItemPainter.h"
#include "browser/FileListBox.h"
#include "pictures/SharedThumbnails.h"
#include "platform/FsName.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QScrollBar>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <map>

using namespace browser;
using namespace testpictures;

namespace {

const QString kShell = QStringLiteral(ZELMO_TEST_DATA "/shell/");

constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kGreen = 0xff00ff00;
constexpr QRgb kHighlight = 0xff3050a0;
constexpr QRgb kHighlightText = 0xfff0f0f0;

// How often each colour occurs in a rectangle of the image.
std::map<QRgb, int> colours(const QImage& image, const QRect& r) {
    std::map<QRgb, int> out;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++out[image.pixel(x, y)];
    return out;
}

// A text cell: only the text's and the cell's colours, both present.
::testing::AssertionResult isCell(const QImage& image, const QRect& cell, QRgb text, QRgb back) {
    const auto c = colours(image, cell);
    if (c.size() == 2 && c.count(text) && c.count(back))
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "cell colours:";
    for (const auto& [rgb, n] : c)
        failure << " " << std::hex << rgb << std::dec << "x" << n;
    return failure;
}

// A list of the worked example: 387 pixels wide, 2 columns, items 60 high, a 15-pixel
// font drawn without smoothing so every text pixel has the text's colour.
class ItemPainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        list.resize(387, 300);
        list.SetColumns(2);
        list.SetItemHeight(60);
        QFont f = list.font();
        f.setPixelSize(15);
        f.setStyleStrategy(QFont::NoAntialias);
        list.setFont(f);
    }
    QString path(const QByteArray& name) const {
        return platform::fromFsBytes(QFile::encodeName(dir.path()) + "/" + name);
    }
    QString write(const QByteArray& name, const QByteArray& bytes) {
        const QByteArray raw = QFile::encodeName(dir.path()) + "/" + name;
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
        return path(name);
    }
    // Paints one item at the item rectangle, with the painter prepared as the list
    // prepares it, as it shows at once (its picture may still be decoding).
    QImage paintNow(const QString& file, bool selected, FileItemPainter* with = nullptr) {
        QImage image(400, 130, QImage::Format_RGB32);
        image.fill(kWhite);
        QPainter p(&image);
        p.setFont(list.font());
        p.setPen(QColor::fromRgb(selected ? kHighlightText : kBlack));
        p.setBrush(QColor::fromRgb(selected ? kHighlight : kWhite));
        (with ? *with : painter).PaintFileItem(list, p, file, item, selected);
        return image;
    }
    // The item as it ends, once its picture has been decoded.
    QImage paint(const QString& file, bool selected, FileItemPainter* with = nullptr) {
        paintNow(file, selected, with);
        EXPECT_TRUE((with ? *with : painter).WaitForThumbnails(10000));
        return paintNow(file, selected, with);
    }
    QFontMetrics metrics() const { return QFontMetrics(list.font()); }
    QRect cell(QPoint topLeft, const QString& text) const {
        return QRect(topLeft, QSize(metrics().horizontalAdvance(text), metrics().height()));
    }

    QTemporaryDir dir;
    TFileListBoxS list;
    FileItemPainter painter;
    const QRect item{7, 60, 193, 60}; // L = 7, T = 60
};

} // namespace

TEST(ItemGeometry, WorkedExamples) {
    // 387 pixels, 2 columns: 193 for each; a 640 x 480 picture is limited both ways.
    EXPECT_EQ(ThumbnailSize({640, 480}, 387, 2, 60, 60), QSize(193 - 60 - 20, 56));
    // A 16 x 16 picture keeps its size.
    EXPECT_EQ(ThumbnailSize({16, 16}, 387, 2, 60, 60), QSize(16, 16));
    // The limits are independent: a wide flat picture is narrowed, not lowered.
    EXPECT_EQ(ThumbnailSize({400, 30}, 387, 2, 60, 60), QSize(113, 30));
    EXPECT_EQ(ThumbnailSize({10, 300}, 387, 2, 60, 60), QSize(10, 56));
    // Exactly 20 pixels to spare still fits; a text wider than the column leaves no room.
    EXPECT_EQ(ThumbnailSize({113, 10}, 387, 2, 60, 60).width(), 113);
    EXPECT_EQ(ThumbnailSize({114, 10}, 387, 2, 60, 60).width(), 113);
    EXPECT_EQ(ThumbnailSize({50, 10}, 387, 2, 250, 60).width(), 0);
    EXPECT_EQ(ThumbnailSize({0, 0}, 387, 2, 60, 60), QSize(0, 0));

    // Icons and names with the form's values: item 60, font -15, icon 32.
    const QRect r(5, 120, 193, 60);
    EXPECT_EQ(ItemIconPos(r, 60), QPoint(9, 134));
    EXPECT_EQ(ItemNamePos(r, 60, -15), QPoint(49, 142));
    // Divisions truncate: (61 - 15) div 2 = 23, (61 - 32) div 2 = 14.
    EXPECT_EQ(ItemNamePos(r, 61, -15).y(), 143);
    EXPECT_EQ(ItemIconPos(r, 61).y(), 134);

    // A thumbnail row: the picture centred, the name 2 pixels above the middle, the size
    // text 2 pixels below it.
    const PictureItemLayout l = LayoutPictureItem(r, 60, {113, 56}, 18);
    EXPECT_EQ(l.thumbnail, QRect(7, 122, 113, 56));
    EXPECT_EQ(l.name, QPoint(5 + 113 + 10, 120 + 30 - 18 - 2));
    EXPECT_EQ(l.sizeText, QPoint(128, 152));
    EXPECT_EQ(LayoutPictureItem(r, 60, {16, 16}, 18).thumbnail, QRect(7, 142, 16, 16));
    EXPECT_EQ(PictureSizeText({640, 480}), QStringLiteral("640×480"));

    // The picture within its thumbnail rectangle (the item above, texts 60 wide: at most
    // 113 x 56): its own proportions, at the left edge, centred vertically.
    struct Fitted {
        QSize picture;
        int textWidth;
        QRect thumbnail, drawn;
    };
    const Fitted fitted[] = {
        // Wider than the rectangle's proportions: the full width, lowered.
        {{400, 100}, 60, {7, 122, 113, 56}, {7, 136, 113, 28}},
        // A 16:9 photo and a 4:3 picture: narrower than the rectangle, the full height.
        {{1920, 1080}, 60, {7, 122, 113, 56}, {7, 122, 100, 56}},
        {{640, 480}, 60, {7, 122, 113, 56}, {7, 122, 75, 56}},
        // Taller.
        {{300, 600}, 60, {7, 122, 113, 56}, {7, 122, 28, 56}},
        // The rectangle's own proportions: the whole rectangle, as before.
        {{226, 112}, 60, {7, 122, 113, 56}, {7, 122, 113, 56}},
        // Smaller than the rectangle: its own size; limited on one side only: fitted.
        {{16, 16}, 60, {7, 142, 16, 16}, {7, 142, 16, 16}},
        {{400, 30}, 60, {7, 135, 113, 30}, {7, 146, 113, 8}},
        {{10, 300}, 60, {7, 122, 10, 56}, {7, 122, 2, 56}},
        // Never 0 wide or high while the rectangle is not.
        {{1, 1}, 60, {7, 149, 1, 1}, {7, 149, 1, 1}},
        {{4000, 1}, 60, {7, 149, 113, 1}, {7, 149, 113, 1}},
        {{1, 4000}, 60, {7, 122, 1, 56}, {7, 122, 1, 56}},
        // No room beside the texts, or no picture: nothing, not the picture's own size.
        {{50, 10}, 250, {7, 145, 0, 10}, {7, 145, 0, 0}},
        {{0, 0}, 60, {7, 150, 0, 0}, {7, 150, 0, 0}},
    };
    for (const Fitted& f : fitted) {
        SCOPED_TRACE(PictureSizeText(f.picture).toStdString());
        const QSize t = ThumbnailSize(f.picture, 387, 2, f.textWidth, 60);
        const QRect thumbnail = LayoutPictureItem(r, 60, t, 18).thumbnail;
        EXPECT_EQ(thumbnail, f.thumbnail);
        EXPECT_EQ(PictureInThumbnail(thumbnail, f.picture), f.drawn);
    }
}

TEST(ItemGeometry, KindsAndColours) {
    EXPECT_EQ(ItemKindOf("/a/b.ico"), ItemKind::IconFile);
    for (const char* p : {"/x/a.bmp", "/x/a.GIF", "/x/a.jpg", "/x/a.Jpeg", "/x/a.jpe"})
        EXPECT_EQ(ItemKindOf(p), ItemKind::Picture) << p;
    for (const char* p : {"/x/a.exe", "/x/a.DLL", "/x/a.scr", "/x/a.hlp", "/x/a.ocx", "/x/a.vbx",
                          "/x/a.cpl", "/x/a.drv", "/x/a.sys", "/x/a.lnk", "/x/a.cur", "/x/a.ani"})
        EXPECT_EQ(ItemKindOf(p), ItemKind::IconBearing) << p;
    // The whole extension counts; a dot in a folder's name is no extension.
    for (const char* p : {"/x/a.txt", "/x/a.icons", "/x/a.jpgx", "/x/a.ex", "/x.exe/a", "/x/a"})
        EXPECT_EQ(ItemKindOf(p), ItemKind::Other) << p;

    EXPECT_EQ(KindTextColour(ItemKind::IconFile), QColor(128, 0, 0));
    EXPECT_EQ(KindSelectedBrush(ItemKind::IconFile), QColor(127, 255, 255));
    EXPECT_EQ(KindTextColour(ItemKind::Picture), QColor(255, 0, 0));
    EXPECT_EQ(KindSelectedBrush(ItemKind::Picture), QColor(0, 255, 255));
    EXPECT_EQ(KindTextColour(ItemKind::IconBearing), QColor(0, 0, 255));
    EXPECT_EQ(KindSelectedBrush(ItemKind::IconBearing), QColor(255, 255, 0));
    EXPECT_FALSE(KindTextColour(ItemKind::Other));
    EXPECT_FALSE(KindSelectedBrush(ItemKind::Other));
}

TEST_F(ItemPainterTest, LargeBitmapIsFittedBesideItsNameAndSize) {
    const QString file = write("a.bmp", encoded(filled(640, 480, kGreen), "BMP"));
    const int tw =
        std::max(metrics().horizontalAdvance("a.bmp"), metrics().horizontalAdvance("640×480"));
    const int w = 193 - tw - 20;
    for (const bool selected : {false, true}) {
        SCOPED_TRACE(selected);
        const QImage image = paint(file, selected);
        // In its own proportions at the rectangle's full height (w x 56): 75 x 56, left.
        ASSERT_GT(w, 75);
        const QRect thumb(item.left() + 2, item.top() + 2, 75, 56);
        EXPECT_EQ(colours(image, thumb), (std::map<QRgb, int>{{kGreen, 75 * 56}}));
        // Nothing beyond it up to the texts, and the item itself is never filled.
        const QRect rest(thumb.right() + 1, item.top(), item.left() + w + 10 - thumb.right() - 1,
                         60);
        EXPECT_EQ(colours(image, rest), (std::map<QRgb, int>{{kWhite, rest.width() * 60}}));
        EXPECT_EQ(image.pixel(thumb.left() - 1, thumb.center().y()), kWhite);
        EXPECT_EQ(image.pixel(thumb.left(), thumb.top() - 1), kWhite);
        EXPECT_EQ(image.pixel(thumb.left(), thumb.bottom() + 1), kWhite);
        EXPECT_EQ(image.pixel(item.right(), item.top() + 2), kWhite);

        const int x = item.left() + w + 10;
        const int mid = item.top() + 30;
        const QRgb back = selected ? 0xff00ffff : kWhite;
        EXPECT_TRUE(isCell(image, cell({x, mid - metrics().height() - 2}, "a.bmp"), kRed, back));
        EXPECT_TRUE(isCell(image, cell({x, mid + 2}, "640×480"), kBlack, back));
    }
}

TEST_F(ItemPainterTest, SmallBitmapAtNaturalSizeAndUnreadableBitmapAsZero) {
    const QString small = write("s.bmp", encoded(filled(16, 16, kGreen), "BMP"));
    QImage image = paint(small, true);
    const QRect thumb(item.left() + 2, item.top() + 22, 16, 16);
    EXPECT_EQ(colours(image, thumb), (std::map<QRgb, int>{{kGreen, 256}}));
    EXPECT_EQ(image.pixel(thumb.right() + 1, thumb.top()), kWhite);
    EXPECT_TRUE(
        isCell(image, cell({item.left() + 26, item.top() + 32}, "16×16"), kBlack, 0xff00ffff));

    // Broken bytes: no picture, "0×0", the texts 10 pixels from the item's left.
    const QString broken = write("x.bmp", "BM this is no bitmap");
    image = paint(broken, true);
    const QRect sizeCell = cell({item.left() + 10, item.top() + 32}, "0×0");
    EXPECT_TRUE(isCell(image, sizeCell, kBlack, 0xff00ffff));
    EXPECT_EQ(colours(image, QRect(item.left(), item.top(), 10, 60)),
              (std::map<QRgb, int>{{kWhite, 600}}));
}

TEST_F(ItemPainterTest, ProgramsIconFilesAndOtherFilesByTheirColours) {
    const QString withIcon = kShell + "app.exe"; // a red icon
    const QString noIcon = kShell + "noicon.exe";
    const QRgb yellow = 0xffffff00, blue = 0xff0000ff;
    const QPoint name(item.left() + 44, item.top() + 22);

    QImage image = paint(withIcon, true);
    const QRect icon(item.left() + 4, item.top() + 14, 32, 32);
    EXPECT_EQ(image.pixel(icon.center()), kRed);
    EXPECT_TRUE(isCell(image, cell(name, "app.exe"), blue, yellow));

    // Without an icon the name stands at the same x, and no icon is drawn.
    image = paint(noIcon, true);
    EXPECT_EQ(colours(image, icon), (std::map<QRgb, int>{{kWhite, 32 * 32}}));
    EXPECT_TRUE(isCell(image, cell(name, "noicon.exe"), blue, yellow));
    EXPECT_EQ(colours(image, QRect(name.x() - 1, name.y(), 1, metrics().height())).count(yellow),
              0u);

    image = paint(noIcon, false);
    EXPECT_TRUE(isCell(image, cell(name, "noicon.exe"), blue, kWhite));

    // An icon file in dark red on its own icon; selected on (127, 255, 255).
    image = paint(kShell + "icon.ico", true);
    EXPECT_NE(image.pixel(icon.center()), kWhite);
    EXPECT_TRUE(isCell(image, cell(name, "icon.ico"), 0xff800000, 0xff7fffff));

    // Any other file keeps the list's colours, highlight ones when selected.
    const QString text = write("notes.txt", "hello");
    image = paint(text, true);
    EXPECT_TRUE(isCell(image, cell(name, "notes.txt"), kHighlightText, kHighlight));
    image = paint(text, false);
    EXPECT_TRUE(isCell(image, cell(name, "notes.txt"), kBlack, kWhite));

    // An empty path paints nothing.
    image = paint(QString(), true);
    EXPECT_EQ(colours(image, image.rect()).size(), 1u);
}

TEST_F(ItemPainterTest, ShortcutsShowTheirTargetsIcon) {
    ASSERT_EQ(::symlink(QFile::encodeName(kShell + "app.exe").constData(),
                        QFile::encodeName(path("prog.lnk")).constData()),
              0);
    QImage image = paint(path("prog.lnk"), false);
    EXPECT_EQ(image.pixel(item.left() + 20, item.top() + 30), kRed);
    // A link that leads nowhere is its own file: no icon source, only the name.
    const QString lost = write("lost.lnk", "not a shell link");
    image = paint(lost, false);
    EXPECT_EQ(colours(image, QRect(item.left(), item.top(), 40, 60)).size(), 1u);
    EXPECT_TRUE(
        isCell(image, cell({item.left() + 44, item.top() + 22}, "lost.lnk"), 0xff0000ff, kWhite));
}

TEST_F(ItemPainterTest, NamesAreReadByTheirBytesAndShownDecoded) {
    // "テスト.bmp" in Shift-JIS bytes: the file is read and its name shown as CP932.
    const QString file =
        write("\x83\x65\x83\x58\x83\x67.bmp", encoded(filled(16, 16, kGreen), "BMP"));
    ASSERT_TRUE(platform::hasEscapedBytes(file));
    const QImage image = paint(file, false);
    EXPECT_EQ(image.pixel(item.left() + 10, item.top() + 30), kGreen);
    const QString shown = QStringLiteral("テスト.bmp");
    EXPECT_TRUE(isCell(image,
                       cell({item.left() + 26, item.top() + 30 - metrics().height() - 2}, shown),
                       kRed, kWhite));
}

TEST_F(ItemPainterTest, GifAndJpegComeThroughThePluginsOffTheWindowsThread) {
    const QString gif = write("p.gif", gifBytes(20, 10, kGreen));
    const QString jpeg = write("p.jpeg", encoded(filled(24, 12, kRed), "JPEG"));
    // Without a plug-in the pictures are empty.
    QImage image = paint(gif, false);
    EXPECT_TRUE(isCell(image, cell({item.left() + 10, item.top() + 32}, "0×0"), kBlack, kWhite));

    std::atomic<bool> onWindowThread{false};
    FileItemPainter withLoader;
    withLoader.Thumbnails().Make = [&](const ThumbnailJob& job, const std::atomic<bool>& stop) {
        onWindowThread = onWindowThread || QThread::currentThread() == qApp->thread();
        return qtMaker(job, stop);
    };
    image = paintNow(gif, false, &withLoader);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // no hourglass for background work
    image = paint(gif, false, &withLoader);
    EXPECT_FALSE(onWindowThread);
    EXPECT_EQ(image.pixel(item.left() + 2, item.top() + 25), kGreen);
    EXPECT_EQ(image.pixel(item.left() + 21, item.top() + 34), kGreen);
    EXPECT_EQ(image.pixel(item.left() + 22, item.top() + 34), kWhite);
    EXPECT_TRUE(isCell(image, cell({item.left() + 30, item.top() + 32}, "20×10"), kBlack, kWhite));

    image = paint(jpeg, false, &withLoader);
    const QRgb reddish = image.pixel(item.left() + 14, item.top() + 30);
    EXPECT_NEAR(qRed(reddish), 255, 4);
    EXPECT_NEAR(qGreen(reddish), 0, 4);
    EXPECT_TRUE(isCell(image, cell({item.left() + 34, item.top() + 32}, "24×12"), kBlack, kWhite));
}

// While its picture is decoded an item shows its name and the size its header declares
// where they end up, the thumbnail area empty; the picture follows.
TEST_F(ItemPainterTest, WhileDecodingTheTextsStandAtTheirFinalPlaces) {
    QSemaphore release;
    painter.Thumbnails().Make = [&](const ThumbnailJob& job, const std::atomic<bool>& stop) {
        release.acquire();
        return qtMaker(job, stop);
    };
    struct Case {
        QByteArray name, bytes;
        QString size;
    };
    const Case cases[] = {{"w.jpg", encoded(filled(640, 480, kGreen), "JPEG"), "640×480"},
                          {"w.gif", gifBytes(20, 10, kGreen), "20×10"},
                          {"w.bmp", encoded(filled(300, 40, kGreen), "BMP"), "300×40"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString file = write(c.name, c.bytes);
        const QImage before = paintNow(file, false);
        release.release();
        const QImage after = paint(file, false);
        const int tw =
            std::max(metrics().horizontalAdvance(c.name), metrics().horizontalAdvance(c.size));
        const int w = std::min(QImageReader(file).size().width(), 193 - tw - 20);
        const QRect area(item.left(), item.top(), w + 10, 60);
        EXPECT_EQ(colours(before, area), (std::map<QRgb, int>{{kWhite, (w + 10) * 60}}));
        EXPECT_NE(colours(after, area), colours(before, area));
        // The texts: where they end up, the same pixels before and after.
        const QRect texts(item.left() + w + 10, item.top(), item.width() - w - 10, 60);
        EXPECT_EQ(colours(before, texts), colours(after, texts));
        EXPECT_TRUE(
            isCell(before, cell({item.left() + w + 10, item.top() + 32}, c.size), kBlack, kWhite));
    }
}

// A thumbnail another program left in the shared cache is shown without decoding.
TEST_F(ItemPainterTest, SharedCacheThumbnailsAreShown) {
    const QString jpeg = write("shared.jpg", encoded(filled(640, 480, kRed), "JPEG"));
    const QByteArray cacheHome = QFile::encodeName(dir.path()) + "/cache";
    const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", cacheHome);
    const QByteArray uri = pictures::FileUri(QFile::encodeName(jpeg));
    QImage thumb = filled(512, 384, kGreen);
    thumb.setText("Thumb::URI", QString::fromLatin1(uri));
    thumb.setText("Thumb::MTime", QString::number(platform::fileStamp(jpeg)->mtimeNs / 1000000000));
    ASSERT_TRUE(QDir().mkpath(cacheHome + "/thumbnails/x-large"));
    ASSERT_TRUE(
        thumb.save(cacheHome + "/thumbnails/x-large/" + pictures::SharedThumbnailName(uri)));
    // No plug-in is bound here: only the shared thumbnail can show a picture.
    const QImage image = paint(jpeg, false);
    if (oldCache.isNull())
        qunsetenv("XDG_CACHE_HOME");
    else
        qputenv("XDG_CACHE_HOME", oldCache);
    EXPECT_EQ(image.pixel(item.left() + 10, item.top() + 30), kGreen);
    EXPECT_TRUE(isCell(image,
                       cell({item.left() + 10 + 193 - 20 -
                                 std::max(metrics().horizontalAdvance("shared.jpg"),
                                          metrics().horizontalAdvance("640×480")),
                             item.top() + 32},
                            "640×480"),
                       kBlack, kWhite));
}

TEST_F(ItemPainterTest, CacheKeepsDecodedPicturesUntilTheFileChanges) {
    std::atomic<int> loads = 0;
    painter.Thumbnails().Make = [&](const ThumbnailJob& job, const std::atomic<bool>& stop) {
        loads += job.path.endsWith(".gif");
        return qtMaker(job, stop);
    };
    const QString gif = write("c.gif", gifBytes(20, 10, kGreen));
    const QString bmp = write("c.bmp", encoded(filled(20, 10, kGreen), "BMP"));
    paint(gif, false);
    paint(gif, true);
    paint(bmp, false);
    QImage image = paint(bmp, false);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(painter.Counts().pictureLoads, 2);
    EXPECT_EQ(image.pixel(item.left() + 5, item.top() + 30), kGreen);

    // The same bytes' length with another picture and another time: read again.
    write("c.bmp", encoded(filled(20, 10, kRed), "BMP"));
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(bmp).constData(), times, 0), 0);
    image = paint(bmp, false);
    EXPECT_EQ(painter.Counts().pictureLoads, 3);
    EXPECT_EQ(image.pixel(item.left() + 5, item.top() + 30), kRed);
    // A new size alone also counts.
    write("c.gif", gifBytes(30, 10, kRed));
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(gif).constData(), times, 0), 0);
    paint(gif, false);
    write("c.gif", gifBytes(31, 10, kRed));
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(gif).constData(), times, 0), 0);
    image = paint(gif, false);
    EXPECT_EQ(loads, 3);
    EXPECT_TRUE(isCell(image, cell({item.left() + 41, item.top() + 32}, "31×10"), kBlack, kWhite));

    // A wider column draws the picture at another size: decoded again for it.
    list.resize(800, 300);
    paint(write("wide.bmp", encoded(filled(300, 40, kGreen), "BMP")), false);
    list.resize(387, 300);
    image = paint(path("wide.bmp"), false);
    EXPECT_EQ(painter.Counts().pictureLoads, 7);
    EXPECT_EQ(image.pixel(item.left() + 2, item.top() + 30), kGreen);

    // Icons are asked once per file too.
    paint(kShell + "app.exe", false);
    paint(kShell + "app.exe", true);
    paint(kShell + "icon.ico", false);
    paint(kShell + "icon.ico", false);
    EXPECT_EQ(painter.Counts().iconExtractions, 2);
}

TEST_F(ItemPainterTest, CacheStaysWithinItsBound) {
    FileItemPainter bounded(200 * 1024);
    QStringList files;
    for (int i = 0; i < 40; ++i)
        files << write(QByteArray("b") + QByteArray::number(i) + ".bmp",
                       encoded(filled(100, 50, 0xff000000 | uint(i)), "BMP"));
    for (const QString& f : files)
        paint(f, false, &bounded);
    EXPECT_EQ(bounded.Counts().pictureLoads, 40);
    EXPECT_GT(bounded.CachedBytes(), 100 * 1024);
    EXPECT_LE(bounded.CachedBytes(), bounded.CacheLimit());
    // The latest stay, the oldest went.
    paint(files.last(), false, &bounded);
    EXPECT_EQ(bounded.Counts().pictureLoads, 40);
    paint(files.first(), false, &bounded);
    EXPECT_EQ(bounded.Counts().pictureLoads, 41);
    // A picture larger than the whole budget is drawn but not kept.
    const QString huge = write("huge.bmp", encoded(filled(190, 112, kGreen), "BMP"));
    FileItemPainter tiny(16 * 1024);
    EXPECT_EQ(paint(huge, false, &tiny).pixel(item.left() + 5, item.top() + 30), kGreen);
    EXPECT_EQ(tiny.CachedBytes(), 0);
    EXPECT_EQ(FileItemPainter().CacheLimit(), 64 * 1024 * 1024);
}

// A list paged through faster than its pictures decode: work for pages left behind is
// dropped, and every page shows all its pictures in the end, each decoded once.
TEST(ItemPainterList, AListScrolledWhileDecodingShowsEveryPictureInTheEnd) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    constexpr int kCount = 48;
    std::vector<QRgb> colour(kCount);
    for (int i = 0; i < kCount; ++i) {
        colour[size_t(i)] = qRgb(i * 5, 255 - i * 5, (i % 3) * 120);
        const QImage picture = filled(64 + i, 48, colour[size_t(i)]);
        const QString base = folder.path() + QStringLiteral("/p%1").arg(i, 2, 10, QLatin1Char('0'));
        QFile out(base + (i % 3 == 0 ? ".jpg" : i % 3 == 1 ? ".gif" : ".bmp"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(i % 3 == 0   ? encoded(picture, "JPEG")
                  : i % 3 == 1 ? gifBytes(64 + i, 48, colour[size_t(i)])
                               : encoded(picture, "BMP"));
    }
    TFileListBoxS list;
    list.resize(387, 200);
    list.SetColumns(2);
    list.SetItemHeight(60);
    FileItemPainter painter;
    std::atomic<int> started = 0;
    painter.Thumbnails().Make = [&](const ThumbnailJob& job, const std::atomic<bool>& stop) {
        ++started;
        QThread::msleep(15); // slower than the paging below
        return stop ? Thumbnail{QImage(), QSize(0, 0), false} : qtMaker(job, stop);
    };
    list.OnDrawItem = [&](TFileListBoxS& l, QPainter& p, int index, const QRect& rect,
                          bool selected) {
        painter.PaintFileItem(l, p, l.GetItemPath(index), rect, selected);
    };
    list.show();
    list.SetDirectory(folder.path());
    ASSERT_EQ(list.Count(), kCount);
    QScrollBar* bar = list.horizontalScrollBar();
    const int perPage = list.RowsPerColumn() * list.Columns();
    ASSERT_GE(bar->maximum(), 4);
    for (int round = 0; round < 2; ++round)
        for (int v = 0; v <= bar->maximum(); ++v) {
            bar->setValue(v);
            QCoreApplication::processEvents();
        }
    EXPECT_LT(started.load(), kCount); // pages scrolled past were not all decoded

    for (int v = 0; v <= bar->maximum(); v += list.Columns()) {
        bar->setValue(v);
        ASSERT_TRUE(painter.WaitForThumbnails(20000));
        const QImage shown = list.viewport()->grab().toImage();
        const int first = list.TopIndex();
        for (int i = first; i < std::min(kCount, first + perPage); ++i) {
            const QRect r = list.ItemRect(i);
            const QRgb got = shown.pixel(r.left() + 5, r.top() + 30);
            const QRgb want = colour[size_t(i)];
            EXPECT_NEAR(qRed(got), qRed(want), 8) << "item " << i;
            EXPECT_NEAR(qGreen(got), qGreen(want), 8) << "item " << i;
            EXPECT_NEAR(qBlue(got), qBlue(want), 8) << "item " << i;
        }
    }
    // Every picture was made once: none twice, none left out.
    EXPECT_EQ(painter.Counts().pictureLoads, kCount);
}
