// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/matched_regions.h"

#include <algorithm>
#include <cstddef>

#include "evaluation/assignment.h"

namespace strandel {

namespace {

// One shared count seen from the smaller side of the table: the item of
// the larger side it pairs with, its Jaccard index and its table cell.
struct candidate {
    int other;
    double weight;
    std::size_t cell;
};

// Per item of the smaller side (rows when the table has no more rows than
// columns, else columns), its non-zero cells. `small_is_row` says which.
std::vector<std::vector<candidate>> candidates_by_small_side(const contingency_table& t, bool small_is_row) {
    std::vector<std::vector<candidate>> lists(static_cast<std::size_t>(small_is_row ? t.rows() : t.columns()));
    for (std::size_t k = 0; k < t.cells.size(); ++k) {
        const auto& c = t.cells[k];
        const std::uint64_t a = t.row_pixels[static_cast<std::size_t>(c.row)];
        const std::uint64_t b = t.column_pixels[static_cast<std::size_t>(c.column)];
        const double j = static_cast<double>(static_cast<long double>(c.count) / static_cast<long double>(a + b - c.count));
        if (small_is_row)
            lists[static_cast<std::size_t>(c.row)].push_back({c.column, j, k});
        else
            lists[static_cast<std::size_t>(c.column)].push_back({c.row, j, k});
    }
    return lists;
}

// An item of the smaller side (n items) needs only its n best partners: a
// best assignment that gave it another could move it to one of those
// that no other item holds without losing weight. This bounds the
// assignment's columns by n^2 however many regions the ground truth has.
std::vector<int> partners_worth_keeping(std::vector<std::vector<candidate>>& lists) {
    const std::size_t n = lists.size();
    std::vector<int> kept;
    for (auto& list : lists) {
        const std::size_t keep = std::min(n, list.size());
        std::partial_sort(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(keep), list.end(),
                          [](const candidate& a, const candidate& b) {
                              return a.weight != b.weight ? a.weight > b.weight : a.other < b.other;
                          });
        list.resize(keep);
        for (const candidate& c : list) kept.push_back(c.other);
    }
    std::sort(kept.begin(), kept.end());
    kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
    return kept;
}

}  // namespace

matched_overlap match_regions(const contingency_table& table) {
    matched_overlap result;
    const int larger_count = std::max(table.rows(), table.columns());
    if (larger_count == 0) return result;
    const bool small_is_row = table.rows() <= table.columns();
    std::vector<std::vector<candidate>> lists = candidates_by_small_side(table, small_is_row);
    const std::vector<int> kept = partners_worth_keeping(lists);

    const int n = static_cast<int>(lists.size());
    const int m = std::max(n, static_cast<int>(kept.size()));  // zero-weight columns pad a short list
    std::vector<double> weights(static_cast<std::size_t>(n) * static_cast<std::size_t>(m), 0.0);
    std::vector<std::size_t> cell_at(weights.size(), table.cells.size());
    for (int i = 0; i < n; ++i)
        for (const candidate& c : lists[static_cast<std::size_t>(i)]) {
            const auto column = std::lower_bound(kept.begin(), kept.end(), c.other) - kept.begin();
            const std::size_t at = static_cast<std::size_t>(i) * static_cast<std::size_t>(m) + static_cast<std::size_t>(column);
            weights[at] = c.weight;
            cell_at[at] = c.cell;
        }
    const std::vector<int> assigned = largest_weight_assignment(weights, n, m);

    long double jaccard_sum = 0.0L, dice_sum = 0.0L;
    for (int i = 0; i < n; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * static_cast<std::size_t>(m) +
                               static_cast<std::size_t>(assigned[static_cast<std::size_t>(i)]);
        if (cell_at[at] == table.cells.size()) continue;  // paired with nothing it shares pixels with
        const auto& c = table.cells[cell_at[at]];
        const long double a = static_cast<long double>(table.row_pixels[static_cast<std::size_t>(c.row)]);
        const long double b = static_cast<long double>(table.column_pixels[static_cast<std::size_t>(c.column)]);
        const long double shared = static_cast<long double>(c.count);
        jaccard_sum += shared / (a + b - shared);
        dice_sum += 2.0L * shared / (a + b);
        result.pairs.emplace_back(c.row, c.column);
    }
    std::sort(result.pairs.begin(), result.pairs.end());
    result.jaccard = static_cast<double>(jaccard_sum / larger_count);
    result.dice = static_cast<double>(dice_sum / larger_count);
    return result;
}

double matched_jaccard(const contingency_table& table) { return match_regions(table).jaccard; }
double matched_dice(const contingency_table& table) { return match_regions(table).dice; }

}  // namespace strandel
