// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/template_pass.h"

namespace strandel {

const param_info template_pass::m_param_info[2] = {
    param_info(1, 10, "Number of Iterations", "Number of passes to apply"),
    param_info(0.0, 1.0, "Precision", "Accuracy of calculations"),
};

template_pass::template_pass() : pass("Template", m_param_info, 2) {}

void template_pass::operator()(const histogram& h, std::vector<double>& /*centres*/,
                               progress_indicator* /*progress*/) const {
    const int iterations = parameter_value(0).int_value();
    double total = 0;
    for (std::int32_t c : h) total += c;
    // A real pass would refine the centres here, once per iteration.
    for (int i = 0; i < iterations; ++i)
        for (const std::int32_t* bin = h.begin(); bin != h.end(); ++bin) (void)bin;
    (void)total;
}

}  // namespace strandel
