// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/segment_drawable_gimp.h"

#include <memory>

#include "driver/status_progress_gimp.h"
#include "evaluation/classification.h"
#include "evaluation/segmentation_painter_gimp.h"
#include "framework/pixel_region_gimp.h"

namespace strandel {

bool segment_drawable(GimpDrawable* drawable, const chain& passes, const pixel_classifier* classifier,
                      GimpDrawable* manual, drawable_segmentation* result, std::string* error) {
    const int bpp = static_cast<int>(drawable->bpp);
    if (bpp < 1 || bpp > 4) {
        *error = "drawable " + std::to_string(drawable->drawable_id) + " has " + std::to_string(bpp) +
                 " bytes per pixel; only 8-bit gray and RGB, with or without alpha, can be segmented";
        return false;
    }
    const int width = static_cast<int>(drawable->width), height = static_cast<int>(drawable->height);
    // A strip reads up to three rows of tiles (a row above and below) and
    // writes one row of shadow tiles.
    gimp_tile_cache_ntiles(4 * (drawable->ntile_cols + 1));
    gimp_progress_init("Strandel Segmentation...");

    std::unique_ptr<gray_label_counts> counts;
    if (manual) {
        counts = std::make_unique<gray_label_counts>();
        result->has_manual = count_against_manual(drawable, manual, 0, 0, width, height, &result->h, counts.get());
    }
    if (!result->has_manual) compute_histogram(drawable, &result->h, 0, 0, width, height);
    status_progress chain_status(0.0, 0.5);
    result->outcome = chain_outcome(passes, result->h, [&](double f) { chain_status(f); });
    const std::vector<double> no_centres;
    const std::vector<double>& centres = result->outcome.empty() ? no_centres : result->outcome.back();
    if (result->has_manual) result->supervised = match_labels(*counts, result->h, centres);

    class_map classes;
    classify(result->h, centres, &classes);
    const gint32 image = gimp_item_get_image(drawable->drawable_id);
    gimp_image_undo_group_start(image);
    GimpPixelRgn target;
    gimp_pixel_rgn_init(&target, drawable, 0, 0, width, height, TRUE, TRUE);
    status_progress paint_status(0.5, 0.5);
    paint_segmentation(
        drawable, 0, 0, width, height, segmentation{&result->h, &centres, &classes}, classifier,
        [&](int row_y, int rows, const unsigned char* bytes) {
            gimp_pixel_rgn_set_rect(&target, bytes, 0, row_y, width, rows);
        },
        [&](double f) { paint_status(f); });
    gimp_drawable_flush(drawable);
    gimp_drawable_merge_shadow(drawable->drawable_id, TRUE);
    gimp_drawable_update(drawable->drawable_id, 0, 0, width, height);
    gimp_image_undo_group_end(image);
    gimp_progress_update(1.0);
    return true;
}

}  // namespace strandel
