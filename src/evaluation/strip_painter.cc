// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/strip_painter.h"

#include <algorithm>
#include <cstddef>

namespace strandel {

void paint_strips(const paint_area& area, const std::vector<double>& centres, pixel_rule rule,
                  const strip_reader& read, const strip_sink& sink, const std::function<void(double)>& progress) {
    if (area.width <= 0 || area.height <= 0) return;
    const int strip = std::max(1, area.strip);
    const std::size_t width = static_cast<std::size_t>(area.width);
    const std::size_t row_bytes = width * static_cast<std::size_t>(area.bpp);
    const std::array<int, 256> nearest = nearest_classes(centres);
    std::vector<unsigned char> in(row_bytes * static_cast<std::size_t>(strip + 2));
    std::vector<unsigned char> grays(width * static_cast<std::size_t>(strip + 2));
    std::vector<unsigned char> out(row_bytes * static_cast<std::size_t>(strip));
    std::vector<int> classes(width);

    for (int y0 = 0; y0 < area.height; y0 += strip) {
        const int rows = std::min(strip, area.height - y0);
        const int top = std::max(0, y0 - 1), bottom = std::min(area.height, y0 + rows + 1);
        read(top, bottom - top, in.data());
        for (int r = 0; r < bottom - top; ++r)
            gray_row(in.data() + static_cast<std::size_t>(r) * row_bytes, area.width, area.bpp,
                     grays.data() + static_cast<std::size_t>(r) * width);
        auto gray_at = [&](int row_y) -> const unsigned char* {
            if (row_y < top || row_y >= bottom) return nullptr;
            return grays.data() + static_cast<std::size_t>(row_y - top) * width;
        };
        for (int r = 0; r < rows; ++r) {
            const int row_y = y0 + r;
            classify_row(centres, nearest, gray_at(row_y - 1), gray_at(row_y), gray_at(row_y + 1), area.width, rule,
                         classes.data());
            paint_row(centres, classes.data(), in.data() + static_cast<std::size_t>(row_y - top) * row_bytes,
                      area.width, area.bpp, out.data() + static_cast<std::size_t>(r) * row_bytes);
        }
        sink(y0, rows, out.data());
        if (progress) progress(static_cast<double>(y0 + rows) / area.height);
    }
}

}  // namespace strandel
