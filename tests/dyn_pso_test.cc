// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "passes/dyn_pso_pass.h"
#include "test_support.h"

namespace strandel {
namespace {

using testing::recording_progress;
using testing::raw_draws;

std::vector<cluster> make_clusters(std::initializer_list<int> grays) {
    std::vector<cluster> clusters(256);
    for (int g : grays) clusters[g].count = g + 1;
    return clusters;
}

bool all_distinct(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return std::adjacent_find(values.begin(), values.end()) == values.end();
}

// Draws nothing, so the swarm's own use of rand() can be replayed.
int objective_calls = 0;
double count_active(std::vector<bool>& mask, std::vector<double>&, std::vector<cluster>&) {
    ++objective_calls;
    return static_cast<double>(std::count(mask.begin(), mask.end(), true));
}

TEST(GenerateCentroids, PresentGrayLevelsFirstThenDistinctOthers) {
    std::vector<cluster> clusters = make_clusters({3, 90, 200});
    for (unsigned seed = 1; seed < 20; ++seed) {
        std::srand(seed);
        std::vector<double> pool{1, 2};
        generate_centroids(5, pool, clusters);
        ASSERT_EQ(pool.size(), 5u);
        std::vector<double> head(pool.begin(), pool.begin() + 3);
        std::sort(head.begin(), head.end());
        EXPECT_EQ(head, (std::vector<double>{3, 90, 200}));
        EXPECT_TRUE(all_distinct(pool));
    }
    std::vector<cluster> no_pixels(256);
    std::vector<double> pool;
    generate_centroids(256, pool, no_pixels);
    EXPECT_EQ(pool.size(), 256u);
    EXPECT_TRUE(all_distinct(pool));
    generate_centroids(400, pool, no_pixels);
    EXPECT_EQ(pool.size(), 256u);
}

TEST(DynParticle, SeedIsTheActivationThreshold) {
    for (double seed : {1.0, 0.1}) {
        const std::vector<int> raw = raw_draws(21, 40);
        dyn_particle p(40, seed, 3);
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(p.get_current_position()[i], raw[i] % 101 < (seed == 1.0 ? 100 : 10)) << seed;
    }
}

TEST(DynSwarm, ConstructionDrawsAndGlobalBest) {
    std::vector<double> pool{10, 50, 90, 130, 170, 210};
    std::vector<cluster> clusters = make_clusters({10});
    std::srand(17);
    objective_calls = 0;
    dyn_pso_swarm s(0.5, 1, 1, 7, 6, 0.5, 2, pool, clusters, count_active);
    const int next = std::rand();
    // Per particle 6 bit draws and 6 two-call velocities, then r1 and r2.
    EXPECT_EQ(next, raw_draws(17, 7 * (6 + 12) + 12 + 1).back());
    EXPECT_EQ(objective_calls, 7);
    std::size_t fewest = 0;
    for (std::size_t i = 0; i < s.particles().size(); ++i)
        if (s.particles()[i].get_cost() < s.particles()[fewest].get_cost()) fewest = i;
    EXPECT_EQ(s.get_best_dyn_particle_position(), s.particles()[fewest].get_best_position());
}

TEST(DynSwarm, EveryBitIsRedrawnAtEveryMove) {
    // A lone particle is its own and the global best: with zero velocity
    // every bit comes on with probability 1/2, whatever it was.
    std::vector<double> pool{10, 50, 90, 130, 170, 210, 220, 230};
    std::vector<cluster> clusters = make_clusters({10});
    dyn_pso_swarm s(0.5, 1, 1, 1, 8, 0.5, 2, pool, clusters, count_active);
    dyn_particle& p = s.particles()[0];
    std::fill(p.get_velocity().begin(), p.get_velocity().end(), 0.0);
    const std::vector<int> raw = raw_draws(33, 8);
    s.update_dyn_particle(p);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p.get_current_position()[i], raw[i] % 101 <= 49) << i;
}

TEST(DynSwarm, OneMoveTakesEachBitWithTheSigmoidOfItsVelocity) {
    // v' = C2 r2 (g - x) + C1 r1 (b - x) + W v; bit i comes on when a fresh
    // draw in [0, 1] falls below 1 / (1 + e^-v'i). r1 and r2 are the last 2d
    // construction draws (3 particles of d = 4: bits, velocities, r1, r2).
    std::vector<double> pool{10, 50, 90, 130};
    std::vector<cluster> clusters = make_clusters({10});
    const std::vector<int> raw = raw_draws(29, 3 * (4 + 8) + 8);
    const double W = 0.9, C1 = 0.7, C2 = 1.3;
    dyn_pso_swarm s(W, C1, C2, 3, 4, 0.5, 2, pool, clusters, count_active);
    const std::vector<bool> g = s.get_best_dyn_particle_position();
    dyn_particle p = s.particles()[0];
    const std::vector<bool> x{true, false, true, false}, b{false, true, true, false};
    const std::vector<double> v{3, -3, 2.5, -2};
    p.get_current_position() = x;
    p.get_best_position() = b;
    p.get_velocity() = v;
    const std::vector<int> bits = raw_draws(5, 4);
    s.update_dyn_particle(p);
    for (int i = 0; i < 4; ++i) {
        const double r1 = (raw[36 + i] % 101) / 100.0, r2 = (raw[40 + i] % 101) / 100.0;
        const double moved = C2 * r2 * (int(g[i]) - int(x[i])) + C1 * r1 * (int(b[i]) - int(x[i])) + W * v[i];
        EXPECT_DOUBLE_EQ(p.get_velocity()[i], moved) << i;
        EXPECT_EQ(p.get_current_position()[i], (bits[i] % 101) / 100.0 < 1 / (1 + std::exp(-moved))) << i;
    }
}

TEST(DynSwarm, BestCostOnlyFallsAndMatchesItsMask) {
    std::vector<double> pool{10, 50, 90, 130, 170, 210};
    std::vector<cluster> clusters = make_clusters({10, 60, 95, 200});
    std::srand(2);
    dyn_pso_swarm s(0.5, 1.5, 1.5, 6, 6, 0.5, 2, pool, clusters, fitness_turi);
    double previous = s.get_best_dyn_particle_cost();
    for (int i = 0; i < 10; ++i) {
        s.update_swarm();
        EXPECT_LE(s.get_best_dyn_particle_cost(), previous);
        previous = s.get_best_dyn_particle_cost();
        std::vector<cluster> fresh = clusters;
        EXPECT_DOUBLE_EQ(fitness_turi(s.get_best_dyn_particle_position(), pool, fresh), previous);
    }
}

TEST(DynPsoPass, ResultIsTheActiveCandidatesOrThreeFixedCentres) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(centres_from_mask({false, true, false, true}, {40, 200, 90, 15}), (std::vector<double>{200, 15}));
    EXPECT_EQ(centres_from_mask({false, false}, {40, 200}), (std::vector<double>{255, 128, 0}));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              " mask_size: 4 centroid_size: 4 \npushing 1\npushing 3\n"
              " mask_size: 2 centroid_size: 2 \nEMPTY!!!!!!!!!\n");
}

