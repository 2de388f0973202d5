// SPDX-License-Identifier: GPL-3.0-or-later
// The rank tests of every measure: a critical-difference diagram, Friedman's
// test and the pairwise Wilcoxon tests.
#include <cmath>

#include "report_page/cd_diagram.h"
#include "report_page/chain_colors.h"
#include "report_page/html_escape.h"
#include "report_page/html_page.h"
#include "report_page/number_format.h"
#include "report_page/page_parts.h"

namespace strandel {
namespace {

std::string p_cell(double p) {
    return std::isnan(p) ? number_cell(std::nullopt) : number_cell(p, p < 0.05 ? "sig" : "");
}

std::string measure_card(const comparison& c, const measure_tests& t) {
    const int m = t.measure;
    std::string html = "<div class=\"card\" id=\"tests-" + std::string(measure_column(m)) + "\"><h3>" +
                       html_escape(measure_title(m)) + "</h3>";
    if (!t.compared) {
        return html + "<p class=\"note\">" +
               (t.images == 0 ? std::string("No image on which every chain rating it has a finite value.")
                              : std::string("One chain rates it: nothing to compare.")) +
               "</p></div>";
    }
    html += "<p class=\"friedman\" data-statistic=\"" + full_number(t.friedman.statistic) + "\" data-p=\"" +
            full_number(t.friedman.p_value) + "\" data-cd=\"" + full_number(t.friedman.critical_difference) +
            "\">Friedman \xCF\x87\xC2\xB2 = <b>" + short_number(t.friedman.statistic) + "</b>, p = <b>" +
            short_number(t.friedman.p_value) + "</b> over " + std::to_string(t.images) +
            " images; Nemenyi critical difference " + short_number(t.friedman.critical_difference) +
            " (\xCE\xB1 = 0.05).</p>";
    std::vector<cd_method> methods;
    for (std::size_t j = 0; j < t.methods.size(); ++j) {
        const int k = t.methods[j];
        methods.push_back({k + 1, c.chains[k], chain_color(k), t.friedman.mean_ranks[j]});
    }
    html += cd_diagram_svg(measure_title(m), methods, t.friedman.critical_difference);
    html += "<table class=\"pairs\"><thead><tr><th>chains</th><th>W</th><th>p</th><th>Holm p</th></tr></thead><tbody>";
    for (const pairwise_comparison& p : t.pairs)
        html += "<tr data-pair=\"" + std::to_string(t.methods[p.first] + 1) + "-" + std::to_string(t.methods[p.second] + 1) +
                "\"><td>" + chain_chip(t.methods[p.first]) + " vs " + chain_chip(t.methods[p.second]) + "</td>" +
                number_cell(p.test.statistic) +
                p_cell(p.test.p_value) + p_cell(p.holm_p_value) + "</tr>";
    return html + "</tbody></table></div>";
}

}  // namespace

std::string tests_section(const page_content& content, const std::vector<measure_tests>& tests) {
    const comparison& c = *content.results;
    if (c.chains.size() < 2) return {};
    std::string html =
        "<section id=\"tests\"><h2>Do the chains differ?</h2><p class=\"note\">Per measure, over the images on "
        "which every chain has a finite value (Dem\xC5\xA1" "ar 2006): Friedman's test of all chains at once; the "
        "critical-difference diagram places each chain at its mean rank (1, the best value, on the left; the "
        "distances rank their lowest value first), and a thick bar joins chains whose mean ranks differ by no more "
        "than Nemenyi's critical difference (CD, drawn on top), which no test at \xCE\xB1 = 0.05 tells apart. Below, "
        "two-sided Wilcoxon signed-rank tests of every pair with Holm's adjustment for the number of pairs; p below "
        "0.05 in bold.</p><div class=\"cards\">";
    for (const measure_tests& t : tests) html += measure_card(c, t);
    return html + "</div></section>";
}

}  // namespace strandel
