// SPDX-License-Identifier: GPL-3.0-or-later
// The Turi validity index: compactness over separation, in an objective form
// over a per-gray-level table with switchable centroids (for the dynamic
// swarm) and as a registered fitness function.
#pragma once

#include <cstdint>
#include <vector>

#include "evaluation/fitness_function.h"

namespace strandel {

// One record per gray level. class_index 256 marks an absent gray level.
struct cluster {
    std::int32_t count = 0;
    std::int32_t class_index = 0;
};

using turi_objective = double (*)(std::vector<bool>&, std::vector<double>&, std::vector<cluster>&);

// Lower is better. Reassigns every record's class_index to its nearest
// active centroid (absent gray levels get 256).
double fitness_turi(std::vector<bool>& mask, std::vector<double>& centroids,
                    std::vector<cluster>& clusters);

class turi_fitness : public fitness_function {
public:
    turi_fitness() : fitness_function("Turi (2001)") {}
    double operator()(const histogram& h, const std::vector<double>& centres,
                      const class_map& classes) const override;
};

}  // namespace strandel
