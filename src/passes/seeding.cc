// SPDX-License-Identifier: GPL-3.0-or-later
#include "passes/seeding.h"

#include <cstdint>
#include <map>

namespace strandel {

void seed_empty_centres(const histogram& h, int classes, std::vector<double>& centres) {
    if (!centres.empty()) return;
    // Unique keys: a count already taken keeps its darker gray level.
    std::map<std::int32_t, unsigned char> gray_by_count;
    for (unsigned g = 0; g < 256; ++g)
        if (h[g] != 0) gray_by_count.emplace(h[g], static_cast<unsigned char>(g));
    for (const auto& entry : gray_by_count) {
        if (static_cast<int>(centres.size()) >= classes) break;
        centres.push_back(entry.second);
    }
}

}  // namespace strandel
