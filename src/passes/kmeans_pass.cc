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

    class_map map;
    for (int iteration = 1; iteration <= passes; ++iteration) {
        classify(h, centres, &map);
        for (std::size_t i = 0; i < centres.size(); ++i) {
            auto range = map.equal_range(static_cast<int>(i));
            if (range.first == range.second) continue;  // an empty class stays put
            // 64 bits: count x gray of one class passes 2^31 beyond ~8.4 Mpixels.
            std::int64_t weight = 0, moment = 0;
            for (auto e = range.first; e != range.second; ++e) {
                weight += h[e->second];
                moment += static_cast<std::int64_t>(h[e->second]) * e->second;
            }
            centres[i] = static_cast<double>(moment) / static_cast<double>(weight);
        }
        if (progress) (*progress)(static_cast<double>(iteration) / passes);
    }
}

void kmeans_pass::print() const { std::printf("%s %d \n", label(), parameter_value(0).int_value()); }

}  // namespace strandel
