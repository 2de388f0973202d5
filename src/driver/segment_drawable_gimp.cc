#include "driver/segment_drawable_gimp.h"

#include <algorithm>
#include <memory>

#include "driver/chain_outcome.h"
#include "evaluation/manual_segmentation_gimp.h"
#include "evaluation/segmentation_rows.h"
#include "framework/pixel_region_gimp.h"

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

// Status bar updates go through GIMP's wire: send only visible changes.
class status_progress {
public:
    explicit status_progress(double start, double span) : m_start(start), m_span(span) {}
    void operator()(double fraction) {
        const double value = m_start + m_span * fraction;
        if (value - m_last < 0.01 && value < 1.0) return;
        m_last = value;
        gimp_progress_update(value);
    }

private:
    double m_start, m_span;
    double m_last = -1.0;
};

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

bool segment_drawable(GimpDrawable* drawable, const std::vector<pass*>& chain, const pixel_classifier* classifier,
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
    result->outcome = run_chain(chain, result->h, [&](double f) { chain_status(f); });
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
