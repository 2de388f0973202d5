// SPDX-License-Identifier: GPL-3.0-or-later
// Reading PNG files with libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report_page/image_decoder.h"

namespace strandel {

// The default image_decoder: gray, gray+alpha, RGB, RGBA and palette PNGs
// of any bit depth, as 8-bit gray or RGB. Alpha is dropped (the segmenter
// ignores it too) and 16-bit samples are rounded to 8 bits.
bool decode_png(const std::string& path, decoded_image* out);

// A label image as the runner writes it: each pixel's gray value (8 or 16
// bits, or a palette index) is a class index, kept whole; an alpha channel
// is ignored. Colour PNGs are no label images and fail.
struct label_image {
    int width = 0, height = 0;
    std::vector<std::uint16_t> labels;
};
bool read_label_png(const std::string& path, label_image* out);

}  // namespace strandel
