// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/pixel_layout.h"
#include "evaluation/pixel_pairs.h"

#include <gtest/gtest.h>

#include <vector>

namespace strandel {
namespace {

TEST(PixelLayout, GrayLevelOfEachPixelSize) {
    const unsigned char gray[] = {7}, gray_alpha[] = {7, 0}, rgb[] = {200, 10, 30}, rgba[] = {0, 0, 255, 0};
    EXPECT_EQ(pixel_gray_level(gray, layout_gray), 7);
    EXPECT_EQ(pixel_gray_level(gray_alpha, layout_gray_alpha), 7);  // alpha is not the gray byte
    EXPECT_EQ(pixel_gray_level(rgb, layout_rgb), 30);                // the third byte
    EXPECT_EQ(pixel_gray_level(rgba, layout_rgba), 255);             // transparent, still counted
}

// Four pixels in every layout: gray levels 1, 2, 2 and 250, the other
// channels filled with values that would show up if they were read.
std::vector<unsigned char> four_pixels(int bpp) {
    const unsigned char levels[] = {1, 2, 2, 250};
    std::vector<unsigned char> bytes;
    for (unsigned char level : levels) {
        if (bpp >= 3) bytes.insert(bytes.end(), {99, 98});
        bytes.push_back(level);
        if (bpp % 2 == 0) bytes.push_back(level == 2 ? 0 : 255);  // alpha
    }
    return bytes;
}

TEST(PixelLayout, HistogramCountsEveryPixelOnceInEveryLayout) {
    for (int bpp = 1; bpp <= 4; ++bpp) {
        SCOPED_TRACE(bpp);
        const std::vector<unsigned char> bytes = four_pixels(bpp);
        histogram h;
        clear_histogram(h);
        h[2] = 10;  // spans add up: earlier counts stay
        add_pixels_to_histogram(bytes.data(), 4, bpp, h);
        EXPECT_EQ(h[1], 1);
        EXPECT_EQ(h[2], 12);
        EXPECT_EQ(h[250], 1);
        EXPECT_EQ(total_pixels(h), 14);
    }
}

TEST(PixelLayout, PairsJoinTheImageGrayLevelWithTheManualFirstByte) {
    const std::vector<unsigned char> image = four_pixels(layout_rgba);
    // A gray-with-alpha manual segmentation: labels 9, 9, 8, 9, alpha varying.
    const unsigned char manual[] = {9, 0, 9, 255, 8, 17, 9, 3};
    histogram h;
    clear_histogram(h);
    gray_label_counts pairs;
    add_pixel_pairs(image.data(), layout_rgba, manual, layout_gray_alpha, 4, h, pairs);
    EXPECT_EQ(h[1], 1);
    EXPECT_EQ(h[2], 2);
    EXPECT_EQ(h[250], 1);
    EXPECT_EQ(pairs.at(1, 9), 1u);
    EXPECT_EQ(pairs.at(2, 9), 1u);
    EXPECT_EQ(pairs.at(2, 8), 1u);
    EXPECT_EQ(pairs.at(250, 9), 1u);
    EXPECT_EQ(pairs.label_pixels(9), 3u);
    EXPECT_EQ(pairs.label_pixels(0), 0u);  // an alpha byte is never a label
    EXPECT_EQ(pairs.gray_pixels(2), 2u);
}

}  // namespace
}  // namespace strandel