TEST(DynPsoPass, RunChoosesAmongTheCandidatesAndReports) {
    histogram h;
    clear_histogram(h);
    for (int g : {10, 12, 100, 104, 230}) h[g] = 20 + g;
    dyn_pso_pass p;
    EXPECT_STREQ(p.label(), "Dynamic Particle Swarm Optimization");
    EXPECT_EQ(p.parameter_value(5).int_value(), 5);
    p.parameter_value(0).int_value() = 4;
    p.parameter_value(6).double_value() = 0.5;
    recording_progress progress;
    std::srand(12);
    std::vector<double> centres, given{20, 110, 220};
    ::testing::internal::CaptureStdout();
    p(h, centres, &progress);
    p(h, given, &progress);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("the best position: ", 0), 0u) << out;
    EXPECT_NE(out.find(" mask_size: 5 centroid_size: 5 \n"), std::string::npos) << out;
    // A handed-over list of another length sets the mask size.
    EXPECT_NE(out.find(" mask_size: 3 centroid_size: 3 \n"), std::string::npos) << out;
    EXPECT_EQ(progress.fractions, (std::vector<double>{0, 0.25, 0.5, 0.75, 0, 0.25, 0.5, 0.75}));
    for (double c : centres) EXPECT_TRUE(c == 10 || c == 12 || c == 100 || c == 104 || c == 230) << c;
    for (double c : given) EXPECT_TRUE(c == 20 || c == 110 || c == 220) << c;

    clear_histogram(h);  // no pixels: still centres, drawn from 0..255
    centres.clear();
    ::testing::internal::CaptureStdout();
    p(h, centres, &progress);
    ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(centres.empty());
}

}  // namespace
}  // namespace strandel
