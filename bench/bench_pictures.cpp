// Picture thumbnails through the program's real path (the main window, the file list,
// the painter, its worker threads, the picture service and the image plug-ins), side by
// side in one run with PCManFM-Qt, on 1 000 photo-like JPEGs of 1920 x 1080 that this
// benchmark makes once (under <work-dir>/photos).
//
//  1. Start to the first page of thumbnails, each program with an empty thumbnail cache.
//  2. Paging through all of them: the next page is shown as soon as the current one has
//     all its thumbnails; the figure is the sum over the pages of the time from showing a
//     page to its last thumbnail.
//  3. Our start to the first page with PCManFM-Qt's cache already filled (we read it), next
//     to PCManFM-Qt's own start on it.
//  4. Our window's longest stall while decoding: the largest gap between two ticks of a
//     1 ms timer on the window's thread, from the first picture handed over to the last
//     page.
//
// Each program and each run gets its own HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME.
// How PCManFM-Qt's thumbnails are seen: it writes each thumbnail it makes into its cache
// folder and reads each one it finds there, so inotify on that folder (IN_CLOSE_WRITE for
// a made thumbnail, IN_CLOSE_NOWRITE for one read) gives the time each thumbnail was done,
// seen from outside. A page is complete when no thumbnail came for 1.5 s; its time is that
// of its last thumbnail (the waiting is not counted). Our own program reports from inside
// when every picture of the visible page is drawn as it ends. Both run on the same X
// display ($DISPLAY, for example Xvfb), ours through xcb like PCManFM-Qt.
//
// Usage: bench_pictures [work-dir]   (needs pcmanfm-qt, xdotool and an X display)
// Exit status 1 when a target is missed.
#include "app/TForm1.h"
#include "app/ZelmoApplication.h"
#include "browser/FileItemPainter.h"
#include "browser/FileListBox.h"
#include "browser/FilePanel.h"
#include "platform/AppPaths.h"
#include "ui/MessageDialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace browser;

namespace {

constexpr int kPhotos = 1000;

// ---- The photos --------------------------------------------------------------------------

// A photo-like picture: soft gradients, a few shapes, grain, so the coder keeps detail as
// in a photograph (about 0.3-0.5 MB at quality 90).
void makePhoto(const QString& path, int seed) {
    QRandomGenerator rng(quint32(seed) * 7919u + 17u);
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 1080);
    sky.setColorAt(0, QColor::fromHsv(rng.bounded(360), 120, 230));
    sky.setColorAt(1, QColor::fromHsv(rng.bounded(360), 160, 90));
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 40; ++i) {
        QRadialGradient g(rng.bounded(1920), rng.bounded(1080), 40 + rng.bounded(400));
        g.setColorAt(0, QColor::fromHsv(rng.bounded(360), rng.bounded(256), rng.bounded(256), 200));
        g.setColorAt(1, QColor(0, 0, 0, 0));
        p.setBrush(g);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(g.center()), g.radius(), g.radius() * 0.7);
    }
    p.end();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(rng.bounded(25)) - 12;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    image.save(path, "JPEG", 90);
}

QString makePhotos(const QString& work) {
    const QString dir = work + QStringLiteral("/photos");
    if (QFile::exists(dir + QStringLiteral(".complete")))
        return dir;
    std::printf("making %d photo-like JPEGs of 1920x1080 in %s ...\n", kPhotos, qPrintable(dir));
    std::fflush(stdout);
    QDir().mkpath(dir);
    QList<int> seeds;
    for (int i = 0; i < kPhotos; ++i)
        seeds << i;
    QtConcurrent::blockingMap(seeds, [&](int i) {
        makePhoto(QStringLiteral("%1/photo%2.jpg").arg(dir).arg(i, 4, 10, QLatin1Char('0')), i);
    });
    QFile mark(dir + QStringLiteral(".complete"));
    mark.open(QIODevice::WriteOnly);
    return dir;
}

// ---- Our program, as its own process ------------------------------------------------------

