// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzy C-Means in its hybrid form: hard nearest-centre classes, centres
// moved to the membership-weighted mean of their own class.
#pragma once

#include "framework/pass.h"

namespace strandel {

// Fuzzy membership of gray level `gray` to class `k` under `centres` with
// fuzziness index `m`. Near-zero distances are replaced by 0.5 in the
// denominators, so a gray level sitting on its own centre gets 2.0.
double belonging(int k, unsigned char gray, const std::vector<double>& centres, double m);

class fcm_pass : public pass {
public:
    fcm_pass();
    void operator()(const histogram& h, std::vector<double>& centres,
                    progress_indicator* progress) const override;
    pass* clone() const override { return new fcm_pass(*this); }

    static const param_info m_param_info[3];
};

}  // namespace strandel
