// SPDX-License-Identifier: GPL-3.0-or-later
// How the classes of a segmentation match the labels of a manual one.
#pragma once

#include <vector>

#include "evaluation/jaccard.h"

namespace strandel {

// The labels present in the manual segmentation, ascending, and at the same
// positions their best-matching classes (jaccard_matches).
struct supervised_matches {
    std::vector<unsigned char> levels;
    match_list matches;
};

// Labels and best matches of `centres`' classes from the pair counts of the
// image and its manual segmentation.
supervised_matches match_labels(const gray_label_counts& counts, const histogram& h,
                                const std::vector<double>& centres);

}  // namespace strandel
