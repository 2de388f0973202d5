// SPDX-License-Identifier: GPL-3.0-or-later
// The rank tests of every measure over the chains and methods of a
// comparison, and the file strandel-report --statistics writes of them.
#pragma once

#include <string>
#include <vector>

#include "report_page/comparison.h"
#include "report_page/rank_tests.h"

namespace strandel {

struct measure_tests {
    int measure = 0;
    // The methods compared: the chains that rate the measure (a method
    // scored from its own label images has no unsupervised measures), by
    // chain index. Every vector below is indexed like this one, and the
    // pairs' first and second index into it.
    std::vector<int> methods;
    // Images on which every method has a finite value: the rows of every
    // test of this measure (inf and nan have no place in a mean or a
    // difference).
    int images = 0;
    // Friedman and Wilcoxon ran: two or more methods and at least one image.
    bool compared = false;
    // Mean ranks with rank 1 the best value on an image: the highest, or the
    // lowest for the distances (lower_is_better).
    friedman_result friedman;
    std::vector<pairwise_comparison> pairs;
    // Per method, its mean over the same images and the bootstrap interval
    // of that mean (paired: every method's resamples draw the same images).
    std::vector<double> means;
    std::vector<interval> intervals;
    int resamples = 0;
};

// The tests of each of `measures` (a measure without an image that every
// method rated finitely gets images 0 and no test).
// Where chain `chain` is in t.methods, or -1.
int method_slot(const measure_tests& t, int chain);
std::vector<measure_tests> test_measures(const comparison& c, const std::vector<int>& measures);

// CSV, rows ending in CR LF, header
//   measure,method_a,method_b,test,statistic,p_value,p_holm,images,
//   mean_rank,critical_difference,ci_low,ci_high
// Per measure: one `friedman` row per method (method_b empty; the same
// statistic and p, the method's mean rank and Nemenyi's critical
// difference), one `wilcoxon` row per pair (statistic min(R+, R-), p and
// Holm's p), one `bootstrap_ci95` row per method (statistic: its mean,
// ci_low and ci_high: the interval). Methods by their text; every number
// the shortest decimal that reads back as the same double.
std::string statistics_csv(const comparison& c, const std::vector<measure_tests>& tests);

// The text summary's lines of one measure's tests, indented.
std::string tests_text(const measure_tests& t);

}  // namespace strandel
