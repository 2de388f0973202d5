// SPDX-License-Identifier: GPL-3.0-or-later
// Every region measure of a segmentation against one ground truth, from one
// contingency table, and their means over several annotators: what the
// results table shows per (method, image) and per annotator.
#pragma once

#include <cstdint>
#include <vector>

#include "evaluation/boundary_measures.h"
#include "evaluation/contingency_table.h"

namespace strandel {

// The region measures of one table, in the table's column order.
struct region_scores {
    double rand_index = 0.0, adjusted_rand = 0.0, variation_of_information = 0.0,
           global_consistency_error = 0.0, covering = 0.0, matched_jaccard = 0.0, matched_dice = 0.0;
    // The best-match Jaccard index of the report: for every region, its
    // best Jaccard index over the classes; the mean of these (0 without
    // regions).
    double jaccard = 0.0;
};

region_scores region_scores_of(const contingency_table& table);

// The measures' mean over annotators (a plain mean, each annotator
// weighing as much): for the Rand index, the probabilistic Rand index.
region_scores mean_region_scores(const std::vector<region_scores>& annotators);

// The best-match Jaccard index alone (region_scores::jaccard).
double best_match_jaccard(const contingency_table& table);

// The contingency table of two label planes of one size (a segmentation
// read from a label image against a ground truth): rows are the
// segmentation's labels, columns the truth's, both ascending. Throws
// std::invalid_argument when the sizes differ.
contingency_table contingency_of_planes(const label_plane& segmentation, const label_plane& truth);

}  // namespace strandel
