// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/histogram.h"
#include "passes/ainet_pass.h"
#include "passes/immune_system.h"

namespace strandel {
namespace {

using gray_network = immune_system<unsigned char>;

class recording_progress : public progress_indicator {
public:
    void operator()(double fraction) override { fractions.push_back(fraction); }
    std::vector<double> fractions;
};

histogram empty_histogram() {
    histogram h;
    clear_histogram(h);
    return h;
}

ainet_pass make_pass(int iterations, int sigma_s, int sigma_d, int best, double zeta) {
    ainet_pass p;
    p.parameter_value(0).int_value() = iterations;
    p.parameter_value(1).int_value() = sigma_s;
    p.parameter_value(2).int_value() = sigma_d;
    p.parameter_value(3).int_value() = best;
    p.parameter_value(4).double_value() = zeta;
    return p;
}

std::vector<unsigned char> antibodies(const gray_network& net) { return {net.begin(), net.end()}; }

TEST(AinetPass, DefaultsAndClone) {
    ainet_pass p;
    EXPECT_STREQ(p.label(), "AiNet");
    ASSERT_EQ(p.nr_parameters(), 5u);
    EXPECT_EQ(p.parameter_value(0).int_value(), 1);
    EXPECT_EQ(p.parameter_value(1).int_value(), 30);
    EXPECT_EQ(p.parameter_value(2).int_value(), 10);
    EXPECT_EQ(p.parameter_value(3).int_value(), 3);
    EXPECT_EQ(p.parameter_value(4).double_value(), 0.3);
    EXPECT_STREQ(p.parameter_info(4).label(), "Zeta (%)");
    testing::internal::CaptureStdout();
    p.print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "AiNet 1,30,10,3,0.300000 \n");

