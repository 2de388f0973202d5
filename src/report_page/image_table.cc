// SPDX-License-Identifier: GPL-3.0-or-later
// The table of every image with each chain's measures (and segmentations).
#include <filesystem>

#include "report_page/html_escape.h"
#include "report_page/html_page.h"
#include "report_page/page_parts.h"

namespace strandel {

namespace {

// One cell per chain of a column group, or one spanning cell for each run
// of chains without a row: a row costs what its image has, not the number
// of chains. `cell(s)` gives the cell of the image's row at slot s,
// `gap_classes` the class attribute of a gap; `first` marks the group's
// first column.
template <typename Cell>
std::string chain_cells(const image_rows& image, int chains, const std::string& gap_classes, Cell cell) {
    std::string html;
    int k = 0;
    for (std::size_t s = 0; s <= image.rows.size(); ++s) {
        const int next = s < image.rows.size() ? image.rows[s].chain : chains;
        if (next > k) {
            std::string classes = gap_classes + (k == 0 ? " first" : "");
            html += "<td class=\"" + classes + " gap\"" +
                    (next - k > 1 ? " colspan=\"" + std::to_string(next - k) + "\"" : std::string()) + "></td>";
        }
        if (s < image.rows.size()) html += cell(s, next == 0);
        k = next + 1;
    }
    return html;
}

std::string image_row(const page_content& content, int i) {
    const comparison& c = *content.results;
    const int chains = static_cast<int>(c.chains.size());
    const image_rows& entry = c.images[i];
    const std::string& image = entry.image;
    const int position = c.rows[entry.rows.front().row].position;
    const std::string name = std::filesystem::path(image).filename().string();
    std::string html = "<tr><td class=\"n\" data-v=\"" + std::to_string(position) + "\">" + std::to_string(position) +
                       "</td><td class=\"name\" data-v=\"" + html_escape(name) + "\" title=\"" + html_escape(image) +
                       "\">" + html_escape(name) + "</td>";
    if (content.thumbnails) {
        const image_thumbnails& t = (*content.thumbnails)[i];
        html += "<td><div class=\"thumbs\">" + thumbnail_html(t.image, image) +
                thumbnail_html(t.manual, "manual segmentation of " + image) + "</div></td>";
        html += chain_cells(entry, chains, "seg", [&](std::size_t s, bool first) {
            return "<td" + std::string(first ? " class=\"first\"" : "") + ">" +
                   thumbnail_html(t.labels[s], "chain " + std::to_string(entry.rows[s].chain + 1) + " on " + image) +
                   "</td>";
        });
    }
    for (int m = 0; m < measure_count; ++m) {
        const std::string classes = "m m-" + std::string(measure_column(m));
        html += chain_cells(entry, chains, classes, [&](std::size_t s, bool first) {
            return number_cell(c.rows[entry.rows[s].row].values[m], classes + (first ? " first" : ""));
        });
    }
    return html + "</tr>";
}

}  // namespace

void write_images_section(const page_content& content, const page_writer& write) {
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
    // label thumbnail per chain], then every measure's chains; a cell
    // spanning chains without a row counts as that many columns.
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
    write(html);
    for (int i = 0; i < static_cast<int>(c.images.size()); ++i) write(image_row(content, i));
    write("</tbody></table></div></section>");
}

}  // namespace strandel