// Drives the main window from its own event loop: reports the first complete page, then
// shows page after page as each completes, watching the loop's longest gap.
class Driver : public QObject {
public:
    Driver(TFileListBoxS* list, FileItemPainter* painter, bool page, QElapsedTimer& sinceMain)
        : list_(list), painter_(painter), page_(page), sinceMain_(sinceMain) {
        tick_.setInterval(1);
        connect(&tick_, &QTimer::timeout, this, [this] { Tick(); });
        tick_.start();
    }

private:
    void Tick() {
        const qint64 now = sinceMain_.nsecsElapsed();
        // From the first picture handed over: the window's work while pictures decode.
        if (lastTick_ && painter_->Counts().pictureLoads > 0)
            stall_ = std::max(stall_, now - lastTick_);
        lastTick_ = now;
        if (list_->Count() < kPhotos || !list_->isVisible() ||
            painter_->PicturesMissing(*list_) > 0)
            return;
        if (!firstDone_) {
            firstDone_ = true;
            report("first %.1f", now / 1e6);
            if (!page_)
                return finish();
            pagingStart_ = now;
        } else {
            paging_ += now - shownAt_;
            ++pages_;
        }
        QScrollBar* bar = list_->horizontalScrollBar();
        if (bar->value() >= bar->maximum()) {
            report("paging %.1f %d", paging_ / 1e6, pages_);
            return finish();
        }
        bar->setValue(bar->value() + bar->pageStep());
        shownAt_ = sinceMain_.nsecsElapsed();
    }
    void finish() {
        report("stall %.1f", stall_ / 1e6);
        report("list %d %d %d", list_->width(), list_->Columns(), list_->RowsPerColumn());
        tick_.stop();
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    }
    template <typename... A> void report(const char* format, A... a) {
        std::printf(format, a...);
        std::printf("\n");
        std::fflush(stdout);
    }

    TFileListBoxS* list_;
    FileItemPainter* painter_;
    bool page_;
    QElapsedTimer& sinceMain_;
    QTimer tick_;
    qint64 lastTick_ = 0, stall_ = 0, shownAt_ = 0, pagingStart_ = 0, paging_ = 0;
    int pages_ = 1;
    bool firstDone_ = false;
};

int runChild(int argc, char** argv) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    const QString settings = QString::fromLocal8Bit(argv[2]);
    const bool page = std::strcmp(argv[3], "page") == 0;
    ZelmoApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    platform::setSettingsFilePathOverride(settings);
    ui::ScriptedResponder quiet; // no dialog may wait for a click in a benchmark
    TForm1 form;
    Driver driver(form.Files().ListBox1, &form.Files().ItemPainter, page, sinceMain);
    form.setWindowState(Qt::WindowNoState);
    form.show();
    return app.exec();
}

// ---- The side-by-side run -----------------------------------------------------------------

double ms(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

// A fresh HOME with its config and cache folders.
QProcessEnvironment freshHome(const QString& root, const QString& cache = QString()) {
    QDir(root).removeRecursively();
    QDir().mkpath(root + QStringLiteral("/config"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"),
               cache.isEmpty() ? root + QStringLiteral("/cache") : cache);
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

struct Ours {
    double first = 0, paging = 0, stall = 0;
    int pages = 0;
    QString list;
};

Ours runOurs(const QString& self, const QString& root, const QString& folder, bool page,
             const QString& cache = QString()) {
    const QProcessEnvironment env = freshHome(root, cache);
    const QString settings = root + QStringLiteral("/zelmo32.INI");
    QFile f(settings);
    f.open(QIODevice::WriteOnly);
    f.write("[FormStyle]\r\nViewerStyle=1\r\noldDirPath=" + QFile::encodeName(folder) + "\r\n");
    f.close();
    QProcess child;
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(root);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    child.start(self, {QStringLiteral("--child"), settings,
                       page ? QStringLiteral("page") : QStringLiteral("first")});
    Ours o;
    QByteArray pending;
    while (child.state() != QProcess::NotRunning || child.bytesAvailable()) {
        // Paging through 1 000 pictures may take minutes on a loaded machine.
        if (!child.canReadLine() && !child.waitForReadyRead(30 * 60 * 1000))
            break;
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            if (line.startsWith("first"))
                o.first = ms(t); // seen from outside: process start to the complete page
            else if (line.startsWith("paging"))
                std::sscanf(line.constData(), "paging %lf %d", &o.paging, &o.pages);
            else if (line.startsWith("stall"))
                std::sscanf(line.constData(), "stall %lf", &o.stall);
            else if (line.startsWith("list"))
                o.list = QString::fromLatin1(line.mid(5));
        }
    }
    child.waitForFinished(60000);
    return o;
}

// Thumbnails PCManFM-Qt finishes, seen through inotify on its cache folder.
class CacheWatch {
public:
    CacheWatch(const QString& folder, uint32_t mask) {
        QDir().mkpath(folder);
        fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        inotify_add_watch(fd_, QFile::encodeName(folder).constData(), mask);
    }
    ~CacheWatch() { ::close(fd_); }
    // Waits until no event came for quietMs (or nothing at all within firstMs); the time of
    // the last event on t's clock, or -1 when none came. count gets the events seen.
    double Settle(const QElapsedTimer& t, int quietMs, int firstMs, int& count) {
        double last = -1;
        qint64 deadline = t.elapsed() + firstMs;
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            const int wait = int(std::max<qint64>(0, deadline - t.elapsed()));
            if (::poll(&p, 1, wait) <= 0)
                return last;
            char buf[64 * 1024];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            for (ssize_t off = 0; off < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + off);
                if (e->len > 0 && std::strstr(e->name, ".png") && !std::strstr(e->name, ".tmp")) {
                    ++count;
                    last = ms(t);
                }
                off += ssize_t(sizeof(inotify_event) + e->len);
            }
            deadline = t.elapsed() + quietMs;
        }
    }

private:
    int fd_ = -1;
};

