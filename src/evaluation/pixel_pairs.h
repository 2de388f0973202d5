// SPDX-License-Identifier: GPL-3.0-or-later
// An image and its manual segmentation read together: the image's gray
// levels into the histogram, each pixel's (gray level, manual label) pair
// into the pair counts the Jaccard index is computed from. Free of GIMP and
// GEGL so that every engine counts the same pairs.
#pragma once

#include <cstddef>

#include "evaluation/jaccard.h"
#include "framework/histogram.h"
#include "framework/pixel_layout.h"

namespace strandel {

// The manual label of a pixel of a manual segmentation: its first byte,
// which is the gray byte of the gray (or gray and alpha) layer it is read as.
inline unsigned char pixel_label(const unsigned char* p) { return p[0]; }

// Adds `count` pixels of an image and the `count` pixels of its manual
// segmentation that lie at the same places: the image's gray levels to `h`,
// each (gray level, label) pair to `pairs`.
inline void add_pixel_pairs(const unsigned char* image, int image_bpp, const unsigned char* manual,
                            int manual_bpp, std::size_t count, histogram& h, gray_label_counts& pairs) {
    for (std::size_t i = 0; i < count; ++i, image += image_bpp, manual += manual_bpp) {
        const unsigned char gray = pixel_gray_level(image, image_bpp);
        ++h[gray];
        pairs.add(gray, pixel_label(manual));
    }
}

}  // namespace strandel
