// SPDX-License-Identifier: GPL-3.0-or-later
// The one-to-one assignment of rows to columns of largest total weight
// (Hungarian method, Kuhn and Munkres, in the O(n^2 m) form with row and
// column potentials and shortest augmenting paths).
#pragma once

#include <vector>

namespace strandel {

// `weights` is rows x columns, row-major, with rows <= columns. Returns the
// column assigned to each row. Every row gets a column: with non-negative
// weights a largest total never needs a row left out.
std::vector<int> largest_weight_assignment(const std::vector<double>& weights, int rows, int columns);

}  // namespace strandel
