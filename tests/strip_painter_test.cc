// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/strip_painter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace strandel {
namespace {

// The whole area painted at once, row by row with both neighbours: what
// every strip height must give.
std::vector<unsigned char> painted_at_once(const std::vector<unsigned char>& pixels, int width, int height, int bpp,
                                           const std::vector<double>& centres, pixel_rule rule) {
    const std::array<int, 256> nearest = nearest_classes(centres);
    std::vector<unsigned char> grays(std::size_t(width * height)), out(pixels.size());
    for (int y = 0; y < height; ++y) gray_row(&pixels[std::size_t(y * width * bpp)], width, bpp, &grays[std::size_t(y * width)]);
    std::vector<int> classes(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        const unsigned char* above = y > 0 ? &grays[std::size_t((y - 1) * width)] : nullptr;
        const unsigned char* below = y + 1 < height ? &grays[std::size_t((y + 1) * width)] : nullptr;
        classify_row(centres, nearest, above, &grays[std::size_t(y * width)], below, width, rule, classes.data());
        paint_row(centres, classes.data(), &pixels[std::size_t(y * width * bpp)], width, bpp,
                  &out[std::size_t(y * width * bpp)]);
    }
    return out;
}

TEST(StripPainter, EveryStripHeightPaintsAsTheWholeAreaAtOnce) {
    std::srand(7);
    const std::vector<double> centres = {30.0, 128.0, 220.0};
    for (int bpp : {1, 2, 3, 4}) {
        const int width = 13, height = 17;
        std::vector<unsigned char> pixels(std::size_t(width * height * bpp));
        for (unsigned char& p : pixels) p = static_cast<unsigned char>(std::rand() % 256);
        for (pixel_rule rule : {pixel_rule::pure, pixel_rule::position}) {
            const std::vector<unsigned char> expected = painted_at_once(pixels, width, height, bpp, centres, rule);
            for (int strip : {1, 2, 3, 5, 16, 17, 64}) {
                paint_area area;
                area.width = width;
                area.height = height;
                area.bpp = bpp;
                area.strip = strip;
                std::vector<unsigned char> got(pixels.size(), 0);
                std::vector<int> next_row;
                double last_progress = 0;
                paint_strips(
                    area, centres, rule,
                    [&](int first, int rows, unsigned char* bytes) {
                        ASSERT_GE(first, 0);
                        ASSERT_LE(first + rows, height);
                        std::copy(&pixels[std::size_t(first * width * bpp)],
                                  &pixels[std::size_t(first * width * bpp)] + std::size_t(rows * width * bpp), bytes);
                    },
                    [&](int first, int rows, const unsigned char* bytes) {
                        next_row.push_back(first);
                        std::copy(bytes, bytes + std::size_t(rows * width * bpp), &got[std::size_t(first * width * bpp)]);
                    },
                    [&](double f) { last_progress = f; });
                EXPECT_EQ(got, expected) << "bpp " << bpp << ", strip " << strip;
                EXPECT_EQ(next_row.front(), 0);
                EXPECT_DOUBLE_EQ(last_progress, 1.0);
            }
        }
    }
}

TEST(StripPainter, AnEmptyAreaReadsAndPaintsNothing) {
    paint_area area;
    area.width = 0;
    area.height = 5;
    int calls = 0;
    paint_strips(area, {10.0}, pixel_rule::pure, [&](int, int, unsigned char*) { ++calls; },
                 [&](int, int, const unsigned char*) { ++calls; });
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace strandel
