// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "evaluation/fitness_function.h"
#include "passes/pso_pass.h"
#include "test_support.h"

namespace strandel {
namespace {

using testing::recording_progress;
using testing::raw_draws;

histogram make_histogram(std::initializer_list<int> grays) {
    histogram h;
    clear_histogram(h);
    int count = 1;
    for (int g : grays) h[g] = count++;
    return h;
}

int value_after(unsigned seed, int calls) { return raw_draws(seed, calls + 1).back(); }

TEST(RandomDraw, HundredthsWithTheSignDrawnFirst) {
    std::vector<int> raw = raw_draws(7, 50);
    random unit(0);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(unit(), (raw[i] % 101) / 100.0);
    raw = raw_draws(11, 100);
    myrandom wide(5);
    for (int i = 0; i < 50; ++i) {
        const int magnitude = raw[2 * i + 1] % 501;
        EXPECT_EQ(wide(), raw[2 * i] % 2 == 1 ? magnitude / 100.0 : magnitude / -100.0);
    }
}

TEST(Particle, PositionIsAShuffleOfThePresentGrayLevels) {
    const histogram h = make_histogram({3, 7, 250});
    for (unsigned seed = 1; seed < 20; ++seed) {
        std::srand(seed);
        particle p(3, 5, h);
        const int next = std::rand();
        EXPECT_EQ(next, value_after(seed, 2 + 2 * 3));  // two swaps, three velocities
        std::vector<double> sorted = p.get_current_position();
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::vector<double>{3, 7, 250}));
        EXPECT_EQ(p.get_best_position(), p.get_current_position());
    }
}

TEST(Particle, ShuffleSwapsEachEntryWithOneAtOrBeforeIt) {
    const std::vector<int> raw = raw_draws(5, 3);
    std::vector<double> expected{3, 7, 250, 251};
    for (std::size_t i = 1; i < 4; ++i) std::swap(expected[i], expected[raw[i - 1] % (i + 1)]);
    expected.resize(2);
    EXPECT_EQ(particle(2, 1, make_histogram({3, 7, 250, 251})).get_current_position(), expected);
}

TEST(Particle, FewerGrayLevelsThanCoordinatesAreCompletedWithDistinctOnes) {
    for (unsigned seed = 1; seed < 10; ++seed) {
        std::srand(seed);
        particle p(6, 2, make_histogram({3, 7}));
        std::vector<double> x = p.get_current_position();
        ASSERT_EQ(x.size(), 6u);
        EXPECT_TRUE((x[0] == 3 && x[1] == 7) || (x[0] == 7 && x[1] == 3));
        std::sort(x.begin(), x.end());
        EXPECT_TRUE(std::adjacent_find(x.begin(), x.end()) == x.end());
    }
    std::srand(3);
    EXPECT_EQ(particle(300, 1, make_histogram({})).get_current_position().size(), 300u);
}

TEST(Swarm, ConstructionDrawOrderAndStartingPoints) {
    // Per particle: 4 shuffle calls and 3 two-call velocities; then r1, r2.
    const histogram h = make_histogram({10, 60, 90, 140, 220});
    std::vector<double> centres{30, 100, 200};
    std::srand(99);
    swarm s(0.47, 1.49, 1.49, 4, 10, 5, centres, h);
    const int next = std::rand();
    EXPECT_EQ(next, value_after(99, 4 * (4 + 6) + 6));

    const std::vector<particle>& ps = s.particles();
    EXPECT_EQ(ps.back().get_current_position(), centres);
    EXPECT_DOUBLE_EQ(ps.back().get_cost(), amrane_fitness_impl(centres, h));
    std::size_t cheapest = 0;
    for (std::size_t i = 0; i < ps.size(); ++i)
        if (ps[i].get_cost() < ps[cheapest].get_cost()) cheapest = i;
    EXPECT_EQ(s.get_best_particle_position(), ps[cheapest].get_best_position());
}

TEST(Swarm, EveryParticleCompletesItsPositionBeforeItsVelocity) {
    // The last particle draws its completion too, though it then starts at
    // the centres handed over.
    std::vector<double> centres{20, 80, 140};
    for (unsigned seed = 1; seed < 10; ++seed) {
        std::srand(seed);
        swarm s(0.47, 1.49, 1.49, 2, 10, 5, centres, make_histogram({3, 7}));
        const int next = std::rand();
        std::srand(seed);
        for (int particle = 0; particle < 2; ++particle) {
            std::rand();
            int g;
            do g = std::rand() % 256;
            while (g == 3 || g == 7);
            for (int i = 0; i < 2 * 3; ++i) std::rand();
        }
        for (int i = 0; i < 2 * 3; ++i) std::rand();
        EXPECT_EQ(next, std::rand()) << "seed " << seed;
    }
}

