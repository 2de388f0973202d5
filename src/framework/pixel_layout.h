// SPDX-License-Identifier: GPL-3.0-or-later
// How the bytes of an 8-bit drawable become gray levels, whoever hands the
// bytes over (GIMP's tiles or an image decoded in-process). Free of GIMP and
// GEGL so that every engine counts the same pixels the same way.
//
// A pixel is `bpp` bytes in the drawable's channel order: 1 gray, 2 gray and
// alpha, 3 RGB, 4 RGB and alpha. Alpha never matters: every pixel counts
// once, whatever its opacity.
#pragma once

#include <cstddef>

#include "framework/histogram.h"

namespace strandel {

// Pixel sizes of the layouts a drawable can have.
enum pixel_layout : int { layout_gray = 1, layout_gray_alpha = 2, layout_rgb = 3, layout_rgba = 4 };

// The gray level of one pixel: the gray byte of a gray pixel, the level
// colour_gray gives a colour one.
inline unsigned char pixel_gray_level(const unsigned char* p, int bpp) {
    return bpp >= 3 ? colour_gray(p[0], p[1], p[2]) : p[0];
}

// Adds the `count` pixels starting at `pixels` to `h`.
inline void add_pixels_to_histogram(const unsigned char* pixels, std::size_t count, int bpp, histogram& h) {
    if (bpp == 1) {
        for (const unsigned char* end = pixels + count; pixels != end; ++pixels) ++h[*pixels];
        return;
    }
    for (std::size_t i = 0; i < count; ++i, pixels += bpp) ++h[pixel_gray_level(pixels, bpp)];
}

}  // namespace strandel