struct Theirs {
    double first = -1, paging = 0;
    int firstCount = 0, total = 0, pages = 1;
};

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

Theirs runPcmanfm(const QString& root, const QString& folder, int thumbnailSize,
                  const QString& sizeFolder, bool filled, const QString& cache, QSize window,
                  int firstWaitMs = 30000) {
    Theirs r;
    QProcessEnvironment env = freshHome(root, cache);
    const QString conf = root + QStringLiteral("/config/pcmanfm-qt/default");
    QDir().mkpath(conf);
    QFile f(conf + QStringLiteral("/settings.conf"));
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("[Thumbnail]\nShowThumbnails=true\nMaxThumbnailFileSize=65536\n"
                           "ThumbnailLocalFilesOnly=true\n"
                           "[FolderView]\nMode=thumbnail\nThumbnailIconSize=%1\n"
                           "[Window]\nLastWindowWidth=%2\nLastWindowHeight=%3\n"
                           "LastWindowMaximized=false\nRememberWindowSize=true\n"
                           "AlwaysShowTabs=false\n")
                .arg(thumbnailSize)
                .arg(window.width())
                .arg(window.height())
                .toUtf8());
    f.close();
    const QString thumbs =
        env.value(QStringLiteral("XDG_CACHE_HOME")) + QStringLiteral("/thumbnails/") + sizeFolder;
    CacheWatch watch(thumbs, filled ? IN_CLOSE_NOWRITE : IN_CLOSE_WRITE | IN_MOVED_TO);
    QProcess fm;
    fm.setProcessEnvironment(env);
    fm.setWorkingDirectory(root);
    fm.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    fm.start(QStringLiteral("pcmanfm-qt"), {folder});
    QDir().mkpath(folder);
    r.first = watch.Settle(t, 1500, firstWaitMs, r.firstCount);
    r.total = r.firstCount;
    if (!filled) {
        // Page through: a click into the scroll bar's trough below its handle (one page
        // down, as our list's scroll bar pages), then that page's thumbnails.
        const QString win = run(QStringLiteral("xdotool"),
                                {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--pid"), QString::number(fm.processId())})
                                .section(QLatin1Char('\n'), -1);
        const QStringList geometry =
            run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), win})
                .split(QRegularExpression(QStringLiteral("[\\s,x:]+")));
        // "Window N Position: X,Y (screen: 0) Geometry: W x H"
        const int wx = geometry.value(3).toInt(), wy = geometry.value(4).toInt();
        const int ww = geometry.value(geometry.size() - 2).toInt();
        const int wh = geometry.value(geometry.size() - 1).toInt();
        const QString x = QString::number(wx + ww - 9), y = QString::number(wy + wh - 80);
        int idle = 0;
        while (r.total < kPhotos && idle < 2) {
            const double pressed = ms(t);
            run(QStringLiteral("xdotool"),
                {QStringLiteral("mousemove"), x, y, QStringLiteral("click"), QStringLiteral("1")});
            int n = 0;
            const double last = watch.Settle(t, 800, 3000, n);
            if (n == 0) {
                ++idle; // the end is reached
                continue;
            }
            idle = 0;
            r.paging += last - pressed;
            r.total += n;
            ++r.pages;
        }
        run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                       root + QStringLiteral("/../pcmanfm-qt-last-page.png")});
    } else {
        run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                       root + QStringLiteral("/../pcmanfm-qt-filled-first.png")});
    }
    fm.terminate();
    if (!fm.waitForFinished(5000))
        fm.kill();
    fm.waitForFinished(5000);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    const QString work =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : qEnvironmentVariable("ZELMO_BENCH_DIR", QStringLiteral("/tmp/zelmo32-bench"));
    const QString photos = makePhotos(work);
    const QString self = QCoreApplication::applicationFilePath();
    const QString runs = work + QStringLiteral("/picture-runs");

    // Ours first, to learn the size we draw thumbnails at; PCManFM-Qt then makes
    // thumbnails of the size whose cache folder covers it, so its cache can serve us.
    const Ours ours = runOurs(self, runs + QStringLiteral("/ours"), photos, true);
    std::printf("ours: first page %.0f ms, paging %.0f ms over %d pages, longest stall %.1f ms "
                "(list width, columns, rows: %s)\n",
                ours.first, ours.paging, ours.pages, ours.stall, qPrintable(ours.list));
    std::fflush(stdout);
    const int thumbnailSize = qEnvironmentVariableIntValue("ZELMO_BENCH_THUMBNAIL_SIZE") > 0
                                  ? qEnvironmentVariableIntValue("ZELMO_BENCH_THUMBNAIL_SIZE")
                                  : 256;
    const QString sizeFolder = thumbnailSize <= 128   ? QStringLiteral("normal")
                               : thumbnailSize <= 256 ? QStringLiteral("large")
                                                      : QStringLiteral("x-large");
    const QSize window(1280, 1000);
    // Its helpers on the session bus are started once before, as on a desktop.
    runPcmanfm(runs + QStringLiteral("/pcmanfm-qt-warm-up"), work + QStringLiteral("/none"),
               thumbnailSize, sizeFolder, true, QString(), window, 4000);
    const QString theirsRoot = runs + QStringLiteral("/pcmanfm-qt");
    const Theirs theirs =
        runPcmanfm(theirsRoot, photos, thumbnailSize, sizeFolder, false, QString(), window);
    std::printf("PCManFM-Qt (thumbnails of %d, %s): first page %.0f ms (%d thumbnails), paging "
                "%.0f ms over %d pages (%d thumbnails)\n",
                thumbnailSize, qPrintable(sizeFolder), theirs.first, theirs.firstCount,
                theirs.paging, theirs.pages, theirs.total);
    std::fflush(stdout);
    const QString filledCache = theirsRoot + QStringLiteral("/cache");
    QDir(runs + QStringLiteral("/filled")).removeRecursively();
    QProcess::execute(QStringLiteral("cp"),
                      {QStringLiteral("-a"), filledCache, runs + QStringLiteral("/filled")});
    const Theirs theirsFilled =
        runPcmanfm(runs + QStringLiteral("/pcmanfm-qt-filled"), photos, thumbnailSize, sizeFolder,
                   true, runs + QStringLiteral("/filled"), window);
    const Ours oursFilled = runOurs(self, runs + QStringLiteral("/ours-filled"), photos, false,
                                    runs + QStringLiteral("/filled"));

    const double firstRatio = ours.first / theirs.first;
    const double pagingRatio = ours.paging / std::max(1.0, theirs.paging);
    const double filledRatio = oursFilled.first / theirsFilled.first;
    std::printf("\nThumbnails of %d photo-like JPEGs of 1920x1080 (ours / PCManFM-Qt)\n", kPhotos);
    std::printf("  start to the first page, empty caches   %7.0f ms  %7.0f ms   ratio %.2f "
                "(target <= 0.5)\n",
                ours.first, theirs.first, firstRatio);
    std::printf("  paging through all                      %7.0f ms  %7.0f ms   ratio %.2f "
                "(target <= 0.5)\n",
                ours.paging, theirs.paging, pagingRatio);
    std::printf("  first page, PCManFM-Qt's cache filled   %7.0f ms  %7.0f ms   ratio %.2f "
                "(target <= 1.0)\n",
                oursFilled.first, theirsFilled.first, filledRatio);
    std::printf("  our window's longest stall while decoding %.1f ms (target <= 50 ms)\n",
                ours.stall);
    const bool ok = theirs.first > 0 && theirsFilled.first > 0 && firstRatio <= 0.5 &&
                    pagingRatio <= 0.5 && filledRatio <= 1.0 && ours.stall <= 50.0;
    std::printf("\n%s\n", ok ? "targets met" : "TARGET MISSED");
    return ok ? 0 : 1;
}
