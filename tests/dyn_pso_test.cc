#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "passes/dyn_pso_pass.h"

namespace strandel {
namespace {

std::vector<cluster> make_clusters(std::initializer_list<std::pair<int, int>> gray_counts) {
    std::vector<cluster> clusters(256);
    for (const auto& gc : gray_counts) clusters[gc.first].count = gc.second;
    return clusters;
}

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

bool all_distinct(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return std::adjacent_find(values.begin(), values.end()) == values.end();
}

// Counts its calls and draws nothing, so that the swarm's own use of rand()
// can be replayed.
int objective_calls = 0;
double counting_objective(std::vector<bool>& mask, std::vector<double>&, std::vector<cluster>&) {
    ++objective_calls;
    return static_cast<double>(std::count(mask.begin(), mask.end(), true));
}

TEST(GenerateCentroids, PresentGrayLevelsFirstThenOthers) {
    std::vector<cluster> clusters = make_clusters({{3, 1}, {90, 4}, {200, 2}});
    for (unsigned seed = 1; seed < 20; ++seed) {
        std::srand(seed);
        std::vector<double> pool{1, 2};
        generate_centroids(5, pool, clusters);
        ASSERT_EQ(pool.size(), 5u);
        std::vector<double> head(pool.begin(), pool.begin() + 3);
        std::sort(head.begin(), head.end());
        EXPECT_EQ(head, (std::vector<double>{3, 90, 200}));
        EXPECT_TRUE(all_distinct(pool));
        for (double g : pool) EXPECT_TRUE(g >= 0 && g <= 255);
    }
}

TEST(GenerateCentroids, WorksWithoutPixelsAndUpToEveryGrayLevel) {
    std::vector<cluster> clusters(256);
    std::srand(8);
    std::vector<double> pool;
    generate_centroids(256, pool, clusters);
    EXPECT_EQ(pool.size(), 256u);
    EXPECT_TRUE(all_distinct(pool));

    generate_centroids(400, pool, clusters);
    EXPECT_EQ(pool.size(), 256u);  // there are no more distinct gray levels
    generate_centroids(0, pool, clusters);
    EXPECT_TRUE(pool.empty());
}

TEST(DynParticle, SeedIsTheActivationThreshold) {
    for (double seed : {1.0, 0.1}) {
        std::srand(21);
        std::vector<int> raw;
        for (int i = 0; i < 40; ++i) raw.push_back(std::rand());
        std::srand(21);
        dyn_particle p(40, seed, 3);
        for (int i = 0; i < 40; ++i) {
            const int hundredths = raw[i] % 101;
            const bool on = seed == 1.0 ? hundredths < 100 : hundredths <= 9;
            EXPECT_EQ(p.get_current_position()[i], on) << "seed " << seed << " bit " << i;
        }
        EXPECT_EQ(p.get_best_position(), p.get_current_position());
        EXPECT_EQ(p.get_velocity().size(), 40u);
    }
}

TEST(DynSwarm, ConstructionDrawsAndGlobalBest) {
    std::vector<double> pool{10, 50, 90, 130, 170, 210};
    std::vector<cluster> clusters = make_clusters({{10, 1}});
    const unsigned seed = 17;
    std::srand(seed);
    objective_calls = 0;
    dyn_pso_swarm s(0.5, 1, 1, 7, 6, 0.5, 2, pool, clusters, counting_objective);
    const int next = std::rand();
    // Per particle 6 bit draws and 6 two-call velocity draws, then r1 and r2.
    std::srand(seed);
    for (int i = 0; i < 7 * (6 + 12) + 12; ++i) std::rand();
    EXPECT_EQ(next, std::rand());
    EXPECT_EQ(objective_calls, 7);
    EXPECT_EQ(s.psize(), 6);

    std::vector<dyn_particle>& ps = s.particles();
    ASSERT_EQ(ps.size(), 7u);
    std::size_t fewest = 0;
    for (std::size_t i = 0; i < ps.size(); ++i) {
        EXPECT_EQ(ps[i].get_cost(), ps[i].get_best_cost());
        if (ps[i].get_cost() < ps[fewest].get_cost()) fewest = i;
    }
    EXPECT_EQ(s.get_best_dyn_particle_position(), ps[fewest].get_best_position());
    EXPECT_EQ(s.get_best_dyn_particle_cost(), ps[fewest].get_cost());
}

TEST(DynSwarm, EveryBitIsRedrawnAtEveryMove) {
    // One particle: it is its own and the global best, so with a zero
    // velocity every bit is switched on with probability 1/2.
    std::vector<double> pool{10, 50, 90, 130, 170, 210, 220, 230};
    std::vector<cluster> clusters = make_clusters({{10, 1}});
    std::srand(5);
    dyn_pso_swarm s(0.5, 1, 1, 1, 8, 0.5, 2, pool, clusters, counting_objective);
    dyn_particle& p = s.particles()[0];
    std::fill(p.get_velocity().begin(), p.get_velocity().end(), 0.0);
    std::srand(33);
    std::vector<int> raw;
    for (int i = 0; i < 8; ++i) raw.push_back(std::rand());
    std::srand(33);
    objective_calls = 0;
    s.update_dyn_particle(p);
    EXPECT_EQ(objective_calls, 1);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(p.get_velocity()[i], 0.0);
        EXPECT_EQ(p.get_current_position()[i], raw[i] % 101 <= 49) << "bit " << i;
    }
}

TEST(DynSwarm, BestMasksOnlyImprove) {
    std::vector<double> pool{10, 50, 90, 130, 170, 210};
    std::vector<cluster> clusters = make_clusters({{10, 4}, {60, 2}, {95, 1}, {200, 6}});
    std::srand(2);
    dyn_pso_swarm s(0.5, 1.5, 1.5, 6, 6, 0.5, 2, pool, clusters, fitness_turi);
    double previous = s.get_best_dyn_particle_cost();
    for (int i = 0; i < 10; ++i) {
        s.update_swarm();
        EXPECT_LE(s.get_best_dyn_particle_cost(), previous);
        previous = s.get_best_dyn_particle_cost();
        std::vector<bool> best = s.get_best_dyn_particle_position();
        std::vector<cluster> table = clusters;
        EXPECT_DOUBLE_EQ(fitness_turi(best, pool, table), previous);
        for (dyn_particle& p : s.particles()) EXPECT_LE(previous, p.get_best_cost());
    }
}

TEST(DynPsoPass, ActiveCandidatesInPoolOrder) {
    testing::internal::CaptureStdout();
    const std::vector<double> centres = centres_from_mask({false, true, false, true}, {40, 200, 90, 15});
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " mask_size: 4 centroid_size: 4 \npushing 1\npushing 3\n");
    EXPECT_EQ(centres, (std::vector<double>{200, 15}));
}

