// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/comparison.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace strandel {

std::string comparison::manual_segmentation(int image) const {
    for (int r : images[image].row_of_chain)
        if (r >= 0 && !rows[r].manual_segmentation.empty()) return rows[r].manual_segmentation;
    return {};
}

std::vector<double> comparison::values(int chain, int measure) const {
    std::vector<double> found;
    for (int i = 0; i < static_cast<int>(images.size()); ++i) {
        const result_row* r = row(i, chain);
        if (r && r->values[measure]) found.push_back(*r->values[measure]);
    }
    return found;
}

bool arrange(std::vector<result_row> rows, comparison* out, std::string* error) {
    comparison c;
    c.rows = std::move(rows);
    std::map<std::string, int> chain_index, image_index;
    std::vector<int> first_position;
    std::vector<std::string> image_names;
    std::vector<std::vector<int>> by_image;  // [image][chain] row, grown as chains appear
    for (int r = 0; r < static_cast<int>(c.rows.size()); ++r) {
        const result_row& row = c.rows[r];
        const auto chain = chain_index.emplace(row.chain, static_cast<int>(c.chains.size()));
        if (chain.second) c.chains.push_back(row.chain);
        const auto image = image_index.emplace(row.image, static_cast<int>(by_image.size()));
        if (image.second) {
            by_image.emplace_back();
            first_position.push_back(row.position);
            image_names.push_back(row.image);
        }
        std::vector<int>& slots = by_image[image.first->second];
        if (slots.size() < c.chains.size()) slots.resize(c.chains.size(), -1);
        int& slot = slots[chain.first->second];
        if (slot >= 0) {
            const result_row& earlier = c.rows[slot];
            *error = row.table + ":" + std::to_string(row.line) + ": chain " + std::to_string(chain.first->second + 1) +
                     " already has a row for image \"" + row.image + "\" at " + earlier.table + ":" +
                     std::to_string(earlier.line);
            return false;
        }
        slot = r;
    }
    std::vector<int> order(by_image.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return first_position[a] < first_position[b]; });
    for (int i : order) {
        image_rows entry;
        entry.image = image_names[i];
        entry.row_of_chain = by_image[i];
        entry.row_of_chain.resize(c.chains.size(), -1);
        c.images.push_back(std::move(entry));
    }
    *out = std::move(c);
    return true;
}

}  // namespace strandel
