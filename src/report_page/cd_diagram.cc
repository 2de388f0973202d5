// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/cd_diagram.h"

#include <algorithm>
#include <cstdio>

#include "report_page/html_escape.h"
#include "report_page/number_format.h"

namespace strandel {
namespace {

constexpr double width = 760, margin = 250, axis_y = 52, step = 22;
constexpr std::size_t name_chars = 20;

std::string num(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", v);
    return buffer;
}


}  // namespace

std::vector<std::pair<int, int>> cliques_of(const std::vector<double>& sorted_ranks, double critical) {
    std::vector<std::pair<int, int>> cliques;
    const int n = static_cast<int>(sorted_ranks.size());
    int reached = 0;  // the last method a clique found so far ends at
    for (int first = 0; first < n; ++first) {
        int last = first;
        while (last + 1 < n && sorted_ranks[last + 1] - sorted_ranks[first] <= critical) ++last;
        if (last > first && last > reached) cliques.push_back({first, last});
        reached = std::max(reached, last);
    }
    return cliques;
}

std::string cd_diagram_svg(const std::string& title, std::vector<cd_method> methods, double critical) {
    std::stable_sort(methods.begin(), methods.end(),
                     [](const cd_method& a, const cd_method& b) { return a.mean_rank < b.mean_rank; });
    const int k = static_cast<int>(methods.size());
    std::vector<double> ranks;
    for (const cd_method& m : methods) ranks.push_back(m.mean_rank);
    const std::vector<std::pair<int, int>> cliques = cliques_of(ranks, critical);
    const int left_count = (k + 1) / 2;
    const double clique_top = axis_y + 12, label_top = clique_top + 8 * cliques.size() + 14;
    const double height = label_top + step * std::max(left_count, k - left_count) + 6;
    const auto x = [&](double rank) { return margin + (k > 1 ? (rank - 1) / (k - 1) : 0.5) * (width - 2 * margin); };
    std::string svg = "<svg class=\"cd\" viewBox=\"0 0 " + num(width) + " " + num(height) + "\" role=\"img\" aria-label=\"" +
                      html_escape(title) + " critical difference diagram\">";
    // The critical difference as a bar from rank 1.
    svg += "<line class=\"cdbar\" x1=\"" + num(x(1)) + "\" x2=\"" + num(x(1) + (x(2) - x(1)) * critical) +
           "\" y1=\"14\" y2=\"14\"/><text class=\"cdlabel\" x=\"" + num(x(1)) + "\" y=\"10\">CD " +
           html_escape(short_number(critical)) + "</text>";
    svg += "<line class=\"axis\" x1=\"" + num(x(1)) + "\" x2=\"" + num(x(k)) + "\" y1=\"" + num(axis_y) + "\" y2=\"" +
           num(axis_y) + "\"/>";
    for (int r = 1; r <= k; ++r)
        svg += "<line class=\"tick\" x1=\"" + num(x(r)) + "\" x2=\"" + num(x(r)) + "\" y1=\"" + num(axis_y - 5) +
               "\" y2=\"" + num(axis_y) + "\"/><text class=\"ticklabel\" x=\"" + num(x(r)) + "\" y=\"" +
               num(axis_y - 9) + "\">" + std::to_string(r) + "</text>";
    for (std::size_t c = 0; c < cliques.size(); ++c) {
        const double y = clique_top + 8 * c;
        svg += "<line class=\"clique\" x1=\"" + num(x(ranks[cliques[c].first]) - 3) + "\" x2=\"" +
               num(x(ranks[cliques[c].second]) + 3) + "\" y1=\"" + num(y) + "\" y2=\"" + num(y) + "\"/>";
    }
    for (int i = 0; i < k; ++i) {
        const cd_method& m = methods[i];
        const bool left = i < left_count;
        const double y = label_top + step * (left ? i : k - 1 - i), px = x(m.mean_rank);
        const double end = left ? margin - 12 : width - margin + 12;
        svg += "<g class=\"method\" data-chain=\"" + std::to_string(m.number) + "\" data-rank=\"" +
               full_number(m.mean_rank) + "\"><title>" + std::to_string(m.number) + ": " + html_escape(m.name) +
               " \xE2\x80\x94 mean rank " + short_number(m.mean_rank) + "</title>";
        svg += "<polyline class=\"lead\" style=\"stroke:" + m.color + "\" points=\"" + num(px) + "," + num(axis_y) + " " +
               num(px) + "," + num(y) + " " + num(end) + "," + num(y) + "\"/>";
        svg += "<circle cx=\"" + num(px) + "\" cy=\"" + num(axis_y) + "\" r=\"3.5\" style=\"fill:" + m.color + "\"/>";
        const double chip_x = left ? end - 12 : end + 12;
        svg += "<circle cx=\"" + num(chip_x) + "\" cy=\"" + num(y) + "\" r=\"9\" style=\"fill:" + m.color +
               "\"/><text class=\"chipnum\" x=\"" + num(chip_x) + "\" y=\"" + num(y + 4) + "\">" +
               std::to_string(m.number) + "</text>";
        svg += "<text class=\"name " + std::string(left ? "l" : "r") + "\" x=\"" + num(left ? chip_x - 14 : chip_x + 14) +
               "\" y=\"" + num(y + 4) + "\">" + html_escape(abbreviated(m.name, name_chars)) + " (" + short_number(m.mean_rank) +
               ")</text></g>";
    }
    return svg + "</svg>";
}

}  // namespace strandel
