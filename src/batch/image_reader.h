// SPDX-License-Identifier: GPL-3.0-or-later
// The seam between the batch and whatever reads image files: an engine
// brings a function that turns one file into the counts the report needs.
#pragma once

#include <functional>
#include <string>

#include "evaluation/jaccard.h"
#include "framework/histogram.h"

namespace strandel {

// What one image brings to the report, filled by an image reader.
struct image_data {
    histogram h;
    bool has_manual = false;
    gray_label_counts manual;  // meaningful only when has_manual
};

enum class read_status { ok, unreadable, no_layer };

// Loads one image file into `data`: its histogram and, when a manual
// segmentation lies beside it, the pair counts. `why` explains "unreadable".
using image_reader = std::function<read_status(const std::string& file, image_data& data, std::string* why)>;

}  // namespace strandel
