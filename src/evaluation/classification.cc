// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/classification.h"

#include <cmath>
#include <cstdlib>

namespace strandel {

int pixel_class(const std::vector<double>& centres, unsigned char gray) {
    double best_distance = std::fabs(centres[0] - gray);
    int best_index = 0;
    for (std::size_t i = 0; i < centres.size(); ++i) {
        const double d = std::fabs(centres[i] - gray);
        if (best_distance > d) {
            best_index = static_cast<int>(i);
            best_distance = d;
        }
    }
    return best_index;
}

void classify(const histogram& h, const std::vector<double>& centres, class_map* map) {
    map->clear();
    if (centres.empty()) return;
    for (unsigned g = 0; g < 256; ++g) {
        if (h[g] == 0) continue;
        const unsigned char gray = static_cast<unsigned char>(g);
        map->emplace(pixel_class(centres, gray), gray);  // equal keys keep insertion order
    }
}

int class_diameter(const class_map& map, int c) {
    auto range = map.equal_range(c);
    if (range.first == range.second) return 0;
    // Gray levels of a class are stored in ascending order.
    auto last = range.second;
    --last;
    return static_cast<int>(last->second) - static_cast<int>(range.first->second);
}

int class_dissimilarity(const class_map& map, int a, int b) {
    auto ra = map.equal_range(a);
    auto rb = map.equal_range(b);
    if (ra.first == ra.second || rb.first == rb.second) return 0;
    // Both classes hold their gray levels in ascending order, so the closest
    // pair is found in one merge-like walk instead of comparing every pair.
    int best = 256;
    auto i = ra.first;
    auto j = rb.first;
    while (i != ra.second && j != rb.second) {
        const int gi = i->second;
        const int gj = j->second;
        const int d = std::abs(gi - gj);
        if (d < best) best = d;
        if (gi < gj)
            ++i;
        else
            ++j;
    }
    return best;
}

}  // namespace strandel
