// SPDX-License-Identifier: GPL-3.0-or-later
// What a chain makes of one image: its centres, the time its passes took,
// every measure and, against a manual segmentation, the Jaccard index. The
// report line keeps two decimals of it; the results table keeps it all,
// with the measures of the literature against every annotator.
#pragma once

#include <atomic>
#include <vector>

#include "batch/image_reader.h"
#include "batch/registration.h"
#include "evaluation/jaccard.h"
#include "evaluation/literature_scores.h"
#include "framework/chain.h"
#include "framework/histogram.h"

namespace strandel {

// One annotator's measures of a segmentation.
struct annotator_rating {
    region_scores regions;
    bool has_boundary = false;
    boundary_scores boundary;  // against this annotator alone
};

struct image_rating {
    std::vector<double> centres;
    double seconds = 0.0;        // the passes only
    // One per measure, in the measures' order; empty for a scored method
    // whose classes are no classification of gray levels.
    std::vector<double> values;
    bool has_jaccard = false;
    double jaccard = 0.0;        // mean best-match Jaccard index, when has_jaccard
    // The measures of the literature, when has_jaccard: the mean over
    // annotators, and each annotator's.
    region_scores regions;
    std::vector<annotator_rating> annotators;
    // Boundary precision, recall and F over every annotator at once (the
    // multi-annotator rule), when asked for.
    bool has_boundary = false;
    boundary_scores boundary;
    // optimal_ratio of the classes; has_optimal false when not defined.
    bool has_optimal = false;
    double optimal = 0.0;
};

// What to rate beyond the report's measures.
struct rating_options {
    bool boundary = false;                // boundary measures (the truths' planes must be kept)
    bool boundary_per_annotator = false;  // and each annotator's alone (the long table)
};

// Runs the chain on the histogram (timing the passes, and nothing else),
// classifies the gray levels, evaluates every measure and, when `manual` is
// given, the Jaccard index. Returns false, leaving `rating` alone, when
// `stop` was set between two passes.
bool rate_image(const histogram& h, const gray_label_counts* manual, const chain& passes,
                const measure_list& measures, chain_observer* observer, const std::atomic<bool>& stop,
                image_rating* rating);

// The same for an image read with its ground truths: every annotator of
// `data` rated, their mean in the rating.
bool rate_image(const image_data& data, const rating_options& options, const chain& passes,
                const measure_list& measures, chain_observer* observer, const std::atomic<bool>& stop,
                image_rating* rating);

// Rates a segmentation read from a label image (a scored method) against
// the image's ground truths. The report's measures and the optimal ratio
// need a classification of gray levels: they are computed (centres = each
// label's mean gray level) when every gray level of the image lies in one
// label, else `values` stays empty and has_optimal false.
void rate_scored(const image_data& data, const label_plane& segmentation, const rating_options& options,
                 const measure_list& measures, image_rating* rating);

}  // namespace strandel
