// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/box_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "report_page/axis_ticks.h"
#include "report_page/html_escape.h"
#include "report_page/number_format.h"
#include "report_page/statistics.h"

namespace strandel {
namespace {

constexpr double width = 640, left = 210, right = 24, top = 8, row = 38, bottom = 46;
constexpr std::size_t label_chars = 28;

std::string num(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", v);
    return buffer;
}

// Cuts a long chain text at a character boundary of its UTF-8.
std::string cut(const std::string& text) {
    if (text.size() <= label_chars) return text;
    std::size_t end = label_chars - 1;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + "\xE2\x80\xA6";  // ellipsis
}

}  // namespace

std::string box_plot_svg(const std::string& axis_title, const std::vector<box_series>& series) {
    std::vector<box_summary> boxes;
    double low = INFINITY, high = -INFINITY;
    for (const box_series& s : series) {
        boxes.push_back(box_of(s.values));
        const box_summary& b = boxes.back();
        if (!b.plotted) continue;
        low = std::min({low, b.low_whisker, b.outliers.empty() ? b.low_whisker : *std::min_element(b.outliers.begin(), b.outliers.end())});
        high = std::max({high, b.high_whisker, b.outliers.empty() ? b.high_whisker : *std::max_element(b.outliers.begin(), b.outliers.end())});
    }
    if (low > high) low = high = 0;
    const axis a = nice_axis(low, high);
    const double plot_right = width - right, plot_bottom = top + row * series.size();
    const double height = plot_bottom + bottom;
    // In halves, which are exact and cannot overflow for values near
    // +-1.7e308.
    auto x = [&](double v) { return left + (v / 2 - a.low / 2) / (a.high / 2 - a.low / 2) * (plot_right - left); };

    std::string svg = "<svg class=\"boxplot\" viewBox=\"0 0 " + num(width) + " " + num(height) +
                      "\" role=\"img\" aria-label=\"" + html_escape(axis_title) + " box plots\">";
    // Grid and tick labels.
    for (std::size_t t = 0; t < a.ticks.size(); ++t) {
        const std::string tx = num(x(a.ticks[t]));
        svg += "<line class=\"grid\" x1=\"" + tx + "\" x2=\"" + tx + "\" y1=\"" + num(top) + "\" y2=\"" +
               num(plot_bottom) + "\"/>";
        svg += "<line class=\"tick\" x1=\"" + tx + "\" x2=\"" + tx + "\" y1=\"" + num(plot_bottom) + "\" y2=\"" +
               num(plot_bottom + 5) + "\"/>";
        svg += "<text class=\"ticklabel\" x=\"" + tx + "\" y=\"" + num(plot_bottom + 18) + "\">" + a.labels[t] +
               "</text>";
    }
    svg += "<line class=\"axis\" x1=\"" + num(left) + "\" x2=\"" + num(plot_right) + "\" y1=\"" + num(plot_bottom) +
           "\" y2=\"" + num(plot_bottom) + "\"/>";
    svg += "<text class=\"axistitle\" x=\"" + num((left + plot_right) / 2) + "\" y=\"" + num(height - 6) + "\">" +
           html_escape(axis_title) + "</text>";

    for (std::size_t k = 0; k < series.size(); ++k) {
        const box_series& s = series[k];
        const box_summary& b = boxes[k];
        const double cy = top + row * k + row / 2;
        const std::string colour = html_escape(s.color);
        svg += "<g class=\"series\"><title>" + std::to_string(s.number) + ": " + html_escape(s.label);
        if (b.plotted)
            svg += "\nmedian " + full_number(b.median) + ", quartiles " + full_number(b.q1) + " to " +
                   full_number(b.q3) + ", mean " + full_number(b.mean) + ", " + std::to_string(b.plotted) +
                   " values";
        svg += "</title>";
        svg += "<circle cx=\"14\" cy=\"" + num(cy) + "\" r=\"10\" fill=\"" + colour + "\"/>";
        svg += "<text class=\"chipnum\" x=\"14\" y=\"" + num(cy + 4) + "\">" + std::to_string(s.number) + "</text>";
        svg += "<text class=\"label\" x=\"30\" y=\"" + num(cy + 4) + "\">" + html_escape(cut(s.label)) + "</text>";
        if (!b.plotted) {
            svg += "<text class=\"empty\" x=\"" + num(left + 8) + "\" y=\"" + num(cy + 4) + "\">no finite value</text></g>";
            continue;
        }
        const double half = row * 0.28;
        const std::string y0 = num(cy - half), y1 = num(cy + half), ym = num(cy);
        svg += "<line class=\"whisker\" x1=\"" + num(x(b.low_whisker)) + "\" x2=\"" + num(x(b.q1)) + "\" y1=\"" + ym +
               "\" y2=\"" + ym + "\" stroke=\"" + colour + "\"/>";
        svg += "<line class=\"whisker\" x1=\"" + num(x(b.q3)) + "\" x2=\"" + num(x(b.high_whisker)) + "\" y1=\"" + ym +
               "\" y2=\"" + ym + "\" stroke=\"" + colour + "\"/>";
        for (double end : {b.low_whisker, b.high_whisker})
            svg += "<line class=\"whisker\" x1=\"" + num(x(end)) + "\" x2=\"" + num(x(end)) + "\" y1=\"" +
                   num(cy - half / 2) + "\" y2=\"" + num(cy + half / 2) + "\" stroke=\"" + colour + "\"/>";
        svg += "<rect class=\"box\" x=\"" + num(x(b.q1)) + "\" y=\"" + y0 + "\" width=\"" +
               num(std::max(1.0, x(b.q3) - x(b.q1))) + "\" height=\"" + num(2 * half) + "\" fill=\"" + colour +
               "\" stroke=\"" + colour + "\"/>";
        svg += "<line class=\"median\" x1=\"" + num(x(b.median)) + "\" x2=\"" + num(x(b.median)) + "\" y1=\"" + y0 +
               "\" y2=\"" + y1 + "\"/>";
        const double mx = x(b.mean);
        svg += "<path class=\"mean\" d=\"M" + num(mx) + " " + num(cy - 4) + "l4 4l-4 4l-4-4z\" stroke=\"" + colour +
               "\"/>";
        for (double v : b.outliers)
            svg += "<circle class=\"outlier\" cx=\"" + num(x(v)) + "\" cy=\"" + ym + "\" r=\"2.6\" stroke=\"" + colour +
                   "\"/>";
        svg += "</g>";
    }
    return svg + "</svg>";
}

}  // namespace strandel
