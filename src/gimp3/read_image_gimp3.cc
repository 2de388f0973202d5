// SPDX-License-Identifier: GPL-3.0-or-later
// GIMP 3's loaders for driver/read_image_gimp.h (the in-process reader
// comes first, driver/read_image_dispatch.cc): images loaded by GIMP 3,
// their pixels read through GEGL buffers.
#include "driver/read_image_gimp.h"

#include <libgimp/gimp.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "decoding/file_check.h"
#include "decoding/in_process_reader.h"
#include "decoding/truth_reading.h"
#include "decoding/wide_image.h"
#include "framework/pixel_layout.h"
#include "gimp3/drawable_rows_gimp3.h"
#include "gimp3/image_files_gimp3.h"

namespace strandel {

namespace {

// Every pixel's gray level (pixel_gray_level) of a drawable, row by row;
// empty for a drawable drawable_bpp cannot read.
std::vector<unsigned char> gray_levels_of(GimpDrawable* drawable, int width, int height) {
    std::vector<unsigned char> levels(std::size_t(width) * std::size_t(height));
    const int bpp = drawable_bpp(drawable);
    const bool read = for_each_band(drawable, 0, 0, width, height, 64,
                                    [&](int y, int rows, const unsigned char* bytes) {
                                        unsigned char* out = levels.data() + std::size_t(y) * std::size_t(width);
                                        for (std::size_t i = 0; i < std::size_t(rows) * std::size_t(width); ++i)
                                            out[i] = pixel_gray_level(bytes + i * std::size_t(bpp), bpp);
                                    });
    if (!read) levels.clear();
    return levels;
}

}  // namespace

open_result open_labels_with_gimp_loaders(const std::string& file, row_role, std::unique_ptr<pixel_rows>* rows,
                                          std::string* why) {
    if (!is_readable(file, why) || !fit_for_other_decoders(file, why)) return open_result::failed;
    GimpImage* image = load_image_file(file);
    if (!image) {
        *why = "GIMP could not load it";
        return open_result::failed;
    }
    const bool gray = convert_to_8bit(image) &&
                      (gimp_image_get_base_type(image) == GIMP_GRAY || gimp_image_convert_grayscale(image));
    GimpDrawable* layer = gray ? first_layer(image) : nullptr;
    const int width = layer ? gimp_drawable_get_width(layer) : 0, height = layer ? gimp_drawable_get_height(layer) : 0;
    std::vector<unsigned char> levels = layer ? gray_levels_of(layer, width, height) : std::vector<unsigned char>();
    gimp_image_delete(image);
    if (levels.empty()) {
        *why = "GIMP could not convert it to 8-bit gray";
        return open_result::failed;
    }
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
    GimpImage* image = load_image_file(file);
    if (!image) {
        *why = "GIMP could not load it";
        return read_status::unreadable;
    }
    // A palette index is no gray level: read indexed images as colour.
    if ((gimp_image_get_base_type(image) == GIMP_INDEXED && !gimp_image_convert_rgb(image)) ||
        !convert_to_8bit(image)) {
        gimp_image_delete(image);
        *why = "GIMP could not convert it to 8-bit gray or RGB";
        return read_status::unreadable;
    }
    GimpDrawable* layer = first_layer(image);
    if (!layer) {
        gimp_image_delete(image);
        return read_status::no_layer;
    }
    const int width = gimp_drawable_get_width(layer), height = gimp_drawable_get_height(layer);
    std::string too_large;
    const bool known_pixels = drawable_bpp(layer) != 0;
    const bool fits = fits_histogram(std::uint64_t(width), std::uint64_t(height), &too_large);
    const bool readable = known_pixels && fits;
    std::string ignored;
    const bool manual_usable = manual_read_in_walk(request) && fit_for_other_decoders(request.manual, &ignored);
    GimpDrawable* manual = readable && manual_usable ? load_manual_segmentation_file(request.manual, layer) : nullptr;
    data.has_manual = manual && drawable_label_pairs(layer, manual, 0, 0, width, height, &data.h, &data.manual);
    if (!data.has_manual && readable) drawable_histogram(layer, 0, 0, width, height, &data.h);
    data.manual_in_walk = data.has_manual;
    data.colour = drawable_bpp(layer) >= 3;
    data.gray.width = data.gray.height = 0;
    if (readable && needs_gray_plane(request)) {
        data.gray.levels = gray_levels_of(layer, width, height);
        data.gray.width = width;
        data.gray.height = height;
    }
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
