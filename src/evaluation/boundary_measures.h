// SPDX-License-Identifier: GPL-3.0-or-later
// Boundary precision, recall and F-measure, as the natural-image benchmark
// of Martin, Fowlkes and Malik counts them: boundary pixels of the
// segmentation and of each ground truth are matched one to one within a
// small distance, the largest such matching taken exactly.
//
// A boundary pixel is one whose right or lower neighbour has another
// label. Two boundary pixels may match when their distance is at most
// 0.0075 x the image diagonal, decided exactly in integers:
// 160000 (dx^2 + dy^2) <= 9 (width^2 + height^2).
//
// With several annotators, recall sums matched and boundary pixels over
// them, and a segmentation boundary pixel counts as matched when any
// annotator's matching takes it. Largest matchings are seldom unique, and
// which segmentation pixels a union of them covers depends on the ones
// taken: here each pixel first takes its nearest free partner (pixels in
// row-major order), then Hopcroft and Karp's shortest augmenting paths
// complete the matching, the same on every run. Without boundary pixels to find (or to
// check), recall (precision) is 1: nothing missed, nothing false. F is
// 2PR / (P + R), 0 when P + R is 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "evaluation/bipartite_matching.h"
#include "evaluation/contingency_table.h"

namespace strandel {

// A label per pixel, row by row.
struct label_plane {
    int width = 0, height = 0;
    std::vector<std::uint16_t> labels;
};

// The classes of a gray-level image: each pixel's class index from the
// lookup (a gray level without a class gets 65535).
label_plane class_plane(const unsigned char* grays, int width, int height, const class_lookup& classes);

// Indices (y x width + x) of the boundary pixels, ascending.
std::vector<std::uint32_t> boundary_pixels(const label_plane& plane);

bool within_match_radius(std::int64_t dx, std::int64_t dy, int width, int height);

// One segmentation against one ground truth.
struct boundary_matching {
    std::vector<std::uint32_t> segmentation_boundary, truth_boundary;
    // Per segmentation boundary pixel (same order): the index into
    // truth_boundary of its partner, or `unmatched`.
    std::vector<std::uint32_t> partner;
    std::uint64_t matched = 0;
};

// At most this many (segmentation pixel, truth pixel) pairs within reach
// are held (4 bytes each): beyond it match_boundaries throws
// std::length_error rather than take more memory.
constexpr std::size_t boundary_pair_limit = std::size_t(1) << 30;

// Throws std::invalid_argument when the planes differ in size.
boundary_matching match_boundaries(const label_plane& segmentation, const label_plane& truth);

struct boundary_scores {
    double precision = 1.0, recall = 1.0, f = 1.0;
    std::uint64_t segmentation_pixels = 0, segmentation_matched = 0;  // precision's counts
    std::uint64_t truth_pixels = 0, truth_matched = 0;                // recall's, over all annotators
};

// Throws std::invalid_argument without ground truths or for a size that
// differs from the segmentation's.
boundary_scores boundary_measures(const label_plane& segmentation, const std::vector<label_plane>& truths);

}  // namespace strandel
