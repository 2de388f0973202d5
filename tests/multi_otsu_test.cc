// SPDX-License-Identifier: GPL-3.0-or-later
// The least-squares partition against every partition of small
// histograms, the pass around it, and the optimal ratio's values and
// degenerate cases.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "evaluation/optimal_partition.h"
#include "passes/multi_otsu_pass.h"
#include "test_support.h"

namespace strandel {
namespace {

using testing::make_histogram;

long double squares_of(const histogram& h, int first, int last) {
    long double n = 0, s = 0, q = 0;
    for (int g = first; g <= last; ++g) {
        n += h[static_cast<unsigned>(g)];
        s += static_cast<long double>(h[static_cast<unsigned>(g)]) * g;
        q += static_cast<long double>(h[static_cast<unsigned>(g)]) * g * g;
    }
    return n == 0 ? 0 : q - s * s / n;
}

// Least sum over every way of cutting the present levels into k runs.
long double least_by_enumeration(const histogram& h, const std::vector<int>& present, int k, std::size_t from = 0) {
    if (k == 1) return squares_of(h, present[from], present.back());
    long double best = INFINITY;
    for (std::size_t cut = from + 1; cut + static_cast<std::size_t>(k - 1) <= present.size(); ++cut)
        best = std::min(best, squares_of(h, present[from], present[cut - 1]) + least_by_enumeration(h, present, k - 1, cut));
    return best;
}

TEST(LeastSquaresPartition, EqualsTheBestOfEveryPartition) {
    std::mt19937 random(21);
    for (int round = 0; round < 150; ++round) {
        histogram h = make_histogram({});
        std::vector<int> present;
        for (int g = 0; g < 256; ++g)
            if (random() % 20 == 0) {
                h[static_cast<unsigned>(g)] = 1 + static_cast<int>(random() % 1000);
                present.push_back(g);
            }
        if (present.empty()) continue;
        const int k = 1 + static_cast<int>(random() % 4);
        const histogram_partition p = least_squares_partition(h, k);
        ASSERT_EQ(p.classes.size(), std::min<std::size_t>(static_cast<std::size_t>(k), present.size()));
        const long double best = least_by_enumeration(h, present, static_cast<int>(p.classes.size()));
        EXPECT_NEAR(static_cast<double>(p.within_squares), static_cast<double>(best), 1e-9 * static_cast<double>(best) + 1e-9);
        // The classes cover the present levels in order, each from its first
        // to its last present level.
        EXPECT_EQ(p.classes.front().first, present.front());
        EXPECT_EQ(p.classes.back().last, present.back());
        for (std::size_t c = 1; c < p.classes.size(); ++c) EXPECT_LT(p.classes[c - 1].last, p.classes[c].first);
    }
}

TEST(LeastSquaresPartition, EqualSumsEndTheLastClassLate) {
    // {10, 20} {30} and {10} {20, 30} both leave 50: of equal sums, the
    // partition whose last class starts latest, the same on every run.
    const histogram_partition p = least_squares_partition(make_histogram({{10, 1}, {20, 1}, {30, 1}}), 2);
    ASSERT_EQ(p.classes.size(), 2u);
    EXPECT_EQ(p.classes[0].last, 20);
    EXPECT_EQ(p.classes[1].first, 30);
    EXPECT_EQ(static_cast<double>(p.within_squares), 50.0);
}

TEST(MultiOtsuPass, MeansOfTheBestClassesWhateverItIsGiven) {
    multi_otsu_pass pass;
    EXPECT_STREQ(pass.label(), "Multi-Otsu");
    ASSERT_EQ(pass.nr_parameters(), 1u);
    EXPECT_STREQ(pass.parameter_info(0).label(), "Number Of Classes");
    EXPECT_EQ(pass.parameter_value(0).int_value(), 3);
    const histogram h = make_histogram({{10, 2}, {20, 2}, {100, 4}, {110, 4}, {250, 1}});
    std::vector<double> centres{1, 2, 3, 4, 5};
    testing::recording_progress progress;
    pass(h, centres, &progress);
    EXPECT_EQ(centres, (std::vector<double>{15, 105, 250}));
    EXPECT_EQ(progress.fractions, (std::vector<double>{1.0}));

    pass.parameter_value(0).int_value() = 10;  // more classes than levels
    pass(h, centres, nullptr);
    EXPECT_EQ(centres, (std::vector<double>{10, 20, 100, 110, 250}));
    pass(make_histogram({}), centres, nullptr);
    EXPECT_TRUE(centres.empty());
}

TEST(OptimalRatio, OneAtTheOptimumLessAwayFromIt) {
    // One pixel at 0, 10, 20 and 100: {0, 10, 20} {100} sums to 200, the
    // centres {5, 30} make {0, 10} {20, 100}: 50 + 3200.
    const histogram h = make_histogram({{0, 1}, {10, 1}, {20, 1}, {100, 1}});
    EXPECT_EQ(optimal_ratio(h, {10, 100}), 1.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(chain_within_squares(h, {5, 30})), 3250.0);
    EXPECT_DOUBLE_EQ(optimal_ratio(h, {5, 30}), 200.0 / 3250.0);
    // Equal centres leave a class empty: the chain has one class in effect.
    EXPECT_DOUBLE_EQ(optimal_ratio(h, {50, 50}), 200.0 / static_cast<double>(squares_of(h, 0, 100)));
}

TEST(OptimalRatio, DegenerateCases) {
    const histogram two = make_histogram({{40, 3}, {80, 1}});
    EXPECT_EQ(optimal_ratio(two, {40, 80}), 1.0);       // 0 / 0: each class a single level
    EXPECT_EQ(optimal_ratio(two, {0, 40, 80}), 1.0);
    EXPECT_EQ(optimal_ratio(two, {60, 200, 250}), 0.0); // the optimum is 0, the chain's is not
    EXPECT_EQ(optimal_ratio(make_histogram({}), {1, 2}), 1.0);
    EXPECT_TRUE(std::isnan(optimal_ratio(two, {})));
}

}  // namespace
}  // namespace strandel
