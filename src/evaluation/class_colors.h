// SPDX-License-Identifier: GPL-3.0-or-later
// The palette classes are painted with in the interactive preview, the
// painted drawable and the result dialog's class table.
#pragma once

#include <array>

namespace strandel {

struct rgb {
    unsigned char r, g, b;
};

// 256 colours: 17 saturated base hues, each at 16 intensity levels (the
// first 17 entries at full intensity), so that neighbouring class indices
// get clearly different hues.
extern const std::array<rgb, 256> colors;

// The colour of a class; indices past the palette wrap around (index mod 256).
inline const rgb& class_color(int class_index) {
    return colors[static_cast<unsigned>(class_index) % 256u];
}

}  // namespace strandel
