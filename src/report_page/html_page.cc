// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/html_page.h"
#include "report_page/provenance_view.h"

#include <cmath>
#include <filesystem>

#include "report_page/box_plot.h"
#include "report_page/chain_colors.h"
#include "report_page/html_escape.h"
#include "report_page/number_format.h"
#include "report_page/page_assets.h"
#include "report_page/page_parts.h"
#include "report_page/statistics.h"

namespace strandel {
namespace {

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string stat_cell(double value) {
    return std::isnan(value) ? number_cell(std::nullopt) : number_cell(value);
}

// What a box plot left out, per chain, or that it drew everything.
std::string left_out_note(const comparison& c, int m) {
    std::string parts;
    int total = 0;
    for (int k = 0; k < static_cast<int>(c.chains.size()); ++k) {
        const summary s = summarize(c.values(k, m));
        const int out = s.positive_infinite + s.negative_infinite + s.nan;
        if (!out) continue;
        total += out;
        std::string what;
        if (s.positive_infinite) what += std::to_string(s.positive_infinite) + " inf";
        if (s.negative_infinite) what += (what.empty() ? "" : ", ") + std::to_string(s.negative_infinite) + " \xE2\x88\x92inf";
        if (s.nan) what += (what.empty() ? "" : ", ") + std::to_string(s.nan) + " nan";
        parts += (parts.empty() ? "" : "; ") + std::string("chain ") + std::to_string(k + 1) + ": " + what;
    }
    if (!total) return "All values are plotted.";
    return plural(total, "value", "values") + " left out of the plot (" + parts + ").";
}

}  // namespace

std::string ranks_section(const page_content& content) {
    const comparison& c = *content.results;
    const rank_summary& r = *content.ranks;
    const int chains = static_cast<int>(c.chains.size());
    std::string html = "<section id=\"ranks\"><h2>Mean rank per measure</h2>";
    html += "<p class=\"note\">On every image the chains are ranked per measure: the highest value ranks 1. Equal "
            "values share the mean of the ranks they span (two chains tied for first both get 1.5); inf ranks above "
            "and \xE2\x88\x92inf below every number; nan, a measure that could not be computed, ranks last. Only "
            "images on which every chain has a value are ranked, so all means are over the same images; with " +
            plural(chains, "chain", "chains") + " they average " + short_number((chains + 1) / 2.0) +
            ". Lower is better; the best mean rank of each measure is in bold.</p>";
    html += "<div class=\"scroll\"><table class=\"ranks\"><thead><tr><th>chain</th>";
    for (int m = 0; m < measure_count; ++m)
        html += "<th>" + html_escape(measure_title(m)) + "<br><span class=\"count\">" +
                plural(r.images[m], "image", "images") + "</span></th>";
    html += "</tr></thead><tbody>";
    for (int k = 0; k < chains; ++k) {
        html += "<tr><td>" + chain_chip(k) + "</td>";
        for (int m = 0; m < measure_count; ++m) {
            const double rank = r.mean_rank[k][m];
            bool best = !std::isnan(rank);
            for (int j = 0; j < chains && best; ++j) best = !(r.mean_rank[j][m] < rank);
            if (std::isnan(rank)) {
                html += number_cell(std::nullopt);
                continue;
            }
            // A bar whose length falls with the rank: rank 1 is full.
            const double share = chains > 1 ? (chains - rank) / (chains - 1) : 1;
            html += "<td class=\"n" + std::string(best ? " best" : "") + "\" title=\"" + full_number(rank) + "\">" +
                    short_number(rank) + "<span class=\"bar\" style=\"--c:" + chain_color(k) + ";width:" +
                    std::to_string(static_cast<int>(4 + 56 * share)) + "px\"></span></td>";
        }
        html += "</tr>";
    }
    return html + "</tbody></table></div></section>";
}

std::string measures_section(const page_content& content) {
    const comparison& c = *content.results;
    const rank_summary& r = *content.ranks;
    const int chains = static_cast<int>(c.chains.size());
    std::string html = "<section id=\"measures\"><h2>Measures per chain</h2>";
    html += "<p class=\"note\">Higher is better for every measure. Mean and standard deviation (sample, n\xE2\x88\x92"
            "1) are taken over the finite values; median, minimum and maximum also order inf and \xE2\x88\x92inf; "
            "nan is left out of all of them. Boxes span the quartiles (linear interpolation), the black line is the "
            "median, the diamond the mean; whiskers reach the furthest values within 1.5 interquartile ranges, "
            "circles are the values beyond. Hover a number for its full value.</p><div class=\"cards\">";
    for (int m = 0; m < measure_count; ++m) {
        html += "<div class=\"card\" id=\"measure-" + std::string(measure_column(m)) + "\"><h3>" +
                html_escape(measure_title(m)) + "</h3>";
        std::vector<box_series> series;
        for (int k = 0; k < chains; ++k) series.push_back({k + 1, c.chains[k], chain_color(k), c.values(k, m)});
        html += box_plot_svg(measure_title(m), series);
        html += "<p class=\"note\">" + left_out_note(c, m) + "</p>";
        html += "<table class=\"stats\"><thead><tr><th>chain</th><th>images</th><th>mean</th><th>median</th>"
                "<th>std</th><th>min</th><th>max</th><th>mean rank</th></tr></thead><tbody>";
        for (int k = 0; k < chains; ++k) {
            const summary s = summarize(c.values(k, m));
            html += "<tr data-chain=\"" + std::to_string(k + 1) + "\"><td>" + chain_chip(k) + "</td><td class=\"n\">" +
                    std::to_string(s.count) + "</td>" + stat_cell(s.mean) + stat_cell(s.median) +
                    stat_cell(s.std_dev) + stat_cell(s.min) + stat_cell(s.max) + stat_cell(r.mean_rank[k][m]) +
                    "</tr>";
        }
        html += "</tbody></table></div>";
    }
    return html + "</div></section>";
}

std::string skipped_section(const page_content& content) {
    const comparison& c = *content.results;
    if (c.skipped.empty()) return {};
    std::string html = "<section id=\"skipped\"><h2>Skipped images</h2><p class=\"note\">" +
                       plural(c.skipped.size(), "image was", "images were") +
                       " not rated, for the reason the table gives: they take no part in any statistic, rank or "
                       "plot.</p><div class=\"scroll\"><table class=\"skipped\"><thead><tr><th>#</th><th>image</th>"
                       "<th>chains</th><th>reason</th></tr></thead><tbody>";
    for (const skipped_image& s : c.skipped) {
        std::string chips;
        for (int k : s.chains) chips += chain_chip(k);
        html += "<tr><td class=\"n\">" + std::to_string(s.position) + "</td><td class=\"name\" title=\"" +
                html_escape(s.image) + "\">" + html_escape(std::filesystem::path(s.image).filename().string()) +
                "</td><td>" + chips + "</td><td class=\"reason\">" + html_escape(s.reason) +
                (s.rated_elsewhere ? " (another chain rated it)" : "") + "</td></tr>";
    }
    return html + "</tbody></table></div></section>";
}

void write_page(const page_content& content, const page_writer& write) {
    const comparison& c = *content.results;
    std::string tables;
    for (const std::string& t : content.tables) tables += (tables.empty() ? "" : ", ") + ("<code>" + html_escape(t) + "</code>");
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<title>Strandel report: " + plural(c.chains.size(), "chain", "chains") + ", " +
        plural(c.images.size(), "image", "images") + "</title><style>" + page_style + "</style></head><body>";
    const int skipped = c.skipped_images();
    html += "<header><h1>Segmentation report</h1><p class=\"sub\">" + plural(c.chains.size(), "chain", "chains") +
            " on " + plural(c.images.size(), "image", "images") + " read" +
            (c.skipped.empty() ? std::string(", ") + std::to_string(skipped) + " skipped"
                               : std::string(", <a href=\"#skipped\">") + std::to_string(skipped) + " skipped</a>") +
            " \xC2\xB7 from " + tables + "</p><ul class=\"legend\" id=\"chains\">";
    for (int k = 0; k < static_cast<int>(c.chains.size()); ++k)
        html += "<li>" + chain_chip(k) + "<span class=\"chain\">" + html_escape(c.chains[k]) +
                "</span><span class=\"count\">" + plural(c.chain_images[k].size(), "image", "images") + "</span></li>";
    html += "</ul></header><main>";
    write(html);
    write(lowest_jaccard_section(content));
    write(ranks_section(content));
    write(measures_section(content));
    write(skipped_section(content));
    write_images_section(content, write);
    write("</main><footer>" + provenance_footer(content.tables) + "Written by strandel-report.</footer><script>" +
          std::string(page_script) +
          "</script></body></html>\n");
}

std::string html_page(const page_content& content) {
    std::string page;
    write_page(content, [&page](std::string_view piece) { page.append(piece); });
    return page;
}

}  // namespace strandel
