// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/optimal_partition.h"

#include <algorithm>
#include <limits>

#include "evaluation/contingency_table.h"

namespace strandel {

namespace {

using wide = __int128;

// Prefix sums over the present gray levels: pixels, gray sum and squared
// gray sum, exact in integers, so a run's sum of squares
// (squares x pixels - sum^2) / pixels rounds once.
class present_levels {
public:
    explicit present_levels(const histogram& h) {
        m_pixels.push_back(0);
        m_sum.push_back(0);
        m_squares.push_back(0);
        for (int g = 0; g < 256; ++g) {
            if (h[static_cast<unsigned>(g)] <= 0) continue;
            const wide n = h[static_cast<unsigned>(g)];
            m_levels.push_back(g);
            m_pixels.push_back(m_pixels.back() + n);
            m_sum.push_back(m_sum.back() + n * g);
            m_squares.push_back(m_squares.back() + n * g * g);
        }
    }
    int count() const { return static_cast<int>(m_levels.size()); }
    int level(int i) const { return m_levels[static_cast<std::size_t>(i)]; }

    // Present levels i .. j (indices into the present levels).
    long double squares(int i, int j) const {
        const wide n = at(m_pixels, j + 1) - at(m_pixels, i), s = at(m_sum, j + 1) - at(m_sum, i);
        const wide q = at(m_squares, j + 1) - at(m_squares, i);
        return static_cast<long double>(q * n - s * s) / static_cast<long double>(n);
    }
    gray_run run(int i, int j) const {
        return {level(i), level(j), static_cast<long long>(at(m_pixels, j + 1) - at(m_pixels, i)),
                static_cast<long long>(at(m_sum, j + 1) - at(m_sum, i))};
    }

private:
    static wide at(const std::vector<wide>& v, int i) { return v[static_cast<std::size_t>(i)]; }
    std::vector<int> m_levels;
    std::vector<wide> m_pixels, m_sum, m_squares;
};

}  // namespace

histogram_partition least_squares_partition(const histogram& h, int classes) {
    const present_levels levels(h);
    const int n = levels.count(), k_max = std::max(1, std::min(classes, n));
    histogram_partition result;
    if (n == 0) return result;

    std::vector<long double> cost(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0.0L);
    for (int i = 0; i < n; ++i)
        for (int j = i; j < n; ++j) cost[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(j)] = levels.squares(i, j);
    const auto run_cost = [&](int i, int j) { return cost[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(j)]; };

    // best[k][j]: least sum for levels 0 .. j in k + 1 classes; start[k][j]:
    // where its last class starts.
    std::vector<std::vector<long double>> best(static_cast<std::size_t>(k_max), std::vector<long double>(static_cast<std::size_t>(n)));
    std::vector<std::vector<int>> start(static_cast<std::size_t>(k_max), std::vector<int>(static_cast<std::size_t>(n), 0));
    for (int j = 0; j < n; ++j) best[0][static_cast<std::size_t>(j)] = run_cost(0, j);
    for (int k = 1; k < k_max; ++k)
        for (int j = k; j < n; ++j) {
            long double least = std::numeric_limits<long double>::infinity();
            int where = k;
            // Latest start first with a strict comparison: among equal sums
            // the last class starts as late as it can.
            for (int i = j; i >= k; --i) {
                const long double total = best[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i - 1)] + run_cost(i, j);
                if (total < least) {
                    least = total;
                    where = i;
                }
            }
            best[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)] = least;
            start[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)] = where;
        }

    result.within_squares = best[static_cast<std::size_t>(k_max - 1)][static_cast<std::size_t>(n - 1)];
    result.classes.resize(static_cast<std::size_t>(k_max));
    for (int k = k_max - 1, j = n - 1; k >= 0; --k) {
        const int i = k == 0 ? 0 : start[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)];
        result.classes[static_cast<std::size_t>(k)] = levels.run(i, j);
        j = i - 1;
    }
    return result;
}

long double chain_within_squares(const histogram& h, const std::vector<double>& centres) {
    const present_levels levels(h);
    const class_lookup lookup = class_lookup_of(centres);
    // Nearest-centre classes are runs of consecutive gray levels; summing
    // run by run, left to right, adds in the dynamic programme's order, so
    // a chain that found the optimum gets exactly its sum.
    long double sum = 0.0L;
    for (int i = 0; i < levels.count();) {
        int j = i;
        while (j + 1 < levels.count() && lookup[static_cast<std::size_t>(levels.level(j + 1))] ==
                                             lookup[static_cast<std::size_t>(levels.level(i))])
            ++j;
        sum += levels.squares(i, j);
        i = j + 1;
    }
    return sum;
}

double optimal_ratio(const histogram& h, const std::vector<double>& centres) {
    if (centres.empty()) return std::numeric_limits<double>::quiet_NaN();
    const long double chain = chain_within_squares(h, centres);
    const long double least = least_squares_partition(h, static_cast<int>(centres.size())).within_squares;
    if (chain == 0.0L) return 1.0;
    return static_cast<double>(least / chain);
}

}  // namespace strandel
