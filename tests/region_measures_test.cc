// SPDX-License-Identifier: GPL-3.0-or-later
// Hand-checked values and degenerate cases of the contingency-table
// measures; the peers' agreement on random label planes is the measures.
// group's (tests/measures/check_region_measures.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <stdexcept>

#include "evaluation/contingency_table.h"
#include "evaluation/label_pair_counts.h"
#include "evaluation/matched_regions.h"
#include "evaluation/region_measures.h"

namespace strandel {
namespace {

// Each pixel's gray level is its class (lookup: identity).
contingency_table table_of(const std::vector<unsigned char>& classes, const std::vector<std::uint16_t>& labels) {
    label_pair_counts counts;
    counts.add_pixels(classes.data(), labels.data(), classes.size());
    class_lookup identity;
    for (int g = 0; g < 256; ++g) identity[static_cast<std::size_t>(g)] = g;
    return make_contingency_table(counts.pairs(), identity);
}

TEST(LabelPairCounts, SparseAndDenseLabelsCountLikeAMap) {
    std::mt19937 random(5);
    label_pair_counts counts;
    std::map<std::pair<std::uint16_t, unsigned char>, std::uint64_t> expected;
    for (int round = 0; round < 2; ++round) {
        counts.clear();
        expected.clear();
        // Enough distinct 16-bit pairs to grow the hash table several times.
        for (int i = 0; i < 200000; ++i) {
            const unsigned char gray = static_cast<unsigned char>(random() % 256);
            const std::uint16_t label = static_cast<std::uint16_t>(i % 3 ? random() % 300 : 256 + random() % 65280);
            counts.add(gray, label);
            ++expected[{label, gray}];
        }
        const std::vector<label_pair> pairs = counts.pairs();
        ASSERT_EQ(pairs.size(), expected.size());
        auto it = expected.begin();
        for (const label_pair& p : pairs) {
            EXPECT_EQ(std::make_pair(p.label, p.gray), it->first);
            EXPECT_EQ(p.count, it->second);
            ++it;
        }
    }
}

TEST(LabelPairCounts, EightBitCountsOfTheJaccardWalkGiveTheSamePairs) {
    gray_label_counts eight;
    label_pair_counts sixteen;
    for (int i = 0; i < 5000; ++i) {
        const unsigned char g = static_cast<unsigned char>(i * 7 % 256), l = static_cast<unsigned char>(i * 13 % 17);
        eight.add(g, l);
        sixteen.add(g, l);
    }
    const std::vector<label_pair> a = label_pairs_of(eight), b = sixteen.pairs();
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].gray, b[i].gray);
        EXPECT_EQ(a[i].label, b[i].label);
        EXPECT_EQ(a[i].count, b[i].count);
    }
}

TEST(ContingencyTable, RowsAreTheClassesThatHoldPixels) {
    // Gray levels 10 and 30 go to class 0 and 2 of three centres; class 1
    // (centre 100) gets no pixel and is no row.
    label_pair_counts counts;
    counts.add(10, 7);
    counts.add(10, 7);
    counts.add(30, 9);
    counts.add(200, 9);
    const contingency_table t = make_contingency_table(counts.pairs(), class_lookup_of({15, 100, 250}));
    EXPECT_EQ(t.class_of_row, (std::vector<int>{0, 2}));
    EXPECT_EQ(t.label_of_column, (std::vector<std::uint16_t>{7, 9}));
    EXPECT_EQ(t.row_pixels, (std::vector<std::uint64_t>{3, 1}));
    EXPECT_EQ(t.column_pixels, (std::vector<std::uint64_t>{2, 2}));
    EXPECT_EQ(t.pixels, 4u);
    ASSERT_EQ(t.cells.size(), 3u);
    EXPECT_EQ(t.cells[1].row, 0);
    EXPECT_EQ(t.cells[1].column, 1);
    EXPECT_EQ(t.cells[1].count, 1u);

    // A label counted only zero times holds no pixel: no column, so the
    // matched measures do not divide by a region that is not there.
    const contingency_table z =
        make_contingency_table({{10, 3, 0}, {10, 7, 2}, {30, 8, 0}, {200, 8, 0}}, class_lookup_of({15, 100, 250}));
    EXPECT_EQ(z.label_of_column, (std::vector<std::uint16_t>{7}));
    EXPECT_EQ(z.column_pixels, (std::vector<std::uint64_t>{2}));
    EXPECT_DOUBLE_EQ(matched_jaccard(z), 1.0);
}

TEST(ContingencyTable, RefusesGrayLevelsWithoutClassAndUnorderedPairs) {
    EXPECT_THROW(make_contingency_table({{3, 1, 1}}, class_lookup_of({})), std::invalid_argument);
    EXPECT_THROW(make_contingency_table({{3, 5, 1}, {3, 2, 1}}, class_lookup_of({1})), std::invalid_argument);
}

