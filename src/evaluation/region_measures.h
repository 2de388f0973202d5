// SPDX-License-Identifier: GPL-3.0-or-later
// The region-based measures segmentation papers report, each a function of
// the contingency table of a segmentation (S, its classes) and one ground
// truth (G, its regions). With several annotators, the integration takes
// the mean over annotators (for the Rand index that mean is the
// probabilistic Rand index).
//
// Counts stay integers as long as possible (pair counts in 128 bits), sums
// of logarithms and fractions run in long double over non-negative terms
// only, so no measure suffers cancellation. An empty table (no pixels)
// compares two empty partitions, which are the same: agreements give 1,
// distances 0.
#pragma once

#include "evaluation/contingency_table.h"

namespace strandel {

// Share of pixel pairs on which S and G agree (both together or both
// apart); 1 for fewer than two pixels.
double rand_index(const contingency_table& table);

// Hubert and Arabie's adjustment of the Rand index for chance: 1 for equal
// partitions (however trivial), about 0 for independent ones.
double adjusted_rand(const contingency_table& table);

// H(S|G) + H(G|S) in nats (Meila): 0 for equal partitions.
double variation_of_information(const contingency_table& table);

// Martin et al. (2001): the smaller of the two summed local refinement
// errors over the pixels, divided by the pixel count; 0 when one partition
// refines the other.
double global_consistency_error(const contingency_table& table);

// Arbelaez et al. (2011): sum over the regions R of |R| times the best
// Jaccard index of R with a class, divided by the pixel count.
double covering(const contingency_table& table);

}  // namespace strandel
