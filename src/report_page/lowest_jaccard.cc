// SPDX-License-Identifier: GPL-3.0-or-later
// The images each chain matched worst with their manual segmentation.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "report_page/html_escape.h"
#include "report_page/html_page.h"
#include "report_page/number_format.h"
#include "report_page/page_parts.h"

namespace strandel {

constexpr int lowest_shown = 5;

std::vector<int> lowest_jaccard_images(const comparison& c, int chain, int count) {
    std::vector<std::pair<double, int>> rated;
    for (const auto& at : c.chain_images[chain])
        if (const auto& value = c.rows[at.second].values[jaccard]) rated.push_back({*value, at.first});
    // NaN counts as the worst value, as in the ranks; ties keep image order.
    std::stable_sort(rated.begin(), rated.end(), [](const auto& a, const auto& b) {
        if (std::isnan(a.first)) return !std::isnan(b.first);
        return !std::isnan(b.first) && a.first < b.first;
    });
    std::vector<int> images;
    for (int k = 0; k < count && k < static_cast<int>(rated.size()); ++k) images.push_back(rated[k].second);
    return images;
}

std::string lowest_jaccard_section(const page_content& content) {
    const comparison& c = *content.results;
    const int chains = static_cast<int>(c.chains.size());
    std::string html = "<section id=\"lowest-jaccard\"><h2>Lowest Jaccard index per chain</h2>";
    bool any = false;
    std::string body;
    for (int k = 0; k < chains; ++k) {
        const std::vector<int> worst = lowest_jaccard_images(c, k, lowest_shown);
        if (worst.empty()) continue;
        any = true;
        body += "<div class=\"worst-chain\" data-chain=\"" + std::to_string(k + 1) + "\"><div class=\"head\">" +
                chain_chip(k) + "<span class=\"chain\">" + html_escape(c.chains[k]) + "</span></div><div class=\"worst-list\">";
        for (int i : worst) {
            const std::string& image = c.images[i].image;
            const double value = *c.row(i, k)->values[jaccard];
            body += "<figure data-image=\"" + html_escape(image) + "\">";
            if (content.thumbnails) {
                const image_thumbnails& t = (*content.thumbnails)[i];
                body += "<div class=\"thumbs\">" + thumbnail_html(t.image, image) +
                        thumbnail_html(t.manual, "manual segmentation of " + image) +
                        thumbnail_html(t.labels[c.slot(i, k)], "chain " + std::to_string(k + 1) + " on " + image) +
                        "</div>";
            }
            body += "<figcaption title=\"" + html_escape(image) + "\"><b title=\"" + full_number(value) + "\">" +
                    shown_number(value) + "</b> " +
                    html_escape(std::filesystem::path(image).filename().string()) + "</figcaption></figure>";
        }
        body += "</div></div>";
    }
    if (!any)
        return html + "<p class=\"note\">No image has a manual segmentation, so there is no Jaccard index.</p></section>";
    html += "<p class=\"note\">The " + std::to_string(lowest_shown) +
            " images each chain matched worst with the hand-made segmentation (nan first)";
    if (content.thumbnails) html += "; thumbnails: image, manual segmentation, the chain's classes";
    return html + ".</p>" + body + "</section>";
}

}  // namespace strandel
