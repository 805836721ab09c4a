// Start-up of the whole program on a remembered folder of 100 000 files: the time from
// starting the process to the first paint of the file list holding that folder, next to
// the plain listing of the same folder (scan, sort and refill of a list) in the same run.
// The program is started from inside the folder, as on a first start, where the
// remembered folder is the current directory.
//
// Usage: bench_startup [work-dir]. It starts itself again as the measured program
// (bench_startup --child <settings-file> <folder>), which creates the main window the way
// the program does, shows it and reports when the list has painted.
#include "app/TForm1.h"
#include "app/ZelmoApplication.h"
#include "bench/BenchFolders.h"
#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanel.h"
#include "platform/AppPaths.h"
#include "platform/DirReader.h"
#include "ui/MessageDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>

using namespace browser;

namespace {

constexpr int kRuns = 7;

// Reports the first paint of the list once it holds the whole folder, then ends the run.
class PaintWatch : public QObject {
public:
    PaintWatch(TFileListBoxS* list, QString folder, QElapsedTimer& sinceMain)
        : list_(list), folder_(std::move(folder)), sinceMain_(sinceMain) {
        list->viewport()->installEventFilter(this);
    }
    int listings = 0; // readings of the folder with a stat per entry
    long stats = 0;   // every stat of every reading

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (done_ || e->type() != QEvent::Paint || list_->Count() == 0 ||
            list_->Directory() != folder_)
            return false;
        done_ = true;
        // Runs right after this paint has been handled.
        QTimer::singleShot(0, [this] {
            std::printf("painted %d %.1f %d %ld\n", list_->Count(), sinceMain_.nsecsElapsed() / 1e6,
                        listings, stats);
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
        return false;
    }

private:
    TFileListBoxS* list_;
    QString folder_;
    QElapsedTimer& sinceMain_;
    bool done_ = false;
};

int runChild(int argc, char** argv) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    const QString settings = QString::fromLocal8Bit(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    // As the program's own entry does.
    ZelmoApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    platform::setSettingsFilePathOverride(settings);
    ui::ScriptedResponder quiet; // no dialog may wait for a click in a benchmark
    PaintWatch* watch = nullptr;
    int listings = 0;
    long stats = 0;
    const QByteArray folderBytes = QFile::encodeName(folder);
    platform::SetDirReadObserver([&](const platform::DirReadRecord& r) {
        stats += r.stats;
        QByteArray dir = r.dir.isEmpty() ? folderBytes : r.dir; // the current directory
        while (dir.size() > 1 && dir.endsWith('/'))
            dir.chop(1);
        listings += dir == folderBytes && r.stats > 0;
        if (watch) {
            watch->listings = listings;
            watch->stats = stats;
        }
    });
    TForm1 form;
    PaintWatch w(form.Files().ListBox1, folder, sinceMain);
    watch = &w;
    w.listings = listings;
    w.stats = stats;
    form.setWindowState(Qt::WindowNoState);
    form.show();
    const int rc = app.exec();
    platform::SetDirReadObserver(nullptr);
    return rc;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct StartRun {
    double wholeMs = 0;  // process start to the painted list, seen from outside
    double insideMs = 0; // the program's entry to the painted list
    int count = 0;
    int listings = 0;
    long stats = 0;
};

StartRun startProgram(const QString& self, const QString& settings, const QString& folder) {
    StartRun run;
    QProcess child;
    child.setWorkingDirectory(folder);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    child.start(self, {QStringLiteral("--child"), settings, folder});
    QByteArray line;
    while (!line.contains('\n') && child.waitForReadyRead(60000))
        line += child.readAllStandardOutput();
    run.wholeMs = t.nsecsElapsed() / 1e6;
    child.waitForFinished(60000);
    if (std::sscanf(line.constData(), "painted %d %lf %d %ld", &run.count, &run.insideMs,
                    &run.listings, &run.stats) != 4)
        std::printf("the program did not report its paint: %s\n", line.constData());
    return run;
}

QString writeSettings(const std::string& path, const QString& folder) {
    const QString file = QString::fromStdString(path);
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    f.write("[FormStyle]\r\nViewerStyle=1\r\nFilterCBox=1\r\noldDirPath=" +
            QFile::encodeName(folder) + "\r\n");
    return file;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);

    QApplication app(argc, argv);
    const std::string work = argc > 1 ? argv[1] : "/tmp/zelmo32-bench";
    ::mkdir(work.c_str(), 0755);
    const std::string flat = work + "/flat";
    bench::makeFlatFolder(flat);
    const QString flatQ = QString::fromStdString(flat);
    // The same start on a folder of three files: what the start costs without the listing.
    const std::string few = work + "/few";
    ::mkdir(few.c_str(), 0755);
    for (const char* name : {"/a.txt", "/b.exe", "/c.dat"})
        bench::touch(few + name);
    const QString fewQ = QString::fromStdString(few);
    const QString settings = writeSettings(work + "/startup-settings.INI", flatQ);
    const QString fewSettings = writeSettings(work + "/startup-few-settings.INI", fewQ);
    if (settings.isEmpty() || fewSettings.isEmpty())
        return 2;
    const QString self = QCoreApplication::applicationFilePath();

    TFileListBoxS list;
    list.resize(800, 600);
    list.SetColumns(2);
    list.show();
    std::vector<double> whole, inside, small, listing, scan, byType, ratios, extraRatios;
    StartRun last;
    startProgram(self, settings, flatQ); // warms the caches
    for (int run = 0; run < kRuns; ++run) {
        last = startProgram(self, settings, flatQ);
        whole.push_back(last.wholeMs);
        inside.push_back(last.insideMs);
        small.push_back(startProgram(self, fewSettings, fewQ).wholeMs);
        QElapsedTimer t;
        t.start();
        list.SetDirectory(flatQ);
        listing.push_back(t.nsecsElapsed() / 1e6);
        // Each run's start against the listing made right after it: the load of a shared
        // machine changes less between the two than over the whole run.
        ratios.push_back(whole.back() / listing.back());
        extraRatios.push_back((whole.back() - small.back()) / listing.back());
        TFileInfoList info;
        t.restart();
        info.SetDirectory(flatQ);
        scan.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        TDirTreeViewS::SubdirNames(flatQ);
        byType.push_back(t.nsecsElapsed() / 1e6);
    }
    const double ratio = median(ratios);
    std::printf("\nStart-up on a remembered folder of %d files (median of %d runs, warm cache)\n",
                last.count, kRuns);
    std::printf("  process start to the painted list        %8.1f ms\n", median(whole));
    std::printf("  the program's entry to that paint        %8.1f ms\n", median(inside));
    std::printf("  the same start on a folder of 3 files    %8.1f ms\n", median(small));
    std::printf("  listing the folder (scan, sort, refill)  %8.1f ms\n", median(listing));
    std::printf("  scan and sort alone                      %8.1f ms\n", median(scan));
    std::printf("  reading it by entry type alone           %8.1f ms\n", median(byType));
    std::printf("  listings of the folder at start-up       %8d    (stats in all: %ld)\n",
                last.listings, last.stats);
    std::printf("  ratio start-up / listing                 %8.2f   (target <= 1.3; median of "
                "the runs' ratios)\n",
                ratio);
    std::printf("  (start-up - start on 3 files) / listing  %8.2f\n", median(extraRatios));
    const bool ok = last.count > 0 && ratio <= 1.3;
    std::printf("\n%s\n", ok ? "target met" : "TARGET MISSED");
    return ok ? 0 : 1;
}
