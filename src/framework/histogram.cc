// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/histogram.h"

#include <algorithm>

namespace strandel {

void clear_histogram(histogram& h) { std::fill(h.begin(), h.end(), 0); }

std::int64_t total_pixels(const histogram& h) {
    std::int64_t total = 0;
    for (std::int32_t c : h.counts) total += c;
    return total;
}

}  // namespace strandel
