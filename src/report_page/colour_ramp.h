// SPDX-License-Identifier: GPL-3.0-or-later
// The one colour ramp the page paints classes and ground-truth regions
// with: dark blue-violet through teal and green to light yellow, its
// lightness rising evenly in OKLab (Ottosson 2020), so that the order of the
// colours is the order of the gray levels, also in print and for readers
// with a colour-vision deficiency.
#pragma once

#include <string>

#include "evaluation/class_colors.h"

namespace strandel {

// The colour at t in [0, 1] (clamped): OKLab lightness 0.30 + 0.62 t, hue
// 290 - 185 t degrees, chroma 0.10 + 0.06 t reduced until the colour fits
// sRGB.
rgb ramp_colour(double t);

// The ramp in 256 steps, ramp_colour(i / 255): what thumbnails paint with.
const rgb& ramp_step(int step);

// The step of t in [0, 1]: round(255 t).
int ramp_step_of(double t);

// "#rrggbb".
std::string css_colour(const rgb& colour);

}  // namespace strandel
