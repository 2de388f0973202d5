// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "evaluation/turi.h"

namespace strandel {
namespace {

std::vector<cluster> table(std::initializer_list<std::pair<int, int>> gray_counts, int class_index = 0) {
    std::vector<cluster> clusters(256);
    for (const auto& gc : gray_counts) clusters[gc.first] = {gc.second, class_index};
    return clusters;
}

double turi(std::vector<bool> mask, std::vector<double> centroids, std::vector<cluster>& clusters) {
    return fitness_turi(mask, centroids, clusters);
}

double registered(std::initializer_list<std::pair<int, int>> gray_counts, const std::vector<double>& centres) {
    histogram h;
    clear_histogram(h);
    for (const auto& gc : gray_counts) h[gc.first] = gc.second;
    class_map map;
    classify(h, centres, &map);
    return turi_fitness()(h, centres, map);
}

TEST(Turi, CompactnessOverSeparation) {
    auto clusters = table({{40, 100}, {160, 100}});
    EXPECT_DOUBLE_EQ(turi({true, true}, {50, 150}, clusters), 0.5);
    EXPECT_EQ(clusters[40].class_index, 0);
    EXPECT_EQ(clusters[160].class_index, 1);
    EXPECT_EQ(clusters[3].class_index, 256);
    EXPECT_DOUBLE_EQ(registered({{40, 100}, {160, 100}}, {50, 150}), 2);
    // Pixel-weighted: (10 x 300 + 30 x 100) / 400 = 15.
    clusters = table({{40, 300}, {180, 100}});
    EXPECT_DOUBLE_EQ(turi({true, true}, {50, 150}, clusters), 5 * 15.0 / 100);
    // Ties keep the lower index.
    clusters = table({{100, 1}}, 1);
    turi({true, true}, {50, 150}, clusters);
    EXPECT_EQ(clusters[100].class_index, 0);
}

TEST(Turi, ExtremeValues) {
    auto clusters = table({{0, 5}, {255, 5}});
    EXPECT_EQ(turi({true, true}, {0, 255}, clusters), 0);
    EXPECT_TRUE(std::isinf(registered({{0, 5}, {255, 5}}, {0, 255})));
    clusters = table({{40, 1}});
    EXPECT_TRUE(std::isinf(turi({true, true}, {60, 60}, clusters)));
    std::vector<cluster> no_pixels(256);
    EXPECT_TRUE(std::isnan(turi({true}, {10}, no_pixels)));
}

TEST(Turi, OnlyActiveCentroidsTakePart) {
    auto clusters = table({{20, 1}, {100, 1}});
    EXPECT_DOUBLE_EQ(turi({true, false, false}, {10, 100, 12}, clusters), 5 * 50.0 / 255);
    EXPECT_EQ(clusters[100].class_index, 0);
    EXPECT_DOUBLE_EQ(turi({true, true, false}, {10, 100, 12}, clusters), 5 * 5.0 / 90);
}

TEST(Turi, NoActiveCentroidIsTheWorstValue) {
    auto clusters = table({{40, 1}, {160, 1}}, 1);
    EXPECT_TRUE(std::isinf(turi({false, false}, {50, 150}, clusters)));
    EXPECT_EQ(clusters[40].class_index, 1);
    EXPECT_TRUE(std::isinf(turi({}, {}, clusters)));
    EXPECT_EQ(registered({{40, 1}}, {}), 0);
}

TEST(Turi, FarGrayLevelKeepsAnActiveClassOrJoinsTheNearestActiveOne) {
    // Gray level 0 is 255 from the only active centroid: an active class it
    // arrives with stays; an inactive or impossible one is replaced.
    for (int arriving : {1, 0, 2, 256, -1}) {
        auto clusters = table({{0, 2}}, arriving);
        EXPECT_DOUBLE_EQ(turi({false, true}, {0, 255}, clusters), 5.0) << arriving;
        EXPECT_EQ(clusters[0].class_index, 1) << arriving;
    }
}

}  // namespace
}  // namespace strandel
