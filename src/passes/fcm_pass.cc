// SPDX-License-Identifier: GPL-3.0-or-later
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

    // Classes come straight from the nearest-centre rule (the class map's
    // partition, without building the map); every membership of an
    // iteration is taken against the centres it started from.
    std::vector<double> weighted_sum, weight_total;
    for (int iteration = 0; iteration < iterations; ++iteration) {
        weighted_sum.assign(centres.size(), 0.0);
        weight_total.assign(centres.size(), 0.0);
        std::vector<bool> has_members(centres.size(), false);
        if (!centres.empty())
            for (unsigned g = 0; g < 256; ++g) {
                if (h[g] == 0) continue;
                const unsigned char gray = static_cast<unsigned char>(g);
                const int k = pixel_class(centres, gray);
                const double w = std::pow(belonging(k, gray, centres, m), m);
                weighted_sum[k] += gray * w;
                weight_total[k] += w;
                has_members[k] = true;
            }
        for (std::size_t k = 0; k < centres.size(); ++k)
            if (has_members[k]) centres[k] = weighted_sum[k] / weight_total[k];
    }
}

}  // namespace strandel
