// SPDX-License-Identifier: GPL-3.0-or-later
// The thumbnails of every image of a comparison, made once and shared by
// the sections of the page that show them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "report_page/comparison.h"
#include "report_page/thumbnail_store.h"
#include "report_page/thumbnails.h"

namespace strandel {

struct image_thumbnails {
    thumbnail image;
    thumbnail manual;  // problem "none" when the image has no manual segmentation
    // One per row of the image (comparison::images[i].rows, same order):
    // only the label images that exist on the page are made.
    std::vector<thumbnail> labels;
};

// Where the label images are: a chain's in `folder` as strandel-bench
// --save-segmentations names them (STEM.N.png), a scored method's where
// its pattern (as strandel-bench --score's) names them.
struct label_files {
    std::string folder;
    std::map<std::string, std::string> scored;  // method name -> pattern
    std::string path(const comparison& c, int image, int chain) const;
};

// Decodes every image, manual segmentation and label image on up to
// `threads` threads, or takes them from `store`; `open` must then be safe
// to call from several threads at once. Images are opened at their
// resolved paths.
std::vector<image_thumbnails> make_thumbnails(const comparison& c, const label_files& labels,
                                              const image_opener& open, int threads, thumbnail_store& store);

// How image `image`'s label image of the chain at slot `slot` is painted:
// each class at its centre's place between the lowest and the highest
// centre of every row of the image.
label_colouring colouring_of(const comparison& c, int image, int slot);

// The thumbnails that could not be made, counted by kind and reason, one
// line each with the first file ("  2 images: No such file or directory
// (first: /data/a.png)"); empty when every one was made.
std::string thumbnail_failures(const comparison& c, const label_files& labels,
                               const std::vector<image_thumbnails>& thumbnails, int* failed, int* made);

}  // namespace strandel
