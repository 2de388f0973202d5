// SPDX-License-Identifier: GPL-3.0-or-later
// Ranks of the chains on each image, and their mean over the images.
#pragma once

#include <array>
#include <vector>

#include "report_page/comparison.h"

namespace strandel {

// Ranks one image's values among the chains. The highest value ranks 1
// (every measure is better when higher). Equal values share the mean of the
// ranks they span (1, 2.5, 2.5, 4), so tied chains are neither favoured
// nor punished. +inf ranks above every number and -inf below; NaN, a
// measure that could not be computed, ranks below everything, NaNs tied.
std::vector<double> rank_values(const std::vector<double>& values);

struct rank_summary {
    // mean_rank[chain][measure]; NaN when no image could be ranked.
    std::vector<std::array<double, measure_count>> mean_rank;
    // Images ranked for each measure: those on which every chain has a
    // value, so that each chain's mean is taken over the same images and
    // the means compare (with C chains they average (C + 1) / 2).
    std::array<int, measure_count> images{};
};

// Rank 1 is the best value on an image: the highest, or the lowest for the
// measures that are distances (lower_is_better). Each measure ranks the
// chains that rate it (comparison::chains_rating) on the images where all
// of them have a value; the others get NaN.
rank_summary mean_ranks(const comparison& c);

}  // namespace strandel
