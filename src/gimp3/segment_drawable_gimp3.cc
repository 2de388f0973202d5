// SPDX-License-Identifier: GPL-3.0-or-later
#include "gimp3/segment_drawable_gimp3.h"

#include "driver/status_progress_gimp.h"
#include "evaluation/classification.h"
#include "evaluation/strip_painter.h"
#include "gimp3/drawable_rows_gimp3.h"

namespace strandel {

const classifier_choice pixel_classifiers[2] = {{"Pure Gray Level Classifier", pixel_rule::pure},
                                               {"Position Sensitive Classifier", pixel_rule::position}};

void paint_drawable_area(GimpDrawable* drawable, int x, int y, int width, int height,
                         const std::vector<double>& centres, pixel_rule rule,
                         const std::function<void(int y, int rows, const unsigned char* bytes)>& sink,
                         const std::function<void(double)>& progress) {
    paint_area area;
    area.width = width;
    area.height = height;
    area.bpp = drawable_bpp(drawable);
    if (area.bpp == 0) return;
    GeglBuffer* source = gimp_drawable_get_buffer(drawable);
    const Babl* format = gimp_drawable_get_format(drawable);
    paint_strips(
        area, centres, rule,
        [&](int first, int rows, unsigned char* bytes) {
            const GeglRectangle strip = {x, y + first, width, rows};
            gegl_buffer_get(source, &strip, 1.0, format, bytes, GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
        },
        [&](int first, int rows, const unsigned char* bytes) { sink(y + first, rows, bytes); }, progress);
    g_object_unref(source);
}

bool segment_drawable(GimpDrawable* drawable, const chain& passes, pixel_rule rule, GimpDrawable* manual,
                      drawable_segmentation* result, std::string* error) {
    if (drawable_bpp(drawable) == 0) {
        *error = "drawable " + std::to_string(gimp_item_get_id(GIMP_ITEM(drawable))) +
                 " is not 8-bit gray or RGB; only 8-bit gray and RGB, with or without alpha, can be segmented";
        return false;
    }
    const int width = gimp_drawable_get_width(drawable), height = gimp_drawable_get_height(drawable);
    gimp_progress_init("Strandel Segmentation...");
    gray_label_counts counts;
    result->has_manual = manual && drawable_label_pairs(drawable, manual, 0, 0, width, height, &result->h, &counts);
    if (!result->has_manual) drawable_histogram(drawable, 0, 0, width, height, &result->h);
    status_progress chain_status(0.0, 0.5);
    result->outcome = chain_outcome(passes, result->h, [&](double f) { chain_status(f); });
    const std::vector<double> no_centres;
    const std::vector<double>& centres = result->outcome.empty() ? no_centres : result->outcome.back();
    if (result->has_manual) result->supervised = match_labels(counts, result->h, centres);

    GimpImage* image = gimp_item_get_image(GIMP_ITEM(drawable));
    gimp_image_undo_group_start(image);
    GeglBuffer* target = gimp_drawable_get_shadow_buffer(drawable);
    const Babl* format = gimp_drawable_get_format(drawable);
    status_progress paint_status(0.5, 0.5);
    paint_drawable_area(
        drawable, 0, 0, width, height, centres, rule,
        [&](int row_y, int rows, const unsigned char* bytes) {
            const GeglRectangle strip = {0, row_y, width, rows};
            gegl_buffer_set(target, &strip, 0, format, bytes, GEGL_AUTO_ROWSTRIDE);
        },
        [&](double f) { paint_status(f); });
    gegl_buffer_flush(target);
    g_object_unref(target);
    gimp_drawable_merge_shadow(drawable, TRUE);
    gimp_drawable_update(drawable, 0, 0, width, height);
    gimp_image_undo_group_end(image);
    gimp_progress_update(1.0);
    return true;
}

}  // namespace strandel
