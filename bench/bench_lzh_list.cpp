// Speed of the LZH library's member walk: listing an archive of 10 000 members through the
// library's entry points (loaded by full path, as the program does), next to `lhasa l` on
// the same file, in one run. The archive (level-2 headers, stored members in 10 folders) is
// written once by our own generator under /tmp/zelmo32-bench (ZELMO_BENCH_DIR chooses
// another place). Usage: bench_lzh_list [work-dir]. Exits 1 when the ratio is above 1.5.
#include "bench/ListingBench.h"
#include "outside/archive/Unlha32.h"
#include "tests/outside/LzhBuilder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <vector>

namespace {

constexpr int kMembers = 10000;

bool makeArchive(const QString& path) {
    if (QFile::exists(path))
        return true;
    std::vector<lzhtest::Member> members;
    for (int i = 0; i < kMembers; ++i) {
        lzhtest::Member m;
        char folder[32], name[32];
        std::snprintf(folder, sizeof folder, "folder%03d", i / 1000);
        std::snprintf(name, sizeof name, "member-%05d.txt", i);
        m.folder = folder;
        m.name = name;
        m.data = "content of " + std::string(name) + "\n";
        m.unixTime = 1715000000u + unsigned(i);
        members.push_back(m);
    }
    const QString part = path + ".part";
    return lzhtest::writeFile(part.toStdString(), lzhtest::archive(members, 2)) &&
           QFile::rename(part, path);
}

struct Walk {
    decltype(&UnlhaOpenArchive) open;
    decltype(&UnlhaFindFirst) first;
    decltype(&UnlhaFindNext) next;
    decltype(&UnlhaCloseArchive) close;
};

// Milliseconds to list every member; the count of members through *count.
double listOurs(const Walk& w, const QString& path, int* count) {
    QElapsedTimer t;
    t.start();
    HARC h = w.open(nullptr, QFile::encodeName(path).constData(), UNLHA_OPEN_MODE);
    if (!h)
        return -1;
    ArchiveMemberInfo info;
    int n = 0;
    for (int rc = w.first(h, "*.*", &info); rc == 0; rc = w.next(h, &info))
        ++n;
    w.close(h);
    *count = n;
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const QString dir = bench::listingBenchDir(argc, argv);
    if (dir.isEmpty())
        return 2;
    const QString path = dir + "/members-10000.lzh";
    if (!makeArchive(path)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(path));
        return 2;
    }
    void* lib = dlopen(UNLHA32_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    const Walk w{reinterpret_cast<decltype(&UnlhaOpenArchive)>(dlsym(lib, "UnlhaOpenArchive")),
                 reinterpret_cast<decltype(&UnlhaFindFirst)>(dlsym(lib, "UnlhaFindFirst")),
                 reinterpret_cast<decltype(&UnlhaFindNext)>(dlsym(lib, "UnlhaFindNext")),
                 reinterpret_cast<decltype(&UnlhaCloseArchive)>(dlsym(lib, "UnlhaCloseArchive"))};
    return bench::compareListing({"LZH",
                                  kMembers,
                                  "libunlha32",
                                  [&](int* count) { return listOurs(w, path, count); },
                                  "lhasa",
                                  {"l"},
                                  "lhasa",
                                  "lines",
                                  1.5},
                                 path);
}
