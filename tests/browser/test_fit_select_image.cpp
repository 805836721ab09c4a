#include "browser/FitSelectImage.h"

#include <gtest/gtest.h>

TEST(FitSelectImage, KeepsTheAspectRatioInsideTheBox) {
    EXPECT_EQ(FitSelectImage(32, 16, 64), QSize(32, 8)); // 64 wide, 16 high
    EXPECT_EQ(FitSelectImage(32, 64, 16), QSize(8, 32));
    EXPECT_EQ(FitSelectImage(32, 20, 20), QSize(32, 32));
    EXPECT_EQ(FitSelectImage(32, 3, 100), QSize(32, 0)); // integer division, as drawn
    EXPECT_EQ(FitSelectImage(32, 480, 640), QSize(32, 24));
}

TEST(FitSelectImage, NothingWhenAnySizeIsZero) {
    EXPECT_FALSE(FitSelectImage(0, 16, 64));
    EXPECT_FALSE(FitSelectImage(32, 0, 64));
    EXPECT_FALSE(FitSelectImage(32, 16, 0));
}
