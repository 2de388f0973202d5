#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <random>
#include <utility>

#include "evaluation/fitness_function.h"
#include "passes/pso_pass.h"

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

bool is_hundredth(double x) { return std::fabs(x * 100 - std::round(x * 100)) < 1e-9; }

// The next value the C generator would produce after `calls` draws from `seed`.
int value_after(unsigned seed, int calls) {
    std::srand(seed);
    for (int i = 0; i < calls; ++i) std::rand();
    return std::rand();
}

TEST(RandomDraw, UnitRangeUsesOneCallPerDraw) {
    std::srand(7);
    std::vector<int> raw;
    for (int i = 0; i < 50; ++i) raw.push_back(std::rand());
    std::srand(7);
    random draw(0);
    for (int i = 0; i < 50; ++i) {
        const double x = draw();
        EXPECT_EQ(x, (raw[i] % 101) / 100.0);
        EXPECT_TRUE(x >= 0 && x <= 1 && is_hundredth(x));
    }
}

TEST(RandomDraw, WideRangeTakesTheSignFirst) {
    std::srand(11);
    std::vector<int> raw;
    for (int i = 0; i < 100; ++i) raw.push_back(std::rand());
    std::srand(11);
    myrandom draw(5);
    bool saw_negative = false, saw_positive = false;
    for (int i = 0; i < 50; ++i) {
        const double x = draw();
        const int sign = raw[2 * i], magnitude = raw[2 * i + 1] % 501;
        EXPECT_EQ(x, sign % 2 == 1 ? magnitude / 100.0 : magnitude / -100.0);
        EXPECT_TRUE(x >= -5 && x <= 5 && is_hundredth(x));
        saw_negative = saw_negative || x < 0;
        saw_positive = saw_positive || x > 0;
    }
    EXPECT_TRUE(saw_negative && saw_positive);
}

TEST(Particle, PositionIsAShuffleOfThePresentGrayLevels) {
    const histogram h = make_histogram({{3, 1}, {7, 9}, {250, 2}});
    for (unsigned seed = 1; seed < 20; ++seed) {
        std::srand(seed);
        particle p(3, 5, h);
        std::vector<double> sorted = p.get_current_position();
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::vector<double>{3, 7, 250}));
        EXPECT_EQ(p.get_best_position(), p.get_current_position());
        ASSERT_EQ(p.get_velocity().size(), 3u);
        // Two shuffle swaps, then two calls per velocity component.
        const int next = std::rand();
        EXPECT_EQ(next, value_after(seed, 2 + 2 * 3));
    }
}

TEST(Particle, ShuffleSwapsEachEntryWithAnEarlierOne) {
    const histogram h = make_histogram({{3, 1}, {7, 9}, {250, 2}, {251, 1}});
    std::srand(5);
    const int r1 = std::rand(), r2 = std::rand(), r3 = std::rand();
    std::vector<double> expected{3, 7, 250, 251};
    std::swap(expected[1], expected[r1 % 2]);
    std::swap(expected[2], expected[r2 % 3]);
    std::swap(expected[3], expected[r3 % 4]);
    expected.resize(2);
    std::srand(5);
    particle p(2, 1, h);
    EXPECT_EQ(p.get_current_position(), expected);
}

