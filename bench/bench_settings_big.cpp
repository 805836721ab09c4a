// A settings file of 100 MB next to one of 10 kB: the start (the launcher's 154 entries and
// the form's keys read through one accessor, the file parsed once) and one settings write
// on the version last read (one whole-file write and sync, no parse), next to the floor of
// that write: the same bytes written, synced and renamed over the file by plain calls.
// Also a write by a fresh accessor, which reads and parses the file first.
//
// Usage: bench_settings_big [work-dir] (default: a temporary folder).
#include "core/SettingsFile.h"
#include "launcher/EntryTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

QString makeSettingsFile(const QString& folder, qint64 targetBytes) {
    const QString path = folder + QStringLiteral("/zelmo32-%1.INI").arg(targetBytes);
    QByteArray text = "[FormStyle]\nViewerStyle=1\nZoomInOut=100\n";
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

// The floor of a write: the whole file's bytes to a new file, synced, renamed over it.
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
        ::rename(tmp.constData(), QFile::encodeName(path).constData());
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir tmp;
    const QString work = argc > 1 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    std::printf(
        "settings file          start ms   write ms   floor ms   write/floor   fresh write ms\n");
    for (const qint64 size : {qint64(10) << 10, qint64(100) << 20}) {
        const QString path = makeSettingsFile(work, size);
        QElapsedTimer t;
        t.start();
        SettingsFile ini(path);
        EntryTable table;
        table.LoadAll(ini);
        const int viewer = ini.ReadInteger("FormStyle", "ViewerStyle", 0);
        const double startMs = t.nsecsElapsed() / 1e6;
        std::vector<double> writes, floors;
        for (int i = 0; i < 3; ++i) {
            t.restart();
            ini.WriteInteger("FormStyle", "ZoomInOut", 100 + i);
            writes.push_back(t.nsecsElapsed() / 1e6);
            floors.push_back(floorWriteMs(path));
        }
        t.restart();
        SettingsFile(path).WriteInteger("FormStyle", "ViewerStyle", viewer);
        const double freshMs = t.nsecsElapsed() / 1e6;
        std::printf("%10lld bytes   %9.1f  %9.1f  %9.1f  %12.2f  %15.1f\n",
                    static_cast<long long>(QFile(path).size()), startMs, median(writes),
                    median(floors), median(writes) / median(floors), freshMs);
        QFile::remove(path);
    }
    return 0;
}
