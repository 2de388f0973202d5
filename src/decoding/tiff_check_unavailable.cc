// SPDX-License-Identifier: GPL-3.0-or-later
// tiff_check.h in a build without libtiff: a TIFF file cannot be proven
// whole and one-paged before another decoder reads it, so it is refused.
#include "decoding/format_unavailable.h"
#include "decoding/tiff_check.h"

namespace strandel {

bool tiff_decodes_completely(const std::string&, std::string* why) {
    *why = format_unavailable("TIFF", "libtiff", "libtiff-dev");
    return false;
}

}  // namespace strandel
