// SPDX-License-Identifier: GPL-3.0-or-later
// The thumbnails of every image of a comparison, made once and shared by
// the sections of the page that show them.
#pragma once

#include <string>
#include <vector>

#include "report_page/comparison.h"
#include "report_page/thumbnails.h"

namespace strandel {

struct image_thumbnails {
    thumbnail image;
    thumbnail manual;      // problem "none" when the image has no manual segmentation
    std::vector<thumbnail> labels;  // by chain index; problem "none" without a row
};

// A path from a table as it can be opened: as written when it exists
// (relative to the working folder), otherwise relative to the table's folder
// (tables are often written beside the benchmark list); as written when
// neither exists.
std::string locate(const std::string& path, const std::string& table);

// Decodes every image, manual segmentation and label image (label images
// are looked for in `segmentations`) on up to `threads` threads; `decoder`
// must then be safe to call from several threads at once.
std::vector<image_thumbnails> make_thumbnails(const comparison& c, const std::string& segmentations,
                                              const image_decoder& decoder, int threads);

}  // namespace strandel
