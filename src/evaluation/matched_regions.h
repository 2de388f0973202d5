// SPDX-License-Identifier: GPL-3.0-or-later
// Matched overlap: classes and ground-truth regions paired one to one so
// that the summed Jaccard index is largest, the sum divided by the larger
// of the two counts. A class left without a region, or a region two
// classes share (one of them unpaired), costs: only a segmentation with as
// many classes as regions, each matching its region, reaches 1.
#pragma once

#include <utility>
#include <vector>

#include "evaluation/contingency_table.h"

namespace strandel {

struct matched_overlap {
    // Sum of the pairs' Jaccard indices / max(classes, regions).
    double jaccard = 1.0;
    // Sum of the same pairs' Dice coefficients 2|R n C| / (|R| + |C|),
    // divided by max(classes, regions): the pairs are the ones the Jaccard
    // assignment chose, not a second assignment.
    double dice = 1.0;
    // The pairs (row, column) of the table that share pixels.
    std::vector<std::pair<int, int>> pairs;
};

// 1 and 1 for an empty table (two empty partitions are the same).
matched_overlap match_regions(const contingency_table& table);

double matched_jaccard(const contingency_table& table);
double matched_dice(const contingency_table& table);

}  // namespace strandel
