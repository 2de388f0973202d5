// SPDX-License-Identifier: GPL-3.0-or-later
// Painting the segmentation of an area strip by strip, whoever holds the
// pixels: each strip is read with one row above and one below (the
// neighbourhood of the position rule stays inside the area), classified
// and painted as segmentation_rows paints it. GIMP 3's painter and preview
// read through GEGL buffers; the strips make a drawable of any height cost
// a few rows of memory.
#pragma once

#include <functional>
#include <vector>

#include "evaluation/segmentation_rows.h"

namespace strandel {

// An area of `width` x `height` pixels of `bpp` bytes, rows counted from
// the area's top.
struct paint_area {
    int width = 0, height = 0, bpp = 1;
    int strip = 64;  // rows painted at a time
};

// Fills `bytes` with `rows` rows of the area from row `first` on.
using strip_reader = std::function<void(int first, int rows, unsigned char* bytes)>;
// Receives `rows` painted rows from row `first` on.
using strip_sink = std::function<void(int first, int rows, const unsigned char* bytes)>;

// Paints the area with `centres` by `rule`, strip by strip, top to bottom;
// `progress` (may be empty) hears the fraction of rows done.
void paint_strips(const paint_area& area, const std::vector<double>& centres, pixel_rule rule,
                  const strip_reader& read, const strip_sink& sink,
                  const std::function<void(double)>& progress = nullptr);

}  // namespace strandel
