// SPDX-License-Identifier: GPL-3.0-or-later
// Supervised evaluation inside GIMP: finding and loading the manual
// segmentation of an image, and reading the pixels of both.
#pragma once

#include <libgimp/gimp.h>

#include <string>

#include "evaluation/jaccard.h"
#include "framework/histogram.h"

namespace strandel {

// Converts a high bit depth image to 8 bits per channel, which is what the
// tile walk reads; false when GIMP refuses.
bool convert_to_8bit(gint32 image);

// The top layer of the stack, or -1 when the image has none.
gint32 first_layer(gint32 image);

// The first layer of the manual segmentation that lies beside `image` (see
// manual_segmentation_name), converted to 8-bit gray; null when there is
// none, it cannot be loaded or converted, or its size differs from the
// image's first layer. Give the result back with release_manual_segmentation.
GimpDrawable* load_manual_segmentation(gint32 image);

// The same for a manual segmentation named explicitly (none when `file` is
// empty).
GimpDrawable* load_manual_segmentation_file(const std::string& file, gint32 image);

// Detaches the drawable and deletes its image from GIMP.
void release_manual_segmentation(GimpDrawable* manual);

// The image's first layer and its manual segmentation read together, once:
// fills the image's histogram and the (gray level, label) pair counts over
// the rectangle. Both drawables must be at least that large.
void count_gray_label_pairs(GimpDrawable* image, GimpDrawable* manual, int x, int y, int width, int height,
                            histogram* image_histogram, gray_label_counts* counts);

// The Jaccard index of (pixels of `label` in `manual`, pixels of class
// `class_index` in `image`) over the rectangle, by walking both drawables.
double jaccard_distance_impl(GimpDrawable* image, GimpDrawable* manual, unsigned char label,
                             const class_map& classes, int class_index, int x, int y, int width, int height);

// One best match per label present in `manual_histogram`, each found by
// jaccard_distance_impl: a walk per (label, class) pair. The batch uses the
// pair counts instead; this is the reference they are checked against.
void jaccard_distance(GimpDrawable* image, const class_map& classes, const std::vector<double>& centres,
                      GimpDrawable* manual, const histogram& manual_histogram, int x, int y, int width,
                      int height, match_list* matches);

}  // namespace strandel
