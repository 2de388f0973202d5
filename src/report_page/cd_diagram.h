// SPDX-License-Identifier: GPL-3.0-or-later
// Critical-difference diagrams (Demsar 2006) as inline SVG.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace strandel {

// The groups of methods whose mean ranks all lie within `critical` of each
// other (no two differ significantly), as [first, last] index ranges into
// the methods sorted by mean rank; only the maximal ones, left to right.
std::vector<std::pair<int, int>> cliques_of(const std::vector<double>& sorted_ranks, double critical);

struct cd_method {
    int number = 0;      // chain number, in its chip
    std::string name;    // shown abbreviated, whole on hover
    std::string color;
    double mean_rank = 0;
};

// The axis of mean ranks from 1 (best, left) to the number of methods, each
// method at its mean rank with its name (the better half on the left, the
// rest on the right), a bar as long as the critical difference above the
// axis, and thick bars joining the methods no test tells apart.
std::string cd_diagram_svg(const std::string& title, std::vector<cd_method> methods, double critical);

}  // namespace strandel
