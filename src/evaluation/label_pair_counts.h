// SPDX-License-Identifier: GPL-3.0-or-later
// (gray level, ground-truth label) pair counts for labels of up to 16 bits,
// counted in one walk over the pixels. Published ground truths number their
// regions in 16 bits and use few of the 65536 values, so only the pairs that
// occur are kept: labels below 256 in a dense table (the common case, at the
// cost of the 8-bit walk), the others in an open-addressing hash table whose
// size follows the number of distinct pairs, never the label range.
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
        else
            add_sparse(static_cast<std::uint32_t>(label) << 8 | gray);
    }
    // Adds `count` pixels: gray levels and the labels at the same places.
    void add_pixels(const unsigned char* grays, const std::uint16_t* labels, std::size_t count);

    // Every non-zero count, ascending by label, then by gray level.
    std::vector<label_pair> pairs() const;

private:
    struct slot {
        std::uint32_t key;  // label << 8 | gray, plus one; 0 marks a free slot
        std::uint64_t count;
    };
    void add_sparse(std::uint32_t pair);
    void grow();

    std::vector<std::uint64_t> m_dense;
    std::vector<slot> m_slots;
    std::size_t m_used = 0;
};

// The pairs of the 8-bit counts the Jaccard walk already gathers: the
// measures of an 8-bit manual segmentation need no second walk.
std::vector<label_pair> label_pairs_of(const gray_label_counts& counts);

}  // namespace strandel
