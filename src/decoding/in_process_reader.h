// SPDX-License-Identifier: GPL-3.0-or-later
// The in-process image reader every engine starts with: the files it
// decodes itself (8-bit and indexed PNG, JPEG, GIF, binary PGM) go row by row straight into the
// histogram and the pair counts; every other file is left to a fallback
// decoder (GEGL in the native engine, GIMP's loaders inside GIMP).
#pragma once

#include <string>

#include "decoding/pixel_rows.h"

namespace strandel {

// Opens `file` with the decoder its first bytes call for: open_png_rows,
// open_jpeg_rows, open_gif_rows or open_pgm_rows; any other file is not
// covered. A file that cannot be opened, or is empty, has failed with the
// reason.
open_result open_in_process(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                            std::string* why);

// Opens the colour files open_in_process does not cover as labels (colour
// JPEG, GIF) for their RGB rows, decoded as they are decoded as images;
// any other file is not covered.
open_result open_colour_labels(const std::string& file, std::unique_ptr<rgb_rows>* rows, std::string* why);

// Whether a file left to another decoder (GEGL, GIMP's loaders) is one that
// every decoder reads alike: a PNG or TIFF must decode to its end (those
// decoders would hand out rows they could not decode), a TIFF hold one page
// and a GIF be one open_gif_rows reads. False with the reason.
bool fit_for_other_decoders(const std::string& file, std::string* why);

enum class in_process_status { read, unreadable, not_covered };

// Reads the image of `request` and, when its manual segmentation is there
// and decodes to the image's size, the pair counts. Only regular files are
// opened. Files open_in_process does not cover go to `fallback`; without
// one the request is not covered (and `data` untouched) as soon as the
// image or its manual segmentation needs another decoder. A manual
// segmentation that fails is ignored; an image that fails is unreadable,
// with the reason in `why`.
// Ground truths and scored label images read after the image (see
// decoding/truth_reading.h) are opened in-process, else by
// `label_fallback` (by `fallback` when none is given).
in_process_status read_in_process(const image_request& request, image_data& data, std::string* why,
                                  const rows_opener& fallback = nullptr, const rows_opener& label_fallback = nullptr);

// The same with every file opened by `open` alone (labels read after the
// image by `label_open`, when given).
in_process_status read_image_rows(const image_request& request, image_data& data, std::string* why,
                                  const rows_opener& open, const rows_opener& label_open = nullptr);

}  // namespace strandel
