// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/boundary_measures.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>


namespace strandel {

label_plane class_plane(const unsigned char* grays, int width, int height, const class_lookup& classes) {
    label_plane plane{width, height, std::vector<std::uint16_t>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))};
    for (std::size_t i = 0; i < plane.labels.size(); ++i) {
        const int c = classes[grays[i]];
        plane.labels[i] = c < 0 || c > 65535 ? 65535 : static_cast<std::uint16_t>(c);
    }
    return plane;
}

std::vector<std::uint32_t> boundary_pixels(const label_plane& plane) {
    std::vector<std::uint32_t> result;
    const std::size_t w = static_cast<std::size_t>(plane.width), h = static_cast<std::size_t>(plane.height);
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint16_t* row = plane.labels.data() + y * w;
        const std::uint16_t* below = y + 1 < h ? row + w : nullptr;
        for (std::size_t x = 0; x < w; ++x)
            if ((x + 1 < w && row[x + 1] != row[x]) || (below && below[x] != row[x]))
                result.push_back(static_cast<std::uint32_t>(y * w + x));
    }
    return result;
}

bool within_match_radius(std::int64_t dx, std::int64_t dy, int width, int height) {
    const std::int64_t w = width, h = height;
    return 160000 * (dx * dx + dy * dy) <= 9 * (w * w + h * h);
}

namespace {

// The smallest whole number of pixels no match distance exceeds.
int match_reach(int width, int height) {
    int reach = 0;
    while (within_match_radius(reach + 1, 0, width, height)) ++reach;
    return reach;
}

// The truth's boundary pixels sorted into square cells as wide as the
// match reach (at least 1), so a pixel's partners lie in the 3 x 3 cells
// around its own.
struct boundary_grid {
    int cell, columns, rows;
    std::vector<std::uint32_t> start;    // per cell, into `members`
    std::vector<std::uint32_t> members;  // indices into the truth's boundary list

    boundary_grid(const std::vector<std::uint32_t>& pixels, int width, int height)
        : cell(std::max(1, match_reach(width, height))), columns(width / cell + 1), rows(height / cell + 1),
          start(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows) + 1, 0), members(pixels.size()) {
        for (std::uint32_t p : pixels) ++start[cell_of(p, width) + 1];
        for (std::size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
        std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
        for (std::uint32_t k = 0; k < pixels.size(); ++k) members[fill[cell_of(pixels[k], width)]++] = k;
    }
    std::size_t cell_of(std::uint32_t pixel, int width) const {
        const int x = static_cast<int>(pixel % static_cast<std::uint32_t>(width)), y = static_cast<int>(pixel / static_cast<std::uint32_t>(width));
        return static_cast<std::size_t>(y / cell) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(x / cell);
    }
};

bipartite_graph pairs_within_reach(const std::vector<std::uint32_t>& left, const std::vector<std::uint32_t>& right,
                                   int width, int height) {
    const boundary_grid grid(right, width, height);
    bipartite_graph g;
    g.right_count = static_cast<std::uint32_t>(right.size());
    g.offsets.reserve(left.size() + 1);
    g.offsets.push_back(0);
    const std::uint32_t w = static_cast<std::uint32_t>(width);
    std::vector<std::pair<std::int64_t, std::uint32_t>> near;  // (squared distance, partner)
    for (std::uint32_t p : left) {
        near.clear();
        const int x = static_cast<int>(p % w), y = static_cast<int>(p / w);
        const int cx = x / grid.cell, cy = y / grid.cell;
        for (int gy = std::max(0, cy - 1); gy <= std::min(grid.rows - 1, cy + 1); ++gy)
            for (int gx = std::max(0, cx - 1); gx <= std::min(grid.columns - 1, cx + 1); ++gx) {
                const std::size_t c = static_cast<std::size_t>(gy) * static_cast<std::size_t>(grid.columns) + static_cast<std::size_t>(gx);
                for (std::uint32_t m = grid.start[c]; m < grid.start[c + 1]; ++m) {
                    const std::uint32_t q = right[grid.members[m]];
                    const std::int64_t dx = static_cast<std::int64_t>(q % w) - x, dy = static_cast<std::int64_t>(q / w) - y;
                    if (within_match_radius(dx, dy, width, height)) near.emplace_back(dx * dx + dy * dy, grid.members[m]);
                }
            }
        // Nearest first: the greedy start of the matching pairs neighbours.
        std::sort(near.begin(), near.end());
        if (g.right.size() + near.size() > boundary_pair_limit)
            throw std::length_error("the boundary matching would need more than " + std::to_string(boundary_pair_limit) +
                                    " candidate pixel pairs (boundaries as dense as noise on a large image)");
        for (const auto& n : near) g.right.push_back(n.second);
        g.offsets.push_back(static_cast<std::uint32_t>(g.right.size()));
    }
    return g;
}

double share(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? 1.0 : static_cast<double>(static_cast<long double>(part) / static_cast<long double>(whole));
}

void check_plane(const label_plane& plane, const char* what) {
    if (plane.width < 0 || plane.height < 0 ||
        plane.labels.size() != static_cast<std::size_t>(plane.width) * static_cast<std::size_t>(plane.height))
        throw std::invalid_argument(std::string(what) + " plane holds " + std::to_string(plane.labels.size()) +
                                    " labels for " + std::to_string(plane.width) + " x " +
                                    std::to_string(plane.height) + " pixels");
}

}  // namespace

boundary_matching match_boundaries(const label_plane& segmentation, const label_plane& truth) {
    check_plane(segmentation, "the segmentation");
    check_plane(truth, "a ground truth");
    if (segmentation.width != truth.width || segmentation.height != truth.height)
        throw std::invalid_argument("the ground truth is " + std::to_string(truth.width) + " x " +
                                    std::to_string(truth.height) + ", the segmentation " +
                                    std::to_string(segmentation.width) + " x " + std::to_string(segmentation.height));
    boundary_matching result;
    result.segmentation_boundary = boundary_pixels(segmentation);
    result.truth_boundary = boundary_pixels(truth);
    result.partner = largest_matching(
        pairs_within_reach(result.segmentation_boundary, result.truth_boundary, segmentation.width, segmentation.height));
    for (std::uint32_t p : result.partner) result.matched += p != unmatched;
    return result;
}

boundary_scores boundary_measures(const label_plane& segmentation, const std::vector<label_plane>& truths) {
    if (truths.empty()) throw std::invalid_argument("boundary measures need at least one ground truth");
    boundary_scores s;
    std::vector<char> matched_by_any;
    for (const label_plane& truth : truths) {
        const boundary_matching m = match_boundaries(segmentation, truth);
        if (matched_by_any.empty()) matched_by_any.assign(m.partner.size(), 0);
        for (std::size_t k = 0; k < matched_by_any.size(); ++k) matched_by_any[k] |= m.partner[k] != unmatched;
        s.truth_pixels += m.truth_boundary.size();
        s.truth_matched += m.matched;
        s.segmentation_pixels = m.segmentation_boundary.size();
    }
    for (char matched : matched_by_any) s.segmentation_matched += matched != 0;
    s.precision = share(s.segmentation_matched, s.segmentation_pixels);
    s.recall = share(s.truth_matched, s.truth_pixels);
    s.f = s.precision + s.recall == 0.0 ? 0.0 : 2.0 * s.precision * s.recall / (s.precision + s.recall);
    return s;
}

}  // namespace strandel
