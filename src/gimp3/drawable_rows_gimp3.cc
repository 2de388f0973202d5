// SPDX-License-Identifier: GPL-3.0-or-later
#include "gimp3/drawable_rows_gimp3.h"

#include <algorithm>
#include <cstddef>

#include "evaluation/pixel_pairs.h"
#include "framework/pixel_layout.h"

namespace strandel {

namespace {

const int default_band = 64;

bool covers(GimpDrawable* drawable, int x, int y, int width, int height) {
    return x >= 0 && y >= 0 && x + width <= gimp_drawable_get_width(drawable) &&
           y + height <= gimp_drawable_get_height(drawable);
}

}  // namespace

int drawable_bpp(GimpDrawable* drawable) {
    const Babl* format = gimp_drawable_get_format(drawable);
    if (!format || babl_format_is_palette(format) || babl_format_get_type(format, 0) != babl_type("u8")) return 0;
    const int bpp = babl_format_get_bytes_per_pixel(format);
    return bpp >= 1 && bpp <= 4 ? bpp : 0;
}

void read_drawable_rows(GimpDrawable* drawable, int x, int y, int width, int rows, unsigned char* bytes) {
    GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
    const GeglRectangle area = {x, y, width, rows};
    gegl_buffer_get(buffer, &area, 1.0, gimp_drawable_get_format(drawable), bytes, GEGL_AUTO_ROWSTRIDE,
                    GEGL_ABYSS_NONE);
    g_object_unref(buffer);
}

bool for_each_band(GimpDrawable* drawable, int x, int y, int width, int height, int band_rows,
                   const std::function<void(int y, int rows, const unsigned char* bytes)>& band) {
    const int bpp = drawable_bpp(drawable);
    if (bpp == 0 || !covers(drawable, x, y, width, height)) return false;
    if (width <= 0 || height <= 0) return true;
    band_rows = std::max(1, band_rows);
    GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
    const Babl* format = gimp_drawable_get_format(drawable);
    std::vector<unsigned char> bytes(std::size_t(width) * std::size_t(bpp) * std::size_t(band_rows));
    for (int top = y; top < y + height; top += band_rows) {
        const int rows = std::min(band_rows, y + height - top);
        const GeglRectangle area = {x, top, width, rows};
        gegl_buffer_get(buffer, &area, 1.0, format, bytes.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
        band(top, rows, bytes.data());
    }
    g_object_unref(buffer);
    return true;
}

bool drawable_histogram(GimpDrawable* drawable, int x, int y, int width, int height, histogram* h) {
    clear_histogram(*h);
    const int bpp = drawable_bpp(drawable);
    return for_each_band(drawable, x, y, width, height, default_band, [&](int, int rows, const unsigned char* bytes) {
        add_pixels_to_histogram(bytes, std::size_t(width) * std::size_t(rows), bpp, *h);
    });
}

bool drawable_label_pairs(GimpDrawable* image, GimpDrawable* manual, int x, int y, int width, int height,
                          histogram* h, gray_label_counts* counts) {
    clear_histogram(*h);
    counts->clear();
    const int image_bpp = drawable_bpp(image), manual_bpp = drawable_bpp(manual);
    if (manual_bpp == 0 || !covers(manual, x, y, width, height)) return false;
    std::vector<unsigned char> labels(std::size_t(width) * std::size_t(manual_bpp) * default_band);
    GeglBuffer* manual_buffer = gimp_drawable_get_buffer(manual);
    const Babl* manual_format = gimp_drawable_get_format(manual);
    const bool read = for_each_band(image, x, y, width, height, default_band,
                                    [&](int top, int rows, const unsigned char* bytes) {
                                        const GeglRectangle area = {x, top, width, rows};
                                        gegl_buffer_get(manual_buffer, &area, 1.0, manual_format, labels.data(),
                                                        GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
                                        add_pixel_pairs(bytes, image_bpp, labels.data(), manual_bpp,
                                                        std::size_t(width) * std::size_t(rows), *h, *counts);
                                    });
    g_object_unref(manual_buffer);
    if (!read) {
        clear_histogram(*h);
        counts->clear();
    }
    return read;
}

}  // namespace strandel
