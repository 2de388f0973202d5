// SPDX-License-Identifier: GPL-3.0-or-later
// The partition of a histogram into classes of least within-class sum of
// squares (what multi-level Otsu thresholding finds, Otsu's between-class
// variance being the total minus it), found exactly by dynamic
// programming: in one dimension the best classes are runs of consecutive
// gray levels. And how close a chain's own classes come to it.
#pragma once

#include <vector>

#include "framework/histogram.h"

namespace strandel {

// One class of a partition: its darkest and brightest present gray level,
// its pixel count and the sum of its pixels' gray levels.
struct gray_run {
    int first, last;
    long long pixels, gray_sum;

    double mean() const { return static_cast<double>(gray_sum) / static_cast<double>(pixels); }
};

struct histogram_partition {
    std::vector<gray_run> classes;  // ascending; empty for an empty histogram
    long double within_squares = 0.0L;
};

// The least within-class sum of squares partition into `classes` classes
// (at least 1). With fewer present gray levels than that, each present
// level is a class of its own (more classes could only be empty). Among
// equal sums the last class starts as late as it can, then the one before
// it, and so on.
histogram_partition least_squares_partition(const histogram& h, int classes);

// Within-class sum of squares of the chain's classes (each present gray
// level to its nearest centre, ties to the lowest index) around the
// classes' own means.
long double chain_within_squares(const histogram& h, const std::vector<double>& centres);

// The least within-class sum of squares any partition into
// centres.size() classes reaches, divided by the chain's own: 1 when the
// chain found the optimum, less the further it stopped from it. 0 / 0
// (every class a single gray level, or an empty histogram) is 1; no
// centres give NaN.
double optimal_ratio(const histogram& h, const std::vector<double>& centres);

}  // namespace strandel
