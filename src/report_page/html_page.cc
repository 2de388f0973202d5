// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/html_page.h"
#include "report_page/provenance_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "report_page/box_plot.h"
#include "report_page/chain_colors.h"
#include "report_page/html_escape.h"
#include "report_page/number_format.h"
#include "report_page/page_assets.h"
#include "report_page/page_parts.h"
#include "report_page/statistics.h"

namespace strandel {
namespace {

const char arrow_up[] = "\xE2\x86\x91", arrow_down[] = "\xE2\x86\x93";  // the better direction

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

std::string overview_section(const page_content& content, const std::vector<measure_tests>& tests) {
    const comparison& c = *content.results;
    const int chains = static_cast<int>(c.chains.size());
    std::string html =
        "<section id=\"overview\"><h2>Summary</h2><p class=\"note\">Per measure (those against the ground truth "
        "first) and chain: the mean over the images on which every chain has a finite value, its 95 % bootstrap "
        "interval, and the mean rank on those images, where rank 1 is the best value on an image (" +
        std::string(arrow_up) + " the highest, " + arrow_down +
        " the lowest for the distances). The best mean rank of each measure is in bold.</p>"
        "<div class=\"scroll\"><table class=\"overview\"><thead><tr><th>measure</th><th>images</th>";
    for (int k = 0; k < chains; ++k)
        html += "<th class=\"ch\" title=\"" + html_escape(c.chains[k]) + "\">" + chain_chip(k) + " <span class=\"chain\">" +
                html_escape(c.chains[k]) + "</span></th>";
    html += "</tr></thead><tbody>";
    for (const measure_tests& t : tests) {
        const int m = t.measure;
        html += "<tr data-measure=\"" + std::string(measure_column(m)) + "\"><th class=\"mt\">" +
                html_escape(measure_title(m)) + " " + (lower_is_better(m) ? arrow_down : arrow_up) +
                "</th><td class=\"n\">" + std::to_string(t.images) + "</td>";
        double best = std::numeric_limits<double>::infinity();
        if (t.compared)
            for (double r : t.friedman.mean_ranks) best = std::min(best, r);
        for (int chain = 0; chain < chains; ++chain) {
            const int k = method_slot(t, chain);
            if (t.images == 0 || k < 0) {
                html += number_cell(std::nullopt);
                continue;
            }
            const double rank = t.compared ? t.friedman.mean_ranks[k] : 1.0;
            html += "<td class=\"n" + std::string(t.compared && rank == best ? " best" : "") + "\" data-v=\"" +
                    full_number(t.means[k]) + "\" title=\"" + full_number(t.means[k]) + "\">" +
                    shown_number(t.means[k]) + "<span class=\"ci\">[" + short_number(t.intervals[k].low) + ", " +
                    short_number(t.intervals[k].high) + "]</span>" +
                    (t.compared ? "<span class=\"rk\">rank " + short_number(rank) + "</span>" : std::string()) + "</td>";
        }
        html += "</tr>";
    }
    return html + "</tbody></table></div></section>";
}

std::string measures_section(const page_content& content, const std::vector<measure_tests>& tests) {
    const comparison& c = *content.results;
    const rank_summary& r = *content.ranks;
    const int chains = static_cast<int>(c.chains.size());
    std::string html = "<section id=\"measures\"><h2>Measures per chain</h2>";
    html += "<p class=\"note\">Higher is better, except for the distances marked " + std::string(arrow_down) +
            " (variation of information, global consistency error). The mean rank is over the images on which every "
            "chain has a value (rank 1: the best value). Mean and standard deviation (sample, n\xE2\x88\x92"
            "1) are taken over the finite values; median, minimum and maximum also order inf and \xE2\x88\x92inf; "
            "nan is left out of all of them. Boxes span the quartiles (linear interpolation), the black line is the "
            "median, the diamond the mean; whiskers reach the furthest values within 1.5 interquartile ranges, "
            "circles are the values beyond. Hover a number for its full value.</p><div class=\"cards\">";
    for (const measure_tests& t : tests) {
        const int m = t.measure;
        html += "<div class=\"card\" id=\"measure-" + std::string(measure_column(m)) + "\"><h3>" +
                html_escape(measure_title(m)) + (lower_is_better(m) ? std::string(" ") + arrow_down : "") + "</h3>";
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

namespace {

// A median of whole numbers: whole, or a half.
std::string count_text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string chain_legend(const comparison& c) {
    std::string html = "<ul class=\"legend\" id=\"chains\">";
    for (int k = 0; k < static_cast<int>(c.chains.size()); ++k) {
        const chain_profile p = profile_of(c, k);
        std::string classes = "no rated image";
        if (p.rows)
            classes = count_text(p.median_classes) + " classes" +
                      (p.fewest_classes == p.most_classes ? std::string()
                                                          : " (" + std::to_string(p.fewest_classes) + "\xE2\x80\x93" +
                                                                std::to_string(p.most_classes) + ")") +
                      " \xC2\xB7 " + short_number(p.mean_seconds) + " s per image";
        html += "<li>" + chain_chip(k) + "<span class=\"chain\">" + html_escape(c.chains[k]) +
                "</span><span class=\"count\">" + plural(c.chain_images[k].size(), "image", "images") +
                "</span><span class=\"profile\" title=\"median number of classes (fewest\xE2\x80\x93most) and mean "
                "time of the passes per image\">" + classes + "</span></li>";
    }
    return html + "</ul>";
}

}  // namespace

void write_page(const page_content& content, const page_writer& write) {
    const comparison& c = *content.results;
    std::vector<measure_tests> own;
    if (!content.tests) own = test_measures(c, shown_measures(c, page_measure_order()));
    const std::vector<measure_tests>& tests = content.tests ? *content.tests : own;
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
            " \xC2\xB7 from " + tables + "</p>" + chain_legend(c) + "</header><main>";
    write(html);
    write(overview_section(content, tests));
    write(tests_section(content, tests));
    write(measures_section(content, tests));
    write(lowest_jaccard_section(content));
    write(skipped_section(content));
    write(images_section(content, tests));
    write("</main><footer>" + provenance_footer(content.tables) + "Written by strandel-report.</footer><div id=\"lightbox\" hidden></div>");
    if (content.data_script.empty()) {
        write("<script>");
        write_images_data(content, write);
        write("</script>");
    } else {
        write("<script src=\"" + html_escape(content.data_script) + "\"></script>");
    }
    write("<script>" + std::string(page_script) + "</script></body></html>\n");
}

std::string html_page(const page_content& content) {
    std::string page;
    write_page(content, [&page](std::string_view piece) { page.append(piece); });
    return page;
}

}  // namespace strandel
