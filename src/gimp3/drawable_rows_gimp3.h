// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the pixels of a GIMP 3 drawable: bands of rows through its GEGL
// buffer, in the drawable's own format (GIMP 3 has no tiles), so that the
// bytes are those GIMP 2.10's tiles hand over and the same rules
// (framework/pixel_layout.h, evaluation/pixel_pairs.h) count them. Reading
// in another format would not do: babl would turn colour into luminance.
#pragma once

#include <libgimp/gimp.h>

#include <functional>
#include <vector>

#include "evaluation/jaccard.h"
#include "framework/histogram.h"

namespace strandel {

// Bytes per pixel of an 8-bit gray or RGB drawable, with or without alpha
// (1 to 4); 0 for any other (high bit depth, indexed).
int drawable_bpp(GimpDrawable* drawable);

// Calls `band(y, rows, bytes)` for the rectangle (x, y, width, height) of
// `drawable`, top to bottom, `band_rows` rows at a time, each row `width`
// pixels of drawable_bpp bytes. False, without a call, when drawable_bpp
// is 0.
bool for_each_band(GimpDrawable* drawable, int x, int y, int width, int height, int band_rows,
                   const std::function<void(int y, int rows, const unsigned char* bytes)>& band);

// Reads `rows` rows of the rectangle's width from row `y` into `bytes`.
void read_drawable_rows(GimpDrawable* drawable, int x, int y, int width, int rows, unsigned char* bytes);

// Replaces `h` by the gray-level counts of the rectangle; false, leaving
// `h` all zero, for a drawable drawable_bpp cannot read.
bool drawable_histogram(GimpDrawable* drawable, int x, int y, int width, int height, histogram* h);

// The rectangle of `image` and the same rectangle of `manual` read
// together: the image's histogram and the (gray level, label) pair counts.
// False when either drawable cannot be read or is smaller than the
// rectangle.
bool drawable_label_pairs(GimpDrawable* image, GimpDrawable* manual, int x, int y, int width, int height,
                          histogram* h, gray_label_counts* counts);

}  // namespace strandel
