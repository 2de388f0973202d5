// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/turi.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace strandel {

namespace {

constexpr std::int32_t absent_gray_level = 256;

// Index of the active centroid nearest to `gray` at any distance (lowest
// index on ties), or -1 when none is active.
int nearest_active(double gray, const std::vector<bool>& mask, const std::vector<double>& centroids,
                   std::size_t used) {
    int best_index = -1;
    double best = 0;
    for (std::size_t j = 0; j < used; ++j) {
        if (!mask[j]) continue;
        const double d = std::fabs(gray - centroids[j]);
        if (best_index < 0 || d < best) {
            best = d;
            best_index = static_cast<int>(j);
        }
    }
    return best_index;
}

}  // namespace

// A present gray level that no active centroid lies strictly nearer to than
// 255 keeps the class it came with, as long as that class names an active
// centroid. Otherwise (an index left over from an earlier mask, or one past
// the end of the list) it would be measured against a centroid that takes no
// part, so it joins its nearest active centroid instead. A mask with no
// active centroid describes no partition at all and costs +infinity, the
// worst value, so that a swarm never prefers it and no centroid is read
// through a meaningless index.
double fitness_turi(std::vector<bool>& mask, std::vector<double>& centroids,
                    std::vector<cluster>& clusters) {
    const std::size_t used = std::min(mask.size(), centroids.size());
    bool any_active = false;
    for (std::size_t j = 0; j < used; ++j) any_active = any_active || mask[j];

    for (std::size_t n = 0; n < clusters.size(); ++n) {
        cluster& record = clusters[n];
        if (record.count == 0) {
            record.class_index = absent_gray_level;
            continue;
        }
        double best = 255.0;
        for (std::size_t j = 0; j < used; ++j) {
            if (!mask[j]) continue;
            const double d = std::fabs(static_cast<double>(n) - centroids[j]);
            if (d < best) {
                best = d;
                record.class_index = static_cast<std::int32_t>(j);
            }
        }
        const bool kept_index_valid = record.class_index >= 0 &&
                                      static_cast<std::size_t>(record.class_index) < used &&
                                      mask[record.class_index];
        if (!kept_index_valid && any_active)
            record.class_index = nearest_active(static_cast<double>(n), mask, centroids, used);
    }
    if (!any_active) return std::numeric_limits<double>::infinity();

    double distance_sum = 0, pixel_sum = 0;
    for (std::size_t n = 0; n < clusters.size(); ++n) {
        const cluster& record = clusters[n];
        if (record.count == 0) continue;
        distance_sum += std::fabs(static_cast<double>(n) - centroids[record.class_index]) * record.count;
        pixel_sum += record.count;
    }
    const double intra = distance_sum / pixel_sum;

    double inter = 255.0;
    for (std::size_t i = 0; i < used; ++i) {
        if (!mask[i]) continue;
        for (std::size_t j = i + 1; j < used; ++j) {
            if (!mask[j]) continue;
            const double d = std::fabs(centroids[i] - centroids[j]);
            if (d < inter) inter = d;
        }
    }
    return 5.0 * intra / inter;
}

double turi_fitness::operator()(const histogram& h, const std::vector<double>& centres,
                                const class_map& classes) const {
    std::vector<bool> mask(centres.size(), true);
    std::vector<double> centroids(centres);
    std::vector<cluster> clusters(256);
    for (const auto& entry : classes) {
        clusters[entry.second].count = h[entry.second];
        clusters[entry.second].class_index = entry.first;
    }
    return 1 / fitness_turi(mask, centroids, clusters);
}

}  // namespace strandel
