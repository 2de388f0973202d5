// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of one or more results tables, arranged by chain and image. Only
// the (chain, image) pairs that have a row are held: a comparison of many
// chains on different images costs as much as its rows, not chains x images.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "report_page/results_table.h"

namespace strandel {

// A chain's row of an image: the chain's index and the row's index into
// comparison::rows.
struct chain_row {
    int chain = 0;
    int row = 0;
};

struct image_rows {
    std::string image;  // path as the first table that names it gives it
    std::string key;    // what identifies it across tables (its resolved path)
    std::vector<chain_row> rows;  // its rated rows, by chain index
};

// An image that a chain could not rate, with the reason the table gives.
struct skipped_image {
    std::string image;  // as the first table gives it
    int position = 0;
    std::string reason;          // the first row's
    std::vector<int> chains;     // by chain index
    bool rated_elsewhere = false;  // another chain rated it
};

struct comparison {
    // Chain texts; a chain's number is its index + 1, in order of first
    // appearance across the tables as given (skipped rows count too).
    std::vector<std::string> chains;
    std::vector<result_row> rows;  // the rated rows, in the order read
    // Images that at least one chain rated, ordered by the list position of
    // their first row (shards interleave positions), then by first
    // appearance.
    std::vector<image_rows> images;
    // Per chain, (image index, row index) in image order.
    std::vector<std::vector<std::pair<int, int>>> chain_images;
    // Images with skipped rows, in position order.
    std::vector<skipped_image> skipped;

    // Where chain `chain`'s row is in images[image].rows, or -1.
    int slot(int image, int chain) const;
    // The row of `chain` for image `image`, or null.
    const result_row* row(int image, int chain) const {
        const int s = slot(image, chain);
        return s < 0 ? nullptr : &rows[images[image].rows[s].row];
    }
    // The manual segmentation of an image, resolved: the first non-empty
    // one of its rows.
    std::string manual_segmentation(int image) const;
    // One chain's values of one measure, in image order, over the images
    // that have a row of that chain and a value of that measure.
    std::vector<double> values(int chain, int measure) const;
    // Images rated by every chain, and images skipped by every chain that
    // has a row for them.
    int common_images() const;
    int skipped_images() const;
};

// Arranges rows read from the tables, in the order the tables were given.
// A row is identified by its chain text and list position, and within a
// chain an image (by image_key) has one row: a second row of either kind,
// or an empty chain text, fails, naming both places.
bool arrange(std::vector<result_row> rows, comparison* out, std::string* error);

}  // namespace strandel
