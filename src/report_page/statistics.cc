// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/statistics.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace strandel {

double quantile(const std::vector<double>& sorted, double p) {
    assert(!sorted.empty());
    const double h = (sorted.size() - 1) * p;
    const std::size_t below = static_cast<std::size_t>(std::floor(h));
    if (below + 1 >= sorted.size()) return sorted.back();
    const double a = sorted[below], b = sorted[below + 1], t = h - below;
    // Equal neighbours (two infinities among them) need no interpolation,
    // which would give inf - inf = nan; nor does a quantile on a value.
    if (a == b || t == 0) return a;
    const double gap = b - a;
    // Values far apart (near +-1.7e308, or an infinity) overflow the gap:
    // weighing each end stays within them.
    return std::isfinite(gap) ? a + t * gap : a * (1 - t) + b * t;
}

double finite_mean(const std::vector<double>& finite) {
    if (finite.empty()) return std::numeric_limits<double>::quiet_NaN();
    double sum = 0;
    for (double v : finite) sum += v;
    if (std::isfinite(sum)) return sum / finite.size();
    // The sum overflowed: each value's share of the mean cannot.
    double mean = 0;
    for (double v : finite) mean += v / finite.size();
    return mean;
}

namespace {

// The sample standard deviation of finite values about `mean`, without
// overflow in the squares while the result itself fits.
double sample_std_dev(const std::vector<double>& finite, double mean) {
    double squares = 0;
    for (double v : finite) squares += (v - mean) * (v - mean);
    const double n = static_cast<double>(finite.size() - 1);
    if (std::isfinite(squares)) return std::sqrt(squares / n);
    // Halves never overflow; scaled by the largest they stay below 1.
    double largest = 0;
    for (double v : finite) largest = std::max(largest, std::fabs(v / 2 - mean / 2));
    double scaled = 0;
    for (double v : finite) {
        const double d = (v / 2 - mean / 2) / largest;
        scaled += d * d;
    }
    return 2 * largest * std::sqrt(scaled / n);
}

}  // namespace

summary summarize(const std::vector<double>& values) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    summary s;
    s.mean = s.median = s.std_dev = s.min = s.max = none;
    std::vector<double> ordered;  // everything but NaN
    std::vector<double> finite;
    for (double v : values) {
        ++s.count;
        if (std::isnan(v)) {
            ++s.nan;
            continue;
        }
        ordered.push_back(v);
        if (std::isinf(v)) {
            ++(v > 0 ? s.positive_infinite : s.negative_infinite);
            continue;
        }
        ++s.finite;
        finite.push_back(v);
    }
    if (!ordered.empty()) {
        std::sort(ordered.begin(), ordered.end());
        s.min = ordered.front();
        s.max = ordered.back();
        s.median = quantile(ordered, 0.5);
    }
    if (s.finite > 0) s.mean = finite_mean(finite);
    if (s.finite > 1) s.std_dev = sample_std_dev(finite, s.mean);
    return s;
}

box_summary box_of(const std::vector<double>& values) {
    box_summary b;
    std::vector<double> finite;
    for (double v : values) {
        if (std::isfinite(v))
            finite.push_back(v);
        else
            ++b.left_out;
    }
    b.plotted = static_cast<int>(finite.size());
    if (finite.empty()) return b;
    std::sort(finite.begin(), finite.end());
    b.q1 = quantile(finite, 0.25);
    b.median = quantile(finite, 0.5);
    b.q3 = quantile(finite, 0.75);
    b.mean = finite_mean(finite);
    const double reach = 1.5 * (b.q3 - b.q1);
    b.low_whisker = b.q1;
    b.high_whisker = b.q3;
    for (double v : finite) {
        if (v < b.q1 - reach || v > b.q3 + reach)
            b.outliers.push_back(v);
        else {
            b.low_whisker = std::min(b.low_whisker, v);
            b.high_whisker = std::max(b.high_whisker, v);
        }
    }
    return b;
}

}  // namespace strandel
