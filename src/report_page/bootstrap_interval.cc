// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <limits>
#include <random>
#include <vector>
#include <algorithm>

#include "report_page/rank_tests.h"

namespace strandel {

namespace {

// A uniform index below `n` without bias (Lemire's multiply and reject):
// the library's uniform_int_distribution may differ between standard
// libraries, this does not.
std::size_t draw_index(std::mt19937_64& generator, std::uint64_t n) {
    for (;;) {
        const unsigned __int128 product = static_cast<unsigned __int128>(generator()) * n;
        const std::uint64_t low = static_cast<std::uint64_t>(product);
        if (low >= n || low >= (0 - n) % n) return static_cast<std::size_t>(product >> 64);
    }
}

double quantile_of_sorted(const std::vector<double>& sorted, double p) {
    const double at = p * static_cast<double>(sorted.size() - 1);
    const std::size_t below = static_cast<std::size_t>(std::floor(at));
    if (below + 1 >= sorted.size()) return sorted.back();
    return sorted[below] + (at - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
}

}  // namespace

interval bootstrap_mean_interval(const std::vector<double>& values, int resamples, std::uint64_t seed) {
    value_matrix column;
    column.reserve(values.size());
    for (double v : values) column.push_back({v});
    if (values.empty()) column.clear();
    const std::vector<interval> one = bootstrap_mean_intervals(column, resamples, seed);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return one.empty() ? interval{nan, nan} : one.front();
}

std::vector<interval> bootstrap_mean_intervals(const value_matrix& values, int resamples, std::uint64_t seed) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::size_t n = values.size(), columns = n ? values.front().size() : 1;
    if (n == 0 || resamples < 1) return std::vector<interval>(columns, interval{nan, nan});
    std::mt19937_64 generator(seed);
    // Columns laid out one after another, so that a column's sum over the
    // drawn rows walks one array; sums in double, as numpy's mean (its
    // rounding is some 10^-12 relative at 10,000 images).
    std::vector<double> by_column(n * columns);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < columns; ++c) by_column[c * n + i] = values[i][c];
    // means[c][r]: column c's mean in resample r.
    std::vector<std::vector<double>> means(columns, std::vector<double>(static_cast<std::size_t>(resamples)));
    std::vector<std::size_t> drawn(n);
    for (int r = 0; r < resamples; ++r) {
        for (std::size_t& i : drawn) i = draw_index(generator, n);
        for (std::size_t c = 0; c < columns; ++c) {
            const double* column = by_column.data() + c * n;
            double sum = 0;
            for (std::size_t i : drawn) sum += column[i];
            means[c][r] = sum / static_cast<double>(n);
        }
    }
    std::vector<interval> intervals;
    for (std::vector<double>& column : means) {
        std::sort(column.begin(), column.end());
        intervals.push_back({quantile_of_sorted(column, 0.025), quantile_of_sorted(column, 0.975)});
    }
    return intervals;
}

int bootstrap_resamples_for(std::size_t images) {
    const std::size_t budget = 10000000;
    if (images <= 1000) return bootstrap_resamples;
    return static_cast<int>(std::max<std::size_t>(1000, budget / images));
}

}  // namespace strandel
