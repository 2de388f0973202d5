// SPDX-License-Identifier: GPL-3.0-or-later
// Summary statistics of one measure over the images of one chain.
#pragma once

#include <vector>

namespace strandel {

// How the values are counted: NaN is no value at all and only counted;
// +inf and -inf are values that order (a perfect separation can rate inf),
// so they take part in the median, minimum and maximum, but the mean and
// the standard deviation are taken over the finite values alone (one inf
// would make them inf or nan and hide every other image).
struct summary {
    int count = 0;  // values given, NaN included
    int finite = 0;
    int positive_infinite = 0;
    int negative_infinite = 0;
    int nan = 0;
    // NaN when there is nothing to take them over; std_dev is the sample
    // standard deviation (n - 1), so it needs two finite values.
    double mean, median, std_dev, min, max;
};

summary summarize(const std::vector<double>& values);

// The p-quantile (0 <= p <= 1) of sorted values, interpolated linearly
// between the two nearest order statistics (Hyndman & Fan type 7, R's and
// numpy's default). `sorted` must not be empty.
double quantile(const std::vector<double>& sorted, double p);

// The mean of finite values (NaN for none), also when their sum would
// overflow (values near +-1.7e308).
double finite_mean(const std::vector<double>& finite);

// What a box plot draws of one chain's values: finite values only.
struct box_summary {
    int plotted = 0;    // finite values
    int left_out = 0;   // inf, -inf and nan values
    double q1 = 0, median = 0, q3 = 0, mean = 0;
    // Whiskers reach the most extreme values within 1.5 IQR of the box
    // (Tukey); values beyond them are outliers.
    double low_whisker = 0, high_whisker = 0;
    std::vector<double> outliers;
};

box_summary box_of(const std::vector<double>& values);

}  // namespace strandel
