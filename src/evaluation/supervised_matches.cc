// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/supervised_matches.h"

namespace strandel {

supervised_matches match_labels(const gray_label_counts& counts, const histogram& h,
                                const std::vector<double>& centres) {
    supervised_matches result;
    for (int label = 0; label < 256; ++label)
        if (counts.label_pixels(static_cast<unsigned char>(label)) > 0)
            result.levels.push_back(static_cast<unsigned char>(label));
    class_map classes;
    classify(h, centres, &classes);
    jaccard_matches(counts, classes, centres, &result.matches);
    return result;
}

}  // namespace strandel
