// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/chain_colors.h"

namespace strandel {

std::string chain_color(int chain) {
    static const char* const colors[] = {"#4e79a7", "#f28e2b", "#59a14f", "#e15759", "#b07aa1",
                                         "#76b7b2", "#edc948", "#9c755f", "#ff9da7", "#bab0ac"};
    return colors[static_cast<unsigned>(chain) % 10u];
}

}  // namespace strandel