    pass* copy = p.clone();
    copy->parameter_value(1).int_value() = 99;
    EXPECT_STREQ(copy->label(), "AiNet");
    EXPECT_EQ(p.parameter_value(1).int_value(), 30);
    delete copy;
}

TEST(AinetPass, TwoPixelsFarApartBecomeTwoClasses) {
    histogram h = empty_histogram();
    h[0] = 1;
    h[200] = 1;
    const ainet_pass p;
    std::vector<double> fast, literal;
    p(h, fast, nullptr);
    ainet_present_every_pixel(p, h, literal, nullptr);
    EXPECT_EQ(fast, (std::vector<double>{0, 200}));
    EXPECT_EQ(literal, fast);
}

TEST(AinetPass, SeedsTruncatedCentresToTheirLowEightBits) {
    const ainet_pass p;
    std::vector<double> centres{12.9, 300.0};
    p(empty_histogram(), centres, nullptr);
    EXPECT_EQ(centres, (std::vector<double>{12, 44}));

    const double inf = std::numeric_limits<double>::infinity();
    // Exact low bits far beyond int and long (a swarm leaves such centres);
    // NaN and the infinities give 0.
    const std::vector<std::pair<double, int> > seeds{
        {-0.9, 0}, {-1.0, 255}, {255.99, 255}, {256.0, 0}, {-2147483648.9, 0}, {2147483647.9, 255},
        {2147483648.0 + 300.7, 44}, {-2147483648.0 - 3.5, 253}, {-2.76e10 - 3.0, 253}, {std::ldexp(1.0, 59) + 128, 128},
        {-std::ldexp(1.0, 59) - 128, 128}, {std::ldexp(1.0, 59) + 384, 128}, {9.3e18, 0}, {-9.3e18, 0},
        {1e300, 0}, {inf, 0}, {-inf, 0}, {-1e300, 0}, {std::nan(""), 0}};
    for (const auto& [centre, antibody] : seeds) EXPECT_EQ(ainet_seed_antibody(centre), antibody) << centre;
}

TEST(AinetPass, ProgressClimbsToOneOncePerIteration) {
    histogram h = empty_histogram();
    h[3] = 5;
    h[100] = 15;
    h[255] = 20;
    recording_progress progress;
    std::vector<double> centres;
    make_pass(3, 30, 10, 3, 0.3)(h, centres, &progress);
    ASSERT_EQ(progress.fractions.size(), 3u * 256);
    for (int it = 0; it < 3; ++it) {
        const double* f = &progress.fractions[it * 256];
        EXPECT_EQ(f[2], 0.0);
        EXPECT_EQ(f[3], 0.125);
        EXPECT_EQ(f[99], 0.125);
        EXPECT_EQ(f[100], 0.5);
        EXPECT_EQ(f[254], 0.5);
        EXPECT_EQ(f[255], 1.0);
    }
}

TEST(AinetPass, EmptyImageReportsDoneInsteadOfNaN) {
    recording_progress progress;
    std::vector<double> centres{7};
    ainet_pass()(empty_histogram(), centres, &progress);
    ASSERT_EQ(progress.fractions.size(), 256u);
    for (double f : progress.fractions) EXPECT_EQ(f, 1.0);
    EXPECT_EQ(centres, (std::vector<double>{7}));
}

TEST(AinetPass, RejectsBadParametersAndCountsWithoutTouchingCentres) {
    histogram h = empty_histogram();
    h[10] = 4;
    const std::vector<double> before{1, 2, 3};
    auto expect_error = [&](const pass& p, const histogram& hist, const std::string& fragment) {
        std::vector<double> centres = before;
        try {
            p(hist, centres, nullptr);
            ADD_FAILURE() << "no error for " << fragment;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
        }
        EXPECT_EQ(centres, before);
    };
    expect_error(make_pass(0, 30, 10, 3, 0.3), h, "\"Number of Iterations\" is 0");
    expect_error(make_pass(1, 256, 10, 3, 0.3), h, "\"Sigma_S\" is 256; it must be from 10 to 255");
    expect_error(make_pass(1, 30, 9, 3, 0.3), h, "\"Sigma_D\" is 9");
    expect_error(make_pass(1, 30, 10, -1, 0.3), h, "\"N\" is -1");
    expect_error(make_pass(1, 30, 10, 3, 1.5), h, "\"Zeta (%)\" is 1.5");
    expect_error(make_pass(1, 30, 10, 3, std::nan("")), h, "\"Zeta (%)\" is nan");
    ainet_pass wrong_type;
    wrong_type.parameter_value(4) = param(1);
    expect_error(wrong_type, h, "\"Zeta (%)\" holds a value of type 0");

    histogram negative = h;
    negative[17] = -3;
    expect_error(ainet_pass(), negative, "gray level 17 is -3");
}

TEST(ImmuneSystem, MutationMovesSeventyPercentTowardsTheAntigen) {
    const gray_network net(30, 10, 3, 0.3);
    unsigned char a = 100;
    net.mutate(&a, 50);
    EXPECT_EQ(a, 65);
    a = 100;
    net.mutate(&a, 150);
    EXPECT_EQ(a, 135);
    a = 100;
    net.mutate(&a, 99);
    EXPECT_EQ(a, 100);
    a = 255;
    net.mutate(&a, 0);
    EXPECT_EQ(a, 77);
}

TEST(ImmuneSystem, ReselectionKeepsEveryCloneOnlyWhenNoneWouldBeKept) {
    // Network {100, 120} and antigen 104: one clone each, mutated to 102 and
    // 109; both closer than Sigma_D and more than Sigma_S apart.
    std::vector<unsigned char> clones;
    gray_network few(5, 10, 3, 0.3);  // m = int(2 * 0.3) = 0: all stay
    few.insert(100);
    few.insert(120);
    few.stimulate(104, clones);
    EXPECT_EQ(clones, (std::vector<unsigned char>{102, 109}));

    gray_network half(5, 10, 3, 0.5);  // m = 1: only the nearest stays
    half.insert(100);
    half.insert(120);
    half.stimulate(104, clones);
    EXPECT_EQ(clones, (std::vector<unsigned char>{102}));
}

TEST(ImmuneSystem, SuppressionRemovesFarClonesAndNearDuplicates) {
    std::vector<unsigned char> clones;
    // Antibody 104 equals the antigen: S = 2 clones of 104; 150 gives
    // int(2 / 46 + 1) = 1 clone at 118, 14 away: at Sigma_D 14 it dies.
    gray_network net(5, 14, 3, 1.0);
    net.insert(104);
    net.insert(150);
    net.stimulate(104, clones);
    EXPECT_EQ(clones, (std::vector<unsigned char>{104}));  // the twin 104 is suppressed

    gray_network wider(5, 15, 3, 1.0);  // 118 now survives clonal suppression
    wider.insert(104);
    wider.insert(150);
    wider.stimulate(104, clones);
    EXPECT_EQ(clones, (std::vector<unsigned char>{104, 118}));
}

TEST(ImmuneSystem, SelectionReordersTheNetworkAndClonesTheNearest) {
    gray_network net(10, 255, 3, 1.0);
    for (unsigned char a : {200, 10, 90, 250, 100, 0}) net.insert(a);
    std::vector<unsigned char> clones;
    net.stimulate(95, clones);
    std::vector<unsigned char> front(net.begin(), net.begin() + 3);
    std::sort(front.begin(), front.end());
    EXPECT_EQ(front, (std::vector<unsigned char>{10, 90, 100}));
    EXPECT_EQ(net.size(), 6u);
    // 90 and 100 give two clones each, at 93 and 97, too near each other for
    // both to stay; 10 gives one clone at 69. Which of 93 and 97 survives
    // depends on the order the selection left.
    std::sort(clones.begin(), clones.end());
    ASSERT_EQ(clones.size(), 2u);
    EXPECT_EQ(clones[0], 69);
    EXPECT_TRUE(clones[1] == 93 || clones[1] == 97) << int(clones[1]);
}

TEST(ImmuneSystem, AnAntigenEqualToAnAntibodyAddsNothingWhenSigmaDIsAtMostSigmaS) {
    std::mt19937 gen(11);
    for (int t = 0; t < 500; ++t) {
        const int sigma_s = std::uniform_int_distribution<int>(10, 255)(gen);
        const int sigma_d = std::uniform_int_distribution<int>(10, sigma_s)(gen);
        gray_network net(sigma_s, sigma_d, std::uniform_int_distribution<int>(3, 10)(gen),
                         std::uniform_real_distribution<double>(0.3, 1.0)(gen));
        const int seeds = std::uniform_int_distribution<int>(1, 20)(gen);
        for (int i = 0; i < seeds; ++i) net.insert(static_cast<unsigned char>(gen()));
        const unsigned char antigen = *(net.begin() + gen() % seeds);
        net.stimulate(clone_iterator<unsigned char>(antigen, 3), clone_iterator<unsigned char>(antigen, 0));
        EXPECT_EQ(net.size(), static_cast<std::size_t>(seeds));
    }
}

// Skipping repeated states must be invisible: same antibodies in the same
// order as presenting every antigen.
TEST(ImmuneSystem, RepeatedPresentationMatchesPresentingEachAntigen) {
    std::mt19937 gen(3);
    for (int t = 0; t < 3000; ++t) {
        const int sigma_s = std::uniform_int_distribution<int>(10, 255)(gen);
        const int sigma_d = std::uniform_int_distribution<int>(10, 255)(gen);
        const int best = std::uniform_int_distribution<int>(3, 10)(gen);
        const double zeta = std::uniform_real_distribution<double>(0.3, 1.0)(gen);
        gray_network fast(sigma_s, sigma_d, best, zeta), literal(sigma_s, sigma_d, best, zeta);
        const int seeds = std::uniform_int_distribution<int>(0, 40)(gen);
        for (int i = 0; i < seeds; ++i) {
            const unsigned char a = static_cast<unsigned char>(gen());
            fast.insert(a);
            literal.insert(a);
        }
        for (int step = 0; step < 8; ++step) {
            const unsigned char antigen = static_cast<unsigned char>(gen());
            const std::uint32_t count = std::uniform_int_distribution<std::uint32_t>(0, 400)(gen);
            const std::uint64_t made = fast.stimulate_repeatedly(antigen, count);
            literal.stimulate(clone_iterator<unsigned char>(antigen, count),
                              clone_iterator<unsigned char>(antigen, 0));
            EXPECT_LE(made, count);
            ASSERT_EQ(antibodies(fast), antibodies(literal))
                << "case " << t << " step " << step << " antigen " << int(antigen) << " count " << count;
        }
    }
}

histogram random_histogram(std::mt19937& gen, std::int32_t dense_max) {
    histogram h = empty_histogram();
    const int shape = gen() % 4;
    const int levels = shape == 0 ? 1 + gen() % 4 : shape == 1 ? 5 + gen() % 40 : 256;
    const std::int32_t max_count = shape == 3 ? dense_max : (gen() % 2 ? 3 : 2000);
    for (int i = 0; i < levels; ++i) {
        const unsigned g = shape == 2 || shape == 3 ? i : gen() % 256;
        h[g] = std::uniform_int_distribution<std::int32_t>(shape == 0 ? 1 : 0, max_count)(gen);
    }
    return h;
}

std::vector<double> random_centres(std::mt19937& gen) {
    std::vector<double> centres;
    const int n = gen() % 8;
    for (int i = 0; i < n; ++i) {
        switch (gen() % 5) {
            case 0: centres.push_back(300.0); break;
            case 1: centres.push_back(-std::uniform_real_distribution<double>(0, 300)(gen)); break;
            case 2: centres.push_back(centres.empty() ? 0.5 : centres.back()); break;  // duplicate
            default: centres.push_back(std::uniform_real_distribution<double>(0, 256)(gen));
        }
    }
    return centres;
}

void expect_same_as_every_pixel(const ainet_pass& p, const histogram& h, const std::vector<double>& seeds,
                                const std::string& what) {
    std::vector<double> fast = seeds, literal = seeds;
    recording_progress fast_progress, literal_progress;
    p(h, fast, &fast_progress);
    ainet_present_every_pixel(p, h, literal, &literal_progress);
    EXPECT_EQ(fast, literal) << what;
    EXPECT_EQ(fast_progress.fractions, literal_progress.fractions) << what;
}

TEST(AinetPass, SameResultAndProgressAsPresentingEveryPixel) {
    std::mt19937 gen(2026);
    for (int t = 0; t < 150; ++t) {
        const ainet_pass p = make_pass(std::uniform_int_distribution<int>(1, 3)(gen),
                                       std::uniform_int_distribution<int>(10, 255)(gen),
                                       std::uniform_int_distribution<int>(10, 255)(gen),
                                       std::uniform_int_distribution<int>(3, 10)(gen),
                                       std::uniform_real_distribution<double>(0.3, 1.0)(gen));
        expect_same_as_every_pixel(p, random_histogram(gen, 8000), random_centres(gen), "case " + std::to_string(t));
    }
    // The ends of the parameter ranges, with many iterations.
    std::mt19937 ends(7);
    for (int sigma_s : {10, 255})
        for (int sigma_d : {10, 255})
            for (int best : {3, 10})
                for (double zeta : {0.3, 1.0})
                    expect_same_as_every_pixel(make_pass(10, sigma_s, sigma_d, best, zeta), random_histogram(ends, 1000),
                                               random_centres(ends), "range ends");
}

TEST(AinetPass, SameResultAsPresentingEveryPixelOfLargeImages) {
    std::mt19937 gen(99);
    for (int t = 0; t < 4; ++t) {
        histogram h = empty_histogram();
        // A few gray levels with millions of pixels, some with a handful.
        for (int i = 0; i < 3; ++i) h[gen() % 256] = std::uniform_int_distribution<std::int32_t>(1000000, 3000000)(gen);
        for (int i = 0; i < 20; ++i) h[gen() % 256] += gen() % 5;
        const ainet_pass p = make_pass(2, std::uniform_int_distribution<int>(10, 80)(gen), 10 + t * 20, 3 + t, 0.3);
        expect_same_as_every_pixel(p, h, random_centres(gen), "large case " + std::to_string(t));
    }
}

}  // namespace
}  // namespace strandel
