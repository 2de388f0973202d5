// SPDX-License-Identifier: GPL-3.0-or-later
// What a chain makes of one image: its centres, the time its passes took,
// every measure and, against a manual segmentation, the Jaccard index. The
// report line keeps two decimals of it; the results table keeps it all.
#pragma once

#include <atomic>
#include <vector>

#include "batch/registration.h"
#include "evaluation/jaccard.h"
#include "framework/chain.h"
#include "framework/histogram.h"

namespace strandel {

struct image_rating {
    std::vector<double> centres;
    double seconds = 0.0;        // the passes only
    std::vector<double> values;  // one per measure, in the measures' order
    bool has_jaccard = false;
    double jaccard = 0.0;        // mean best-match Jaccard index, when has_jaccard
};

// Runs the chain on the histogram (timing the passes, and nothing else),
// classifies the gray levels, evaluates every measure and, when `manual` is
// given, the Jaccard index. Returns false, leaving `rating` alone, when
// `stop` was set between two passes.
bool rate_image(const histogram& h, const gray_label_counts* manual, const chain& passes,
                const measure_list& measures, chain_observer* observer, const std::atomic<bool>& stop,
                image_rating* rating);

}  // namespace strandel
