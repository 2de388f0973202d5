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
    thumbnail manual;  // problem "none" when the image has no manual segmentation
    // One per row of the image (comparison::images[i].rows, same order):
    // only the label images that exist on the page are made.
    std::vector<thumbnail> labels;
};

// Decodes every image, manual segmentation and label image (label images
// are looked for in `segmentations`) on up to `threads` threads; `open`
// must then be safe to call from several threads at once. Images are
// opened at their resolved paths.
std::vector<image_thumbnails> make_thumbnails(const comparison& c, const std::string& segmentations,
                                              const image_opener& open, int threads);

// The thumbnails that could not be made, counted by kind and reason, one
// line each with the first file ("  2 images: No such file or directory
// (first: /data/a.png)"); empty when every one was made.
std::string thumbnail_failures(const comparison& c, const std::string& segmentations,
                               const std::vector<image_thumbnails>& thumbnails, int* failed, int* made);

}  // namespace strandel
