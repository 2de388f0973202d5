// SPDX-License-Identifier: GPL-3.0-or-later
// The whole run of the interactive procedure on a drawable: histogram,
// chain, painting as one undo step.
#pragma once

#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "evaluation/pixel_classifier_gimp.h"
#include "evaluation/supervised_matches.h"
#include "framework/chain.h"
#include "framework/histogram.h"

namespace strandel {

// What segmenting a whole drawable produced.
struct drawable_segmentation {
    histogram h;
    std::vector<std::vector<double>> outcome;  // centres after each pass
    bool has_manual = false;
    supervised_matches supervised;             // of the last pass, when has_manual
};

// Segments the whole drawable with `chain` and paints the result into it
// with `classifier`, inside one undo group, showing progress in GIMP's
// status bar. `manual` (may be null) is the image's manual segmentation;
// its matches are taken before the drawable is painted over. False, with
// the reason in `error`, when the drawable cannot be segmented.
bool segment_drawable(GimpDrawable* drawable, const chain& passes, const pixel_classifier* classifier,
                      GimpDrawable* manual, drawable_segmentation* result, std::string* error);

}  // namespace strandel