TEST(Swarm, OneUpdateFollowsTheVelocityFormula) {
    // v' = C2 r2 (g - x) + C1 r1 (b - x) + W v, x' = x + v', with r1 and r2
    // the swarm's last 2d construction draws. C1 differs from C2 and the
    // particle's own best from its position, so that every term shows.
    const histogram h = make_histogram({10, 60, 90, 140, 220});
    std::vector<double> centres{30, 100, 200};
    const std::vector<int> raw = raw_draws(17, 4 * (4 + 6) + 6);
    const double W = 0.47, C1 = 1.2, C2 = 2.1;
    swarm s(W, C1, C2, 4, 10, 5, centres, h);
    const std::vector<double> g = s.get_best_particle_position();

    particle p = s.particles()[1];
    const std::vector<double> x{50, 120, 250}, b{20, 130, 180}, v{1.5, -2.25, 4};
    p.get_current_position() = x;
    p.get_best_position() = b;
    p.get_velocity() = v;
    p.set_best_cost(1e9);  // any cost is better: the best follows
    s.update_particle(p);
    for (int i = 0; i < 3; ++i) {
        const double r1 = (raw[40 + i] % 101) / 100.0, r2 = (raw[43 + i] % 101) / 100.0;
        const double moved = C2 * r2 * (g[i] - x[i]) + C1 * r1 * (b[i] - x[i]) + W * v[i];
        EXPECT_DOUBLE_EQ(p.get_velocity()[i], moved) << "coordinate " << i;
        EXPECT_DOUBLE_EQ(p.get_current_position()[i], x[i] + moved) << "coordinate " << i;
    }
    EXPECT_DOUBLE_EQ(p.get_cost(), amrane_fitness_impl(p.get_current_position(), h));
    EXPECT_EQ(p.get_best_position(), p.get_current_position());

    // A worse cost leaves the particle's best where it was.
    p.get_best_position() = b;
    p.set_best_cost(-1);
    s.update_particle(p);
    EXPECT_EQ(p.get_best_position(), b);
    EXPECT_EQ(p.get_best_cost(), -1);
}

TEST(PsoPass, DefaultsAndClassCount) {
    pso_pass p;
    EXPECT_STREQ(p.label(), "Particle Swarm Optimization");
    EXPECT_STREQ(p.parameter_info(5).description(), "Partical size");
    EXPECT_EQ(p.parameter_value(1).double_value(), 0.47);
    EXPECT_EQ(p.parameter_value(4).int_value(), 20);
    EXPECT_EQ(p.parameter_value(6).int_value(), 5);
    recording_progress progress;
    std::srand(1);
    std::vector<double> seeded;
    histogram four_counts = make_histogram({10, 20, 60, 90, 140, 220});
    four_counts[20] = four_counts[10];
    four_counts[220] = four_counts[140];
    p(four_counts, seeded, &progress);
    EXPECT_EQ(seeded.size(), 4u);
    std::vector<double> given{30, 100, 200};
    p(four_counts, given, &progress);
    EXPECT_EQ(given.size(), 3u);
    std::vector<double> none;
    p(make_histogram({}), none, &progress);
    EXPECT_TRUE(none.empty());
}

TEST(PsoPass, NeverWorseThanTheListItStartsFromAndReportsBeforeEachIteration) {
    std::mt19937 gen(3);
    pso_pass p;
    p.parameter_value(0).int_value() = 4;
    p.parameter_value(4).int_value() = 5;
    for (int trial = 0; trial < 10; ++trial) {
        histogram h = make_histogram({});
        for (int g = 0; g < 256; g += 1 + static_cast<int>(gen() % 9)) h[g] = 1 + gen() % 500;
        std::vector<double> centres{double(gen() % 256), double(gen() % 256), double(gen() % 256)};
        const double before = amrane_fitness_impl(centres, h);
        std::srand(trial + 1);
        recording_progress progress;
        p(h, centres, &progress);
        EXPECT_LE(amrane_fitness_impl(centres, h), before) << "trial " << trial;
        EXPECT_EQ(progress.fractions, (std::vector<double>{0, 0.25, 0.5, 0.75}));
    }
}

}  // namespace
}  // namespace strandel
