// SPDX-License-Identifier: GPL-3.0-or-later
// GIMP 3's loaders for driver/read_image_gimp.h (the in-process reader
// comes first, driver/read_image_dispatch.cc): images loaded by GIMP 3,
// their pixels read through GEGL buffers.
#include "driver/read_image_gimp.h"

#include <libgimp/gimp.h>

#include <cstdint>

#include "decoding/file_check.h"
#include "decoding/in_process_reader.h"
#include "gimp3/drawable_rows_gimp3.h"
#include "gimp3/image_files_gimp3.h"

namespace strandel {

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
    const bool manual_usable =
        is_regular_file(request.manual, &ignored) && fit_for_other_decoders(request.manual, &ignored);
    GimpDrawable* manual = readable && manual_usable ? load_manual_segmentation_file(request.manual, layer) : nullptr;
    data.has_manual = manual && drawable_label_pairs(layer, manual, 0, 0, width, height, &data.h, &data.manual);
    if (!data.has_manual && readable) drawable_histogram(layer, 0, 0, width, height, &data.h);
    release_manual_segmentation(manual);
    gimp_image_delete(image);
    if (!readable) {
        *why = known_pixels ? too_large : "its pixels are not 8-bit gray or RGB";
        return read_status::unreadable;
    }
    return read_status::ok;
}

}  // namespace strandel
