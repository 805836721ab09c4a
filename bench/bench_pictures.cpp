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
// PCManFM-Qt runs at its default thumbnail size (128, the cache's normal folder) unless
// ZELMO_BENCH_THUMBNAIL_SIZE names another. Both programs are measured the same way: by
// the CPU time (user + system, all threads, from /proc/<pid>/stat) each process has
// taken once its window is settled, that is 1.5 s after its page was complete (ours
// waits, idle, until then before it pages on). When a page is complete is seen from
// outside for PCManFM-Qt (inotify on its cache folder:
// IN_CLOSE_WRITE for a thumbnail made, IN_CLOSE_NOWRITE for one read; a page is complete
// when no thumbnail came for 1.5 s) and reported from inside by ours (every picture of
// the visible page drawn as it ends). Paging costs the CPU from the first page settled
// to the last. Wall times are printed beside them; the verdict rests on the CPU ratios
// of this run. Both run on the same X display ($DISPLAY, for example Xvfb), ours through
// xcb like PCManFM-Qt.
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
#include <QSocketNotifier>
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
            // Idle until the benchmark has read our CPU time for the first page: paging
            // starts on its "go" line.
            tick_.stop();
            go_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
            connect(go_, &QSocketNotifier::activated, this, [this] {
                char line[8];
                if (::read(STDIN_FILENO, line, sizeof line) <= 0 || !go_->isEnabled())
                    return;
                go_->setEnabled(false);
                lastTick_ = 0; // the pause is no stall
                tick_.start();
                nextPage();
            });
            return;
        }
        paging_ += now - shownAt_;
        ++pages_;
        nextPage();
    }
    void nextPage() {
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
        // Idle from here on: the benchmark reads our CPU time once settled, then ends us.
        tick_.stop();
        report("done");
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
    QSocketNotifier* go_ = nullptr;
    qint64 lastTick_ = 0, stall_ = 0, shownAt_ = 0, paging_ = 0;
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

// The CPU time a process has taken so far (user + system of all its threads, and of its
// children waited for), in ms; -1 when it is gone.
double cpuMs(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command's closing parenthesis, from the state (field 3) on.
    const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (f.size() < 15)
        return -1;
    const double ticks = f[11].toDouble() + f[12].toDouble() + f[13].toDouble() + f[14].toDouble();
    return ticks * 1000.0 / double(::sysconf(_SC_CLK_TCK));
}

// Lets a process settle for the same time after each mark, then reads its CPU time.
constexpr int kSettleMs = 1500;
double settledCpuMs(qint64 pid) {
    QThread::msleep(kSettleMs);
    return cpuMs(pid);
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
    double first = 0, paging = 0, stall = 0; // wall, ms
    double firstCpu = 0, pagingCpu = 0;      // CPU, ms
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
            if (line.startsWith("first")) {
                o.first = ms(t); // seen from outside: process start to the complete page
                o.firstCpu = settledCpuMs(child.processId());
                if (page) // now the paging
                    child.write("go\n");
            } else if (line.startsWith("paging")) {
                std::sscanf(line.constData(), "paging %lf %d", &o.paging, &o.pages);
            } else if (line.startsWith("stall")) {
                std::sscanf(line.constData(), "stall %lf", &o.stall);
            } else if (line.startsWith("list")) {
                o.list = QString::fromLatin1(line.mid(5));
            } else if (line == "done") {
                if (page)
                    o.pagingCpu = settledCpuMs(child.processId()) - o.firstCpu;
                child.terminate();
            }
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
    double first = -1, paging = 0;      // wall, ms
    double firstCpu = 0, pagingCpu = 0; // CPU, ms
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
    r.first = watch.Settle(t, kSettleMs, firstWaitMs, r.firstCount);
    r.firstCpu = cpuMs(fm.processId()); // 1.5 s after the page's last thumbnail
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
        // The last page's settling was seen by two quiet waits; the same 1.5 s as ours.
        r.pagingCpu = cpuMs(fm.processId()) - r.firstCpu;
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

    // Ours first; then PCManFM-Qt at its default settings, whose cache serves our third
    // run.
    const Ours ours = runOurs(self, runs + QStringLiteral("/ours"), photos, true);
    std::printf("ours: first page %.0f ms (CPU %.0f ms), paging %.0f ms (CPU %.0f ms) over %d "
                "pages, longest stall %.1f ms (list width, columns, rows: %s)\n",
                ours.first, ours.firstCpu, ours.paging, ours.pagingCpu, ours.pages, ours.stall,
                qPrintable(ours.list));
    std::fflush(stdout);
    const int thumbnailSize = qEnvironmentVariableIntValue("ZELMO_BENCH_THUMBNAIL_SIZE") > 0
                                  ? qEnvironmentVariableIntValue("ZELMO_BENCH_THUMBNAIL_SIZE")
                                  : 128; // PCManFM-Qt's default
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
    std::printf("PCManFM-Qt (thumbnails of %d, %s): first page %.0f ms (CPU %.0f ms, %d "
                "thumbnails), paging %.0f ms (CPU %.0f ms) over %d pages (%d thumbnails)\n",
                thumbnailSize, qPrintable(sizeFolder), theirs.first, theirs.firstCpu,
                theirs.firstCount, theirs.paging, theirs.pagingCpu, theirs.pages, theirs.total);
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

    const double firstRatio = ours.firstCpu / std::max(1.0, theirs.firstCpu);
    const double pagingRatio = ours.pagingCpu / std::max(1.0, theirs.pagingCpu);
    const double filledRatio = oursFilled.firstCpu / std::max(1.0, theirsFilled.firstCpu);
    std::printf("\nThumbnails of %d photo-like JPEGs of 1920x1080, PCManFM-Qt at thumbnails of "
                "%d (%s)\n",
                kPhotos, thumbnailSize, qPrintable(sizeFolder));
    std::printf("CPU time to the settled window (wall time in brackets), ours / PCManFM-Qt\n");
    std::printf("  start to the first page, empty caches  %6.0f ms (%5.0f)  %6.0f ms (%5.0f)  "
                "ratio %.2f (target <= 0.5)\n",
                ours.firstCpu, ours.first, theirs.firstCpu, theirs.first, firstRatio);
    std::printf("  paging through all                     %6.0f ms (%5.0f)  %6.0f ms (%5.0f)  "
                "ratio %.2f (target <= 0.5)\n",
                ours.pagingCpu, ours.paging, theirs.pagingCpu, theirs.paging, pagingRatio);
    std::printf("  first page, PCManFM-Qt's cache filled  %6.0f ms (%5.0f)  %6.0f ms (%5.0f)  "
                "ratio %.2f (target <= 1.0)\n",
                oursFilled.firstCpu, oursFilled.first, theirsFilled.firstCpu, theirsFilled.first,
                filledRatio);
    std::printf("  our window's longest stall while decoding %.1f ms (target <= 50 ms)\n",
                ours.stall);
    const bool ok = theirs.firstCpu > 0 && theirsFilled.firstCpu > 0 && firstRatio <= 0.5 &&
                    pagingRatio <= 0.5 && filledRatio <= 1.0 && ours.stall <= 50.0;
    std::printf("\n%s\n", ok ? "targets met" : "TARGET MISSED");
    return ok ? 0 : 1;
}
