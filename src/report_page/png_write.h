// SPDX-License-Identifier: GPL-3.0-or-later
// Encoding small images as PNG in memory, for data: URIs.
#pragma once

#include <string>
#include <vector>

#include "evaluation/class_colors.h"

namespace strandel {

// 8-bit gray (channels 1) or RGB (channels 3) pixels, rows top to bottom.
std::string encode_png(int width, int height, int channels, const std::vector<unsigned char>& pixels);

// Palette indices (one byte each) and a palette of at most 256 colours;
// written with as few bits per pixel as the palette needs.
std::string encode_png_palette(int width, int height, const std::vector<unsigned char>& indices,
                               const std::vector<rgb>& palette);

}  // namespace strandel
