#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "passes/kmeans_pass.h"
#include "passes/seeding.h"

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

kmeans_pass make_kmeans(int passes, int classes) {
    kmeans_pass k;
    k.parameter_value(0).int_value() = passes;
    k.parameter_value(1).int_value() = classes;
    return k;
}

TEST(Seeding, LeastPopulatedDistinctCountsInCountOrder) {
    const histogram h = make_histogram({{10, 5}, {20, 5}, {200, 1}, {90, 7}, {128, 100}});
    std::vector<double> centres;
    seed_empty_centres(h, 3, centres);
    EXPECT_EQ(centres, (std::vector<double>{200, 10, 90}));
}

TEST(Seeding, FewerDistinctCountsThanClassesGiveFewerCentres) {
    const histogram h = make_histogram({{10, 5}, {20, 5}, {30, 8}, {40, 8}});
    std::vector<double> centres;
    seed_empty_centres(h, 5, centres);
    EXPECT_EQ(centres, (std::vector<double>{10, 30}));

    histogram empty;
    clear_histogram(empty);
    centres.clear();
    seed_empty_centres(empty, 5, centres);
    EXPECT_TRUE(centres.empty());
}

TEST(Seeding, AGivenListIsKept) {
    const histogram h = make_histogram({{10, 5}, {20, 6}, {30, 8}});
    std::vector<double> centres{220, 30};
    seed_empty_centres(h, 3, centres);
    EXPECT_EQ(centres, (std::vector<double>{220, 30}));
}

TEST(KMeans, ParametersAndClone) {
    kmeans_pass k;
    EXPECT_STREQ(k.label(), "K-Means");
    ASSERT_EQ(k.nr_parameters(), 2u);
    EXPECT_STREQ(k.parameter_info(0).label(), "Number Of Passes");
    EXPECT_STREQ(k.parameter_info(0).description(), "Number of iterations to perform");
    EXPECT_STREQ(k.parameter_info(1).label(), "Number Of Classes");
    EXPECT_STREQ(k.parameter_info(1).description(), "Intial number of classes");
    EXPECT_EQ(k.parameter_info(0).int_start(), 1);
    EXPECT_EQ(k.parameter_info(0).int_end(), 100);
    EXPECT_EQ(k.parameter_info(1).int_start(), 2);
    EXPECT_EQ(k.parameter_info(1).int_end(), 100);
    EXPECT_EQ(k.parameter_value(0).int_value(), 10);
    EXPECT_EQ(k.parameter_value(1).int_value(), 3);

    std::unique_ptr<pass> copy(k.clone());
    ASSERT_NE(dynamic_cast<kmeans_pass*>(copy.get()), nullptr);
    copy->parameter_value(0).int_value() = 42;
    EXPECT_EQ(k.parameter_value(0).int_value(), 10);

    testing::internal::CaptureStdout();
    k.print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "K-Means 10 \n");
}

TEST(KMeans, OneIterationMovesToTheWeightedMean) {
    const histogram h = make_histogram({{0, 10}, {4, 30}});
    std::vector<double> centres{1};
    recording_progress progress;
    make_kmeans(1, 3)(h, centres, &progress);
    EXPECT_EQ(centres, (std::vector<double>{3.0}));
}

TEST(KMeans, SeedsAndConvergesOnSeparatedModes) {
    const histogram h = make_histogram({{10, 4}, {12, 4}, {100, 5}, {104, 5}, {200, 1}, {210, 6}});
    std::vector<double> centres;
    recording_progress progress;
    make_kmeans(10, 3)(h, centres, &progress);
    // Seeds 200 (1), 10 (4), 100 (5); then each mode's weighted mean.
    ASSERT_EQ(centres.size(), 3u);
    EXPECT_DOUBLE_EQ(centres[0], (200 + 210 * 6) / 7.0);
    EXPECT_DOUBLE_EQ(centres[1], 11);
    EXPECT_DOUBLE_EQ(centres[2], 102);
}

TEST(KMeans, EmptyClassesKeepTheirCentres) {
    const histogram h = make_histogram({{40, 3}, {60, 1}});
    std::vector<double> centres{100, 100};
    recording_progress progress;
    make_kmeans(5, 3)(h, centres, &progress);
    EXPECT_EQ(centres, (std::vector<double>{45, 100}));
}

TEST(KMeans, HugeClassesDoNotOverflow) {
    const histogram h = make_histogram({{0, 1}, {255, 2000000000}});
    std::vector<double> centres{128};
    recording_progress progress;
    make_kmeans(1, 3)(h, centres, &progress);
    EXPECT_DOUBLE_EQ(centres[0], 255.0 * 2000000000 / 2000000001.0);
}

TEST(KMeans, ReportsEveryIteration) {
    const histogram h = make_histogram({{10, 1}, {20, 2}});
    std::vector<double> centres{15};
    recording_progress progress;
    make_kmeans(4, 3)(h, centres, &progress);
    EXPECT_EQ(progress.fractions, (std::vector<double>{0.25, 0.5, 0.75, 1.0}));
}

TEST(KMeans, NoPixelsLeaveTheListEmpty) {
    histogram h;
    clear_histogram(h);
    std::vector<double> centres;
    recording_progress progress;
    make_kmeans(3, 3)(h, centres, &progress);
    EXPECT_TRUE(centres.empty());
    EXPECT_EQ(progress.fractions.size(), 3u);
}

}  // namespace
}  // namespace strandel
