// SPDX-License-Identifier: GPL-3.0-or-later
#include "passes/multi_otsu_pass.h"

#include "evaluation/optimal_partition.h"

namespace strandel {

const param_info multi_otsu_pass::m_param_info[1] = {
    param_info(2, 100, "Number Of Classes", "Number of classes of the partition"),
};

multi_otsu_pass::multi_otsu_pass() : pass("Multi-Otsu", m_param_info, 1) { parameter_value(0).int_value() = 3; }

void multi_otsu_pass::operator()(const histogram& h, std::vector<double>& centres,
                                 progress_indicator* progress) const {
    const histogram_partition partition = least_squares_partition(h, parameter_value(0).int_value());
    centres.clear();
    for (const gray_run& run : partition.classes) centres.push_back(run.mean());
    if (progress) (*progress)(1.0);
}

}  // namespace strandel
