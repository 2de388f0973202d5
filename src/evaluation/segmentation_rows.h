// SPDX-License-Identifier: GPL-3.0-or-later
// Painting a segmentation row by row, without GIMP: the class of every
// pixel of a row (from its gray level alone, or from its gray level and the
// classes around it), and the bytes that show that class.
#pragma once

#include <array>
#include <vector>

namespace strandel {

// How a pixel's class is decided; the two pixel classifiers of the
// interactive procedure.
enum class pixel_rule {
    pure,      // the nearest centre to the pixel's gray level
    position,  // smallest |gray - centre| / votes over the 3 x 3 neighbourhood
};

// The gray level a pixel of `bpp` bytes is segmented by: the gray byte of a
// gray pixel (alpha ignored), rgb_to_gray of a colour one.
unsigned char gray_of_pixel(const unsigned char* pixel, int bpp);

// Gray levels of `width` pixels of `bpp` bytes.
void gray_row(const unsigned char* pixels, int width, int bpp, unsigned char* grays);

// The nearest centre of every gray level (lowest index on ties); all 0 for
// an empty centre list.
std::array<int, 256> nearest_classes(const std::vector<double>& centres);

// Classes of one row of `width` gray levels. `above` and `below` are the
// neighbouring rows of the same area, null where the area ends; the area's
// left and right edges bound the neighbourhood as well. With the position
// rule a class only wins if some neighbour (or the pixel itself) votes for
// it; on equal scores the lower class index wins.
void classify_row(const std::vector<double>& centres, const std::array<int, 256>& nearest,
                  const unsigned char* above, const unsigned char* row, const unsigned char* below, int width,
                  pixel_rule rule, int* classes);

// Writes the look of each pixel's class into `out` (same layout as `in`):
// 1 byte, the class centre's gray level (truncated); 2 bytes, that gray
// level with the pixel's own alpha kept; 3 and 4 bytes, the class colour
// (class_color), with 4 bytes fully opaque. With no centre at all the row is
// copied unchanged.
void paint_row(const std::vector<double>& centres, const int* classes, const unsigned char* in, int width, int bpp,
               unsigned char* out);

}  // namespace strandel
