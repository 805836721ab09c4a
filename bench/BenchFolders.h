#pragma once
// The test folders of the benchmarks, made once under the work directory and reused.
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace bench {

constexpr int kFlatFiles = 100000;

inline bool exists(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0;
}

inline void touch(const std::string& p) {
    int fd = ::open(p.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
}

// A folder of kFlatFiles empty files with five extensions, in no particular order. The
// mark that it is complete sits beside it, so the folder holds only its files.
inline void makeFlatFolder(const std::string& dir) {
    ::unlink((dir + "/.complete").c_str());
    if (exists(dir + ".complete"))
        return;
    std::printf("creating %d files in %s ...\n", kFlatFiles, dir.c_str());
    ::mkdir(dir.c_str(), 0755);
    static const char* exts[] = {".txt", ".jpg", ".dat", ".exe", ".lzh"};
    char name[64];
    for (int i = 0; i < kFlatFiles; ++i) {
        std::snprintf(name, sizeof name, "/file%06d%s", (i * 7919) % kFlatFiles, exts[i % 5]);
        touch(dir + name);
    }
    touch(dir + ".complete");
}

} // namespace bench
