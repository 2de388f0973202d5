// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/segmentation_painter_gimp.h"

#include <algorithm>

#include "evaluation/manual_segmentation_gimp.h"
#include "evaluation/segmentation_rows.h"

namespace strandel {
namespace {

// The rule of the classifiers the strip painter knows; the others are asked
// pixel by pixel.
bool known_rule(const pixel_classifier* classifier, pixel_rule* rule) {
    if (!classifier || dynamic_cast<const pure_pixel_classifier*>(classifier)) {
        *rule = pixel_rule::pure;
        return true;
    }
    if (dynamic_cast<const pos_pixel_classifier*>(classifier)) {
        *rule = pixel_rule::position;
        return true;
    }
    return false;
}

}  // namespace

void paint_segmentation(GimpDrawable* drawable, int x, int y, int width, int height, const segmentation& s,
                        const pixel_classifier* classifier, const row_sink& sink,
                        const std::function<void(double)>& progress) {
    if (width <= 0 || height <= 0) return;
    const int bpp = static_cast<int>(drawable->bpp);
    const std::size_t row_bytes = static_cast<std::size_t>(width) * bpp;
    const int strip = static_cast<int>(gimp_tile_height());
    pixel_rule rule = pixel_rule::pure;
    const bool known = known_rule(classifier, &rule);
    const std::vector<double>& centres = *s.centres;
    const std::array<int, 256> nearest = nearest_classes(centres);

    GimpPixelRgn source;
    gimp_pixel_rgn_init(&source, drawable, x, y, width, height, FALSE, FALSE);
    std::vector<unsigned char> in(row_bytes * (strip + 2)), grays(static_cast<std::size_t>(width) * (strip + 2));
    std::vector<unsigned char> out(row_bytes * strip);
    std::vector<int> classes(static_cast<std::size_t>(width));

    for (int y0 = y; y0 < y + height; y0 += strip) {
        const int rows = std::min(strip, y + height - y0);
        const int top = std::max(y, y0 - 1), bottom = std::min(y + height, y0 + rows + 1);
        gimp_pixel_rgn_get_rect(&source, in.data(), x, top, width, bottom - top);
        for (int r = 0; r < bottom - top; ++r)
            gray_row(in.data() + r * row_bytes, width, bpp, grays.data() + static_cast<std::size_t>(r) * width);
        auto gray_at = [&](int row_y) -> const unsigned char* {
            if (row_y < top || row_y >= bottom) return nullptr;
            return grays.data() + static_cast<std::size_t>(row_y - top) * width;
        };
        for (int r = 0; r < rows; ++r) {
            const int row_y = y0 + r;
            const unsigned char* row = gray_at(row_y);
            if (known) {
                classify_row(centres, nearest, gray_at(row_y - 1), row, gray_at(row_y + 1), width, rule,
                             classes.data());
            } else {
                for (int c = 0; c < width; ++c)
                    classes[c] = (*classifier)(*s.h, centres, *s.classes, drawable, &source, row[c], x + c, row_y, 1.0);
            }
            paint_row(centres, classes.data(), in.data() + (row_y - top) * row_bytes, width, bpp,
                      out.data() + r * row_bytes);
        }
        sink(y0, rows, out.data());
        if (progress) progress(static_cast<double>(y0 + rows - y) / height);
    }
}

bool count_against_manual(GimpDrawable* drawable, GimpDrawable* manual, int x, int y, int width, int height,
                          histogram* h, gray_label_counts* counts) {
    // Both are walked span by span in step, which needs the same tile grid.
    if (!manual || manual->width != drawable->width || manual->height != drawable->height) return false;
    count_gray_label_pairs(drawable, manual, x, y, width, height, h, counts);
    return true;
}

}  // namespace strandel
