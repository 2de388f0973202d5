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

}  // namespace strandel
