// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/fitness_function.h"

#include <cmath>

namespace strandel {

double w1 = 0.5;
double w2 = 0.5;

namespace {

double abs(double x) { return x > 0 ? x : -x; }

}  // namespace

double dunn_fitness::operator()(const histogram& /*h*/, const std::vector<double>& centres,
                                const class_map& classes) const {
    const int k = static_cast<int>(centres.size());
    if (k <= 1) return 1.0;
    int min_dissimilarity = class_dissimilarity(classes, 0, 1);
    for (int i = 0; i < k; ++i)
        for (int j = i + 1; j < k; ++j) {
            const int d = class_dissimilarity(classes, i, j);
            if (d < min_dissimilarity) min_dissimilarity = d;
        }
    int max_diameter = class_diameter(classes, 0);
    for (int j = 0; j < k; ++j) {
        const int d = class_diameter(classes, j);
        if (d > max_diameter) max_diameter = d;
    }
    if (max_diameter == 0) return 1.0;
    return 10.0 * min_dissimilarity / max_diameter;
}

double max_intra_distance(const std::vector<double>& centres, const histogram& h) {
    // The particle swarm evaluates this hundreds of times per run, so the
    // classes are gathered straight from the nearest-centre rule rather than
    // through a class map; the sums run in the same ascending gray order.
    if (centres.empty()) return 0;
    std::vector<double> distance_sum(centres.size(), 0.0);
    std::vector<int> members(centres.size(), 0);
    for (unsigned g = 0; g < 256; ++g) {
        if (h[g] == 0) continue;
        const int c = pixel_class(centres, static_cast<unsigned char>(g));
        distance_sum[c] += abs(g - centres[c]);
        ++members[c];
    }
    double largest = 0;
    for (std::size_t i = 0; i < centres.size(); ++i) {
        if (members[i] == 0) continue;  // a class without gray levels has no spread
        const double mean = distance_sum[i] / members[i];
        if (mean > largest) largest = mean;
    }
    return largest;
}

double min_inter_distance(const std::vector<double>& centres) {
    double smallest = 255.0;
    for (std::size_t i = 0; i < centres.size(); ++i)
        for (std::size_t j = i + 1; j < centres.size(); ++j) {
            const double d = abs(centres[i] - centres[j]);
            if (d < smallest) smallest = d;
        }
    return smallest;
}

double amrane_fitness_impl(const std::vector<double>& centres, const histogram& h) {
    return w1 * max_intra_distance(centres, h) + w2 * (255 - min_inter_distance(centres));
}

double amrane_fitness::operator()(const histogram& h, const std::vector<double>& centres,
                                  const class_map& /*classes*/) const {
    const double criterion = amrane_fitness_impl(centres, h);
    return 1 / (criterion / 100);
}

double liu_yang_fitness::operator()(const histogram& h, const std::vector<double>& centres,
                                    const class_map& classes) const {
    const std::size_t k = centres.size();
    if (k <= 1) return 1.0;
    double spread = 0, pixels = 0;
    for (std::size_t i = 0; i < k; ++i) {
        auto range = classes.equal_range(static_cast<int>(i));
        double error = 0, members = 0;
        for (auto e = range.first; e != range.second; ++e) {
            error += abs(centres[i] - e->second);
            members += h[e->second];
        }
        // A class without pixels has no error to weigh (its term would be 0/0).
        if (members == 0) continue;
        spread += error * error / std::sqrt(members);
        pixels += members;
    }
    const double f = std::sqrt(static_cast<double>(k)) * spread / (pixels + 1000);
    return 1 / f;
}

}  // namespace strandel
