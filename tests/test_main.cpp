// Shared entry for every test executable: the program's own application object, so
// widget tests run with the same top-level error handling as the program.
#include "app/ZelmoApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ZelmoApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
