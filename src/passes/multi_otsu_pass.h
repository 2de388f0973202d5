// SPDX-License-Identifier: GPL-3.0-or-later
// Multi-Otsu: the exact least within-class sum of squares partition of the
// histogram (multi-level Otsu thresholds), a reference the heuristic
// passes can be held against.
#pragma once

#include "framework/pass.h"

namespace strandel {

class multi_otsu_pass : public pass {
public:
    multi_otsu_pass();
    // Replaces `centres` by the means of the partition's classes, ascending,
    // whatever it is given: the partition depends on the histogram and the
    // number of classes alone. With fewer present gray levels than classes,
    // each present level is a centre; an empty histogram leaves none.
    void operator()(const histogram& h, std::vector<double>& centres,
                    progress_indicator* progress) const override;
    pass* clone() const override { return new multi_otsu_pass(*this); }

    static const param_info m_param_info[1];
};

}  // namespace strandel
