// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/ranks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace strandel {
namespace {

// Orders best first: higher values, infinities included, then NaN last.
bool better(double a, double b) {
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return a > b;
}

bool tied(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

}  // namespace

std::vector<double> rank_values(const std::vector<double>& values) {
    std::vector<int> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return better(values[a], values[b]); });
    std::vector<double> ranks(values.size());
    for (std::size_t first = 0; first < order.size();) {
        std::size_t last = first;
        while (last + 1 < order.size() && tied(values[order[last + 1]], values[order[first]])) ++last;
        // Positions first..last (from 0) are ranks first+1..last+1.
        const double shared = (first + last) / 2.0 + 1;
        for (std::size_t k = first; k <= last; ++k) ranks[order[k]] = shared;
        first = last + 1;
    }
    return ranks;
}

rank_summary mean_ranks(const comparison& c) {
    const std::size_t chains = c.chains.size();
    rank_summary s;
    std::vector<std::array<double, measure_count>> sums(chains);
    for (auto& sum : sums) sum.fill(0);
    for (const image_rows& image : c.images) {
        // Only images every chain rated; their rows are in chain order.
        if (image.rows.size() != chains) continue;
        for (int m = 0; m < measure_count; ++m) {
            std::vector<double> values;
            for (const chain_row& r : image.rows) {
                const auto& value = c.rows[r.row].values[m];
                if (!value) break;
                values.push_back(*value);
            }
            if (values.size() != chains) continue;
            const std::vector<double> ranks = rank_values(values);
            for (std::size_t k = 0; k < chains; ++k) sums[k][m] += ranks[k];
            ++s.images[m];
        }
    }
    s.mean_rank.resize(chains);
    for (std::size_t k = 0; k < chains; ++k)
        for (int m = 0; m < measure_count; ++m)
            s.mean_rank[k][m] = s.images[m] ? sums[k][m] / s.images[m] : std::numeric_limits<double>::quiet_NaN();
    return s;
}

}  // namespace strandel
