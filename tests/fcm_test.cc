// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "passes/fcm_pass.h"
#include "passes/kmeans_pass.h"
#include "test_support.h"

namespace strandel {
namespace {

using testing::recording_progress;
using testing::make_histogram;

std::vector<double> run_fcm(const histogram& h, std::vector<double> centres, int iterations,
                            int classes = 3, recording_progress* progress = nullptr) {
    fcm_pass f;
    f.parameter_value(0).int_value() = iterations;
    f.parameter_value(1).int_value() = classes;
    recording_progress ignored;
    f(h, centres, progress ? progress : &ignored);
    return centres;
}

TEST(FuzzyCMeans, Defaults) {
    fcm_pass f;
    EXPECT_STREQ(f.label(), "Fuzzy C-Means");
    EXPECT_EQ(f.parameter_value(0).int_value(), 10);
    EXPECT_EQ(f.parameter_value(1).int_value(), 3);
    EXPECT_EQ(f.parameter_value(2).double_value(), 2.0);
}

TEST(FuzzyCMeans, Membership) {
    EXPECT_DOUBLE_EQ(belonging(1, 20, {10, 20}, 2), 2.0);  // on its own centre
    EXPECT_DOUBLE_EQ(belonging(0, 3, {0, 10}, 2), 1 / (1 + 9.0 / 49));
    EXPECT_DOUBLE_EQ(belonging(1, 3, {0, 10}, 2), 1 / (49.0 / 9 + 1));
    // m = 1: infinite exponent; a farther class gets no membership at all.
    EXPECT_DOUBLE_EQ(belonging(0, 3, {0, 10}, 1), 1.0);
    EXPECT_DOUBLE_EQ(belonging(1, 3, {0, 10}, 1), 0.0);
    // A centre closer than 0.0003 counts as 0.5 away.
    const double d = 100.0001 - 100, e = 2.0 / 9;
    EXPECT_DOUBLE_EQ(belonging(0, 100, {100.0001, 150}, 10), 1 / (std::pow(d / 0.5, e) + std::pow(d / 50, e)));
}

TEST(FuzzyCMeans, CentresMoveToTheMembershipWeightedMean) {
    EXPECT_EQ(run_fcm(make_histogram({{10, 3}, {20, 8}}), {10, 20}, 5), (std::vector<double>{10, 20}));
    // Pixel counts play no part: the plain mean of 0 and 10.
    EXPECT_EQ(run_fcm(make_histogram({{0, 1}, {10, 1000}}), {4}, 1), (std::vector<double>{5.0}));
    // All memberships of an iteration use the centres it started from.
    const std::vector<double> start{4, 100};
    const std::vector<double> centres =
        run_fcm(make_histogram({{0, 1}, {10, 1}, {100, 1}, {110, 1}}), start, 1);
    auto weighted_mean = [&start](int k, double a, double b) {
        const double ua = belonging(k, a, start, 2), ub = belonging(k, b, start, 2);
        return (a * ua * ua + b * ub * ub) / (ua * ua + ub * ub);
    };
    EXPECT_DOUBLE_EQ(centres[0], weighted_mean(0, 0, 10));
    EXPECT_DOUBLE_EQ(centres[1], weighted_mean(1, 100, 110));
}

TEST(FuzzyCMeans, EmptyClassesStayAndNoProgressIsReported) {
    recording_progress progress;
    const std::vector<double> centres = run_fcm(make_histogram({{40, 1}, {60, 1}}), {100, 100}, 4, 3, &progress);
    EXPECT_EQ(centres[1], 100);
    EXPECT_TRUE(centres[0] > 40 && centres[0] < 60);
    EXPECT_TRUE(progress.fractions.empty());
    histogram empty;
    clear_histogram(empty);
    EXPECT_TRUE(run_fcm(empty, {}, 3).empty());
}

TEST(FuzzyCMeans, SeedsLikeKMeans) {
    // Every gray level sits on its own seed, so one iteration moves nothing.
    const histogram h = make_histogram({{200, 1}, {3, 2}, {10, 5}, {90, 7}});
    std::vector<double> kmeans_centres;
    kmeans_pass k;
    k.parameter_value(0).int_value() = 1;
    k.parameter_value(1).int_value() = 4;
    recording_progress progress;
    k(h, kmeans_centres, &progress);
    EXPECT_EQ(run_fcm(h, {}, 1, 4), (std::vector<double>{200, 3, 10, 90}));
    EXPECT_EQ(kmeans_centres, (std::vector<double>{200, 3, 10, 90}));
}

}  // namespace
}  // namespace strandel
