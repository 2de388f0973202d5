// SPDX-License-Identifier: GPL-3.0-or-later
// The table of every image with each chain's measures (and segmentations):
// its frame in the page, and its rows as data the page's script draws from.
#include <cmath>
#include <cstdio>
#include <optional>
#include <filesystem>

#include "report_page/chain_colors.h"
#include "report_page/html_escape.h"
#include "report_page/html_page.h"
#include "report_page/number_format.h"

namespace strandel {

namespace {

// A JavaScript string literal that is safe inside a <script> element:
// '<' escaped, so that no "</script>" ends it early, and the two line
// separators JavaScript does not allow in strings.
std::string js_string(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == '<' || c == '>' || c == '&' || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string js_number(const std::optional<double>& value) {
    if (!value) return "null";
    if (std::isnan(*value)) return "NaN";
    if (std::isinf(*value)) return *value > 0 ? "Infinity" : "-Infinity";
    return full_number(*value);
}

// A thumbnail: its URL, 0 for none, or [placeholder text, why].
std::string js_thumbnail(const thumbnail& t) {
    if (t.ok()) return js_string(t.src);
    if (t.problem == "none") return "0";
    return "[\"no preview\"," + js_string(t.problem) + "]";
}

// [position, name, path, image, manual, [chains], [label thumbnails],
//  [values: measure by measure, each the image's rows in chain order]]
std::string image_data(const page_content& content, const std::vector<int>& measures, int i) {
    const comparison& c = *content.results;
    const image_rows& entry = c.images[i];
    const std::string name = std::filesystem::path(entry.image).filename().string();
    std::string js = "[" + std::to_string(c.rows[entry.rows.front().row].position) + "," + js_string(name) + "," +
                     js_string(entry.image) + ",";
    if (content.thumbnails) {
        const image_thumbnails& t = (*content.thumbnails)[i];
        js += js_thumbnail(t.image) + "," + js_thumbnail(t.manual) + ",[";
    } else {
        js += "0,0,[";
    }
    for (std::size_t s = 0; s < entry.rows.size(); ++s) js += (s ? "," : "") + std::to_string(entry.rows[s].chain);
    js += "],[";
    if (content.thumbnails)
        for (std::size_t s = 0; s < entry.rows.size(); ++s)
            js += (s ? "," : "") + js_thumbnail((*content.thumbnails)[i].labels[s]);
    js += "],[";
    bool first = true;
    for (int m : measures)
        for (const chain_row& r : entry.rows) {
            js += (first ? "" : ",") + js_number(c.rows[r.row].values[m]);
            first = false;
        }
    return js + "]]";
}

std::vector<int> measures_of(const page_content& content) {
    return shown_measures(*content.results, page_measure_order());
}

}  // namespace

void write_images_data(const page_content& content, const page_writer& write) {
    const comparison& c = *content.results;
    const std::vector<int> measures = measures_of(content);
    std::string head = "window.strandelData={chains:[";
    for (std::size_t k = 0; k < c.chains.size(); ++k) head += (k ? "," : "") + js_string(c.chains[k]);
    head += "],colors:[";
    for (std::size_t k = 0; k < c.chains.size(); ++k) head += (k ? "," : "") + js_string(chain_color(static_cast<int>(k)));
    head += "],thumbnails:" + std::string(content.thumbnails ? "true" : "false") + ",measures:[";
    for (std::size_t k = 0; k < measures.size(); ++k) {
        const int m = measures[k];
        head += std::string(k ? "," : "") + "[" + js_string(measure_column(m)) + "," + js_string(measure_title(m)) +
                "," + (lower_is_better(m) ? "1" : "0") + "," + (needs_ground_truth(m) ? "1" : "0") + "]";
    }
    write(head + "],images:[\n");
    for (int i = 0; i < static_cast<int>(c.images.size()); ++i)
        write((i ? ",\n" : "") + image_data(content, measures, i));
    write("]};\n");
}

std::string images_section(const page_content& content, const std::vector<measure_tests>&) {
    const comparison& c = *content.results;
    const std::vector<int> measures = measures_of(content);
    // Few measures fit side by side; with the measures of the literature the
    // table starts with those against the ground truth.
    std::string html = "<section id=\"images-section\"><h2>Images</h2><p class=\"note\">Click a column title to sort "
                       "all images by it; click again to reverse. Empty and nan cells stay at the bottom. Click a "
                       "thumbnail to enlarge it.</p>";
    html += "<div class=\"controls\"><input type=\"search\" id=\"image-filter\" placeholder=\"filter by file name\" "
            "aria-label=\"filter images by file name\"><span id=\"image-count\">" +
            std::to_string(c.images.size()) + " images</span> Show: ";
    const bool many = measures.size() > classic_measure_count;
    html += "<button data-show=\"all\"" + std::string(many ? "" : " class=\"on\"") + ">all measures</button>";
    if (many) html += "<button class=\"on\" data-show=\"truth\">against the ground truth</button>";
    for (int m : measures)
        html += "<button data-show=\"" + std::string(measure_column(m)) + "\">" + html_escape(measure_title(m)) +
                "</button>";
    html += "</div><div class=\"scroll\"><table id=\"images\" data-show=\"" + std::string(many ? "truth" : "all") +
            "\"><thead></thead><tbody></tbody></table></div>";
    return html + "<noscript><p class=\"note\">The table of images needs JavaScript.</p></noscript></section>";
}

}  // namespace strandel
