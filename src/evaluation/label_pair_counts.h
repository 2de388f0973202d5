// SPDX-License-Identifier: GPL-3.0-or-later
// (gray level, ground-truth label) pair counts for labels of up to 16 bits,
// counted in one walk over the pixels. Published ground truths number their
// regions in 16 bits and use few of the 65536 values, so memory follows the
// labels that occur, never the label range: labels below 256 count in a
// dense table (the common case, at the cost of the 8-bit walk), the first
// 2048 other labels met get a row of 256 counts each (neighbouring pixels
// share their label, so the row stays in the cache), and any label after
// those goes to an open-addressing hash table of the pairs that occur.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "evaluation/jaccard.h"

namespace strandel {

// One non-zero pair count.
struct label_pair {
    unsigned char gray;
    std::uint16_t label;
    std::uint64_t count;
};

class label_pair_counts {
public:
    label_pair_counts();

    void clear();
    void add(unsigned char gray, std::uint16_t label) {
        if (label < 256)
            ++m_dense[static_cast<std::size_t>(label) << 8 | gray];
        else if (m_row_of_label[label] != no_row)
            ++m_rows[static_cast<std::size_t>(m_row_of_label[label]) << 8 | gray];
        else
            add_new_label(gray, label);
    }
    // Adds `count` pixels: gray levels and the labels at the same places.
    void add_pixels(const unsigned char* grays, const std::uint16_t* labels, std::size_t count);

    // Every non-zero count, ascending by label, then by gray level.
    std::vector<label_pair> pairs() const;

private:
    // Eight bytes, so that twice as many pairs stay in the cache; a pair of
    // one image counts at most its 2^31 - 1 pixels.
    struct slot {
        std::uint32_t key;  // label << 8 | gray, plus one; 0 marks a free slot
        std::uint32_t count;
    };
    static constexpr std::uint32_t no_row = 0xFFFFFFFFu;
    static constexpr std::uint32_t row_limit = 2048;

    void add_new_label(unsigned char gray, std::uint16_t label);
    void add_sparse(std::uint32_t pair);
    void grow();

    std::vector<std::uint64_t> m_dense;
    std::vector<std::uint32_t> m_row_of_label;  // 65536 entries; no_row: not given one
    std::vector<std::uint16_t> m_label_of_row;
    std::vector<std::uint32_t> m_rows;          // 256 counts per row
    std::vector<slot> m_slots;
    std::size_t m_used = 0;
};

// The pairs of the 8-bit counts the Jaccard walk already gathers: the
// measures of an 8-bit manual segmentation need no second walk.
std::vector<label_pair> label_pairs_of(const gray_label_counts& counts);

}  // namespace strandel
