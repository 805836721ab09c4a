#pragma once
// Temporary trees, the test archives (made once per run by make_archives.py) and a look at
// every path below a folder, for the archive library tests.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace outsidetest {

inline int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

// A fresh folder below the run's temporary folder, removed byte by byte afterwards.
class TempTree {
public:
    TempTree() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/outside-XXXXXX";
        if (::mkdtemp(pattern.data()))
            root_ = pattern;
    }
    ~TempTree() {
        if (!root_.empty())
            ::nftw(root_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;
    const std::string& root() const { return root_; }
    std::string mkdir(const std::string& name) const {
        std::string p = root_ + "/" + name;
        ::mkdir(p.c_str(), 0755);
        return p;
    }

private:
    std::string root_;
};

// The folder holding the test archives, made on first use.
inline const std::string& Archives() {
    static TempTree tree;
    static const std::string dir = [] {
        std::string d = tree.root() + "/archives";
        std::string command = std::string("python3 '") + ZELMO_MAKE_ARCHIVES + "' '" + d + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return d;
    }();
    return dir;
}
inline std::string Archive(const std::string& name) {
    return Archives() + "/" + name;
}

inline std::vector<std::string>* gListing = nullptr;
inline size_t gListingBase = 0;
inline int listEntry(const char* path, const struct stat* st, int, struct FTW*) {
    std::string p(path);
    if (p.size() > gListingBase) {
        std::string rel = p.substr(gListingBase + 1);
        if (S_ISLNK(st->st_mode))
            rel += " -> link";
        else if (S_ISDIR(st->st_mode))
            rel += "/";
        else if (!S_ISREG(st->st_mode))
            rel += " (special)";
        gListing->push_back(rel);
    }
    return 0;
}

// Every path below root, relative, sorted; folders end in "/", links and special files
// are marked.
inline std::vector<std::string> Listing(const std::string& root) {
    std::vector<std::string> out;
    gListing = &out;
    gListingBase = root.size();
    ::nftw(root.c_str(), listEntry, 16, FTW_PHYS);
    gListing = nullptr;
    std::sort(out.begin(), out.end());
    return out;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

inline bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace outsidetest
