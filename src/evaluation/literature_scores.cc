// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/literature_scores.h"

#include <algorithm>
#include <stdexcept>

#include "evaluation/jaccard.h"
#include "evaluation/matched_regions.h"
#include "evaluation/region_measures.h"

namespace strandel {

double best_match_jaccard(const contingency_table& table) {
    // Cells come by column, then row; the same integers and divisions as
    // jaccard_matches, so one ground truth gives the report's value bit for
    // bit.
    if (table.columns() == 0) return 0.0;
    double sum = 0.0;
    std::size_t i = 0;
    for (int c = 0; c < table.columns(); ++c) {
        double best = 0.0;
        const std::uint64_t column = table.column_pixels[static_cast<std::size_t>(c)];
        for (; i < table.cells.size() && table.cells[i].column == c; ++i) {
            const std::uint64_t n = table.cells[i].count;
            const double j = jaccard_index(n, table.row_pixels[static_cast<std::size_t>(table.cells[i].row)] + column - n);
            if (j > best) best = j;
        }
        sum += best;
    }
    return sum / static_cast<double>(table.columns());
}

region_scores region_scores_of(const contingency_table& table) {
    region_scores s;
    s.rand_index = rand_index(table);
    s.adjusted_rand = adjusted_rand(table);
    s.variation_of_information = variation_of_information(table);
    s.global_consistency_error = global_consistency_error(table);
    s.covering = covering(table);
    const matched_overlap matched = match_regions(table);
    s.matched_jaccard = matched.jaccard;
    s.matched_dice = matched.dice;
    s.jaccard = best_match_jaccard(table);
    return s;
}

region_scores mean_region_scores(const std::vector<region_scores>& annotators) {
    region_scores mean;
    if (annotators.empty()) return mean;
    double region_scores::*const fields[] = {
        &region_scores::rand_index,  &region_scores::adjusted_rand,   &region_scores::variation_of_information,
        &region_scores::global_consistency_error, &region_scores::covering, &region_scores::matched_jaccard,
        &region_scores::matched_dice, &region_scores::jaccard};
    for (double region_scores::*field : fields) {
        double sum = 0.0;
        for (const region_scores& s : annotators) sum += s.*field;
        mean.*field = sum / static_cast<double>(annotators.size());
    }
    return mean;
}

contingency_table contingency_of_planes(const label_plane& segmentation, const label_plane& truth) {
    if (segmentation.width != truth.width || segmentation.height != truth.height ||
        segmentation.labels.size() != truth.labels.size())
        throw std::invalid_argument("the segmentation and the ground truth differ in size");
    // (truth label, segmentation label) keys, sorted: cells by column, then row.
    std::vector<std::uint32_t> keys(truth.labels.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        keys[i] = std::uint32_t(truth.labels[i]) << 16 | segmentation.labels[i];
    std::sort(keys.begin(), keys.end());
    contingency_table table;
    std::vector<int> row_of_label(65536, -1);
    for (std::uint16_t label : segmentation.labels) row_of_label[label] = 0;
    for (int label = 0; label < 65536; ++label)
        if (row_of_label[static_cast<std::size_t>(label)] == 0) {
            row_of_label[static_cast<std::size_t>(label)] = table.rows();
            table.class_of_row.push_back(label);
        }
    table.row_pixels.assign(table.class_of_row.size(), 0);
    for (std::size_t i = 0; i < keys.size();) {
        const std::uint32_t key = keys[i];
        std::size_t j = i;
        while (j < keys.size() && keys[j] == key) ++j;
        const std::uint16_t column_label = static_cast<std::uint16_t>(key >> 16);
        if (table.label_of_column.empty() || table.label_of_column.back() != column_label) {
            table.label_of_column.push_back(column_label);
            table.column_pixels.push_back(0);
        }
        const int row = row_of_label[key & 0xFFFFu];
        const std::uint64_t n = j - i;
        table.cells.push_back({row, table.columns() - 1, n});
        table.row_pixels[static_cast<std::size_t>(row)] += n;
        table.column_pixels.back() += n;
        table.pixels += n;
        i = j;
    }
    return table;
}

}  // namespace strandel
