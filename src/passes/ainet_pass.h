// SPDX-License-Identifier: GPL-3.0-or-later
// AiNet: class centres from an artificial immune network whose antigens are
// the pixels' gray levels. The number of classes is found, not given.
#pragma once

#include <vector>

#include "framework/pass.h"

namespace strandel {

class ainet_pass : public pass {
public:
    ainet_pass();
    // Throws std::invalid_argument, before touching `centres`, when a
    // parameter lies outside its range or a histogram count is negative.
    void operator()(const histogram& h, std::vector<double>& centres,
                    progress_indicator* progress) const override;
    void print() const override;
    pass* clone() const override { return new ainet_pass(*this); }

    static const param_info m_param_info[5];
};

// The seed antibody of an incoming centre: the centre truncated toward zero
// and kept to its low 8 bits, as two's complement holds them, at any size
// (-1.0 gives 255, 300.0 gives 44, 2^31 + 300 gives 44). NaN and the
// infinities have no low bits and give 0.
unsigned char ainet_seed_antibody(double centre);

// The same result and progress fractions as `ainet_pass::operator()`, but
// reached by presenting every pixel one by one, as the algorithm is stated.
// Far slower on large images; kept to check the pass against.
void ainet_present_every_pixel(const ainet_pass& pass, const histogram& h,
                               std::vector<double>& centres, progress_indicator* progress);

}  // namespace strandel
