// Speed of the LZH library on large archives, in CPU time (user + system), side by side in
// one run: listing and extracting ("x") an archive of 100 000 members (level-2 headers, in
// 100 folders) and one of a single 1 GiB member, through the library's entry points
// (loaded by full path, as the program does), next to `lhasa l` / `lhasa x` and `bsdtar -xf`
// (libarchive-tools) on the same files. Further libraries given on the command line (an
// older build's libunlha32.so) are measured in the same run, so a change can be compared
// with what it replaces. The archives are written once by our own generator under
// /tmp/zelmo32-bench (ZELMO_BENCH_DIR chooses another place); each extraction goes into a
// fresh folder that is removed afterwards, outside the measured time. ZELMO_BENCH_ONLY=many
// or =big measures one of the two archives.
// Usage: bench_lzh_extract [work-dir [other-libunlha32.so ...]]
#include "base/CommandLine.h"
#include "bench/ListingBench.h"
#include "outside/archive/Unlha32.h"
#include "tests/outside/LzhBuilder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMembers = 100000;
constexpr size_t kBigMember = size_t(1) << 30;

bool makeMany(const QString& path) {
    if (QFile::exists(path))
        return true;
    std::vector<lzhtest::Member> members;
    for (int i = 0; i < kMembers; ++i) {
        lzhtest::Member m;
        char folder[32], name[32];
        std::snprintf(folder, sizeof folder, "folder%03d", i / 1000);
        std::snprintf(name, sizeof name, "member-%06d.txt", i);
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

bool makeBig(const QString& path) {
    if (QFile::exists(path))
        return true;
    lzhtest::Member m;
    m.name = "big.bin";
    m.unixTime = 1715000000u;
    m.data.resize(kBigMember);
    uint32_t x = 12345;
    for (size_t i = 0; i < kBigMember; ++i) {
        x = x * 1103515245u + 12345u;
        m.data[i] = char('a' + (x >> 16) % 26);
    }
    const QString part = path + ".part";
    return lzhtest::writeFile(part.toStdString(), lzhtest::archive({m}, 2)) &&
           QFile::rename(part, path);
}

double cpuSeconds(const rusage& r) {
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of a tool run in folder cwd; -1 when it cannot run or fails.
double toolCpu(const std::vector<std::string>& argv, const std::string& cwd) {
    std::fflush(stdout); // the child's output goes elsewhere, not a copy of ours
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0)
            _exit(127);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "r", stdin);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage r{};
    if (pid < 0 || wait4(pid, &status, 0, &r) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return cpuSeconds(r);
}

struct Library {
    std::string path;
    decltype(&UnlhaOpenArchive) open = nullptr;
    decltype(&UnlhaFindFirst) first = nullptr;
    decltype(&UnlhaFindNext) next = nullptr;
    decltype(&UnlhaCloseArchive) close = nullptr;
    decltype(&Unlha) command = nullptr;
};

bool load(Library* l) {
    void* h = dlopen(l->path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        std::fprintf(stderr, "%s\n", dlerror());
        return false;
    }
    l->open = reinterpret_cast<decltype(l->open)>(dlsym(h, "UnlhaOpenArchive"));
    l->first = reinterpret_cast<decltype(l->first)>(dlsym(h, "UnlhaFindFirst"));
    l->next = reinterpret_cast<decltype(l->next)>(dlsym(h, "UnlhaFindNext"));
    l->close = reinterpret_cast<decltype(l->close)>(dlsym(h, "UnlhaCloseArchive"));
    l->command = reinterpret_cast<decltype(l->command)>(dlsym(h, "Unlha"));
    return l->open && l->first && l->next && l->close && l->command;
}

double selfCpu() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return cpuSeconds(r);
}

double listCpu(const Library& l, const std::string& path, int* count) {
    const double start = selfCpu();
    HARC h = l.open(nullptr, path.c_str(), UNLHA_OPEN_MODE);
    ArchiveMemberInfo info;
    int n = 0;
    if (h) {
        for (int rc = l.first(h, "*.*", &info); rc == 0; rc = l.next(h, &info))
            ++n;
        l.close(h);
    }
    *count = n;
    return selfCpu() - start;
}

std::string quoted(const std::string& s) {
    std::string out(zelmo_command_quote(s.data(), s.size(), nullptr, 0) + 1, '\0');
    zelmo_command_quote(s.data(), s.size(), out.data(), out.size());
    out.pop_back();
    return out;
}

double extractCpu(const Library& l, const std::string& path, const std::string& to) {
    char report[256];
    const double start = selfCpu();
    const int rc = l.command(nullptr, ("x " + quoted(path) + " " + quoted(to + "/")).c_str(),
                             report, sizeof report);
    const double cpu = selfCpu() - start;
    return rc == 0 ? cpu : -1;
}

void measure(const std::vector<Library>& libs, const std::string& path, const std::string& work,
             int members) {
    std::printf("%s (%lld bytes, %d members), CPU seconds:\n", path.c_str(),
                static_cast<long long>(QFile(QString::fromStdString(path)).size()), members);
    const bool lhasa = !QStandardPaths::findExecutable(QStringLiteral("lhasa")).isEmpty();
    const bool bsdtar = !QStandardPaths::findExecutable(QStringLiteral("bsdtar")).isEmpty();
    const std::string dir = work + "/extract";
    auto fresh = [&] {
        QDir(QString::fromStdString(dir)).removeRecursively();
        QDir().mkpath(QString::fromStdString(dir));
    };
    const double lhasaList = lhasa ? toolCpu({"lhasa", "l", path}, work) : -1;
    for (const Library& l : libs) {
        int count = 0;
        listCpu(l, path, &count); // warm the page cache
        const double list = listCpu(l, path, &count);
        std::printf("  list  %-40s %7.3f  (%d members) ratio to lhasa l %.2f\n", l.path.c_str(),
                    list, count, lhasaList > 0 ? list / lhasaList : 0.0);
    }
    std::printf("  list  lhasa l %38.3f\n", lhasaList);
    fresh();
    const double lhasaX = lhasa ? toolCpu({"lhasa", "x", path}, dir) : -1;
    fresh();
    const double tarX = bsdtar ? toolCpu({"bsdtar", "-xf", path}, dir) : -1;
    for (const Library& l : libs) {
        fresh();
        const double x = extractCpu(l, path, dir);
        std::printf("  x     %-40s %7.3f  ratio to lhasa x %.2f, to bsdtar -xf %.2f\n",
                    l.path.c_str(), x, lhasaX > 0 ? x / lhasaX : 0.0, tarX > 0 ? x / tarX : 0.0);
    }
    std::printf("  x     lhasa x %38.3f\n  x     bsdtar -xf %35.3f\n", lhasaX, tarX);
    QDir(QString::fromStdString(dir)).removeRecursively();
}

} // namespace

int main(int argc, char** argv) {
    const QString dir = bench::listingBenchDir(argc, argv);
    if (dir.isEmpty())
        return 2;
    std::vector<Library> libs{{UNLHA32_PATH}};
    for (int i = 2; i < argc; ++i)
        libs.push_back({argv[i]});
    for (Library& l : libs)
        if (!load(&l))
            return 2;
    const QString many = dir + "/members-100000.lzh";
    const QString big = dir + "/member-1g.lzh";
    if (!makeMany(many) || !makeBig(big)) {
        std::fprintf(stderr, "cannot make the archives in %s\n", qPrintable(dir));
        return 2;
    }
    const QByteArray only = qgetenv("ZELMO_BENCH_ONLY");
    if (only != "big")
        measure(libs, many.toStdString(), dir.toStdString(), kMembers);
    if (only != "many")
        measure(libs, big.toStdString(), dir.toStdString(), 1);
    return 0;
}
