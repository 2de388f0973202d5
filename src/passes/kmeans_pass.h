// SPDX-License-Identifier: GPL-3.0-or-later
// K-Means: histogram-weighted Lloyd iterations on gray levels.
#pragma once

#include "framework/pass.h"

namespace strandel {

class kmeans_pass : public pass {
public:
    kmeans_pass();
    void operator()(const histogram& h, std::vector<double>& centres,
                    progress_indicator* progress) const override;
    void print() const override;
    pass* clone() const override { return new kmeans_pass(*this); }

    static const param_info m_param_info[2];
};

}  // namespace strandel
