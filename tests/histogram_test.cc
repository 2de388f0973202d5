// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "framework/histogram.h"

namespace strandel {
namespace {

TEST(Histogram, RgbToGrayTakesTheThirdByte) {
    EXPECT_EQ(rgb_to_gray(200, 10, 30), 30);
    EXPECT_EQ(rgb_to_gray(0, 0, 255), 255);
    EXPECT_EQ(rgb_to_gray(255, 255, 0), 0);
}

TEST(Histogram, IndexWritesThroughAndCopiesAreIndependent) {
    histogram h;
    clear_histogram(h);
    h[17] = 5;
    EXPECT_EQ(*(h.begin() + 17), 5);
    histogram copy = h;
    copy[17] = 9;
    EXPECT_EQ(h[17], 5);
    EXPECT_EQ(total_pixels(copy), 9);
    EXPECT_EQ(h.end() - h.begin(), 256);
}

}  // namespace
}  // namespace strandel
