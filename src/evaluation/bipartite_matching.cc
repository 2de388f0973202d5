// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/bipartite_matching.h"

#include <deque>
#include <limits>

namespace strandel {

namespace {

constexpr std::uint32_t unreached = std::numeric_limits<std::uint32_t>::max();

class hopcroft_karp {
public:
    explicit hopcroft_karp(const bipartite_graph& g)
        : m_g(g), m_left(g.left_count(), unmatched), m_right(g.right_count, unmatched), m_layer(g.left_count()),
          m_next(g.left_count()) {}

    std::vector<std::uint32_t> run() {
        match_greedily();
        while (layer_from_free_vertices())
            for (std::uint32_t u = 0; u < m_left.size(); ++u)
                if (m_left[u] == unmatched) augment_from(u);
        return m_left;
    }

private:
    // Most vertices find a free partner at once; the phases then start
    // from the few that did not.
    void match_greedily() {
        for (std::uint32_t u = 0; u < m_left.size(); ++u)
            for (std::uint32_t e = m_g.offsets[u]; e < m_g.offsets[u + 1]; ++e)
                if (m_right[m_g.right[e]] == unmatched) {
                    m_left[u] = m_g.right[e];
                    m_right[m_g.right[e]] = u;
                    break;
                }
    }

    // Breadth-first layers of alternating paths from the free left
    // vertices; true when some path reaches a free right vertex.
    bool layer_from_free_vertices() {
        std::deque<std::uint32_t> queue;
        for (std::uint32_t u = 0; u < m_left.size(); ++u) {
            m_layer[u] = m_left[u] == unmatched ? 0 : unreached;
            if (m_layer[u] == 0) queue.push_back(u);
            m_next[u] = m_g.offsets[u];
        }
        m_free_layer = unreached;
        while (!queue.empty()) {
            const std::uint32_t u = queue.front();
            queue.pop_front();
            if (m_layer[u] >= m_free_layer) continue;
            for (std::uint32_t e = m_g.offsets[u]; e < m_g.offsets[u + 1]; ++e) {
                const std::uint32_t w = m_right[m_g.right[e]];
                if (w == unmatched) {
                    if (m_free_layer == unreached) m_free_layer = m_layer[u] + 1;
                } else if (m_layer[w] == unreached) {
                    m_layer[w] = m_layer[u] + 1;
                    queue.push_back(w);
                }
            }
        }
        return m_free_layer != unreached;
    }

    // Depth-first along the layers with an explicit stack (paths may be as
    // long as the graph is large); each edge is tried once per phase.
    void augment_from(std::uint32_t root) {
        m_stack.assign(1, root);
        while (!m_stack.empty()) {
            const std::uint32_t u = m_stack.back();
            if (m_next[u] == m_g.offsets[u + 1]) {
                m_layer[u] = unreached;  // a dead end for the rest of the phase
                m_stack.pop_back();
                if (!m_stack.empty()) ++m_next[m_stack.back()];
                continue;
            }
            const std::uint32_t w = m_right[m_g.right[m_next[u]]];
            if (w == unmatched && m_layer[u] + 1 == m_free_layer) {
                flip_path();
                return;
            }
            if (w != unmatched && m_layer[w] == m_layer[u] + 1)
                m_stack.push_back(w);
            else
                ++m_next[u];
        }
    }

    // Every vertex on the stack takes the right vertex its current edge
    // points to; the last one's was free.
    void flip_path() {
        for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it) {
            const std::uint32_t u = *it, v = m_g.right[m_next[u]];
            m_left[u] = v;
            m_right[v] = u;
            m_layer[u] = unreached;  // matched on this phase's path: not again
        }
    }

    const bipartite_graph& m_g;
    std::vector<std::uint32_t> m_left, m_right, m_layer, m_next, m_stack;
    std::uint32_t m_free_layer = unreached;
};

}  // namespace

std::vector<std::uint32_t> largest_matching(const bipartite_graph& graph) { return hopcroft_karp(graph).run(); }

}  // namespace strandel
