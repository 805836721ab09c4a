// Speed of the file item painter on a folder of 1 000 JPEG pictures of 640 x 480 shown
// in the file list (offscreen, the real list and painter):
//  - the first visible page, every picture decoded;
//  - paging through the whole list once, page by page;
//  - repainting a page already decoded (from the painter's cache), next to the same page
//    painted by a painter without a cache, which decodes every picture on every paint.
// Pictures come through the painter's loader seam, here Qt's JPEG reader standing in for
// the JPEG plug-in. The folder is made once under /tmp/zelmo32-bench/jpegs and reused.
// Usage: bench_painter [work-dir]. Exit status 1 when a target is missed.
#include "browser/FileItemPainter.h"
#include "browser/FileListBox.h"
#include "platform/FsName.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace browser;

namespace {

constexpr int kPictures = 1000;
constexpr int kRepaints = 50;

void makePictures(const QString& dir) {
    if (QFile::exists(dir + ".complete"))
        return;
    std::printf("creating %d JPEG pictures of 640x480 in %s ...\n", kPictures, qPrintable(dir));
    QDir().mkpath(dir);
    QImage image(640, 480, QImage::Format_RGB32);
    for (int i = 0; i < kPictures; ++i) {
        // A different picture each, with detail for the coder to keep.
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb((x + i * 7) & 255, (y * 3 + i) & 255, ((x ^ y) + i * 13) & 255);
        }
        QPainter p(&image);
        p.setPen(Qt::white);
        p.setFont(QFont(QStringLiteral("Sans"), 48));
        p.drawText(image.rect(), Qt::AlignCenter, QString::number(i));
        p.end();
        image.save(QStringLiteral("%1/pic%2.jpg").arg(dir).arg(i, 4, 10, QLatin1Char('0')), "JPEG",
                   85);
    }
    QFile mark(dir + ".complete");
    mark.open(QIODevice::WriteOnly);
}

pictures::Picture qtJpegReader(const QString& path, const pictures::PictureRequest& request) {
    QImageReader reader(path, "JPEG");
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    return {pictures::Reduced(image, request.maxSize, request.fit), image.size()};
}

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString work =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : qEnvironmentVariable("ZELMO_BENCH_DIR", QStringLiteral("/tmp/zelmo32-bench"));
    const QString dir = work + QStringLiteral("/jpegs");
    makePictures(dir);

    // The first sheet's list as the main window shows it: 2 columns, items 60 high.
    TFileListBoxS list;
    list.resize(798, 584);
    list.SetColumns(2);
    list.SetItemHeight(60);
    FileItemPainter painter;
    painter.LoadPicture = &qtJpegReader;
    list.OnDrawItem = [&painter](TFileListBoxS& l, QPainter& p, int index, const QRect& rect,
                                 bool selected) {
        painter.PaintFileItem(l, p, l.GetItemPath(index), rect, selected);
    };
    list.show();
    list.SetDirectory(platform::fromFsBytes(QFile::encodeName(dir)));
    QApplication::processEvents();
    if (list.Count() != kPictures) {
        std::printf("expected %d pictures, found %d\n", kPictures, list.Count());
        return 2;
    }
    QImage frame(list.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QScrollBar* bar = list.horizontalScrollBar();
    const int perPage = list.RowsPerColumn() * list.Columns();
    std::printf("Painter: %d JPEGs of 640x480, list %dx%d, %d columns, %d rows (%d items a "
                "page)\n",
                list.Count(), list.width(), list.height(), list.Columns(), list.RowsPerColumn(),
                perPage);
    std::printf("Pictures through the loader seam: Qt's JPEG reader in place of the plug-in\n");

    // 1. The first page, nothing decoded yet (showing the list painted it once: forget).
    painter.ClearCache();
    const int loadsBefore = painter.Counts().pictureLoads;
    QElapsedTimer t;
    t.start();
    list.viewport()->render(&frame);
    const double firstPage = ms(t);
    const int firstLoads = painter.Counts().pictureLoads - loadsBefore;

    // 2. Paging through the whole list once (the first page is decoded already).
    t.restart();
    int pages = 1;
    for (int value = bar->pageStep(); value <= bar->maximum(); value += bar->pageStep()) {
        bar->setValue(value);
        list.viewport()->render(&frame);
        ++pages;
    }
    const double wholeList = firstPage + ms(t);
    const int allLoads = painter.Counts().pictureLoads - loadsBefore;

    // 3. The page shown last, already decoded, painted again and again.
    std::vector<double> cached;
    for (int i = 0; i < kRepaints; ++i) {
        t.restart();
        list.viewport()->render(&frame);
        cached.push_back(ms(t));
    }
    const int loadsAfterRepaint = painter.Counts().pictureLoads - loadsBefore;

    // Back to the first page after the whole pass: the bound may have let it go.
    bar->setValue(0);
    t.restart();
    list.viewport()->render(&frame);
    const double backToFirst = ms(t);
    const int loadsBack = painter.Counts().pictureLoads - loadsBefore - loadsAfterRepaint;

    // The same page with every picture read again on each paint (no cache).
    FileItemPainter uncached(0);
    uncached.LoadPicture = &qtJpegReader;
    list.OnDrawItem = [&uncached](TFileListBoxS& l, QPainter& p, int index, const QRect& rect,
                                  bool selected) {
        uncached.PaintFileItem(l, p, l.GetItemPath(index), rect, selected);
    };
    std::vector<double> decoding;
    for (int i = 0; i < 5; ++i) {
        t.restart();
        list.viewport()->render(&frame);
        decoding.push_back(ms(t));
    }

    const double repaint = median(cached);
    const double reread = median(decoding);
    std::printf("  first visible page (%2d decoded)   %8.1f ms\n", firstLoads, firstPage);
    std::printf("  whole list, %3d pages (%4d decoded) %6.0f ms   (target < 10 000 ms)\n", pages,
                allLoads, wholeList);
    std::printf("  repaint of a decoded page         %8.2f ms   (target < 20 ms; %d decoded)\n",
                repaint, loadsAfterRepaint - allLoads);
    std::printf("  same page decoding every picture  %8.1f ms   (ratio %.0f x)\n", reread,
                reread / std::max(repaint, 1e-6));
    std::printf("  back to the first page            %8.1f ms   (%d decoded again)\n", backToFirst,
                loadsBack);
    std::printf("  cache held                        %8.1f MB of %.0f MB\n",
                double(painter.CachedBytes()) / (1 << 20),
                double(painter.CacheLimit()) / (1 << 20));

    const bool ok = repaint < 20.0 && wholeList < 10000.0 && allLoads == kPictures &&
                    loadsAfterRepaint == allLoads;
    if (!ok)
        std::printf("TARGET MISSED\n");
    return ok ? 0 : 1;
}
