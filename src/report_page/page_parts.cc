// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/page_parts.h"

#include <cmath>

#include "report_page/chain_colors.h"
#include "report_page/html_escape.h"
#include "report_page/number_format.h"

namespace strandel {

std::string chain_chip(int chain) {
    return "<span class=\"chip\" style=\"--c:" + chain_color(chain) + "\">" + std::to_string(chain + 1) + "</span>";
}

std::string shown_number(double value) {
    if (std::isinf(value)) return value > 0 ? "\xE2\x88\x9E" : "\xE2\x88\x92\xE2\x88\x9E";  // ∞, −∞
    return short_number(value);
}

std::string number_cell(const std::optional<double>& value, const std::string& classes) {
    const std::string cls = classes.empty() ? "n" : "n " + classes;
    if (!value) return "<td class=\"" + cls + " missing\" data-v=\"\">\xE2\x80\x93</td>";
    const std::string full = full_number(*value);
    return "<td class=\"" + cls + "\" data-v=\"" + full + "\" title=\"" + full + "\">" + shown_number(*value) + "</td>";
}

std::string thumbnail_html(const thumbnail& t, const std::string& what) {
    const std::string label = html_escape(what);
    if (t.ok())
        return "<img class=\"thumb\" loading=\"lazy\" src=\"" + html_escape(t.src) + "\" width=\"" + std::to_string(t.width) + "\" height=\"" +
               std::to_string(t.height) + "\" alt=\"" + label + "\" title=\"" + label + "\">";
    const std::string text = t.problem == "none" ? "none" : "no preview";
    return "<div class=\"ph\" title=\"" + label + ": " + html_escape(t.problem) + "\">" + text + "</div>";
}

}  // namespace strandel
