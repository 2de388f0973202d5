// SPDX-License-Identifier: GPL-3.0-or-later
// Box plots of one measure across chains, as inline SVG.
#pragma once

#include <string>
#include <vector>

namespace strandel {

struct box_series {
    int number = 0;      // chain number, shown in its colour chip
    std::string label;   // chain text (escaped here)
    std::string color;   // CSS colour
    std::vector<double> values;
};

// One horizontal box per series, top to bottom, on a shared axis titled
// `axis_title`. Only finite values are drawn (an axis cannot hold inf);
// the page says how many were left out. A series without finite values
// gets its row and the words "no finite value".
std::string box_plot_svg(const std::string& axis_title, const std::vector<box_series>& series);

}  // namespace strandel
