// SPDX-License-Identifier: GPL-3.0-or-later
// What a file's first bytes say about how GIMP would hold its pixels.
#pragma once

#include <cstddef>
#include <string>

namespace strandel {

// Whether the file is a palette (indexed) image that GIMP would open as an
// indexed image: a PNG of colour type 3, any GIF, a BMP of 8 bits per pixel
// or fewer. Its pixels are palette indices, not gray levels, so an engine
// that sees only decoded colours cannot read them as GIMP does. `kind`
// receives a short description such as "an indexed (palette) PNG". Files
// that cannot be read, or that are too short, are not palette images.
bool is_palette_image(const std::string& file, std::string* kind);

// The same test on the first bytes of a file.
bool is_palette_header(const unsigned char* bytes, std::size_t size, std::string* kind);

}  // namespace strandel
