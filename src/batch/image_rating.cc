// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/image_rating.h"

#include <chrono>

#include "evaluation/classification.h"

namespace strandel {

bool rate_image(const histogram& h, const gray_label_counts* manual, const chain& passes,
                const measure_list& measures, chain_observer* observer, const std::atomic<bool>& stop,
                image_rating* rating) {
    std::vector<double> centres;
    using clock = std::chrono::steady_clock;
    const clock::time_point start = clock::now();
    if (!run_chain(passes, h, centres, observer, &stop)) return false;
    const clock::duration elapsed = clock::now() - start;

    class_map classes;
    classify(h, centres, &classes);
    rating->values.clear();
    rating->values.reserve(measures.size());
    for (const fitness_function* f : measures) rating->values.push_back((*f)(h, centres, classes));

    rating->has_jaccard = manual != nullptr;
    rating->jaccard = 0.0;
    if (manual) {
        match_list matches;
        jaccard_matches(*manual, classes, centres, &matches);
        rating->jaccard = jaccard_mean(matches);
    }
    rating->seconds = std::chrono::duration<double>(elapsed).count();
    rating->centres = std::move(centres);
    return true;
}

}  // namespace strandel
