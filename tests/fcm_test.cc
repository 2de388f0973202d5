#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <utility>

#include "passes/fcm_pass.h"
#include "passes/kmeans_pass.h"

namespace strandel {
namespace {

histogram make_histogram(std::initializer_list<std::pair<int, int>> gray_counts) {
    histogram h;
    clear_histogram(h);
    for (const auto& gc : gray_counts) h[gc.first] = gc.second;
    return h;
}

struct recording_progress : progress_indicator {
    std::vector<double> fractions;
    void operator()(double fraction) override { fractions.push_back(fraction); }
};

fcm_pass make_fcm(int iterations, int classes, double m) {
    fcm_pass f;
    f.parameter_value(0).int_value() = iterations;
    f.parameter_value(1).int_value() = classes;
    f.parameter_value(2).double_value() = m;
    return f;
}

TEST(FuzzyCMeans, ParametersAndClone) {
    fcm_pass f;
    EXPECT_STREQ(f.label(), "Fuzzy C-Means");
    ASSERT_EQ(f.nr_parameters(), 3u);
    EXPECT_STREQ(f.parameter_info(0).label(), "Number of Iterations");
    EXPECT_STREQ(f.parameter_info(0).description(), "Number of passes to apply");
    EXPECT_STREQ(f.parameter_info(1).label(), "Clusters");
    EXPECT_STREQ(f.parameter_info(1).description(), "Initial Number of Classes");
    EXPECT_STREQ(f.parameter_info(2).label(), "Fuzziness Index");
    EXPECT_STREQ(f.parameter_info(2).description(), "Accuracy of calculations");
    EXPECT_EQ(f.parameter_info(2).type(), param_double);
    EXPECT_EQ(f.parameter_info(2).double_start(), 1.0);
    EXPECT_EQ(f.parameter_info(2).double_end(), 10.0);
    EXPECT_EQ(f.parameter_value(0).int_value(), 10);
    EXPECT_EQ(f.parameter_value(1).int_value(), 3);
    EXPECT_EQ(f.parameter_value(2).double_value(), 2.0);

    std::unique_ptr<pass> copy(f.clone());
    copy->parameter_value(2).double_value() = 5;
    EXPECT_EQ(f.parameter_value(2).double_value(), 2.0);
    EXPECT_EQ(copy->parameter_value(2).double_value(), 5.0);
}

TEST(FuzzyCMeans, MembershipOnItsOwnCentreIsTwo) {
    EXPECT_DOUBLE_EQ(belonging(0, 10, {10, 20}, 2), 2.0);
    EXPECT_DOUBLE_EQ(belonging(1, 20, {10, 20}, 2), 2.0);
}

TEST(FuzzyCMeans, MembershipSumsDistanceRatios) {
    // k = 0, gray 3, centres {0, 10}: (3/3)^2 + (3/7)^2
    EXPECT_DOUBLE_EQ(belonging(0, 3, {0, 10}, 2), 1 / (1 + 9.0 / 49));
    EXPECT_DOUBLE_EQ(belonging(1, 3, {0, 10}, 2), 1 / (49.0 / 9 + 1));
    // With m = 1 the exponent is infinite: nearer centres count 0, the own
    // one 1, and a farther class gets no membership at all.
    EXPECT_DOUBLE_EQ(belonging(0, 3, {0, 10}, 1), 1.0);
    EXPECT_DOUBLE_EQ(belonging(1, 3, {0, 10}, 1), 0.0);
}

TEST(FuzzyCMeans, CentresOnTheirOnlyGrayLevelStay) {
    const histogram h = make_histogram({{10, 3}, {20, 8}});
    std::vector<double> centres{10, 20};
    recording_progress progress;
    make_fcm(5, 3, 2)(h, centres, &progress);
    EXPECT_EQ(centres, (std::vector<double>{10, 20}));
}

TEST(FuzzyCMeans, PixelCountsDoNotWeighTheMean) {
    const histogram h = make_histogram({{0, 1}, {10, 1000}});
    std::vector<double> centres{4};
    recording_progress progress;
    make_fcm(1, 3, 2)(h, centres, &progress);
    EXPECT_EQ(centres, (std::vector<double>{5.0}));
}

TEST(FuzzyCMeans, MembershipsUseTheCentresOfTheIterationStart) {
    // Gray levels 0, 10 | 100, 110 around {4, 100}: class 1's memberships
    // must be taken against the old centre 4, not the freshly moved one.
    const histogram h = make_histogram({{0, 1}, {10, 1}, {100, 1}, {110, 1}});
    const std::vector<double> start{4, 100};
    std::vector<double> centres = start;
    recording_progress progress;
    make_fcm(1, 3, 2)(h, centres, &progress);
    auto weighted_mean = [&start](int k, double a, double b) {
        const double ua = belonging(k, a, start, 2), ub = belonging(k, b, start, 2);
        return (a * ua * ua + b * ub * ub) / (ua * ua + ub * ub);
    };
    EXPECT_DOUBLE_EQ(centres[0], weighted_mean(0, 0, 10));
    EXPECT_DOUBLE_EQ(centres[1], weighted_mean(1, 100, 110));
    EXPECT_NE(centres[1], 105);  // the memberships differ
}

TEST(FuzzyCMeans, EmptyClassesStayAndNoProgressIsReported) {
    const histogram h = make_histogram({{40, 1}, {60, 1}});
    std::vector<double> centres{100, 100};
    recording_progress progress;
    make_fcm(4, 3, 2)(h, centres, &progress);
    EXPECT_EQ(centres[1], 100);
    EXPECT_GT(centres[0], 40);
    EXPECT_LT(centres[0], 60);
    EXPECT_TRUE(progress.fractions.empty());
}

TEST(FuzzyCMeans, SeedsLikeKMeans) {
    // Distinct counts 1, 2, 5, 7; with every gray level on its own seed one
    // iteration moves nothing, so both passes return their seeds.
    const histogram h = make_histogram({{200, 1}, {3, 2}, {10, 5}, {90, 7}});
    std::vector<double> fcm_centres, kmeans_centres;
    recording_progress progress;
    make_fcm(1, 4, 2)(h, fcm_centres, &progress);
    kmeans_pass k;
    k.parameter_value(0).int_value() = 1;
    k.parameter_value(1).int_value() = 4;
    k(h, kmeans_centres, &progress);
    EXPECT_EQ(fcm_centres, (std::vector<double>{200, 3, 10, 90}));
    EXPECT_EQ(fcm_centres, kmeans_centres);
}

TEST(FuzzyCMeans, NoPixelsLeaveTheListEmpty) {
    histogram h;
    clear_histogram(h);
    std::vector<double> centres;
    recording_progress progress;
    make_fcm(3, 3, 2)(h, centres, &progress);
    EXPECT_TRUE(centres.empty());
}

}  // namespace
}  // namespace strandel
