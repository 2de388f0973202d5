// SPDX-License-Identifier: GPL-3.0-or-later
// The seam through which the report page decodes images and manual
// segmentations for thumbnails. The default reads PNG with libpng; another
// reader (JPEG, TIFF, ...) plugs in as any function of this shape.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace strandel {

struct decoded_image {
    int width = 0, height = 0;
    int channels = 0;  // 1: gray, 3: RGB; 8 bits each, rows top to bottom
    std::vector<unsigned char> pixels;
};

// Fills `out` and returns true, or returns false when the file cannot be
// decoded (the page then shows a placeholder in its place).
using image_decoder = std::function<bool(const std::string& path, decoded_image* out)>;

}  // namespace strandel
