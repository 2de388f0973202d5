// SPDX-License-Identifier: GPL-3.0-or-later
// The table of every image with each chain's measures (and segmentations).
#include <filesystem>

#include "report_page/html_escape.h"
#include "report_page/html_page.h"
#include "report_page/page_parts.h"

namespace strandel {

std::string images_section(const page_content& content) {
    const comparison& c = *content.results;
    const int chains = static_cast<int>(c.chains.size());
    const bool thumbs = content.thumbnails != nullptr;
    // The browser lays the table out only once it scrolls near (CSS
    // content-visibility), which halves the time a long benchmark's page
    // takes to open; until then it reserves about the table's height.
    const int row_height = thumbs ? 74 : 30;
    std::string html = "<section id=\"images-section\" style=\"contain-intrinsic-size:auto " +
                       std::to_string(160 + row_height * c.images.size()) +
                       "px\"><h2>Images</h2><p class=\"note\">Click a column title to sort by it; click again to "
                       "reverse. Empty and nan cells stay at the bottom.</p>";
    html += "<div class=\"controls\">Show: <button class=\"on\" data-show=\"all\">all measures</button>";
    for (int m = 0; m < measure_count; ++m)
        html += "<button data-show=\"" + std::string(measure_column(m)) + "\">" + html_escape(measure_title(m)) +
                "</button>";
    html += "</div><div class=\"scroll\"><table id=\"images\" data-show=\"all\"><thead><tr>";
    // Body columns: position, image, [image and manual thumbnails, one
    // label thumbnail per chain], then every measure's chains.
    int col = 0;
    html += "<th rowspan=\"2\" data-col=\"" + std::to_string(col++) + "\" data-kind=\"num\">#</th>";
    html += "<th rowspan=\"2\" data-col=\"" + std::to_string(col++) + "\" data-kind=\"text\">image</th>";
    if (thumbs) {
        html += "<th rowspan=\"2\">image · manual</th><th colspan=\"" + std::to_string(chains) +
                "\" class=\"group\">segmentations</th>";
        col += 1 + chains;
    }
    for (int m = 0; m < measure_count; ++m)
        html += "<th colspan=\"" + std::to_string(chains) + "\" class=\"group m m-" + measure_column(m) + "\">" +
                html_escape(measure_title(m)) + "</th>";
    html += "</tr><tr>";
    if (thumbs)
        for (int k = 0; k < chains; ++k) html += "<th>" + chain_chip(k) + "</th>";
    for (int m = 0; m < measure_count; ++m)
        for (int k = 0; k < chains; ++k)
            html += "<th class=\"m m-" + std::string(measure_column(m)) + "\" data-col=\"" + std::to_string(col++) +
                    "\" data-kind=\"num\" title=\"" + html_escape(measure_title(m)) + ", chain " +
                    std::to_string(k + 1) + "\">" + chain_chip(k) + "</th>";
    html += "</tr></thead><tbody>";
    for (int i = 0; i < static_cast<int>(c.images.size()); ++i) {
        const std::string& image = c.images[i].image;
        int position = -1;
        for (int k = 0; k < chains && position < 0; ++k)
            if (const result_row* r = c.row(i, k)) position = r->position;
        const std::string name = std::filesystem::path(image).filename().string();
        html += "<tr><td class=\"n\" data-v=\"" + std::to_string(position) + "\">" + std::to_string(position) +
                "</td><td class=\"name\" data-v=\"" + html_escape(name) + "\" title=\"" + html_escape(image) + "\">" +
                html_escape(name) + "</td>";
        if (thumbs) {
            const image_thumbnails& t = (*content.thumbnails)[i];
            html += "<td><div class=\"thumbs\">" + thumbnail_html(t.image, image) +
                    thumbnail_html(t.manual, "manual segmentation of " + image) + "</div></td>";
            for (int k = 0; k < chains; ++k)
                html += "<td" + std::string(k == 0 ? " class=\"first\"" : "") + ">" +
                        thumbnail_html(t.labels[k], "chain " + std::to_string(k + 1) + " on " + image) + "</td>";
        }
        for (int m = 0; m < measure_count; ++m)
            for (int k = 0; k < chains; ++k) {
                const result_row* r = c.row(i, k);
                std::string classes = "m m-" + std::string(measure_column(m));
                if (k == 0) classes += " first";
                html += number_cell(r ? r->values[m] : std::nullopt, classes);
            }
        html += "</tr>";
    }
    return html + "</tbody></table></div></section>";
}

}  // namespace strandel
