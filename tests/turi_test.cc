#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>

#include "evaluation/turi.h"

namespace strandel {
namespace {

std::vector<cluster> make_clusters(std::initializer_list<std::pair<int, int>> gray_counts,
                                   std::int32_t class_index = 0) {
    std::vector<cluster> clusters(256);
    for (const auto& gc : gray_counts) clusters[gc.first] = {gc.second, class_index};
    return clusters;
}

double registered_turi(const histogram& h, const std::vector<double>& centres) {
    class_map map;
    classify(h, centres, &map);
    return turi_fitness()(h, centres, map);
}

histogram make_histogram(std::initializer_list<std::pair<int, int>> gray_counts) {
    histogram h;
    clear_histogram(h);
    for (const auto& gc : gray_counts) h[gc.first] = gc.second;
    return h;
}

TEST(Turi, CompactnessOverSeparation) {
    std::vector<bool> mask{true, true};
    std::vector<double> centroids{50, 150};
    std::vector<cluster> clusters = make_clusters({{40, 100}, {160, 100}});
    EXPECT_DOUBLE_EQ(fitness_turi(mask, centroids, clusters), 0.5);
    EXPECT_EQ(clusters[40].class_index, 0);
    EXPECT_EQ(clusters[160].class_index, 1);

    const histogram h = make_histogram({{40, 100}, {160, 100}});
    EXPECT_DOUBLE_EQ(registered_turi(h, {50, 150}), 2);
    EXPECT_STREQ(turi_fitness().label(), "Turi (2001)");
}

TEST(Turi, CompactnessWeighsPixelCounts) {
    std::vector<bool> mask{true, true};
    std::vector<double> centroids{50, 150};
    // (10 x 300 + 30 x 100) / 400 = 15
    std::vector<cluster> clusters = make_clusters({{40, 300}, {180, 100}});
    EXPECT_DOUBLE_EQ(fitness_turi(mask, centroids, clusters), 5 * 15.0 / 100);
}

TEST(Turi, PerfectPartitionIsZeroAndRegistersAsInfinity) {
    std::vector<bool> mask{true, true};
    std::vector<double> centroids{0, 255};
    std::vector<cluster> clusters = make_clusters({{0, 5}, {255, 5}});
    EXPECT_EQ(fitness_turi(mask, centroids, clusters), 0);
    const double registered = registered_turi(make_histogram({{0, 5}, {255, 5}}), {0, 255});
    EXPECT_TRUE(std::isinf(registered) && registered > 0);
}

TEST(Turi, OnlyActiveCentroidsTakePart) {
    // Centroid 1 sits on 100 but is off: both gray levels join centroid 0,
    // and with one active centroid the separation stays 255.
    std::vector<bool> mask{true, false, false};
    std::vector<double> centroids{10, 100, 12};
    std::vector<cluster> clusters = make_clusters({{20, 1}, {100, 1}});
    EXPECT_DOUBLE_EQ(fitness_turi(mask, centroids, clusters), 5 * 50.0 / 255);
    EXPECT_EQ(clusters[100].class_index, 0);
    // Separation only looks at pairs of active centroids: 10 and 12 are off
    // here, so the close pair does not count.
    mask = {true, true, false};
    EXPECT_DOUBLE_EQ(fitness_turi(mask, centroids, clusters), 5 * 5.0 / 90);
}

TEST(Turi, TiesKeepTheLowerIndex) {
    std::vector<bool> mask{true, true};
    std::vector<double> centroids{50, 150};
    std::vector<cluster> clusters = make_clusters({{100, 1}}, 1);
    fitness_turi(mask, centroids, clusters);
    EXPECT_EQ(clusters[100].class_index, 0);
}

TEST(Turi, AbsentGrayLevelsAreMarked) {
    std::vector<bool> mask{true};
    std::vector<double> centroids{128};
    std::vector<cluster> clusters = make_clusters({{100, 1}}, 7);
    clusters[3].class_index = 0;
    fitness_turi(mask, centroids, clusters);
    EXPECT_EQ(clusters[3].class_index, 256);
    EXPECT_EQ(clusters[255].class_index, 256);
    EXPECT_EQ(clusters[100].class_index, 0);
}

TEST(Turi, CoincidentActiveCentroidsAreInfinitelyBad) {
    std::vector<bool> mask{true, true};
    std::vector<double> centroids{60, 60};
    std::vector<cluster> clusters = make_clusters({{40, 1}});
    const double value = fitness_turi(mask, centroids, clusters);
    EXPECT_TRUE(std::isinf(value) && value > 0);
}

TEST(Turi, NoActiveCentroidIsTheWorstValue) {
    std::vector<bool> mask{false, false};
    std::vector<double> centroids{50, 150};
    std::vector<cluster> clusters = make_clusters({{40, 1}, {160, 1}}, 1);
    const double value = fitness_turi(mask, centroids, clusters);
    EXPECT_TRUE(std::isinf(value) && value > 0);
    EXPECT_EQ(clusters[40].class_index, 1);  // nothing to move it to

    std::vector<bool> no_mask;
    std::vector<double> no_centroids;
    EXPECT_TRUE(std::isinf(fitness_turi(no_mask, no_centroids, clusters)));
    EXPECT_EQ(registered_turi(make_histogram({{40, 1}}), {}), 0);
}

TEST(Turi, FarGrayLevelKeepsAnActiveClassOrJoinsTheNearestActiveOne) {
    std::vector<double> centroids{0, 255};
    // Gray level 0 lies 255 from the active centroid 1; it arrives with
    // class 1, which stays.
    std::vector<bool> mask{false, true};
    std::vector<cluster> clusters = make_clusters({{0, 2}}, 1);
    EXPECT_DOUBLE_EQ(fitness_turi(mask, centroids, clusters), 5.0);
    EXPECT_EQ(clusters[0].class_index, 1);
    // Arriving with an inactive or impossible class, it cannot be measured
    // against that centroid and joins the active one.
    for (std::int32_t stale : {0, 2, 256, -1}) {
        clusters = make_clusters({{0, 2}}, stale);
        EXPECT_DOUBLE_EQ(fitness_turi(mask, centroids, clusters), 5.0) << stale;
        EXPECT_EQ(clusters[0].class_index, 1) << stale;
    }
}

TEST(Turi, NoPixelsAtAllIsUndefined) {
    std::vector<bool> mask{true};
    std::vector<double> centroids{10};
    std::vector<cluster> clusters(256);
    EXPECT_TRUE(std::isnan(fitness_turi(mask, centroids, clusters)));
}

}  // namespace
}  // namespace strandel
