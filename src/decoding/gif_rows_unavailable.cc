// SPDX-License-Identifier: GPL-3.0-or-later
// gif_rows.h in a build without giflib: every GIF file is refused by name.
#include "decoding/format_unavailable.h"
#include "decoding/gif_rows.h"

namespace strandel {

namespace {

std::string refusal() { return format_unavailable("GIF", "giflib", "libgif-dev"); }

}  // namespace

open_result open_gif_rows(const std::string&, row_role, std::unique_ptr<pixel_rows>*, std::string* why) {
    *why = refusal();
    return open_result::failed;
}

open_result open_gif_rgb_rows(const std::string&, std::unique_ptr<rgb_rows>*, std::string* why) {
    *why = refusal();
    return open_result::failed;
}

bool gif_is_readable(const std::string&, std::string* why) {
    *why = refusal();
    return false;
}

}  // namespace strandel
