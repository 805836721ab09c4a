// Shared entry for every test executable: the program's own application object, so
// widget tests run with the same top-level error handling as the program.
#include "app/ZelmoApplication.h"

#include <cstdlib>
#include <ftw.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

// Tests make files whose names are not UTF-8 (Shift-JIS names), which Qt's recursive
// removal cannot reach. Every temporary folder of a run lives below a folder of its own,
// removed here byte by byte when the run ends, so nothing is left in /tmp.
class RunTempFolder {
public:
    RunTempFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/zelmo32-tests-XXXXXX";
        if (::mkdtemp(pattern.data())) {
            path_ = pattern;
            // Some tests look at folders as an ordinary user would: let them in.
            ::chmod(path_.c_str(), 0755);
            ::setenv("TMPDIR", path_.c_str(), 1);
        }
    }
    ~RunTempFolder() {
        if (!path_.empty()) {
            ::chmod(path_.c_str(), 0700);
            ::nftw(path_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
        }
    }

private:
    std::string path_;
};

} // namespace

int main(int argc, char** argv) {
    RunTempFolder temp;
    int result;
    {
        ZelmoApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
