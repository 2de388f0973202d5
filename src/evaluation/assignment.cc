// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/assignment.h"

#include <cstddef>
#include <limits>
#include <stdexcept>

namespace strandel {

namespace {

using index = std::size_t;

// Potentials and the assignment so far; rows and columns count from 1,
// column 0 is the virtual start of an augmenting path.
struct hungarian_state {
    index rows, columns;
    std::vector<double> cost;   // rows x columns, row-major, from 0
    std::vector<double> u, v;   // row and column potentials
    std::vector<index> owner;   // row assigned to each column, 0: none

    double reduced(index i, index j) const { return cost[(i - 1) * columns + (j - 1)] - u[i] - v[j]; }
};

// Adds `row` to the assignment by a shortest augmenting path in the costs
// reduced by the potentials (Dijkstra over the columns).
void augment(hungarian_state& s, index row) {
    const double infinity = std::numeric_limits<double>::infinity();
    std::vector<double> slack(s.columns + 1, infinity);
    std::vector<index> previous(s.columns + 1, 0);
    std::vector<char> used(s.columns + 1, 0);
    s.owner[0] = row;
    index j0 = 0;
    do {
        used[j0] = 1;
        const index i0 = s.owner[j0];
        double delta = infinity;
        index j1 = 0;
        for (index j = 1; j <= s.columns; ++j) {
            if (used[j]) continue;
            const double r = s.reduced(i0, j);
            if (r < slack[j]) {
                slack[j] = r;
                previous[j] = j0;
            }
            if (slack[j] < delta) {
                delta = slack[j];
                j1 = j;
            }
        }
        for (index j = 0; j <= s.columns; ++j) {
            if (used[j]) {
                s.u[s.owner[j]] += delta;
                s.v[j] -= delta;
            } else {
                slack[j] -= delta;
            }
        }
        j0 = j1;
    } while (s.owner[j0] != 0);
    // Shift the assignment along the path.
    do {
        const index j1 = previous[j0];
        s.owner[j0] = s.owner[j1];
        j0 = j1;
    } while (j0 != 0);
}

}  // namespace

std::vector<int> largest_weight_assignment(const std::vector<double>& weights, int rows, int columns) {
    if (rows < 0 || rows > columns || weights.size() != static_cast<index>(rows) * static_cast<index>(columns))
        throw std::invalid_argument("assignment needs rows <= columns and rows x columns weights");
    hungarian_state s{static_cast<index>(rows), static_cast<index>(columns), std::vector<double>(weights.size()),
                      std::vector<double>(static_cast<index>(rows) + 1, 0.0),
                      std::vector<double>(static_cast<index>(columns) + 1, 0.0),
                      std::vector<index>(static_cast<index>(columns) + 1, 0)};
    // Largest weight is smallest cost.
    for (index k = 0; k < weights.size(); ++k) s.cost[k] = -weights[k];
    for (index row = 1; row <= s.rows; ++row) augment(s, row);
    std::vector<int> column_of(s.rows, -1);
    for (index j = 1; j <= s.columns; ++j)
        if (s.owner[j] != 0) column_of[s.owner[j] - 1] = static_cast<int>(j - 1);
    return column_of;
}

}  // namespace strandel
