// SPDX-License-Identifier: GPL-3.0-or-later
#include "passes/kmeans_pass.h"

#include <cstdint>
#include <cstdio>

#include "evaluation/classification.h"
#include "passes/seeding.h"

namespace strandel {

const param_info kmeans_pass::m_param_info[2] = {
    param_info(1, 100, "Number Of Passes", "Number of iterations to perform"),
    param_info(2, 100, "Number Of Classes", "Intial number of classes"),
};

kmeans_pass::kmeans_pass() : pass("K-Means", m_param_info, 2) {
    parameter_value(0).int_value() = 10;
    parameter_value(1).int_value() = 3;
}

void kmeans_pass::operator()(const histogram& h, std::vector<double>& centres,
                             progress_indicator* progress) const {
    const int passes = parameter_value(0).int_value();
    const int classes = parameter_value(1).int_value();
    seed_empty_centres(h, classes, centres);

    // Each iteration gathers its classes straight from the nearest-centre
    // rule (the class map's partition, without building the map) and moves
    // the centres only once every class is summed.
    // 64 bits: count x gray of one class passes 2^31 beyond ~8.4 Mpixels.
    std::vector<std::int64_t> weight, moment;
    for (int iteration = 1; iteration <= passes; ++iteration) {
        weight.assign(centres.size(), 0);
        moment.assign(centres.size(), 0);
        if (!centres.empty())
            for (unsigned g = 0; g < 256; ++g) {
                if (h[g] == 0) continue;
                const int c = pixel_class(centres, static_cast<unsigned char>(g));
                weight[c] += h[g];
                moment[c] += static_cast<std::int64_t>(h[g]) * g;
            }
        for (std::size_t i = 0; i < centres.size(); ++i)
            if (weight[i] != 0)  // an empty class stays put
                centres[i] = static_cast<double>(moment[i]) / static_cast<double>(weight[i]);
        if (progress) (*progress)(static_cast<double>(iteration) / passes);
    }
}

void kmeans_pass::print() const { std::printf("%s %d \n", label(), parameter_value(0).int_value()); }

}  // namespace strandel