TEST(DynPsoPass, AnEmptyMaskFallsBackToThreeFixedCentres) {
    testing::internal::CaptureStdout();
    const std::vector<double> centres = centres_from_mask({false, false}, {40, 200});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " mask_size: 2 centroid_size: 2 \nEMPTY!!!!!!!!!\n");
    EXPECT_EQ(centres, (std::vector<double>{255, 128, 0}));
}

TEST(DynPsoPass, ParametersAndClone) {
    dyn_pso_pass p;
    EXPECT_STREQ(p.label(), "Dynamic Particle Swarm Optimization");
    ASSERT_EQ(p.nr_parameters(), 8u);
    const char* labels[] = {"Number of Iterations", "W", "C1", "C2", "Swarm Size", "Particle Size",
                            "Seed", "Velocity Range"};
    const char* descriptions[] = {"Number of passes to apply", "Inertia", "First constant",
                                  "Second constant", "Swarm size", "Particle size",
                                  "Seed to initialize dyn_particles", "Velocity Range"};
    for (unsigned i = 0; i < 8; ++i) {
        EXPECT_STREQ(p.parameter_info(i).label(), labels[i]);
        EXPECT_STREQ(p.parameter_info(i).description(), descriptions[i]);
    }
    EXPECT_EQ(p.parameter_value(0).int_value(), 1);
    EXPECT_EQ(p.parameter_value(1).double_value(), 0.1);
    EXPECT_EQ(p.parameter_value(5).int_value(), 5);
    EXPECT_EQ(p.parameter_value(6).double_value(), 0.1);
    EXPECT_EQ(p.parameter_value(7).int_value(), 1);
    std::unique_ptr<pass> copy(p.clone());
    copy->parameter_value(0).int_value() = 9;
    EXPECT_EQ(p.parameter_value(0).int_value(), 1);
}

TEST(DynPsoPass, RunChoosesAmongTheCandidatesAndReports) {
    const histogram h = make_histogram({{10, 40}, {12, 30}, {100, 50}, {104, 20}, {230, 60}});
    dyn_pso_pass p;
    p.parameter_value(0).int_value() = 4;
    p.parameter_value(6).double_value() = 0.5;
    recording_progress progress;
    std::srand(12);
    std::vector<double> centres;
    testing::internal::CaptureStdout();
    p(h, centres, &progress);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("the best position: ", 0), 0u) << out;
    EXPECT_NE(out.find(" mask_size: 5 centroid_size: 5 \n"), std::string::npos) << out;
    EXPECT_EQ(progress.fractions, (std::vector<double>{0, 0.25, 0.5, 0.75}));
    ASSERT_FALSE(centres.empty());
    for (double c : centres)
        EXPECT_TRUE(c == 10 || c == 12 || c == 100 || c == 104 || c == 230) << c;
}

TEST(DynPsoPass, AHandedOverListSetsTheMaskSize) {
    const histogram h = make_histogram({{10, 40}, {100, 50}, {230, 60}});
    dyn_pso_pass p;
    p.parameter_value(6).double_value() = 0.5;
    recording_progress progress;
    std::srand(3);
    std::vector<double> centres{20, 110, 220};
    testing::internal::CaptureStdout();
    p(h, centres, &progress);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(" mask_size: 3 centroid_size: 3 \n"), std::string::npos) << out;
    for (double c : centres) EXPECT_TRUE(c == 20 || c == 110 || c == 220) << c;
}

}  // namespace
}  // namespace strandel
