#pragma once
// What the archive listing benchmarks share: the folder of their test archives, and the
// time a command-line tool takes to list one, next to which our listing is measured.
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace bench {

// The first argument, else $ZELMO_BENCH_DIR, else /tmp/zelmo32-bench; made when missing.
// Empty when it cannot be made.
inline QString listingBenchDir(int argc, char** argv) {
    QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1])
                           : QString::fromLocal8Bit(qgetenv("ZELMO_BENCH_DIR"));
    if (dir.isEmpty())
        dir = QStringLiteral("/tmp/zelmo32-bench");
    return QDir().mkpath(dir) ? dir : QString();
}

// Milliseconds the tool takes with these arguments, its output's line count in *lines;
// -1 when it does not finish.
inline double timeTool(const QString& tool, const QStringList& arguments, int* lines) {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(600000))
        return -1;
    const QByteArray out = p.readAllStandardOutput();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    *lines = int(out.count('\n'));
    return ms;
}

} // namespace bench
