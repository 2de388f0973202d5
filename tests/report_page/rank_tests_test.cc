// SPDX-License-Identifier: GPL-3.0-or-later
// Published and hand-worked values of the rank tests; SciPy's agreement on
// random matrices is the measures. group's (check_statistics.py).
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "report_page/rank_tests.h"

namespace strandel {
namespace {

TEST(RankTests, StudentizedRangeAsDemsarTabulatesIt) {
    // Demsar (2006), table 5: q_alpha / sqrt(2) for 2 to 10 classifiers,
    // right to its last digit (it is not always rounded: 2.3437 stands
    // there as 2.343).
    const double q05[] = {1.960, 2.343, 2.569, 2.728, 2.850, 2.949, 3.031, 3.102, 3.164};
    const double q10[] = {1.645, 2.052, 2.291, 2.459, 2.589, 2.693, 2.780, 2.855, 2.920};
    for (int k = 2; k <= 10; ++k) {
        EXPECT_NEAR(studentized_range_quantile(0.95, k) / std::sqrt(2.0), q05[k - 2], 1e-3) << k;
        EXPECT_NEAR(studentized_range_quantile(0.90, k) / std::sqrt(2.0), q10[k - 2], 1e-3) << k;
    }
    // Two groups: the range of two normals is |N(0, 2)|.
    EXPECT_NEAR(studentized_range_quantile(0.95, 2) / std::sqrt(2.0), 1.959963984540054, 1e-12);
    EXPECT_GT(studentized_range_quantile(0.95, 50), studentized_range_quantile(0.95, 49));
    EXPECT_THROW(studentized_range_quantile(0.95, 1), std::invalid_argument);
}

TEST(RankTests, FriedmanOnTwoImagesRankedAlike) {
    // Rank sums 2, 4, 6 over n = 2, k = 3: 12 / 24 x 56 - 24 = 4, and the
    // chi-square with two degrees of freedom has p = exp(-4 / 2).
    const friedman_result f = friedman_test({{1, 2, 3}, {10, 20, 30}});
    EXPECT_DOUBLE_EQ(f.statistic, 4.0);
    EXPECT_NEAR(f.p_value, std::exp(-2.0), 1e-15);
    EXPECT_EQ(f.mean_ranks, (std::vector<double>{3, 2, 1}));  // the highest value ranks first
    EXPECT_NEAR(f.critical_difference, 2.3437 * std::sqrt(3.0 * 4 / 12), 1e-4);
}

TEST(RankTests, FriedmanWhenEveryImageTiesEveryMethod) {
    const friedman_result f = friedman_test({{1, 1, 1}, {2, 2, 2}});
    EXPECT_EQ(f.statistic, 0.0);
    EXPECT_EQ(f.p_value, 1.0);
    EXPECT_EQ(f.mean_ranks, (std::vector<double>{2, 2, 2}));
    EXPECT_THROW(friedman_test({{1, NAN}}), std::invalid_argument);
    EXPECT_THROW(friedman_test({{1, 2}, {1}}), std::invalid_argument);
}

TEST(RankTests, WilcoxonExactAndApproximate) {
    // Five positive differences: R- = 0, and only one of the 2^5 sign
    // patterns is as extreme on each side: p = 2 / 32.
    signed_rank_result r = wilcoxon_signed_rank({1, 2, 3, 4, 5}, {0, 0, 0, 0, 0});
    EXPECT_TRUE(r.exact);
    EXPECT_EQ(r.statistic, 0.0);
    EXPECT_DOUBLE_EQ(r.p_value, 0.0625);
    // A zero difference switches to the normal approximation without it:
    // n = 4, R- = 0, mean 5, variance 4 x 5 x 9 / 24 = 7.5.
    r = wilcoxon_signed_rank({1, 2, 3, 4, 5}, {0, 0, 0, 0, 5});
    EXPECT_FALSE(r.exact);
    EXPECT_DOUBLE_EQ(r.p_value, std::erfc(5 / std::sqrt(7.5) / std::sqrt(2.0)));
    EXPECT_TRUE(std::isnan(wilcoxon_signed_rank({1, 2}, {1, 2}).p_value));
}

TEST(RankTests, HolmStepsDown) {
    const std::vector<double> adjusted = holm_adjusted({0.01, 0.04, NAN, 0.03});
    EXPECT_DOUBLE_EQ(adjusted[0], 0.03);
    EXPECT_DOUBLE_EQ(adjusted[3], 0.06);
    EXPECT_DOUBLE_EQ(adjusted[1], 0.06);  // 0.04 x 1, raised to the step before
    EXPECT_TRUE(std::isnan(adjusted[2]));
    EXPECT_EQ(holm_adjusted({0.9, 0.8}), (std::vector<double>{1.0, 1.0}));
}

TEST(RankTests, PairwiseComparisonsInOrder) {
    const std::vector<pairwise_comparison> c = pairwise_wilcoxon({{1, 2, 3}, {2, 3, 5}, {3, 5, 4}, {4, 4, 9}});
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(std::make_pair(c[0].first, c[0].second), std::make_pair(0, 1));
    EXPECT_EQ(std::make_pair(c[2].first, c[2].second), std::make_pair(1, 2));
    for (const auto& p : c) EXPECT_GE(p.holm_p_value, p.test.p_value);
}

TEST(RankTests, BootstrapIsSeededAndAroundTheMean) {
    const std::vector<double> values{3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5};
    const interval a = bootstrap_mean_interval(values), b = bootstrap_mean_interval(values);
    EXPECT_EQ(a.low, b.low);
    EXPECT_EQ(a.high, b.high);
    EXPECT_LT(a.low, 44.0 / 11);
    EXPECT_GT(a.high, 44.0 / 11);
    // Another seed draws other resamples.
    const std::vector<double> spread{0.31, 0.77, 0.12, 0.95, 0.48, 0.66, 0.05, 0.83};
    const interval c = bootstrap_mean_interval(spread, bootstrap_resamples, 1);
    const interval d = bootstrap_mean_interval(spread);
    EXPECT_TRUE(c.low != d.low || c.high != d.high);
    const interval constant = bootstrap_mean_interval({2.5, 2.5, 2.5});
    EXPECT_EQ(constant.low, 2.5);
    EXPECT_EQ(constant.high, 2.5);
    EXPECT_TRUE(std::isnan(bootstrap_mean_interval({}).low));
}

TEST(RankTests, BootstrapOfManyColumnsDrawsTheSameRowsForEach) {
    const value_matrix m{{1, 10, 0.5}, {2, 30, 0.25}, {3, 20, 1}, {7, 40, 0.75}, {5, 10, 0}};
    const std::vector<interval> all = bootstrap_mean_intervals(m);
    ASSERT_EQ(all.size(), 3u);
    for (std::size_t c = 0; c < 3; ++c) {
        std::vector<double> column;
        for (const auto& row : m) column.push_back(row[c]);
        const interval one = bootstrap_mean_interval(column);
        EXPECT_EQ(all[c].low, one.low) << c;
        EXPECT_EQ(all[c].high, one.high) << c;
    }
    // A column that is another plus a constant moves by that constant:
    // both are resampled from the same rows.
    const value_matrix shifted{{1, 101}, {2, 102}, {3, 103}, {7, 107}, {5, 105}};
    const std::vector<interval> pair = bootstrap_mean_intervals(shifted);
    EXPECT_DOUBLE_EQ(pair[1].low - pair[0].low, 100);
    EXPECT_DOUBLE_EQ(pair[1].high - pair[0].high, 100);
    EXPECT_EQ(bootstrap_resamples_for(1000), bootstrap_resamples);
    EXPECT_EQ(bootstrap_resamples_for(5000), 2000);
    EXPECT_EQ(bootstrap_resamples_for(100000), 1000);
}

}  // namespace
}  // namespace strandel
