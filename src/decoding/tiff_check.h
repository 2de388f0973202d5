// SPDX-License-Identifier: GPL-3.0-or-later
// TIFF files are left to GEGL and to GIMP's loaders, which read them
// differently when they are cut short (one fills the missing rows from
// earlier ones) or hold several pages (one reads the first, the other
// shows the last on top): such files are refused before either decodes.
#pragma once

#include <cstddef>
#include <string>

namespace strandel {

// Whether a TIFF holds one page whose every strip or tile decodes (libtiff).
// False with the reason: libtiff's, or the number of pages.
bool tiff_decodes_completely(const std::string& file, std::string* why);

// Whether the bytes start as a TIFF (or BigTIFF) does.
bool has_tiff_signature(const unsigned char* bytes, std::size_t size);

struct wide_image;

// Whether a (readable) TIFF stores 16-bit unsigned samples.
bool tiff_is_16_bit(const std::string& file);

// Samples per pixel of a TIFF; 0 when it cannot be read.
int tiff_samples_per_pixel(const std::string& file);

// Reads a TIFF of 8- or 16-bit unsigned samples, 1 to 4 a pixel, stored
// contiguously, in strips or tiles, whole. False with the reason.
bool read_tiff_samples(const std::string& file, wide_image* image, std::string* why);

}  // namespace strandel
