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
    const double a = sorted[below], b = sorted[below + 1];
    // Equal neighbours (two infinities among them) need no interpolation,
    // which would give inf - inf = nan.
    return a == b ? a : a + (h - below) * (b - a);
}

summary summarize(const std::vector<double>& values) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    summary s;
    s.mean = s.median = s.std_dev = s.min = s.max = none;
    std::vector<double> ordered;  // everything but NaN
    double sum = 0;
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
        sum += v;
    }
    if (!ordered.empty()) {
        std::sort(ordered.begin(), ordered.end());
        s.min = ordered.front();
        s.max = ordered.back();
        s.median = quantile(ordered, 0.5);
    }
    if (s.finite > 0) s.mean = sum / s.finite;
    if (s.finite > 1) {
        double squares = 0;
        for (double v : values)
            if (std::isfinite(v)) squares += (v - s.mean) * (v - s.mean);
        s.std_dev = std::sqrt(squares / (s.finite - 1));
    }
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
    double sum = 0;
    for (double v : finite) sum += v;
    b.mean = sum / finite.size();
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
