// SPDX-License-Identifier: GPL-3.0-or-later
// The smallest possible pass: a model for writing new ones. Not registered.
#pragma once

#include "framework/pass.h"

namespace strandel {

class template_pass : public pass {
public:
    template_pass();
    void operator()(const histogram& h, std::vector<double>& centres,
                    progress_indicator* progress) const override;
    pass* clone() const override { return new template_pass(*this); }

    static const param_info m_param_info[2];
};

}  // namespace strandel
