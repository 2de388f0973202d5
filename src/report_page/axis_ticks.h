// SPDX-License-Identifier: GPL-3.0-or-later
// Round tick values for a plot axis.
#pragma once

#include <string>
#include <vector>

namespace strandel {

struct axis {
    double low = 0, high = 1;  // the drawn range, on tick values
    double step = 1;
    std::vector<double> ticks;
    std::vector<std::string> labels;  // as many decimals as the step needs
};

// About `wanted` ticks at 1, 2 or 5 times a power of ten, covering
// [low, high] (finite, low <= high). A range of one value is widened around it.
axis nice_axis(double low, double high, int wanted = 5);

}  // namespace strandel
