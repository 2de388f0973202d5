// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/region_measures.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace strandel {

namespace {

using wide = __int128;

wide pairs_of(std::uint64_t n) { return n < 2 ? 0 : static_cast<wide>(n) * static_cast<wide>(n - 1) / 2; }

wide pairs_of_all(const std::vector<std::uint64_t>& sizes) {
    wide sum = 0;
    for (std::uint64_t n : sizes) sum += pairs_of(n);
    return sum;
}

// Pixel pairs together in S and G (cells), together in S (rows), together
// in G (columns), and all pairs.
struct pair_counts {
    wide cells = 0, rows = 0, columns = 0, all = 0;
};

pair_counts count_pairs(const contingency_table& table) {
    pair_counts p;
    for (const auto& c : table.cells) p.cells += pairs_of(c.count);
    p.rows = pairs_of_all(table.row_pixels);
    p.columns = pairs_of_all(table.column_pixels);
    p.all = pairs_of(table.pixels);
    return p;
}

double ratio(wide numerator, wide denominator) {
    return static_cast<double>(static_cast<long double>(numerator) / static_cast<long double>(denominator));
}

}  // namespace

double rand_index(const contingency_table& table) {
    const pair_counts p = count_pairs(table);
    if (p.all == 0) return 1.0;
    return ratio(p.all + 2 * p.cells - p.rows - p.columns, p.all);
}

double adjusted_rand(const contingency_table& table) {
    const pair_counts p = count_pairs(table);
    // (index - expected) / (maximum - expected), all multiplied by 2 x all
    // pairs so that both stay integers (below 2^125 for 2^31 pixels).
    const wide numerator = 2 * (p.cells * p.all - p.rows * p.columns);
    const wide denominator = (p.rows + p.columns) * p.all - 2 * p.rows * p.columns;
    if (numerator == denominator || denominator == 0) return 1.0;
    return ratio(numerator, denominator);
}

double variation_of_information(const contingency_table& table) {
    if (table.pixels == 0) return 0.0;
    // Each term n_ij log(size / n_ij) is non-negative: no cancellation.
    long double sum = 0.0L;
    for (const auto& c : table.cells) {
        const long double n = static_cast<long double>(c.count);
        const long double row = static_cast<long double>(table.row_pixels[static_cast<std::size_t>(c.row)]);
        const long double column = static_cast<long double>(table.column_pixels[static_cast<std::size_t>(c.column)]);
        sum += n * (std::log(row / n) + std::log(column / n));
    }
    return static_cast<double>(sum / static_cast<long double>(table.pixels));
}

double global_consistency_error(const contingency_table& table) {
    if (table.pixels == 0) return 0.0;
    // A pixel of cell (i, j) misses (a_i - n_ij) / a_i of its S region in
    // its G region, and (b_j - n_ij) / b_j the other way round.
    long double s_in_g = 0.0L, g_in_s = 0.0L;
    for (const auto& c : table.cells) {
        const std::uint64_t row = table.row_pixels[static_cast<std::size_t>(c.row)];
        const std::uint64_t column = table.column_pixels[static_cast<std::size_t>(c.column)];
        const long double n = static_cast<long double>(c.count);
        s_in_g += n * static_cast<long double>(row - c.count) / static_cast<long double>(row);
        g_in_s += n * static_cast<long double>(column - c.count) / static_cast<long double>(column);
    }
    return static_cast<double>(std::min(s_in_g, g_in_s) / static_cast<long double>(table.pixels));
}

double covering(const contingency_table& table) {
    if (table.pixels == 0) return 1.0;
    std::vector<long double> best(static_cast<std::size_t>(table.columns()), 0.0L);
    for (const auto& c : table.cells) {
        const std::uint64_t row = table.row_pixels[static_cast<std::size_t>(c.row)];
        const std::uint64_t column = table.column_pixels[static_cast<std::size_t>(c.column)];
        const long double j = static_cast<long double>(c.count) / static_cast<long double>(row + column - c.count);
        if (j > best[static_cast<std::size_t>(c.column)]) best[static_cast<std::size_t>(c.column)] = j;
    }
    long double sum = 0.0L;
    for (std::size_t r = 0; r < best.size(); ++r) sum += static_cast<long double>(table.column_pixels[r]) * best[r];
    return static_cast<double>(sum / static_cast<long double>(table.pixels));
}

}  // namespace strandel
