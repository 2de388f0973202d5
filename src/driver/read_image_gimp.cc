// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/read_image_gimp.h"

#include <libgimp/gimp.h>

#include <cstdint>
#include <cstdio>

#include "decoding/file_check.h"
#include "decoding/in_process_reader.h"
#include "decoding/truth_reading.h"
#include "decoding/wide_image.h"
#include "evaluation/manual_segmentation_gimp.h"
#include "framework/pixel_region_gimp.h"

namespace strandel {

namespace {

// Every pixel's gray level (pixel_gray_level) of a drawable, row by row.
std::vector<unsigned char> gray_levels_of(GimpDrawable* drawable) {
    const int width = int(drawable->width), height = int(drawable->height), bpp = int(drawable->bpp);
    std::vector<unsigned char> levels(std::size_t(width) * std::size_t(height));
    std::vector<guchar> row(std::size_t(width) * std::size_t(bpp));
    GimpPixelRgn region;
    gimp_pixel_rgn_init(&region, drawable, 0, 0, width, height, FALSE, FALSE);
    for (int y = 0; y < height; ++y) {
        gimp_pixel_rgn_get_row(&region, row.data(), 0, y, width);
        for (int x = 0; x < width; ++x)
            levels[std::size_t(y) * width + x] = pixel_gray_level(&row[std::size_t(x) * bpp], bpp);
    }
    return levels;
}

}  // namespace

open_result open_labels_with_gimp_loaders(const std::string& file, row_role, std::unique_ptr<pixel_rows>* rows,
                                          std::string* why) {
    if (!is_readable(file, why) || !fit_for_other_decoders(file, why)) return open_result::failed;
    const gint32 image = gimp_file_load(GIMP_RUN_NONINTERACTIVE, file.c_str(), file.c_str());
    if (image < 0) {
        *why = "GIMP could not load it";
        return open_result::failed;
    }
    const bool gray = convert_to_8bit(image) &&
                      (gimp_image_base_type(image) == GIMP_GRAY || gimp_image_convert_grayscale(image));
    const gint32 layer = gray ? first_layer(image) : -1;
    if (layer < 0) {
        gimp_image_delete(image);
        *why = "GIMP could not convert it to 8-bit gray";
        return open_result::failed;
    }
    GimpDrawable* drawable = gimp_drawable_get(layer);
    const int width = int(drawable->width), height = int(drawable->height);
    std::vector<unsigned char> levels = gray_levels_of(drawable);
    gimp_drawable_detach(drawable);
    gimp_image_delete(image);
    *rows = rows_of_plane(width, height, std::move(levels));
    return open_result::opened;
}

read_status read_image_with_gimp_loaders(const image_request& request, image_data& data, std::string* why) {
    const std::string& file = request.image;
    if (file.empty()) {
        *why = "the file name is empty";
        return read_status::unreadable;
    }
    // A FIFO would block GIMP's loader for ever; GIMP's PNG and TIFF
    // loaders keep the rows they could not decode of a damaged file, and
    // show the last page of a TIFF, the last frame of a GIF on top.
    if (!is_regular_file(file, why) || !is_readable(file, why) || !fit_for_other_decoders(file, why))
        return read_status::unreadable;
    const gint32 image = gimp_file_load(GIMP_RUN_NONINTERACTIVE, file.c_str(), file.c_str());
    if (image < 0) {
        *why = "GIMP could not load it";
        return read_status::unreadable;
    }
    // A palette index is no gray level: read indexed images as colour.
    if ((gimp_image_base_type(image) == GIMP_INDEXED && !gimp_image_convert_rgb(image)) ||
        !convert_to_8bit(image)) {
        gimp_image_delete(image);
        *why = "GIMP could not convert it to 8-bit gray or RGB";
        return read_status::unreadable;
    }
    const gint32 layer = first_layer(image);
    if (layer < 0) {
        gimp_image_delete(image);
        return read_status::no_layer;
    }

    GimpDrawable* drawable = gimp_drawable_get(layer);
    const int width = int(drawable->width), height = int(drawable->height);
    std::string too_large;
    const bool known_pixels = drawable->bpp >= 1 && drawable->bpp <= 4;
    const bool fits = fits_histogram(std::uint64_t(width), std::uint64_t(height), &too_large);
    const bool readable = known_pixels && fits;
    std::string ignored;
    const bool manual_usable = manual_read_in_walk(request) && fit_for_other_decoders(request.manual, &ignored);
    const std::string manual_file = manual_usable ? request.manual : std::string();
    GimpDrawable* manual = readable ? load_manual_segmentation_file(manual_file, image) : nullptr;
    data.has_manual = manual != nullptr;
    if (manual)
        count_gray_label_pairs(drawable, manual, 0, 0, width, height, &data.h, &data.manual);
    else if (readable)
        compute_histogram(drawable, &data.h, 0, 0, width, height);
    data.manual_in_walk = data.has_manual;
    data.colour = drawable->bpp >= 3;
    data.gray.width = data.gray.height = 0;
    if (readable && needs_gray_plane(request)) {
        data.gray.levels = gray_levels_of(drawable);
        data.gray.width = width;
        data.gray.height = height;
    }
    gimp_drawable_detach(drawable);
    release_manual_segmentation(manual);
    gimp_image_delete(image);
    if (!readable) {
        *why = known_pixels ? too_large : "its pixels are not 8-bit gray or RGB";
        return read_status::unreadable;
    }
    read_truths_and_scores(request, data, open_labels_in_gimp);
    return read_status::ok;
}

}  // namespace strandel
