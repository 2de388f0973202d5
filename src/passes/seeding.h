// SPDX-License-Identifier: GPL-3.0-or-later
// Starting centres for the passes that need some when they head a chain.
#pragma once

#include <vector>

#include "framework/histogram.h"

namespace strandel {

// When `centres` is empty, fills it with up to `classes` gray levels: the
// least populated present gray levels whose counts differ pairwise (of equal
// counts only the darkest one qualifies), in ascending order of count. A list
// that already holds centres is left exactly as it is.
void seed_empty_centres(const histogram& h, int classes, std::vector<double>& centres);

}  // namespace strandel
