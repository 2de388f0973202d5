// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/comparison.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <unordered_map>

#include "framework/message_text.h"

namespace strandel {

int comparison::slot(int image, int chain) const {
    const std::vector<chain_row>& r = images[image].rows;
    const auto found =
        std::lower_bound(r.begin(), r.end(), chain, [](const chain_row& a, int k) { return a.chain < k; });
    return found != r.end() && found->chain == chain ? static_cast<int>(found - r.begin()) : -1;
}

std::string comparison::manual_segmentation(int image) const {
    for (const chain_row& r : images[image].rows) {
        const result_row& row = rows[r.row];
        if (!row.manual_segmentation.empty()) return row.manual_path.empty() ? row.manual_segmentation : row.manual_path;
    }
    return {};
}

std::vector<double> comparison::values(int chain, int measure) const {
    std::vector<double> found;
    for (const auto& at : chain_images[chain])
        if (const auto& v = rows[at.second].values[measure]) found.push_back(*v);
    return found;
}

int comparison::common_images() const {
    int common = 0;
    for (const image_rows& i : images) common += i.rows.size() == chains.size();
    return common;
}

int comparison::skipped_images() const {
    int count = 0;
    for (const skipped_image& s : skipped) count += !s.rated_elsewhere;
    return count;
}

namespace {

std::string place(const result_row& row) { return row.table + ":" + std::to_string(row.line); }

// The two rules that identify a row, checked as rows come; each first
// occurrence is kept as its place, for the message about a second one.
class row_identity {
public:
    bool add(const result_row& row, int chain, std::string* error) {
        const auto image = m_images.emplace(std::make_pair(chain, row.image_key()), place(row));
        if (!image.second) {
            *error = place(row) + ": chain " + std::to_string(chain + 1) + " already has a row for image \"" +
                     message_quote(row.image) + "\" at " + image.first->second;
            return false;
        }
        const auto position = m_positions.emplace(std::make_pair(chain, row.position), place(row));
        if (!position.second) {
            *error = place(row) + ": chain " + std::to_string(chain + 1) + " already has a row for position " +
                     std::to_string(row.position) + " at " + position.first->second;
            return false;
        }
        return true;
    }

private:
    std::map<std::pair<int, std::string>, std::string> m_images;
    std::map<std::pair<int, int>, std::string> m_positions;
};

}  // namespace

bool arrange(std::vector<result_row> all, comparison* out, std::string* error) {
    comparison c;
    std::unordered_map<std::string, int> chain_index, image_index, skipped_index;
    std::vector<int> first_position;
    row_identity identity;
    for (result_row& row : all) {
        if (row.chain.empty()) {
            *error = place(row) + ": empty chain";
            return false;
        }
        const auto chain = chain_index.emplace(row.chain, static_cast<int>(c.chains.size()));
        if (chain.second) c.chains.push_back(row.chain);
        const int k = chain.first->second;
        if (!identity.add(row, k, error)) return false;
        if (row.skipped) {
            const auto entry = skipped_index.emplace(row.image_key(), static_cast<int>(c.skipped.size()));
            if (entry.second) c.skipped.push_back({row.image, row.position, row.skip_reason, {}, false});
            c.skipped[entry.first->second].chains.push_back(k);
            continue;
        }
        const auto image = image_index.emplace(row.image_key(), static_cast<int>(c.images.size()));
        if (image.second) {
            c.images.push_back({row.image, row.image_key(), {}});
            first_position.push_back(row.position);
        }
        c.images[image.first->second].rows.push_back({k, static_cast<int>(c.rows.size())});
        c.rows.push_back(std::move(row));
    }
    // Images in position order; each image's rows by chain.
    std::vector<int> order(c.images.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return first_position[a] < first_position[b]; });
    std::vector<image_rows> ordered;
    ordered.reserve(order.size());
    for (int i : order) {
        ordered.push_back(std::move(c.images[i]));
        auto& r = ordered.back().rows;
        std::sort(r.begin(), r.end(), [](const chain_row& a, const chain_row& b) { return a.chain < b.chain; });
    }
    c.images = std::move(ordered);
    c.chain_images.assign(c.chains.size(), {});
    for (int i = 0; i < static_cast<int>(c.images.size()); ++i)
        for (const chain_row& r : c.images[i].rows) c.chain_images[r.chain].push_back({i, r.row});
    for (skipped_image& s : c.skipped) {
        std::sort(s.chains.begin(), s.chains.end());
        s.rated_elsewhere = false;
    }
    for (const auto& entry : skipped_index) c.skipped[entry.second].rated_elsewhere = image_index.count(entry.first) > 0;
    std::stable_sort(c.skipped.begin(), c.skipped.end(),
                     [](const skipped_image& a, const skipped_image& b) { return a.position < b.position; });
    *out = std::move(c);
    return true;
}

}  // namespace strandel
