// SPDX-License-Identifier: GPL-3.0-or-later
// tiff_check.h in a build without libtiff: a TIFF file cannot be proven
// whole and one-paged before another decoder reads it, so it is refused.
#include "decoding/format_unavailable.h"
#include "decoding/tiff_check.h"

namespace strandel {

namespace {

std::string refusal() { return format_unavailable("TIFF", "libtiff", "libtiff-dev"); }

}  // namespace

bool tiff_decodes_completely(const std::string&, std::string* why) {
    *why = refusal();
    return false;
}

bool tiff_is_16_bit(const std::string&) { return false; }

int tiff_samples_per_pixel(const std::string&) { return 0; }

bool read_tiff_samples(const std::string&, wide_image*, std::string* why) {
    *why = refusal();
    return false;
}

}  // namespace strandel
