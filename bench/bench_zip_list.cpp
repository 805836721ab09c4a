// Speed of the own ZIP directory reader: listing an archive of 65 535 members (the most
// a plain end record counts), next to `zipinfo -1` on the same file, in one run. The
// archive is made once with Python's zipfile under /tmp/zelmo32-bench (ZELMO_BENCH_DIR
// chooses another place). Usage: bench_zip_list [work-dir]. Exits 1 when the ratio is
// above 1.0.
#include "archive/ZipReader.h"
#include "bench/ListingBench.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kMembers = 65535;

bool makeArchive(const QString& path) {
    if (QFile::exists(path))
        return true;
    const char* script = R"PY(
import sys, zipfile
out = sys.argv[1]
with zipfile.ZipFile(out + '.part', 'w') as z:
    for i in range(int(sys.argv[2])):
        info = zipfile.ZipInfo(f'folder{i // 1000:03}/member-{i:05}.txt', (2024, 5, 6, 7, 8, 10))
        z.writestr(info, b'')
import os
os.replace(out + '.part', out)
)PY";
    QProcess p;
    p.start("python3", {"-c", script, path, QString::number(kMembers)});
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Milliseconds to list every member; the count of members through *count.
double listOurs(const QString& path, int* count) {
    QElapsedTimer t;
    t.start();
    archive::ZipReader r;
    if (!r.open(path))
        return -1;
    ArchiveMemberInfo info;
    int n = 0;
    for (int rc = r.findFirst(&info); rc == 0; rc = r.findNext(&info))
        ++n;
    r.close();
    *count = n;
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const QString dir = bench::listingBenchDir(argc, argv);
    if (dir.isEmpty())
        return 2;
    const QString path = dir + "/members-65535.zip";
    if (!makeArchive(path)) {
        std::fprintf(stderr, "cannot make %s (python3 needed)\n", qPrintable(path));
        return 2;
    }
    return bench::compareListing({"ZIP",
                                  kMembers,
                                  "own reader",
                                  [&](int* count) { return listOurs(path, count); },
                                  "zipinfo",
                                  {"-1"},
                                  "unzip",
                                  "names",
                                  1.0},
                                 path);
}
