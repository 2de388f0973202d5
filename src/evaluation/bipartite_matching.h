// SPDX-License-Identifier: GPL-3.0-or-later
// Largest matching of a bipartite graph (Hopcroft and Karp): shortest
// augmenting paths in phases, O(E sqrt(V)).
#pragma once

#include <cstdint>
#include <vector>

namespace strandel {

// Left vertex u's neighbours are right[offsets[u] .. offsets[u + 1]).
struct bipartite_graph {
    std::vector<std::uint32_t> offsets;  // left count + 1 entries
    std::vector<std::uint32_t> right;
    std::uint32_t right_count = 0;

    std::uint32_t left_count() const { return offsets.empty() ? 0 : static_cast<std::uint32_t>(offsets.size() - 1); }
};

constexpr std::uint32_t unmatched = 0xFFFFFFFFu;

// The right vertex matched to each left vertex (`unmatched` for none).
std::vector<std::uint32_t> largest_matching(const bipartite_graph& graph);

}  // namespace strandel
