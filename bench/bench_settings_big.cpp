// A settings file of 100 MB next to one of 10 kB, in one run:
// - the whole program's start on it (bench_startup's child: TForm1 created and shown until
//   its file list has painted, with every settings read and the start's one write), and the
//   start's reading alone (the launcher's 154 entries and the form's keys);
// - one settings write on the version last read (one whole-file write and sync, no parse),
//   next to the floor of that write: the same bytes written, synced and renamed over the
//   file by plain calls; and a write by another program's accessor, which reads the file
//   first (a child process).
// Ratios: the 100 MB file's figures against the 10 kB one's, the write against the floor.
//
// Usage: bench_settings_big [work-dir] (default: a temporary folder). Without a display the
// program's start runs on the offscreen platform.
#include "core/SettingsFile.h"
#include "launcher/EntryTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

QString makeSettingsFile(const QString& folder, qint64 targetBytes, const QString& listed) {
    const QString path = folder + QStringLiteral("/zelmo32-%1.INI").arg(targetBytes);
    QByteArray text = "[FormStyle]\nViewerStyle=1\nZoomInOut=100\nFilterCBox=1\noldDirPath=" +
                      QFile::encodeName(listed) + "\n";
    int filler = 0;
    while (text.size() < targetBytes - 12000) {
        text += "\n[Other" + QByteArray::number(filler++) + "]\n";
        for (int i = 0; i < 20; ++i)
            text += "Key" + QByteArray::number(i) + "=/home/someone/some/longer/path/value" +
                    QByteArray::number(i) + "\n";
    }
    for (int p = 1; p <= 11; ++p) {
        text += "\n[Page" + QByteArray::number(p) + "]\n";
        for (int k = 0; k < 14; ++k)
            text += "BPFileName" + QByteArray::number(k) +
                    "=/home/someone/プログラム/ツール/program" + QByteArray::number(k) + ".sh\n";
    }
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
    return path;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The floor of a write: the whole file's bytes to a new file, synced, renamed over a copy of
// it (not over the file itself, which would make the next write read it again).
double floorWriteMs(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = f.readAll();
    const QByteArray tmp = QFile::encodeName(path) + ".floor";
    QElapsedTimer t;
    t.start();
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok = fd >= 0 &&
                    ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size() &&
                    ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (ok)
        ::rename(tmp.constData(), (QFile::encodeName(path) + ".floor-copy").constData());
    return t.nsecsElapsed() / 1e6;
}

// The whole program's start on the settings file, in ms from its entry to the painted list.
double programStartMs(const QString& settings, const QString& folder) {
    QProcess child;
    child.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_startup"),
                {QStringLiteral("--child"), settings, folder});
    QByteArray line;
    while (!line.contains('\n') && child.waitForReadyRead(120000))
        line += child.readAllStandardOutput();
    child.waitForFinished(60000);
    int count = 0, listings = 0;
    long stats = 0;
    double ms = -1;
    if (std::sscanf(line.constData(), "painted %d %lf %d %ld", &count, &ms, &listings, &stats) != 4)
        std::printf("the program did not report its paint: %s\n", line.constData());
    return ms;
}

struct Figures {
    double programMs, readMs, writeMs, floorMs, otherMs;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString work = argc > 1 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    const QString listed = work + QStringLiteral("/listed");
    QDir().mkpath(listed);
    QFile(listed + QStringLiteral("/a.txt")).open(QIODevice::WriteOnly);
    std::vector<Figures> figures;
    std::printf("settings file      program start ms  reading ms   write ms   floor ms  "
                "write/floor  other program's write ms\n");
    for (const qint64 size : {qint64(10) << 10, qint64(100) << 20}) {
        const QString path = makeSettingsFile(work, size, listed);
        std::vector<double> starts;
        for (int i = 0; i < 3; ++i)
            starts.push_back(programStartMs(path, listed));
        QElapsedTimer t;
        t.start();
        SettingsFile ini(path);
        EntryTable table;
        table.LoadAll(ini);
        const int viewer = ini.ReadInteger("FormStyle", "ViewerStyle", 0);
        const double readMs = t.nsecsElapsed() / 1e6;
        std::vector<double> writes, floors;
        for (int i = 0; i < 3; ++i) {
            t.restart();
            ini.WriteInteger("FormStyle", "ZoomInOut", 100 + i);
            writes.push_back(t.nsecsElapsed() / 1e6);
            floors.push_back(floorWriteMs(path));
        }
        // Another program's write: it reads and parses the file first.
        t.restart();
        const pid_t other = ::fork();
        if (other == 0) {
            SettingsFile(path).WriteInteger("FormStyle", "ViewerStyle", viewer);
            ::_exit(0);
        }
        ::waitpid(other, nullptr, 0);
        const Figures f{median(starts), readMs, median(writes), median(floors),
                        t.nsecsElapsed() / 1e6};
        figures.push_back(f);
        std::printf("%10lld bytes   %14.1f  %10.1f  %9.1f  %9.1f  %11.2f  %24.1f\n",
                    static_cast<long long>(QFile(path).size()), f.programMs, f.readMs, f.writeMs,
                    f.floorMs, f.writeMs / f.floorMs, f.otherMs);
        QFile::remove(path);
        QFile::remove(path + QStringLiteral(".floor-copy"));
    }
    const Figures &small = figures[0], &big = figures[1];
    std::printf("100 MB against 10 kB: program start %.1fx, reading %.0fx, write %.0fx\n",
                big.programMs / small.programMs, big.readMs / small.readMs,
                big.writeMs / small.writeMs);
    return 0;
}
