// SPDX-License-Identifier: GPL-3.0-or-later
// Built without libjpeg: the engine's readers make every thumbnail (and
// refuse JPEG files by name).
#include "tools/scaled_jpeg.h"

namespace strandel {

std::unique_ptr<image_row_source> open_scaled_jpeg(const std::string&, std::string*) { return nullptr; }

}  // namespace strandel
