#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "evaluation/classification.h"

namespace strandel {
namespace {

histogram make_histogram(std::initializer_list<std::pair<int, int>> gray_counts) {
    histogram h;
    clear_histogram(h);
    for (const auto& gc : gray_counts) h[gc.first] = gc.second;
    return h;
}

TEST(Classification, PresentGrayLevelsGoToTheirNearestCentre) {
    const histogram h = make_histogram({{10, 3}, {200, 1}});
    class_map map;
    classify(h, {0, 255}, &map);
    const class_map expected{{0, 10}, {1, 200}};
    EXPECT_EQ(map, expected);
}

TEST(Classification, TiesGoToTheLowestIndex) {
    EXPECT_EQ(pixel_class({50, 150}, 100), 0);
    const histogram h = make_histogram({{0, 1}, {100, 1}, {255, 1}});
    class_map map;
    classify(h, {100, 100}, &map);
    EXPECT_EQ(map.count(0), 3u);
    EXPECT_EQ(map.count(1), 0u);
}

TEST(Classification, UnsortedCentresKeepTheirIndices) {
    EXPECT_EQ(pixel_class({200, 10}, 20), 1);
    EXPECT_EQ(pixel_class({200, 10}, 180), 0);
}

TEST(Classification, ReclassifyingDiscardsEarlierEntriesAndEmptyCentresGiveNothing) {
    class_map map{{5, 1}, {7, 2}};
    classify(make_histogram({{30, 4}}), {0}, &map);
    const class_map expected{{0, 30}};
    EXPECT_EQ(map, expected);
    classify(make_histogram({{30, 4}}), {}, &map);
    EXPECT_TRUE(map.empty());
}

TEST(ClassGeometry, DiameterIsTheSpanOfAClass) {
    const class_map map{{0, 42}, {1, 40}, {1, 41}, {1, 90}};
    EXPECT_EQ(class_diameter(map, 0), 0);
    EXPECT_EQ(class_diameter(map, 1), 50);
    EXPECT_EQ(class_diameter(map, 2), 0);
}

TEST(ClassGeometry, DissimilarityIsTheClosestPair) {
    const class_map map{{0, 10}, {0, 20}, {1, 25}, {1, 90}};
    EXPECT_EQ(class_dissimilarity(map, 0, 1), 5);
    EXPECT_EQ(class_dissimilarity(map, 1, 0), 5);
    EXPECT_EQ(class_dissimilarity(map, 0, 0), 0);
    EXPECT_EQ(class_dissimilarity(map, 0, 2), 0);
}

}  // namespace
}  // namespace strandel
