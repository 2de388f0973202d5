// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "evaluation/class_colors.h"
#include "evaluation/segmentation_rows.h"

namespace strandel {
namespace {

unsigned hex(const rgb& c) { return unsigned(c.r) << 16 | unsigned(c.g) << 8 | c.b; }

TEST(ClassColors, EveryEntryIsItsHueScaledByItsLevel) {
    EXPECT_EQ(hex(colors[0]), 0xFF0000u);
    EXPECT_EQ(hex(colors[1]), 0x00FF00u);
    EXPECT_EQ(hex(colors[2]), 0x0000FFu);
    EXPECT_EQ(hex(colors[3]), 0xFFFF00u);
    EXPECT_EQ(hex(colors[17]), 0xBF0000u);
    EXPECT_EQ(hex(colors[22]), 0xBF6000u);
    EXPECT_EQ(hex(colors[255]), 0xEF0000u);
    // The half-intensity component at the two levels that round halves down.
    EXPECT_EQ(colors[4 * 17 + 5].g, 0x0F);  // 0x1F / 2 = 15.5
    EXPECT_EQ(colors[8 * 17 + 5].g, 0x07);  // 0x0F / 2 = 7.5
    EXPECT_EQ(colors[2 * 17 + 5].g, 0x40);  // 0x7F / 2 = 63.5 rounds up

    const unsigned hues[17] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF8000,
                               0xFF00EE, 0x00FF80, 0x0080FF, 0xFF4000, 0xFFBF00, 0xBFFF00,
                               0x40FF00, 0x00BFFF, 0x9000FF, 0xFF006F, 0x80FF00};
    const unsigned levels[16] = {0xFF, 0xBF, 0x7F, 0x3F, 0x1F, 0x5F, 0x9F, 0xDF,
                                 0x0F, 0x2F, 0x4F, 0x6F, 0x8F, 0xAF, 0xD4, 0xEF};
    for (int i = 0; i < 256; ++i) {
        const unsigned level = levels[i / 17];
        const bool halves_down = level == 0x1F || level == 0x0F;
        for (int shift : {16, 8, 0}) {
            const unsigned base = hues[i % 17] >> shift & 0xFF;
            const double exact = (base == 0x80 ? 127.5 : base) * level / 255.0;
            const bool half = std::fabs(exact - std::floor(exact) - 0.5) < 1e-9;
            const unsigned expected = unsigned(half && halves_down ? std::floor(exact) : std::floor(exact + 0.5));
            EXPECT_EQ(hex(colors[i]) >> shift & 0xFF, expected) << "entry " << i << " shift " << shift;
        }
    }
    EXPECT_EQ(&class_color(256 + 22), &colors[22]);
    EXPECT_EQ(&class_color(511), &colors[255]);
}

TEST(SegmentationRows, PureRuleTakesTheNearestCentre) {
    const std::vector<double> centres{200, 10, 100};
    const auto nearest = nearest_classes(centres);
    EXPECT_EQ(nearest[0], 1);
    EXPECT_EQ(nearest[55], 1);   // 45 against 45: the lower index
    EXPECT_EQ(nearest[150], 0);  // tie between 2 and 0
    EXPECT_EQ(nearest[255], 0);
    const unsigned char row[4] = {0, 60, 140, 250};
    int classes[4];
    classify_row(centres, nearest, nullptr, row, nullptr, 4, pixel_rule::pure, classes);
    EXPECT_EQ(std::vector<int>(classes, classes + 4), (std::vector<int>{1, 2, 2, 0}));
    EXPECT_EQ(nearest_classes({})[77], 0);
}

TEST(SegmentationRows, PositionRuleWeighsDistanceByNeighbourVotes) {
    const std::vector<double> centres{0, 255};
    const auto nearest = nearest_classes(centres);
    const unsigned char above[3] = {250, 250, 250}, row[3] = {250, 100, 250}, below[3] = {250, 250, 250};
    int classes[3];
    // Inside: class 0 has 1 vote (100 / 1), class 1 eight (155 / 8).
    classify_row(centres, nearest, above, row, below, 3, pixel_rule::position, classes);
    EXPECT_EQ(classes[1], 1);
    classify_row(centres, nearest, above, row, below, 3, pixel_rule::pure, classes);
    EXPECT_EQ(classes[1], 0);

    // At the area's corner only four positions vote: (100, 250, 250, 250)
    // gives 100 / 1 against 155 / 3.
    const unsigned char corner_row[2] = {100, 250}, corner_below[2] = {250, 250};
    classify_row(centres, nearest, nullptr, corner_row, corner_below, 2, pixel_rule::position, classes);
    EXPECT_EQ(classes[0], 1);
    // A lone pixel votes for itself only: its own nearest class.
    const unsigned char lone[1] = {100};
    classify_row(centres, nearest, nullptr, lone, nullptr, 1, pixel_rule::position, classes);
    EXPECT_EQ(classes[0], 0);

    // Equal scores, 85 / 1 against 170 / 2: the lower class index, whichever
    // side the votes come from.
    const unsigned char tie_row[3] = {200, 85, 200};
    classify_row(centres, nearest, nullptr, tie_row, nullptr, 3, pixel_rule::position, classes);
    EXPECT_EQ(classes[1], 0);
    const std::vector<double> swapped{255, 0};
    classify_row(swapped, nearest_classes(swapped), nullptr, tie_row, nullptr, 3, pixel_rule::position, classes);
    EXPECT_EQ(classes[1], 0);
}

TEST(SegmentationRows, PaintShowsTheClassAsGrayOrColourAndKeepsGrayAlpha) {
    const std::vector<double> centres{30.9, 200.2};
    const int classes[2] = {1, 0};
    const unsigned char gray[2] = {1, 2};
    unsigned char out[8];
    paint_row(centres, classes, gray, 2, 1, out);
    EXPECT_EQ(out[0], 200);
    EXPECT_EQ(out[1], 30);

    const unsigned char gray_alpha[4] = {1, 77, 2, 0};
    paint_row(centres, classes, gray_alpha, 2, 2, out);
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{200, 77, 30, 0}));

    const unsigned char rgba[8] = {1, 1, 1, 10, 2, 2, 2, 20};
    paint_row(centres, classes, rgba, 2, 4, out);
    EXPECT_EQ(std::vector<int>(out, out + 8), (std::vector<int>{0, 255, 0, 255, 255, 0, 0, 255}));

    const int far_classes[1] = {256 + 2};
    const std::vector<double> many(259, 0.0);
    paint_row(many, far_classes, rgba, 1, 3, out);
    EXPECT_EQ(std::vector<int>(out, out + 3), (std::vector<int>{0, 0, 255}));

    // No class at all: the pixels stay as they are.
    paint_row({}, classes, rgba, 2, 4, out);
    EXPECT_EQ(std::vector<int>(out, out + 8), std::vector<int>(rgba, rgba + 8));
}

TEST(SegmentationRows, GrayOfAPixelFollowsTheHistogramsRule) {
    const unsigned char rgb_pixels[6] = {10, 20, 30, 40, 50, 60};
    unsigned char grays[3];
    gray_row(rgb_pixels, 2, 3, grays);
    EXPECT_EQ(grays[0], 30);  // colour is segmented on its third channel
    EXPECT_EQ(grays[1], 60);
    gray_row(rgb_pixels, 3, 2, grays);
    EXPECT_EQ(grays[0], 10);  // gray with alpha: the gray byte
    EXPECT_EQ(grays[1], 30);
    EXPECT_EQ(grays[2], 50);
}

}  // namespace
}  // namespace strandel
