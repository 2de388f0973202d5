// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "evaluation/fitness_function.h"

namespace strandel {
namespace {

histogram levels(std::initializer_list<int> grays, int count = 100) {
    histogram h;
    clear_histogram(h);
    for (int g : grays) h[g] = count;
    return h;
}

struct scores {
    double dunn, amrane, liu_yang;
};

scores evaluate(const histogram& h, const std::vector<double>& centres) {
    class_map map;
    classify(h, centres, &map);
    return {dunn_fitness()(h, centres, map), amrane_fitness()(h, centres, map),
            liu_yang_fitness()(h, centres, map)};
}

TEST(Fitness, TwoWellSeparatedClasses) {
    const histogram h = levels({40, 60, 190, 210});
    EXPECT_DOUBLE_EQ(max_intra_distance({50, 200}, h), 10);
    EXPECT_DOUBLE_EQ(min_inter_distance({50, 200}), 150);
    EXPECT_DOUBLE_EQ(amrane_fitness_impl({50, 200}, h), 57.5);
    const scores s = evaluate(h, {50, 200});
    EXPECT_DOUBLE_EQ(s.dunn, 65);
    EXPECT_DOUBLE_EQ(s.amrane, 100 / 57.5);
    EXPECT_NEAR(s.liu_yang, 17.5, 1e-12);
    EXPECT_DOUBLE_EQ(evaluate(levels({10, 20, 40, 70}), {15, 55}).dunn, 10.0 * 20 / 30);
}

TEST(Fitness, DegenerateSegmentations) {
    const histogram h = levels({40, 60});
    for (const std::vector<double>& centres : {std::vector<double>{}, std::vector<double>{50}}) {
        EXPECT_EQ(evaluate(h, centres).dunn, 1.0) << centres.size();
        EXPECT_EQ(evaluate(h, centres).liu_yang, 1.0) << centres.size();
    }
    EXPECT_DOUBLE_EQ(amrane_fitness_impl({50}, h), 5);  // no separation term
    EXPECT_DOUBLE_EQ(amrane_fitness_impl({}, h), 0);

    // Every class a single gray level on its centre: perfect by every measure.
    const scores s = evaluate(levels({0, 255}), {0, 255});
    EXPECT_EQ(s.dunn, 1.0);
    EXPECT_TRUE(std::isinf(s.amrane) && s.amrane > 0);
    EXPECT_TRUE(std::isinf(s.liu_yang) && s.liu_yang > 0);
}

TEST(Fitness, EmptyClasses) {
    // Centre 255 attracts nothing: Liu & Yang skips its term but counts it in
    // sqrt(K); Dunn sees dissimilarity 0; the Amrane spread skips it.
    const scores s = evaluate(levels({40, 60, 190, 210}), {50, 200, 255});
    EXPECT_NEAR(s.liu_yang, 1400 / (std::sqrt(3.0) * 800 / std::sqrt(200.0)), 1e-12);
    EXPECT_EQ(s.dunn, 0.0);
    EXPECT_DOUBLE_EQ(max_intra_distance({50, 200, 255}, levels({40, 60, 190, 210})), 10);
    EXPECT_DOUBLE_EQ(min_inter_distance({200, 10, 190, 90}), 10);
}

TEST(Fitness, AmraneSpreadIgnoresPixelCountsAndTheGivenMap) {
    histogram h = levels({0});
    h[10] = 1000;
    EXPECT_DOUBLE_EQ(max_intra_distance({4}, h), 5);
    EXPECT_DOUBLE_EQ(amrane_fitness()(h, {4}, class_map{}), 100 / 2.5);
}

}  // namespace
}  // namespace strandel
