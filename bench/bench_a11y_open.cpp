// Opening a folder of 100 000 files in the running program, timed from choosing it in
// the directory tree to its list painted and the events that followed handled. Run by
// bench/a11y_bench.sh once with the accessibility bus active (and a reader listening)
// and once without, in turns; the script compares the two.
//
// Usage: bench_a11y_open <work-dir> <opens>. Prints "open <ms>" per opening and
// "accessible <0|1>" (whether the program spoke to the accessibility bus).
// bench_a11y_open <work-dir> start: the program's start on the remembered folder of
// 100 000 files instead; prints "start <CPU ms>", the process's CPU time (every thread,
// the accessibility bridge's too) from its start to the painted list settled 1.5 s.
#include "app/TForm1.h"
#include "app/ZelmoApplication.h"
#include "bench/BenchFolders.h"
#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanel.h"
#include "platform/AppPaths.h"
#include "ui/MessageDialog.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>

using namespace browser;

namespace {

// Lets whatever is pending run: paints, the bus's questions and answers.
void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double openFolder(TForm1& form, const QString& folder) {
    TFileListBoxS* list = form.Files().ListBox1;
    QElapsedTimer t;
    t.start();
    form.Files().DirList2->SelectPath(folder);
    list->viewport()->repaint();
    QEventLoop loop; // the events the opening caused, handled
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
    return t.nsecsElapsed() / 1e6;
}

} // namespace

double cpuMs() {
    rusage r{};
    ::getrusage(RUSAGE_SELF, &r);
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 +
           (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
}

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const std::string work = argv[1];
    const bool start = std::strcmp(argv[2], "start") == 0;
    const int opens = start ? 0 : std::atoi(argv[2]);
    const std::string flat = work + "/flat", few = work + "/few";
    bench::makeFlatFolder(flat);
    ::mkdir(few.c_str(), 0755);
    for (const char* name : {"/a.txt", "/b.exe", "/c.dat"})
        bench::touch(few + name);
    const QString flatQ = QString::fromStdString(flat), fewQ = QString::fromStdString(few);
    const QString settings = QString::fromStdString(work + "/a11y-settings.INI");
    QFile f(settings);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 2;
    f.write("[FormStyle]\r\nViewerStyle=1\r\nFilterCBox=1\r\noldDirPath=" +
            QFile::encodeName(start ? flatQ : fewQ) + "\r\n");
    f.close();

    ZelmoApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    platform::setSettingsFilePathOverride(settings);
    ui::ScriptedResponder quiet; // no dialog may wait for a click in a benchmark
    TForm1 form;
    form.setWindowState(Qt::WindowNoState);
    form.show();
    form.Files().ListBox1->setFocus();
    if (start) {
        form.Files().ListBox1->viewport()->repaint();
        settle(1500); // the reader meets the new window and its list
        std::printf("accessible %d\nstart %.1f %d\n", QAccessible::isActive() ? 1 : 0, cpuMs(),
                    form.Files().ListBox1->Count());
        return 0;
    }
    settle(1500); // the reader meets the new window
    std::printf("accessible %d\n", QAccessible::isActive() ? 1 : 0);
    for (int i = 0; i < opens; ++i) {
        const double ms = openFolder(form, flatQ);
        std::printf("open %.1f %d\n", ms, form.Files().ListBox1->Count());
        std::fflush(stdout);
        form.Files().ListBox1->SetItemIndex(0); // a reader hears the first file
        settle(300);
        openFolder(form, fewQ);
        settle(300);
    }
    return 0;
}
