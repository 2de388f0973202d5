// SPDX-License-Identifier: GPL-3.0-or-later
// Boundary pixels, the match radius, the largest matching and the
// precision / recall rules on small planes worked out by hand; networkx's
// agreement on random planes is the measures. group's.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <stdexcept>

#include "evaluation/bipartite_matching.h"
#include "evaluation/boundary_measures.h"

namespace strandel {
namespace {

label_plane plane(int width, int height, std::vector<std::uint16_t> labels) { return {width, height, std::move(labels)}; }

// A vertical edge between columns `edge` - 1 and `edge` of a width x height plane.
label_plane halves(int width, int height, int edge) {
    label_plane p{width, height, std::vector<std::uint16_t>(static_cast<std::size_t>(width * height), 0)};
    for (int y = 0; y < height; ++y)
        for (int x = edge; x < width; ++x) p.labels[static_cast<std::size_t>(y * width + x)] = 1;
    return p;
}

TEST(BoundaryMeasures, BoundaryPixelsLookRightAndDown) {
    // 1 1 2
    // 1 3 2
    // 1 3 2
    const label_plane p = plane(3, 3, {1, 1, 2, 1, 3, 2, 1, 3, 2});
    // (1,0): right neighbour 2; (0,0): below 1, right 1: not; (0,1): right 3;
    // (1,1): right 2; (0,2): right 3; (1,2): right 2; (1,0) below is 3.
    EXPECT_EQ(boundary_pixels(p), (std::vector<std::uint32_t>{1, 3, 4, 6, 7}));
    // A horizontal edge is seen only by looking down: the upper row.
    EXPECT_EQ(boundary_pixels(plane(3, 2, {4, 4, 4, 5, 5, 5})), (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST(BoundaryMeasures, RadiusDecidedExactly) {
    // 720 x 960: a diagonal of 1200, a radius of exactly 9 pixels.
    EXPECT_TRUE(within_match_radius(9, 0, 720, 960));
    EXPECT_TRUE(within_match_radius(0, -9, 720, 960));
    EXPECT_FALSE(within_match_radius(9, 1, 720, 960));
    EXPECT_TRUE(within_match_radius(6, 6, 720, 960));  // 72 <= 81
    // Under 133 pixels of diagonal only the same pixel is in reach.
    EXPECT_TRUE(within_match_radius(0, 0, 90, 90));
    EXPECT_FALSE(within_match_radius(1, 0, 90, 90));
}

TEST(BipartiteMatching, AugmentingPathsUndoAGreedyStart) {
    // Left 0 takes right 0 first; only moving it to right 1 lets left 1 in.
    bipartite_graph g{{0, 2, 3}, {0, 1, 0}, 2};
    EXPECT_EQ(largest_matching(g), (std::vector<std::uint32_t>{1, 0}));
}

// Size of a largest matching by Kuhn's simple augmenting paths.
std::size_t kuhn(const bipartite_graph& g) {
    std::vector<std::uint32_t> owner(g.right_count, unmatched);
    std::size_t size = 0;
    for (std::uint32_t u = 0; u < g.left_count(); ++u) {
        std::vector<char> seen(g.right_count, 0);
        std::function<bool(std::uint32_t)> try_vertex = [&](std::uint32_t v) {
            for (std::uint32_t e = g.offsets[v]; e < g.offsets[v + 1]; ++e) {
                const std::uint32_t r = g.right[e];
                if (seen[r]) continue;
                seen[r] = 1;
                if (owner[r] == unmatched || try_vertex(owner[r])) {
                    owner[r] = v;
                    return true;
                }
            }
            return false;
        };
        size += try_vertex(u);
    }
    return size;
}

TEST(BipartiteMatching, AsLargeAsKuhnsOnRandomGraphs) {
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        const std::uint32_t left = 1 + random() % 40, right = 1 + random() % 40, degree = 1 + random() % 4;
        bipartite_graph g;
        g.right_count = right;
        g.offsets.push_back(0);
        for (std::uint32_t u = 0; u < left; ++u) {
            for (std::uint32_t e = 0; e < random() % (degree + 1); ++e) g.right.push_back(random() % right);
            g.offsets.push_back(static_cast<std::uint32_t>(g.right.size()));
        }
        const std::vector<std::uint32_t> m = largest_matching(g);
        std::vector<char> taken(right, 0);
        std::size_t size = 0;
        for (std::uint32_t u = 0; u < left; ++u) {
            if (m[u] == unmatched) continue;
            ++size;
            EXPECT_FALSE(taken[m[u]]) << "right vertex matched twice";
            taken[m[u]] = 1;
            EXPECT_NE(std::find(g.right.begin() + g.offsets[u], g.right.begin() + g.offsets[u + 1], m[u]),
                      g.right.begin() + g.offsets[u + 1]) << "not an edge";
        }
        EXPECT_EQ(size, kuhn(g)) << "round " << round;
    }
}

TEST(BoundaryMeasures, EdgesWithinAndBeyondReach) {
    // 300 x 200: a reach of 2 pixels. An edge one column off is found;
    // four columns off it is not.
    const label_plane truth = halves(300, 200, 150);
    boundary_scores near = boundary_measures(halves(300, 200, 151), {truth});
    EXPECT_EQ(near.segmentation_pixels, 200u);
    EXPECT_EQ(near.truth_pixels, 200u);
    EXPECT_DOUBLE_EQ(near.precision, 1.0);
    EXPECT_DOUBLE_EQ(near.recall, 1.0);
    EXPECT_DOUBLE_EQ(near.f, 1.0);
    const boundary_scores far = boundary_measures(halves(300, 200, 154), {truth});
    EXPECT_EQ(far.segmentation_matched, 0u);
    EXPECT_EQ(far.f, 0.0);
}

TEST(BoundaryMeasures, SeveralAnnotatorsSumRecallAndShareMatches) {
    // The segmentation has two edges (columns 49 and 199), each annotator
    // draws one of them: each edge is matched by one annotator, so
    // precision is 1; recall counts both annotators' pixels.
    label_plane seg = halves(300, 200, 50);
    for (int y = 0; y < 200; ++y)
        for (int x = 200; x < 300; ++x) seg.labels[static_cast<std::size_t>(y * 300 + x)] = 2;
    const boundary_scores s = boundary_measures(seg, {halves(300, 200, 50), halves(300, 200, 200)});
    EXPECT_EQ(s.segmentation_pixels, 400u);
    EXPECT_EQ(s.segmentation_matched, 400u);
    EXPECT_EQ(s.truth_pixels, 400u);
    EXPECT_EQ(s.truth_matched, 400u);
    EXPECT_DOUBLE_EQ(s.precision, 1.0);
    // Against one annotator alone, half the segmentation's pixels are false.
    EXPECT_DOUBLE_EQ(boundary_measures(seg, {halves(300, 200, 50)}).precision, 0.5);
}

TEST(BoundaryMeasures, NothingToFindOrToCheck) {
    const label_plane flat = plane(4, 2, std::vector<std::uint16_t>(8, 3));
    const boundary_scores none = boundary_measures(flat, {flat});
    EXPECT_EQ(none.precision, 1.0);
    EXPECT_EQ(none.recall, 1.0);
    EXPECT_EQ(none.f, 1.0);
    // A flat segmentation against an annotated edge: nothing false, all missed.
    const boundary_scores missed = boundary_measures(flat, {halves(4, 2, 2)});
    EXPECT_EQ(missed.precision, 1.0);
    EXPECT_EQ(missed.recall, 0.0);
    EXPECT_EQ(missed.f, 0.0);
}

TEST(BoundaryMeasures, RefusesPlanesThatDoNotFit) {
    EXPECT_THROW(boundary_measures(halves(4, 2, 2), {halves(2, 4, 1)}), std::invalid_argument);
    EXPECT_THROW(boundary_measures(halves(4, 2, 2), {}), std::invalid_argument);
    EXPECT_THROW(boundary_measures(plane(4, 2, {1, 2}), {halves(4, 2, 2)}), std::invalid_argument);
}

}  // namespace
}  // namespace strandel
