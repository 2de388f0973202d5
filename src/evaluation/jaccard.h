// SPDX-License-Identifier: GPL-3.0-or-later
// Supervised evaluation: how well the computed classes match the regions of
// a manual segmentation, by best-match Jaccard index per manual label.
//
// This is the GIMP-free half. The pixels are read once per image into a
// table of (image gray level, manual label) pair counts; every Jaccard index
// of every (label, class) pair follows from that table.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "evaluation/classification.h"

namespace strandel {

// One entry per manual label, in ascending label order: (index of the best
// matching class, its Jaccard index). Ties go to the lowest class index.
using match_list = std::vector<std::pair<int, double>>;

// How many pixels of an area have each (image gray level, manual label)
// pair. 256 x 256 64-bit counts (512 KiB): make one and reuse it.
class gray_label_counts {
public:
    gray_label_counts() : m_counts(256 * 256, 0) {}

    void clear();
    void add(unsigned char gray, unsigned char label) { ++m_counts[gray * 256u + label]; }
    std::uint64_t at(unsigned char gray, unsigned char label) const { return m_counts[gray * 256u + label]; }

    // Pixels carrying `label`, whatever their gray level.
    std::uint64_t label_pixels(unsigned char label) const;
    // Pixels of gray level `gray`, whatever their label.
    std::uint64_t gray_pixels(unsigned char gray) const;

private:
    std::vector<std::uint64_t> m_counts;
};

// |A n B| / |A u B|; an empty union gives 0, so that an absent class never
// becomes a best match.
double jaccard_index(std::uint64_t intersection, std::uint64_t union_size);

// Fills `matches` with one best match per label present in `counts`, over
// the classes 0 .. centres.size() - 1 (a pixel belongs to class i when its
// gray level is listed under i in `classes`).
void jaccard_matches(const gray_label_counts& counts, const class_map& classes,
                     const std::vector<double>& centres, match_list* matches);

// Mean of the Jaccard indices of the matches; 0 for an empty list.
double jaccard_mean(const match_list& matches);

// Where the manual segmentation of `image_file` lives: "_seg." in place of
// the last dot of the whole path, or "_seg." appended when there is none.
std::string manual_segmentation_name(const std::string& image_file);

}  // namespace strandel
