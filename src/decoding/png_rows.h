// SPDX-License-Identifier: GPL-3.0-or-later
// PNG files decoded row by row with libpng, straight into gray levels.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "decoding/pixel_rows.h"

namespace strandel {

// Opens a PNG whose 8-bit values are read as they are stored, as GIMP keeps
// them whatever gAMA, iCCP or sRGB chunks say: 8 bits per channel, not
// interlaced, gray, gray and alpha, RGB or RGBA (gray or gray and alpha
// only as labels), or an indexed image of any depth read as the colours
// of its palette (as image only). Other PNGs are not covered. `file` must be a regular
// file; one that is no PNG, declares more pixels than the histogram can
// count, or does not decode, has failed.
open_result open_png_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                          std::string* why);

// Whether every row of a PNG of any kind decodes (with its final chunk),
// for files left to another decoder that would hand out the rows it could
// not decode as if they were there. False with libpng's reason.
bool png_decodes_completely(const std::string& file, std::string* why);

struct wide_image;
// Reads a PNG of 16 bits a sample (gray, gray and alpha, RGB, RGBA; any
// interlacing) whole, with its own values. False with libpng's reason.
bool read_png_samples(const std::string& file, wide_image* image, std::string* why);

// Whether the bytes start with the PNG signature.
bool has_png_signature(const unsigned char* bytes, std::size_t size);

// Whether the file starts with it (false when it cannot be read).
bool is_png_file(const std::string& file);

}  // namespace strandel
