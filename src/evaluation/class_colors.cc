// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/class_colors.h"

namespace strandel {
namespace {

constexpr unsigned base_hues[17] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF8000,
                                    0xFF00EE, 0x00FF80, 0x0080FF, 0xFF4000, 0xFFBF00, 0xBFFF00,
                                    0x40FF00, 0x00BFFF, 0x9000FF, 0xFF006F, 0x80FF00};
constexpr unsigned levels[16] = {0xFF, 0xBF, 0x7F, 0x3F, 0x1F, 0x5F, 0x9F, 0xDF,
                                 0x0F, 0x2F, 0x4F, 0x6F, 0x8F, 0xAF, 0xD4, 0xEF};

// base x level / 255, where a base of 0x80 stands for exactly half
// intensity (127.5). Halves round up, except at the two dimmest odd levels,
// which the palette has always rounded down.
constexpr unsigned char scale(unsigned base, unsigned level) {
    const unsigned twice_base = base == 0x80 ? 255 : 2 * base;
    const unsigned numerator = twice_base * level, denominator = 2 * 255;
    unsigned value = numerator / denominator;
    const unsigned twice_rest = 2 * (numerator % denominator);
    if (twice_rest > denominator || (twice_rest == denominator && level != 0x1F && level != 0x0F)) ++value;
    return static_cast<unsigned char>(value);
}

constexpr std::array<rgb, 256> make_palette() {
    std::array<rgb, 256> palette{};
    for (unsigned i = 0; i < 256; ++i) {
        const unsigned hue = base_hues[i % 17], level = levels[i / 17];
        palette[i] = rgb{scale(hue >> 16, level), scale((hue >> 8) & 0xFF, level), scale(hue & 0xFF, level)};
    }
    return palette;
}

}  // namespace

const std::array<rgb, 256> colors = make_palette();

}  // namespace strandel
