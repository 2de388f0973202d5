// SPDX-License-Identifier: GPL-3.0-or-later
// GIF files read with giflib, as GIMP's loader and its conversion of the
// indexed image to RGB give them: each pixel the colour of its palette
// entry, transparent ones included (GIMP keeps their colour beside an alpha
// of 0, and alpha is ignored).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "decoding/pixel_rows.h"

namespace strandel {

// Opens a GIF of one image for its gray levels (the third byte of each
// pixel's colour). As labels a GIF is not covered (its colours are
// converted to gray by luminance elsewhere). A GIF that does not decode to
// its end, holds several frames (GIMP would hand out the last one, a reader
// of files the first), has a frame that does not cover its screen, or no
// colour table, has failed with the reason.
open_result open_gif_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                          std::string* why);

// The same GIF's rows as the RGB colours of its palette.
open_result open_gif_rgb_rows(const std::string& file, std::unique_ptr<rgb_rows>* rows, std::string* why);

// Whether a GIF is one that open_gif_rows reads; false with the reason.
bool gif_is_readable(const std::string& file, std::string* why);

// Whether the bytes start as a GIF does.
bool has_gif_signature(const unsigned char* bytes, std::size_t size);

}  // namespace strandel
