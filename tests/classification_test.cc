// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "evaluation/classification.h"

namespace strandel {
namespace {

TEST(Classification, PresentGrayLevelsGoToTheNearestCentreLowestIndexOnTies) {
    histogram h;
    clear_histogram(h);
    h[10] = 3;
    h[200] = 1;
    class_map map{{5, 1}, {7, 2}};  // earlier content is discarded
    classify(h, {0, 255}, &map);
    EXPECT_EQ(map, (class_map{{0, 10}, {1, 200}}));
    classify(h, {100, 100}, &map);
    EXPECT_EQ(map, (class_map{{0, 10}, {0, 200}}));
    classify(h, {}, &map);
    EXPECT_TRUE(map.empty());

    EXPECT_EQ(pixel_class({50, 150}, 100), 0);
    EXPECT_EQ(pixel_class({200, 10}, 20), 1);
    EXPECT_EQ(pixel_class({200, 10}, 180), 0);
}

TEST(Classification, DiameterAndDissimilarity) {
    const class_map map{{0, 42}, {1, 40}, {1, 41}, {1, 90}, {2, 10}, {2, 20}, {3, 25}, {3, 90}};
    EXPECT_EQ(class_diameter(map, 0), 0);
    EXPECT_EQ(class_diameter(map, 1), 50);
    EXPECT_EQ(class_diameter(map, 9), 0);
    EXPECT_EQ(class_dissimilarity(map, 2, 3), 5);
    EXPECT_EQ(class_dissimilarity(map, 3, 2), 5);
    EXPECT_EQ(class_dissimilarity(map, 2, 2), 0);
    EXPECT_EQ(class_dissimilarity(map, 2, 9), 0);
}

}  // namespace
}  // namespace strandel

namespace strandel {
namespace {

// The closest-pair walk against the plain comparison of every pair, on
// random partitions of random gray-level sets.
TEST(ClassGeometry, DissimilarityEqualsTheClosestOfAllPairs) {
    std::srand(7);
    for (int round = 0; round < 300; ++round) {
        class_map map;
        for (int g = 0; g < 256; ++g)
            if (std::rand() % 4 == 0) map.emplace(std::rand() % 4, static_cast<unsigned char>(g));
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b) {
                auto ra = map.equal_range(a);
                auto rb = map.equal_range(b);
                int expected = 0;
                if (ra.first != ra.second && rb.first != rb.second) {
                    expected = 1000;
                    for (auto i = ra.first; i != ra.second; ++i)
                        for (auto j = rb.first; j != rb.second; ++j)
                            expected = std::min(expected, std::abs(int(i->second) - int(j->second)));
                }
                ASSERT_EQ(class_dissimilarity(map, a, b), expected) << "round " << round;
            }
    }
}

}  // namespace
}  // namespace strandel
