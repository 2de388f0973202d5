// SPDX-License-Identifier: GPL-3.0-or-later
// The tests a reviewer asks for when several methods are compared over the
// same images (Demsar 2006): Friedman's test over all methods with the
// Nemenyi critical difference of mean ranks, pairwise Wilcoxon
// signed-rank tests with Holm's adjustment, and bootstrap intervals of the
// means. Input: a matrix of values, one row per image on which every
// method has a value, one column per method. The numbers equal SciPy's
// friedmanchisquare and wilcoxon (default arguments) as Debian 12 ships
// them.
#pragma once

#include <cstdint>
#include <vector>

namespace strandel {

using value_matrix = std::vector<std::vector<double>>;  // rows: images, columns: methods

struct friedman_result {
    double statistic = 0.0, p_value = 1.0;
    // Per method, its mean rank over the images: 1 for the highest value,
    // ties sharing the mean of their ranks (lower is better).
    std::vector<double> mean_ranks;
    // Two methods whose mean ranks differ by more than this differ at
    // alpha = 0.05 (Nemenyi): q_0.05 / sqrt(2) x sqrt(k (k + 1) / (6 n)).
    double critical_difference = 0.0;
};

// Needs at least two methods and one image, every value a number (not
// NaN); throws std::invalid_argument otherwise. Mid-ranks for ties and
// SciPy's tie correction; when every image ties every method the statistic
// is 0 and p 1 (SciPy gives NaN there).
friedman_result friedman_test(const value_matrix& values);

// The studentized range's quantile for `groups` means and infinite degrees
// of freedom, P(range <= q) = probability; q_0.05 / sqrt(2) is Demsar's
// table of the Nemenyi test.
double studentized_range_quantile(double probability, int groups);

double nemenyi_critical_difference(int methods, int images, double alpha = 0.05);

struct signed_rank_result {
    double statistic = 0.0;  // min(R+, R-)
    double p_value = 1.0;    // two-sided; NaN when every difference is 0
    bool exact = false;      // exact distribution, else the normal approximation
};

// Two-sided Wilcoxon signed-rank test of the differences x - y, as SciPy's
// wilcoxon(x, y): up to 50 pairs and no zero difference, the exact
// distribution of R+ (with ties the mid-rank sum R+ is truncated to an
// integer first); otherwise zero differences are dropped and the normal
// approximation with the tie correction of the variance, no continuity
// correction.
signed_rank_result wilcoxon_signed_rank(const std::vector<double>& x, const std::vector<double>& y);

// Holm's step-down adjustment: the i-th smallest of m p-values becomes
// max over j <= i of min(1, (m - j + 1) p_(j)). NaN p-values stay NaN and
// are not counted in m.
std::vector<double> holm_adjusted(const std::vector<double>& p_values);

struct pairwise_comparison {
    int first, second;  // method columns, first < second
    signed_rank_result test;
    double holm_p_value;
};

// Every pair of methods, in the order (0, 1), (0, 2), ..., (1, 2), ...; the
// Holm adjustment runs over all of them.
std::vector<pairwise_comparison> pairwise_wilcoxon(const value_matrix& values);

struct interval {
    double low, high;
};

// 10000 resamples from a fixed seed: a report is the same on every run and
// machine (std::mt19937_64's sequence is fixed by the C++ standard, and the
// draws of indices are done here, not by a library's distribution).
constexpr int bootstrap_resamples = 10000;
constexpr std::uint64_t bootstrap_seed = 20240607;

// Percentile bootstrap 95 % interval of the mean: the 2.5 % and 97.5 %
// quantiles (linear interpolation between order statistics, at
// (B - 1) p, as numpy's default) of the means of B resamples with
// replacement. Every call with the same seed draws the same indices, so
// the intervals of several methods over the same images are paired. NaN,
// NaN for no values.
interval bootstrap_mean_interval(const std::vector<double>& values, int resamples = bootstrap_resamples,
                                 std::uint64_t seed = bootstrap_seed);

}  // namespace strandel
