// SPDX-License-Identifier: GPL-3.0-or-later
// The contingency table of a segmentation's classes against the regions of
// one ground truth: how many pixels each (class, region) pair shares. Every
// region-based measure of the literature is a function of it. It is built
// from the (gray level, label) pair counts of one pixel walk and the class
// of each gray level, so one walk serves every chain rated on the image.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "evaluation/label_pair_counts.h"

namespace strandel {

// Class index of each gray level; -1 where no class takes it.
using class_lookup = std::array<int, 256>;

// The nearest-centre class of every gray level (ties to the lowest index,
// as the measures and label images classify); all -1 without centres.
class_lookup class_lookup_of(const std::vector<double>& centres);

// Only classes and regions that hold pixels are rows and columns: an empty
// class is no part of the partition a segmentation makes.
struct contingency_table {
    struct cell {
        int row, column;
        std::uint64_t count;
    };
    std::vector<int> class_of_row;               // the chain's class index of each row, ascending
    std::vector<std::uint16_t> label_of_column;  // the ground-truth label of each column, ascending
    std::vector<std::uint64_t> row_pixels, column_pixels;
    std::vector<cell> cells;  // the non-zero counts, by column, then by row
    std::uint64_t pixels = 0;

    int rows() const { return static_cast<int>(class_of_row.size()); }
    int columns() const { return static_cast<int>(label_of_column.size()); }
};

// `pairs` ascending by label (as label_pair_counts::pairs gives them).
// Throws std::invalid_argument when a counted gray level has no class or the
// labels are out of order.
contingency_table make_contingency_table(const std::vector<label_pair>& pairs, const class_lookup& classes);

}  // namespace strandel
