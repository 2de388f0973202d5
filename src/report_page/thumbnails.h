// SPDX-License-Identifier: GPL-3.0-or-later
// Thumbnails of images, manual segmentations and label images, as PNG
// data: URIs that the page embeds.
#pragma once

#include <string>

#include "report_page/image_decoder.h"
#include "report_page/png_read.h"

namespace strandel {

// Thumbnails fit in this many pixels on their long side; smaller images
// keep their size.
constexpr int thumbnail_side = 160;

struct thumbnail {
    std::string data_uri;  // empty when the file could not be shown
    int width = 0, height = 0;
    std::string problem;   // why not, for the placeholder
    bool ok() const { return !data_uri.empty(); }
};

// The size of the thumbnail of a width x height image (each side at least 1).
void thumbnail_size(int width, int height, int* thumb_width, int* thumb_height);

// Averages the pixels each thumbnail pixel covers (a box filter), so thin
// structures fade instead of flickering in and out.
decoded_image shrink(const decoded_image& image, int width, int height);

// Takes the label at each thumbnail pixel's centre: averaging class
// indices would invent classes.
label_image shrink_labels(const label_image& labels, int width, int height);

// An image or manual segmentation, decoded by `decoder`.
thumbnail image_thumbnail(const std::string& path, const image_decoder& decoder);

// A label image, each class in its class colour (strandel::class_color).
thumbnail label_thumbnail(const std::string& path);

}  // namespace strandel
