#include "passes/fcm_pass.h"

#include <cmath>

#include "evaluation/classification.h"
#include "passes/seeding.h"

namespace strandel {

const param_info fcm_pass::m_param_info[3] = {
    param_info(1, 100, "Number of Iterations", "Number of passes to apply"),
    param_info(2, 100, "Clusters", "Initial Number of Classes"),
    param_info(1.0, 10.0, "Fuzziness Index", "Accuracy of calculations"),
};

fcm_pass::fcm_pass() : pass("Fuzzy C-Means", m_param_info, 3) {
    parameter_value(0).int_value() = 10;
    parameter_value(1).int_value() = 3;
    parameter_value(2).double_value() = 2.0;
}

double belonging(int k, unsigned char gray, const std::vector<double>& centres, double m) {
    const double exponent = 2.0 / (m - 1);
    const double distance = std::fabs(gray - centres[k]);
    double sum = 0;
    for (double centre : centres) {
        double other = std::fabs(gray - centre);
        if (other < 0.0003) other = 0.5;
        sum += std::pow(distance / other, exponent);
    }
    if (sum < 0.0003) sum = 0.5;
    return 1 / sum;
}

void fcm_pass::operator()(const histogram& h, std::vector<double>& centres,
                          progress_indicator* /*progress*/) const {
    const int iterations = parameter_value(0).int_value();
    const int classes = parameter_value(1).int_value();
    const double m = parameter_value(2).double_value();
    seed_empty_centres(h, classes, centres);

    class_map map;
    std::vector<double> next(centres);
    for (int iteration = 0; iteration < iterations; ++iteration) {
        classify(h, centres, &map);
        for (std::size_t k = 0; k < centres.size(); ++k) {
            auto range = map.equal_range(static_cast<int>(k));
            if (range.first == range.second) {
                next[k] = centres[k];
                continue;
            }
            double weighted_sum = 0, weight_total = 0;
            for (auto e = range.first; e != range.second; ++e) {
                const double w = std::pow(belonging(static_cast<int>(k), e->second, centres, m), m);
                weighted_sum += e->second * w;
                weight_total += w;
            }
            next[k] = weighted_sum / weight_total;
        }
        // Every membership of this iteration was taken against the old centres.
        centres = next;
    }
}

}  // namespace strandel
