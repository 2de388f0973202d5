// SPDX-License-Identifier: GPL-3.0-or-later
// One colour per chain, the same in every plot and table of the page.
#pragma once

#include <string>

namespace strandel {

// A CSS colour for the chain of index `chain` (from 0). Ten well-separated
// hues that stay apart for common colour-vision deficiencies and on a
// projector; past ten they repeat.
std::string chain_color(int chain);

}  // namespace strandel
