// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/manual_segmentation_gimp.h"

#include <cstdio>
#include <string>

#include "evaluation/pixel_pairs.h"
#include "framework/pixel_region_gimp.h"

namespace strandel {

bool convert_to_8bit(gint32 image) {
    const GimpPrecision precision = gimp_image_get_precision(image);
    if (precision == GIMP_PRECISION_U8_GAMMA || precision == GIMP_PRECISION_U8_LINEAR) return true;
    return gimp_image_convert_precision(image, GIMP_PRECISION_U8_GAMMA);
}

gint32 first_layer(gint32 image) {
    gint nr_layers = 0;
    gint* layers = gimp_image_get_layers(image, &nr_layers);
    const gint32 layer = nr_layers > 0 ? layers[0] : -1;
    g_free(layers);
    return layer;
}

GimpDrawable* load_manual_segmentation(gint32 image) {
    gchar* image_file = gimp_image_get_filename(image);
    if (!image_file) return nullptr;
    const std::string name = manual_segmentation_name(image_file);
    g_free(image_file);
    return load_manual_segmentation_file(name, image);
}

GimpDrawable* load_manual_segmentation_file(const std::string& name, gint32 image) {
    if (name.empty()) return nullptr;
    if (std::FILE* probe = std::fopen(name.c_str(), "r"))
        std::fclose(probe);
    else
        return nullptr;

    const gint32 manual = gimp_file_load(GIMP_RUN_NONINTERACTIVE, name.c_str(), name.c_str());
    if (manual < 0) return nullptr;
    const gint32 layer = first_layer(manual);
    const gint32 image_layer = first_layer(image);
    const bool usable = (gimp_image_base_type(manual) == GIMP_GRAY || gimp_image_convert_grayscale(manual)) &&
                        convert_to_8bit(manual) && layer >= 0 && image_layer >= 0 &&
                        gimp_drawable_width(layer) == gimp_drawable_width(image_layer) &&
                        gimp_drawable_height(layer) == gimp_drawable_height(image_layer);
    if (!usable) {
        gimp_image_delete(manual);
        return nullptr;
    }
    return gimp_drawable_get(layer);
}

void release_manual_segmentation(GimpDrawable* manual) {
    if (!manual) return;
    const gint32 image = gimp_item_get_image(manual->drawable_id);
    gimp_drawable_detach(manual);
    if (image >= 0) gimp_image_delete(image);
}

void count_gray_label_pairs(GimpDrawable* image, GimpDrawable* manual, int x, int y, int width, int height,
                            histogram* image_histogram, gray_label_counts* counts) {
    clear_histogram(*image_histogram);
    counts->clear();
    const int image_bpp = int(image->bpp), manual_bpp = int(manual->bpp);
    pixel_region image_region(image, x, y, width, height, false, false);
    pixel_region manual_region(manual, x, y, width, height, false, false);
    pixel_region::iterator im = image_region.begin();
    const pixel_region::iterator manual_end = manual_region.end();
    // Same rectangle, same tile grid: the k-th spans cover the same pixels.
    for (pixel_region::iterator m = manual_region.begin(); m != manual_end; ++m, ++im) {
        const std::size_t pixels = std::size_t((*m).second - (*m).first) / std::size_t(manual_bpp);
        add_pixel_pairs((*im).first, image_bpp, (*m).first, manual_bpp, pixels, *image_histogram, *counts);
    }
}

double jaccard_distance_impl(GimpDrawable* image, GimpDrawable* manual, unsigned char label,
                             const class_map& classes, int class_index, int x, int y, int width, int height) {
    bool in_class[256] = {};
    const auto range = classes.equal_range(class_index);
    for (auto it = range.first; it != range.second; ++it) in_class[it->second] = true;

    const int image_bpp = int(image->bpp), manual_bpp = int(manual->bpp);
    pixel_region image_region(image, x, y, width, height, false, false);
    pixel_region manual_region(manual, x, y, width, height, false, false);
    pixel_region::iterator im = image_region.begin();
    const pixel_region::iterator manual_end = manual_region.end();
    long long intersection = 0, union_size = 0;
    for (pixel_region::iterator m = manual_region.begin(); m != manual_end; ++m, ++im) {
        const unsigned char* ip = (*im).first;
        for (const unsigned char* mp = (*m).first; mp != (*m).second; mp += manual_bpp, ip += image_bpp) {
            // The class is decided on the gray level the histogram counted.
            const bool a = in_class[pixel_gray_level(ip, image_bpp)];
            const bool b = pixel_label(mp) == label;
            union_size += a || b;
            intersection += a && b;
        }
    }
    return jaccard_index(std::uint64_t(intersection), std::uint64_t(union_size));
}

void jaccard_distance(GimpDrawable* image, const class_map& classes, const std::vector<double>& centres,
                      GimpDrawable* manual, const histogram& manual_histogram, int x, int y, int width,
                      int height, match_list* matches) {
    matches->clear();
    for (unsigned label = 0; label < 256; ++label) {
        if (manual_histogram[label] == 0) continue;
        std::pair<int, double> best(0, 0.0);
        for (int c = 0; c < int(centres.size()); ++c) {
            const double j = jaccard_distance_impl(image, manual, static_cast<unsigned char>(label), classes, c, x,
                                                   y, width, height);
            if (j > best.second) best = {c, j};
        }
        matches->push_back(best);
    }
}

}  // namespace strandel
