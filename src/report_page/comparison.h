// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of one or more results tables, arranged by chain and image.
#pragma once

#include <string>
#include <vector>

#include "report_page/results_table.h"

namespace strandel {

struct image_rows {
    std::string image;  // path as the tables give it
    // Row index into comparison::rows for each chain (by chain index), -1
    // when that chain has no row for this image.
    std::vector<int> row_of_chain;
};

struct comparison {
    // Chain texts; a chain's number is its index + 1, in order of first
    // appearance across the tables as given.
    std::vector<std::string> chains;
    std::vector<result_row> rows;
    // Images ordered by the list position of their first row (shards
    // interleave positions), then by first appearance.
    std::vector<image_rows> images;

    // The row of `chain` for image `image`, or null.
    const result_row* row(int image, int chain) const {
        const int r = images[image].row_of_chain[chain];
        return r < 0 ? nullptr : &rows[r];
    }
    // The manual segmentation of an image: the first non-empty one of its rows.
    std::string manual_segmentation(int image) const;
    // One chain's values of one measure, in image order, over the images
    // that have a row of that chain and a value of that measure.
    std::vector<double> values(int chain, int measure) const;
};

// Arranges rows read from the tables, in the order the tables were given. Two
// rows of the same chain for the same image fail, naming both places.
bool arrange(std::vector<result_row> rows, comparison* out, std::string* error);

}  // namespace strandel
