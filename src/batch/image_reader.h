// SPDX-License-Identifier: GPL-3.0-or-later
// The seam between the batch and whatever reads image files: an engine
// brings a function that turns one image (and its manual segmentation, when
// the batch names one) into the counts the report needs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "evaluation/boundary_measures.h"
#include "evaluation/jaccard.h"
#include "evaluation/label_pair_counts.h"
#include "framework/histogram.h"

namespace strandel {

// One image of a benchmark and where its manual segmentation is looked for.
struct image_request {
    std::string image;
    std::string manual;  // the (first) ground-truth file; empty: the image has none
    // The files of further annotators (a ground-truth pattern naming
    // several files per image), in order after `manual`.
    std::vector<std::string> more_truths{};
    // Per scored method (--score), its label image of this image; empty
    // when none was found.
    std::vector<std::string> scored{};
    // Hand back every pixel's gray level too (image_data::gray): only runs
    // that save label images pay for the plane.
    bool keep_gray = false;
    // Hand back each annotator's label plane (the boundary measures).
    bool keep_truth_planes = false;
};

// Every ground-truth file of a request, `manual` first.
std::vector<std::string> truth_files(const image_request& request);

// Requests for images whose manual segmentation lies beside them
// (manual_segmentation_name).
std::vector<image_request> requests_beside(const std::vector<std::string>& images);

// Every pixel's gray level, the one the histogram counted, row by row.
struct gray_plane {
    int width = 0, height = 0;
    std::vector<unsigned char> levels;
};

// One annotator's ground truth of an image: the (gray level, label) pairs
// of its pixels.
struct annotator_truth {
    std::size_t file = 0;  // index into truth_files(request)
    int entry = 0;         // which annotator of that file (a MATLAB file holds several), from 0
    std::vector<label_pair> pairs;
    label_plane plane;     // only when the request keeps truth planes
};

// A scored method's segmentation of the image, read from its label image.
struct scored_segmentation {
    bool read = false;
    std::string why;       // why not, when not read
    label_plane plane;
};

// What one image brings to the report, filled by an image reader.
struct image_data {
    histogram h;
    bool colour = false;       // colour pixels, counted by the run's gray_rule
    bool has_manual = false;   // some annotator's ground truth could be used
    // The pair counts of the first ground truth when it was read along with
    // the image (an 8-bit label image): meaningful only when manual_in_walk.
    gray_label_counts manual;
    bool manual_in_walk = false;
    std::vector<annotator_truth> truths;      // every usable annotator, in file order
    std::vector<scored_segmentation> scored;  // one per request.scored
    gray_plane gray;           // filled only when the request asks to keep_gray
};

// Empties what a reader may leave from an earlier image (annotators,
// scored segmentations), so that a reader filling only the histogram and
// the walk's counts never hands on another image's.
void forget_ground_truths(image_data& data);

enum class read_status { ok, unreadable, no_layer };

// Loads one image into `data`: its histogram and, when the manual
// segmentation asked for exists, decodes and has the image's size, the pair
// counts. A manual segmentation that cannot be used is ignored
// (has_manual false). `why` explains "unreadable".
using image_reader = std::function<read_status(const image_request& request, image_data& data, std::string* why)>;

}  // namespace strandel
