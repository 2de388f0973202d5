// SPDX-License-Identifier: GPL-3.0-or-later
// The whole run of the interactive procedure on a GIMP 3 drawable, as
// driver/segment_drawable_gimp does it on GIMP 2.10's: histogram, chain,
// painting as one undo step with progress in GIMP's status bar.
#pragma once

#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "evaluation/segmentation_rows.h"
#include "evaluation/supervised_matches.h"
#include "framework/chain.h"
#include "framework/histogram.h"

namespace strandel {

// The two pixel classifiers, in the order the dialog offers them.
struct classifier_choice {
    const char* label;
    pixel_rule rule;
};
extern const classifier_choice pixel_classifiers[2];

struct drawable_segmentation {
    histogram h;
    std::vector<std::vector<double>> outcome;  // centres after each pass
    bool has_manual = false;
    supervised_matches supervised;  // of the last pass, when has_manual
};

// Segments the whole drawable with `passes` and paints every pixel's class
// into it by `rule`. `manual` (may be null) is the image's manual
// segmentation; its matches are taken before the drawable is painted over.
// False, with the reason in `error`, when the drawable cannot be segmented.
bool segment_drawable(GimpDrawable* drawable, const chain& passes, pixel_rule rule, GimpDrawable* manual,
                      drawable_segmentation* result, std::string* error);

// Paints the area (x, y, width, height) of `drawable` with `centres` by
// `rule`, handing the painted rows to `sink` (bytes in the drawable's
// format); `progress` may be empty.
void paint_drawable_area(GimpDrawable* drawable, int x, int y, int width, int height,
                         const std::vector<double>& centres, pixel_rule rule,
                         const std::function<void(int y, int rows, const unsigned char* bytes)>& sink,
                         const std::function<void(double)>& progress = nullptr);

}  // namespace strandel
