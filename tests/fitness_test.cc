#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>

#include "evaluation/fitness_function.h"

namespace strandel {
namespace {

histogram make_histogram(std::initializer_list<std::pair<int, int>> gray_counts) {
    histogram h;
    clear_histogram(h);
    for (const auto& gc : gray_counts) h[gc.first] = gc.second;
    return h;
}

struct evaluated {
    double dunn, amrane, liu_yang;
};

evaluated evaluate(const histogram& h, const std::vector<double>& centres) {
    class_map map;
    classify(h, centres, &map);
    return {dunn_fitness()(h, centres, map), amrane_fitness()(h, centres, map),
            liu_yang_fitness()(h, centres, map)};
}

TEST(Fitness, LabelsAndWeights) {
    EXPECT_STREQ(dunn_fitness().label(), "Dunn Index");
    EXPECT_STREQ(amrane_fitness().label(), "Amrane (2005)");
    EXPECT_STREQ(liu_yang_fitness().label(), "Liu & Yang (inverted)");
    EXPECT_EQ(w1, 0.5);
    EXPECT_EQ(w2, 0.5);
}

TEST(Fitness, TwoWellSeparatedClasses) {
    const histogram h = make_histogram({{40, 100}, {60, 100}, {190, 100}, {210, 100}});
    const std::vector<double> centres{50, 200};
    EXPECT_DOUBLE_EQ(max_intra_distance(centres, h), 10);
    EXPECT_DOUBLE_EQ(min_inter_distance(centres), 150);
    EXPECT_DOUBLE_EQ(amrane_fitness_impl(centres, h), 57.5);
    const evaluated e = evaluate(h, centres);
    EXPECT_DOUBLE_EQ(e.dunn, 65);
    EXPECT_DOUBLE_EQ(e.amrane, 100 / 57.5);
    EXPECT_NEAR(e.liu_yang, 17.5, 1e-12);
}

TEST(Fitness, DunnIsClosestPairOverWidestClass) {
    const histogram h = make_histogram({{10, 1}, {20, 1}, {40, 1}, {70, 1}});
    const std::vector<double> centres{15, 55};
    class_map map;
    classify(h, centres, &map);
    EXPECT_DOUBLE_EQ(dunn_fitness()(h, centres, map), 10.0 * 20 / 30);
}

TEST(Fitness, DegenerateClassCounts) {
    const histogram h = make_histogram({{40, 100}, {60, 100}});
    for (const std::vector<double>& centres : {std::vector<double>{}, std::vector<double>{50}}) {
        const evaluated e = evaluate(h, centres);
        EXPECT_EQ(e.dunn, 1.0) << centres.size() << " centres";
        EXPECT_EQ(e.liu_yang, 1.0) << centres.size() << " centres";
    }
    // One centre: the separation term vanishes and only the spread counts.
    EXPECT_DOUBLE_EQ(amrane_fitness_impl({50}, h), 5);
    // No centre at all: no class, nothing to spread, nothing to separate.
    EXPECT_DOUBLE_EQ(amrane_fitness_impl({}, h), 0);
}

TEST(Fitness, SingleGrayLevelClasses) {
    const histogram h = make_histogram({{0, 7}, {255, 9}});
    const evaluated e = evaluate(h, {0, 255});
    EXPECT_EQ(e.dunn, 1.0);  // every diameter is 0
    EXPECT_DOUBLE_EQ(max_intra_distance({0, 255}, h), 0);
    EXPECT_DOUBLE_EQ(min_inter_distance({0, 255}), 255);
    EXPECT_TRUE(std::isinf(e.amrane) && e.amrane > 0);
    EXPECT_TRUE(std::isinf(e.liu_yang) && e.liu_yang > 0);
}

TEST(Fitness, EmptyClassesAreHandled) {
    const histogram h = make_histogram({{40, 100}, {60, 100}, {190, 100}, {210, 100}});
    // Centre 255 attracts nothing: its Liu & Yang term is skipped, but it
    // still counts as a class in the sqrt(K) factor.
    const evaluated e = evaluate(h, {50, 200, 255});
    const double spread = 2 * 400 / std::sqrt(200.0);
    EXPECT_NEAR(e.liu_yang, 1400 / (std::sqrt(3.0) * spread), 1e-12);
    // An empty class is at dissimilarity 0 from every other one.
    EXPECT_EQ(e.dunn, 0.0);
    // The Amrane spread skips the empty class; separation sees all three.
    EXPECT_DOUBLE_EQ(max_intra_distance({50, 200, 255}, h), 10);
    EXPECT_DOUBLE_EQ(min_inter_distance({50, 200, 255}), 55);
}

TEST(Fitness, AmraneSpreadIgnoresPixelCounts) {
    // Class of 0 (1 pixel) and 10 (1000 pixels) around 4: mean of 4 and 6.
    const histogram h = make_histogram({{0, 1}, {10, 1000}});
    EXPECT_DOUBLE_EQ(max_intra_distance({4}, h), 5);
    // The measure classifies for itself and ignores the map it is given.
    EXPECT_DOUBLE_EQ(amrane_fitness()(h, {4}, class_map{}), 100 / 2.5);
}

TEST(Fitness, MinInterDistanceTakesTheClosestPairInAnyOrder) {
    EXPECT_DOUBLE_EQ(min_inter_distance({200, 10, 190, 90}), 10);
    EXPECT_DOUBLE_EQ(min_inter_distance({-300, 300}), 255);  // never above 255
}

}  // namespace
}  // namespace strandel
