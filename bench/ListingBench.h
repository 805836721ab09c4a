#pragma once
// What the archive listing benchmarks share: the folder of their test archives, and the
// time a command-line tool takes to list one, next to which our listing is measured.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

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

// One side-by-side run: our listing and the tool's on the same archive, seven times each
// after a warm-up, medians and their ratio printed. 0 when the ratio is within the target
// (or the tool is missing), 1 when it is not or our count is wrong.
struct ListingComparison {
    const char* kind;                           // "LZH"
    int members;                                // what the archive holds
    const char* ours;                           // "libunlha32"
    std::function<double(int* count)> listOurs; // milliseconds, members listed in *count
    const char* tool;                           // "lhasa"
    QStringList toolArguments;                  // before the archive's path
    const char* package;                        // the Debian package with the tool
    const char* toolLines;                      // what the tool's output lines are
    double target;
};

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline int compareListing(const ListingComparison& c, const QString& path) {
    const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(c.tool));
    std::vector<double> ours, theirs;
    int count = 0, lines = 0;
    c.listOurs(&count); // warm the page cache
    for (int i = 0; i < 7; ++i) {
        ours.push_back(c.listOurs(&count));
        if (!tool.isEmpty())
            theirs.push_back(timeTool(tool, c.toolArguments + QStringList{path}, &lines));
    }
    std::printf("%s of %d members (%lld bytes):\n", c.kind, c.members,
                static_cast<long long>(QFile(path).size()));
    std::printf("  %s, open + first/next to the end: %.1f ms (%d members)\n", c.ours, median(ours),
                count);
    if (count != c.members) {
        std::printf("  wrong count\n");
        return 1;
    }
    if (tool.isEmpty()) {
        std::printf("  %s not found (apt-get install %s): no ratio\n", c.tool, c.package);
        return 0;
    }
    const double ratio = median(ours) / median(theirs);
    std::printf("  %s %s: %.1f ms (%d %s)\n", c.tool,
                qPrintable(c.toolArguments.join(QLatin1Char(' '))), median(theirs), lines,
                c.toolLines);
    std::printf("  ratio %.2f (target <= %.1f)\n", ratio, c.target);
    return ratio <= c.target ? 0 : 1;
}

} // namespace bench
