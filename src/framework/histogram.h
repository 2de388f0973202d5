// SPDX-License-Identifier: GPL-3.0-or-later
// Gray-level histogram: the one input every pass and measure works on.
#pragma once

#include <cstdint>

namespace strandel {

// 256 pixel counts, one per gray level (index 0 is black). A plain value:
// no constructor, so a fresh histogram must be filled before it is read.
struct histogram {
    std::int32_t counts[256];

    std::int32_t* begin() { return counts; }
    std::int32_t* end() { return counts + 256; }
    const std::int32_t* begin() const { return counts; }
    const std::int32_t* end() const { return counts + 256; }

    std::int32_t& operator[](unsigned level) { return counts[level]; }
    std::int32_t operator[](unsigned level) const { return counts[level]; }
};

// Sets every count to zero.
void clear_histogram(histogram& h);

// Sum of all counts as a 64-bit value (a histogram of a huge image may
// exceed 32 bits in total).
std::int64_t total_pixels(const histogram& h);

// Colour pixels are segmented on their third channel: weights 0, 0 and 1.
inline unsigned char rgb_to_gray(unsigned char /*r*/, unsigned char /*g*/, unsigned char b) {
    return b;
}

// How a benchmark run turns colour pixels into the gray levels it counts:
// their blue byte (GIMP's batch rule, the default) or their luma as
// OpenCV's cvtColor(COLOR_RGB2GRAY) computes it (0.299 R + 0.587 G +
// 0.114 B in 14-bit fixed point, rounded). One rule holds for a whole
// process: every reader of a run, on every thread, must count alike, so the
// runner sets it before any image is read.
enum class gray_rule { blue, luma };
gray_rule colour_gray_rule();
void set_colour_gray_rule(gray_rule rule);

inline unsigned char luma_of(unsigned r, unsigned g, unsigned b) {
    return static_cast<unsigned char>((r * 4899u + g * 9617u + b * 1868u + 8192u) >> 14);
}

// How images of more than 8 bits a sample become 256 gray levels: scaled
// (as GIMP converts them to 8 bits, the default), or stretched from the
// image's own lowest to its highest value. Process-wide, as gray_rule.
enum class level_rule { scale, stretch };
level_rule wide_level_rule();
void set_wide_level_rule(level_rule rule);

// The gray level of a colour pixel under the process's rule.
inline unsigned char colour_gray(unsigned char r, unsigned char g, unsigned char b) {
    return colour_gray_rule() == gray_rule::luma ? luma_of(r, g, b) : b;
}

}  // namespace strandel