TEST(Particle, FewerGrayLevelsThanCoordinatesAreCompletedWithDistinctOnes) {
    const histogram h = make_histogram({{3, 1}, {7, 9}});
    for (unsigned seed = 1; seed < 10; ++seed) {
        std::srand(seed);
        particle p(6, 2, h);
        const std::vector<double>& x = p.get_current_position();
        ASSERT_EQ(x.size(), 6u);
        std::vector<double> sorted = x;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_TRUE(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
        EXPECT_TRUE((x[0] == 3 && x[1] == 7) || (x[0] == 7 && x[1] == 3));
        for (double g : x) EXPECT_TRUE(g >= 0 && g <= 255 && g == std::floor(g));
        EXPECT_EQ(p.get_velocity().size(), 6u);
    }
    // With no present gray level at all, every coordinate is drawn.
    histogram empty;
    clear_histogram(empty);
    std::srand(3);
    particle p(300, 1, empty);
    EXPECT_EQ(p.get_current_position().size(), 300u);
}

TEST(Swarm, ConstructionDrawOrderAndStartingPoints) {
    // 5 present gray levels, d = 3: each particle shuffles (4 calls) and
    // draws 3 velocities (6 calls); then r1 and r2 take 3 calls each.
    const histogram h = make_histogram({{10, 1}, {60, 2}, {90, 3}, {140, 4}, {220, 5}});
    std::vector<double> centres{30, 100, 200};
    const unsigned seed = 99;
    std::srand(seed);
    swarm s(0.47, 1.49, 1.49, 4, 10, 5, centres, h);
    const int next = std::rand();
    EXPECT_EQ(next, value_after(seed, 4 * (4 + 6) + 6));
    EXPECT_EQ(s.psize(), 3);

    const std::vector<particle>& ps = s.particles();
    ASSERT_EQ(ps.size(), 4u);
    // The last particle starts at the handed-over centres.
    EXPECT_EQ(ps.back().get_current_position(), centres);
    EXPECT_EQ(ps.back().get_best_position(), centres);
    EXPECT_DOUBLE_EQ(ps.back().get_cost(), amrane_fitness_impl(centres, h));
    // The global best is the cheapest particle, the first one among equals.
    std::size_t cheapest = 0;
    for (std::size_t i = 0; i < ps.size(); ++i) {
        EXPECT_DOUBLE_EQ(ps[i].get_cost(), amrane_fitness_impl(ps[i].get_current_position(), h));
        EXPECT_EQ(ps[i].get_cost(), ps[i].get_best_cost());
        if (ps[i].get_cost() < ps[cheapest].get_cost()) cheapest = i;
    }
    EXPECT_EQ(s.get_best_particle_position(), ps[cheapest].get_best_position());
    EXPECT_EQ(s.get_best_cost(), ps[cheapest].get_cost());
}

TEST(Swarm, GlobalBestNeverRises) {
    const histogram h = make_histogram({{10, 1}, {60, 2}, {90, 3}, {140, 4}, {220, 5}, {230, 1}});
    std::vector<double> centres{30, 100, 200};
    std::srand(4);
    swarm s(0.47, 1.49, 1.49, 8, 10, 5, centres, h);
    double previous = s.get_best_cost();
    for (int i = 0; i < 15; ++i) {
        s.update_swarm();
        EXPECT_LE(s.get_best_cost(), previous);
        EXPECT_DOUBLE_EQ(s.get_best_cost(), amrane_fitness_impl(s.get_best_particle_position(), h));
        for (const particle& p : s.particles()) EXPECT_LE(s.get_best_cost(), p.get_best_cost());
        previous = s.get_best_cost();
    }
}

TEST(PsoPass, ParametersAndClone) {
    pso_pass p;
    EXPECT_STREQ(p.label(), "Particle Swarm Optimization");
    ASSERT_EQ(p.nr_parameters(), 7u);
    const char* labels[] = {"Number of Iterations", "W", "C1", "C2", "Swarm Size", "Particle Size",
                            "Velocity Range"};
    const char* descriptions[] = {"Number of passes to apply", "Inertia", "First constant",
                                  "Second constant", "Swarm size", "Partical size", "Velocity Range"};
    for (unsigned i = 0; i < 7; ++i) {
        EXPECT_STREQ(p.parameter_info(i).label(), labels[i]);
        EXPECT_STREQ(p.parameter_info(i).description(), descriptions[i]);
    }
    EXPECT_EQ(p.parameter_info(1).double_start(), 0.1);
    EXPECT_EQ(p.parameter_info(3).double_end(), 3.0);
    EXPECT_EQ(p.parameter_info(5).int_start(), 5);
    EXPECT_EQ(p.parameter_info(5).int_end(), 60);
    EXPECT_EQ(p.parameter_value(0).int_value(), 10);
    EXPECT_EQ(p.parameter_value(1).double_value(), 0.47);
    EXPECT_EQ(p.parameter_value(2).double_value(), 1.49);
    EXPECT_EQ(p.parameter_value(3).double_value(), 1.49);
    EXPECT_EQ(p.parameter_value(4).int_value(), 20);
    EXPECT_EQ(p.parameter_value(5).int_value(), 10);
    EXPECT_EQ(p.parameter_value(6).int_value(), 5);

    std::unique_ptr<pass> copy(p.clone());
    copy->parameter_value(4).int_value() = 7;
    EXPECT_EQ(p.parameter_value(4).int_value(), 20);
    EXPECT_NE(dynamic_cast<pso_pass*>(copy.get()), nullptr);
}

TEST(PsoPass, ClassCountComesFromTheIncomingOrSeededList) {
    const histogram h = make_histogram({{10, 1}, {20, 1}, {60, 2}, {90, 3}, {140, 4}, {220, 4}});
    recording_progress progress;
    std::srand(1);
    std::vector<double> seeded;
    pso_pass()(h, seeded, &progress);
    EXPECT_EQ(seeded.size(), 4u);  // only four different counts

    std::vector<double> given{30, 100, 200};
    pso_pass()(h, given, &progress);
    EXPECT_EQ(given.size(), 3u);
}

TEST(PsoPass, NeverWorseThanTheListItStartsFrom) {
    std::mt19937 gen(3);
    for (int trial = 0; trial < 10; ++trial) {
        histogram h;
        clear_histogram(h);
        for (int g = 0; g < 256; g += 1 + static_cast<int>(gen() % 9)) h[g] = 1 + gen() % 500;
        std::vector<double> centres{double(gen() % 256), double(gen() % 256), double(gen() % 256)};
        const double before = amrane_fitness_impl(centres, h);
        std::srand(trial + 1);
        pso_pass p;
        p.parameter_value(0).int_value() = 3;
        p.parameter_value(4).int_value() = 5;
        recording_progress progress;
        p(h, centres, &progress);
        EXPECT_LE(amrane_fitness_impl(centres, h), before) << "trial " << trial;
    }
}

TEST(PsoPass, ReportsProgressBeforeEachIteration) {
    const histogram h = make_histogram({{10, 1}, {60, 2}, {90, 3}});
    std::vector<double> centres{20, 80};
    pso_pass p;
    p.parameter_value(0).int_value() = 4;
    recording_progress progress;
    p(h, centres, &progress);
    EXPECT_EQ(progress.fractions, (std::vector<double>{0, 0.25, 0.5, 0.75}));
}

TEST(PsoPass, NoPixelsAndNoCentresStayEmpty) {
    histogram h;
    clear_histogram(h);
    std::vector<double> centres;
    recording_progress progress;
    pso_pass()(h, centres, &progress);
    EXPECT_TRUE(centres.empty());
}

}  // namespace
}  // namespace strandel