// S = 0 0 1 1, G = 0 0 0 1: cells 2, 1, 1; classes of 2 and 2 pixels,
// regions of 3 and 1.
TEST(RegionMeasures, HandCheckedFourPixels) {
    const contingency_table t = table_of({0, 0, 1, 1}, {0, 0, 0, 1});
    // Pairs: together in both 1, in S 2, in G 3, of 6: (6 + 2 - 2 - 3) / 6.
    EXPECT_DOUBLE_EQ(rand_index(t), 0.5);
    // Expected index 2 x 3 / 6 = 1 equals the index: no better than chance.
    EXPECT_DOUBLE_EQ(adjusted_rand(t), 0.0);
    EXPECT_DOUBLE_EQ(variation_of_information(t), 0.5 * std::log(1.5) + 0.25 * std::log(6.0) + 0.25 * std::log(2.0));
    // S in G: 0 + 1/2 + 1/2; G in S: 2/3 + 2/3 + 0; the smaller over 4 pixels.
    EXPECT_DOUBLE_EQ(global_consistency_error(t), 0.25);
    // Region 0 best with class 0 (2/3), region 1 with class 1 (1/2).
    EXPECT_DOUBLE_EQ(covering(t), (3 * 2.0 / 3 + 1 * 0.5) / 4);
    const matched_overlap m = match_regions(t);
    EXPECT_DOUBLE_EQ(m.jaccard, (2.0 / 3 + 0.5) / 2);
    EXPECT_DOUBLE_EQ(m.dice, (0.8 + 2.0 / 3) / 2);
    EXPECT_EQ(m.pairs, (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
}

TEST(RegionMeasures, DegenerateTables) {
    const contingency_table empty = table_of({}, {});
    EXPECT_EQ(rand_index(empty), 1.0);
    EXPECT_EQ(adjusted_rand(empty), 1.0);
    EXPECT_EQ(variation_of_information(empty), 0.0);
    EXPECT_EQ(global_consistency_error(empty), 0.0);
    EXPECT_EQ(covering(empty), 1.0);
    EXPECT_EQ(matched_jaccard(empty), 1.0);

    const contingency_table one = table_of({4, 4, 4}, {9, 9, 9});
    EXPECT_EQ(rand_index(one), 1.0);
    EXPECT_EQ(adjusted_rand(one), 1.0);
    EXPECT_EQ(variation_of_information(one), 0.0);
    EXPECT_EQ(covering(one), 1.0);
    EXPECT_EQ(matched_dice(one), 1.0);

    // Four one-pixel classes in one region: S refines G (GCE 0), but three
    // classes are left without a region and the one paired covers 1/4.
    const contingency_table split = table_of({0, 1, 2, 3}, {5, 5, 5, 5});
    EXPECT_EQ(global_consistency_error(split), 0.0);
    EXPECT_EQ(adjusted_rand(split), 0.0);
    EXPECT_DOUBLE_EQ(matched_jaccard(split), 0.25 / 4);
    EXPECT_DOUBLE_EQ(variation_of_information(split), std::log(4.0));
}

// The largest summed Jaccard index over every one-to-one pairing, by
// trying them all (the smaller side's items choose distinct partners).
double best_by_enumeration(const contingency_table& t) {
    std::vector<std::vector<double>> j(static_cast<std::size_t>(t.rows()), std::vector<double>(static_cast<std::size_t>(t.columns()), 0.0));
    for (const auto& c : t.cells)
        j[static_cast<std::size_t>(c.row)][static_cast<std::size_t>(c.column)] =
            double(c.count) / double(t.row_pixels[static_cast<std::size_t>(c.row)] + t.column_pixels[static_cast<std::size_t>(c.column)] - c.count);
    const bool rows_small = t.rows() <= t.columns();
    const int small = std::min(t.rows(), t.columns()), large = std::max(t.rows(), t.columns());
    std::vector<int> order(static_cast<std::size_t>(large));
    for (int i = 0; i < large; ++i) order[static_cast<std::size_t>(i)] = i;
    double best = 0;
    do {
        double sum = 0;
        for (int i = 0; i < small; ++i)
            sum += rows_small ? j[static_cast<std::size_t>(i)][static_cast<std::size_t>(order[static_cast<std::size_t>(i)])]
                              : j[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])][static_cast<std::size_t>(i)];
        best = std::max(best, sum);
    } while (std::next_permutation(order.begin(), order.end()));
    return best / large;
}

TEST(MatchedRegions, LargestPairingOfEveryShapeOfTable) {
    std::mt19937 random(17);
    for (int round = 0; round < 60; ++round) {
        // Up to 3 classes against up to 8 regions, or the other way round:
        // wide tables go through the pruning of partners.
        const int classes = 1 + static_cast<int>(random() % 3), regions = 1 + static_cast<int>(random() % 8);
        const bool swap = round % 2 == 1;
        std::vector<unsigned char> s;
        std::vector<std::uint16_t> g;
        for (int p = 0; p < 60; ++p) {
            const int a = static_cast<int>(random() % static_cast<unsigned>(classes));
            const int b = static_cast<int>(random() % 4 ? random() % static_cast<unsigned>(regions) : a % regions);
            s.push_back(static_cast<unsigned char>(swap ? b : a));
            g.push_back(static_cast<std::uint16_t>((swap ? a : b) * 1000));
        }
        const contingency_table t = table_of(s, g);
        EXPECT_NEAR(matched_jaccard(t), best_by_enumeration(t), 1e-15) << "round " << round;
    }
}

}  // namespace
}  // namespace strandel
