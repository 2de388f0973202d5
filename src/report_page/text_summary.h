// SPDX-License-Identifier: GPL-3.0-or-later
// The summary printed when no page is asked for: aligned plain text.
#pragma once

#include <string>

#include "report_page/comparison.h"
#include "report_page/method_tests.h"
#include "report_page/ranks.h"

namespace strandel {

// Lists the chains by number, then one block per measure of `tests` (in
// their order) with a line per chain: images, mean, median, std, min, max
// and mean rank, followed by the measure's tests.
std::string text_summary(const comparison& c, const rank_summary& ranks, const std::vector<measure_tests>& tests);

}  // namespace strandel
