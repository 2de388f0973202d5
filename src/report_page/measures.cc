// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/measures.h"

namespace strandel {

const char* measure_column(int measure) {
    static const char* const columns[measure_count] = {
        "turi",     "dunn",          "amrane",       "liu_yang",           "jaccard",
        "rand_index", "adjusted_rand", "variation_of_information", "global_consistency_error", "covering",
        "matched_jaccard", "matched_dice", "boundary_precision", "boundary_recall", "boundary_f",
        "optimal_ratio"};
    return columns[measure];
}

const char* measure_title(int measure) {
    static const char* const titles[measure_count] = {
        "Turi",  "Dunn", "Amrane", "Liu & Yang", "Jaccard", "Rand index", "Adjusted Rand",
        "Variation of information", "Global consistency error", "Covering", "Matched Jaccard", "Matched Dice",
        "Boundary precision", "Boundary recall", "Boundary F", "Optimal ratio"};
    return titles[measure];
}

bool lower_is_better(int measure) {
    return measure == measure_variation_of_information || measure == measure_global_consistency_error;
}

bool needs_ground_truth(int measure) { return measure >= jaccard && measure != measure_optimal_ratio; }

const std::vector<int>& page_measure_order() {
    static const std::vector<int> order = {jaccard,
                                           measure_matched_jaccard,
                                           measure_matched_dice,
                                           measure_covering,
                                           measure_rand_index,
                                           measure_adjusted_rand,
                                           measure_variation_of_information,
                                           measure_global_consistency_error,
                                           measure_boundary_f,
                                           measure_boundary_precision,
                                           measure_boundary_recall,
                                           measure_optimal_ratio,
                                           turi,
                                           dunn,
                                           amrane,
                                           liu_yang};
    return order;
}

}  // namespace strandel
