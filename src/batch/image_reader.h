// SPDX-License-Identifier: GPL-3.0-or-later
// The seam between the batch and whatever reads image files: an engine
// brings a function that turns one image (and its manual segmentation, when
// the batch names one) into the counts the report needs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "evaluation/jaccard.h"
#include "framework/histogram.h"

namespace strandel {

// One image of a benchmark and where its manual segmentation is looked for.
struct image_request {
    std::string image;
    std::string manual;  // empty: the image has none
    // Hand back every pixel's gray level too (image_data::gray): only runs
    // that save label images pay for the plane.
    bool keep_gray = false;
};

// Requests for images whose manual segmentation lies beside them
// (manual_segmentation_name).
std::vector<image_request> requests_beside(const std::vector<std::string>& images);

// Every pixel's gray level, the one the histogram counted, row by row.
struct gray_plane {
    int width = 0, height = 0;
    std::vector<unsigned char> levels;
};

// What one image brings to the report, filled by an image reader.
struct image_data {
    histogram h;
    bool has_manual = false;
    gray_label_counts manual;  // meaningful only when has_manual
    gray_plane gray;           // filled only when the request asks to keep_gray
};

enum class read_status { ok, unreadable, no_layer };

// Loads one image into `data`: its histogram and, when the manual
// segmentation asked for exists, decodes and has the image's size, the pair
// counts. A manual segmentation that cannot be used is ignored
// (has_manual false). `why` explains "unreadable".
using image_reader = std::function<read_status(const image_request& request, image_data& data, std::string* why)>;

}  // namespace strandel
