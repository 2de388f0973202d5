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
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (values.empty() || resamples < 1) return {nan, nan};
    std::mt19937_64 generator(seed);
    std::vector<double> means(static_cast<std::size_t>(resamples));
    for (double& mean : means) {
        long double sum = 0.0L;
        for (std::size_t i = 0; i < values.size(); ++i) sum += values[draw_index(generator, values.size())];
        mean = static_cast<double>(sum / static_cast<long double>(values.size()));
    }
    std::sort(means.begin(), means.end());
    return {quantile_of_sorted(means, 0.025), quantile_of_sorted(means, 0.975)};
}

}  // namespace strandel
