// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>

#include "passes/kmeans_pass.h"
#include "passes/seeding.h"
#include "test_support.h"

namespace strandel {
namespace {

using testing::recording_progress;
using testing::make_histogram;

std::vector<double> run_kmeans(const histogram& h, std::vector<double> centres, int passes,
                               int classes = 3, recording_progress* progress = nullptr) {
    kmeans_pass k;
    k.parameter_value(0).int_value() = passes;
    k.parameter_value(1).int_value() = classes;
    recording_progress ignored;
    k(h, centres, progress ? progress : &ignored);
    return centres;
}

TEST(Seeding, LeastPopulatedDistinctCountsInCountOrder) {
    std::vector<double> centres;
    seed_empty_centres(make_histogram({{10, 5}, {20, 5}, {200, 1}, {90, 7}, {128, 100}}), 3, centres);
    EXPECT_EQ(centres, (std::vector<double>{200, 10, 90}));
    centres.clear();
    seed_empty_centres(make_histogram({{10, 5}, {20, 5}, {30, 8}}), 5, centres);
    EXPECT_EQ(centres, (std::vector<double>{10, 30}));
    seed_empty_centres(make_histogram({{40, 1}}), 3, centres);  // a given list stays
    EXPECT_EQ(centres, (std::vector<double>{10, 30}));
}

TEST(KMeans, DefaultsCloneAndTrace) {
    kmeans_pass k;
    EXPECT_STREQ(k.label(), "K-Means");
    EXPECT_STREQ(k.parameter_info(1).description(), "Intial number of classes");
    EXPECT_EQ(k.parameter_value(0).int_value(), 10);
    EXPECT_EQ(k.parameter_value(1).int_value(), 3);
    std::unique_ptr<pass> copy(k.clone());
    copy->parameter_value(0).int_value() = 42;
    EXPECT_EQ(k.parameter_value(0).int_value(), 10);
    ::testing::internal::CaptureStdout();
    k.print();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "K-Means 10 \n");
}

TEST(KMeans, CentresMoveToTheWeightedMeanOfTheirClass) {
    EXPECT_EQ(run_kmeans(make_histogram({{0, 10}, {4, 30}}), {1}, 1), (std::vector<double>{3.0}));
    // Seeds 200 (1 pixel), 10 (4), 100 (5), then each mode's weighted mean.
    const std::vector<double> centres =
        run_kmeans(make_histogram({{10, 4}, {12, 4}, {100, 5}, {104, 5}, {200, 1}, {210, 6}}), {}, 10);
    ASSERT_EQ(centres.size(), 3u);
    EXPECT_DOUBLE_EQ(centres[0], (200 + 210 * 6) / 7.0);
    EXPECT_DOUBLE_EQ(centres[1], 11);
    EXPECT_DOUBLE_EQ(centres[2], 102);
    // An empty class keeps its centre.
    EXPECT_EQ(run_kmeans(make_histogram({{40, 3}, {60, 1}}), {100, 100}, 5), (std::vector<double>{45, 100}));
}

TEST(KMeans, HugeClassesDoNotOverflow) {
    const std::vector<double> centres = run_kmeans(make_histogram({{0, 1}, {255, 2000000000}}), {128}, 1);
    EXPECT_DOUBLE_EQ(centres[0], 255.0 * 2000000000 / 2000000001.0);
}

TEST(KMeans, ReportsEveryIterationEvenWithoutPixels) {
    recording_progress progress;
    run_kmeans(make_histogram({{10, 1}, {20, 2}}), {15}, 4, 3, &progress);
    EXPECT_EQ(progress.fractions, (std::vector<double>{0.25, 0.5, 0.75, 1.0}));
    histogram empty;
    clear_histogram(empty);
    progress.fractions.clear();
    EXPECT_TRUE(run_kmeans(empty, {}, 3, 3, &progress).empty());
    EXPECT_EQ(progress.fractions.size(), 3u);
}

}  // namespace
}  // namespace strandel
