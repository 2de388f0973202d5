// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/jaccard.h"

#include <algorithm>

namespace strandel {

void gray_label_counts::clear() { std::fill(m_counts.begin(), m_counts.end(), 0); }

std::uint64_t gray_label_counts::label_pixels(unsigned char label) const {
    std::uint64_t total = 0;
    for (unsigned gray = 0; gray < 256; ++gray) total += m_counts[gray * 256u + label];
    return total;
}

std::uint64_t gray_label_counts::gray_pixels(unsigned char gray) const {
    const auto row = m_counts.begin() + gray * 256u;
    std::uint64_t total = 0;
    for (auto it = row; it != row + 256; ++it) total += *it;
    return total;
}

double jaccard_index(std::uint64_t intersection, std::uint64_t union_size) {
    if (union_size == 0) return 0.0;
    return static_cast<double>(intersection) / static_cast<double>(union_size);
}

void jaccard_matches(const gray_label_counts& counts, const class_map& classes,
                     const std::vector<double>& centres, match_list* matches) {
    matches->clear();
    const int nr_classes = static_cast<int>(centres.size());

    // Gray levels and pixel totals per class, computed once for all labels.
    std::vector<std::vector<unsigned char>> grays(nr_classes);
    std::vector<std::uint64_t> class_pixels(nr_classes, 0);
    for (const auto& entry : classes) {
        if (entry.first < 0 || entry.first >= nr_classes) continue;
        grays[entry.first].push_back(entry.second);
        class_pixels[entry.first] += counts.gray_pixels(entry.second);
    }

    for (unsigned label = 0; label < 256; ++label) {
        const std::uint64_t label_pixels = counts.label_pixels(static_cast<unsigned char>(label));
        if (label_pixels == 0) continue;
        std::pair<int, double> best(0, 0.0);
        for (int c = 0; c < nr_classes; ++c) {
            std::uint64_t intersection = 0;
            for (unsigned char gray : grays[c]) intersection += counts.at(gray, static_cast<unsigned char>(label));
            const double j = jaccard_index(intersection, class_pixels[c] + label_pixels - intersection);
            if (j > best.second) best = {c, j};
        }
        matches->push_back(best);
    }
}

double jaccard_mean(const match_list& matches) {
    if (matches.empty()) return 0.0;
    double sum = 0.0;
    for (const auto& m : matches) sum += m.second;
    return sum / static_cast<double>(matches.size());
}

std::string manual_segmentation_name(const std::string& image_file) {
    const std::string::size_type dot = image_file.rfind('.');
    if (dot == std::string::npos) return image_file + "_seg.";
    return image_file.substr(0, dot) + "_seg." + image_file.substr(dot + 1);
}

}  // namespace strandel
