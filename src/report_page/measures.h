// SPDX-License-Identifier: GPL-3.0-or-later
// The measures a results table rates every segmentation with, in column
// order: the five every table has, then the measures of the literature that
// newer tables add (empty where a row has no ground truth or the run did
// not compute them).
#pragma once

#include <vector>

namespace strandel {

enum measure_id : int {
    turi,
    dunn,
    amrane,
    liu_yang,
    jaccard,
    measure_rand_index,
    measure_adjusted_rand,
    measure_variation_of_information,
    measure_global_consistency_error,
    measure_covering,
    measure_matched_jaccard,
    measure_matched_dice,
    measure_boundary_precision,
    measure_boundary_recall,
    measure_boundary_f,
    measure_optimal_ratio
};
constexpr int measure_count = 16;
// The measures every table has (older tables have no other).
constexpr int classic_measure_count = 5;

// Column title in the results table ("liu_yang").
const char* measure_column(int measure);
// Name for people ("Liu & Yang").
const char* measure_title(int measure);
// Variation of information and the global consistency error are distances:
// 0 is a perfect match. Every other measure is better when higher.
bool lower_is_better(int measure);
// Rated against a ground truth (the manual segmentation, every annotator).
bool needs_ground_truth(int measure);
// Every measure in the order a page shows them: against the ground truth
// first (what a reader of a segmentation paper looks for), then the ratio to
// the optimal partition, then the unsupervised indices.
const std::vector<int>& page_measure_order();

}  // namespace strandel
