// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG thumbnails decoded at a reduced size by libjpeg itself, when the
// tools were built with libjpeg.
#pragma once

#include <memory>
#include <string>

#include "report_page/image_decoder.h"

namespace strandel {

// The JPEG `path` as rows of gray levels at 1/2, 1/4 or 1/8 of its size
// (the smallest still at least a thumbnail's side); null when the engine's
// own reader must read it (EXIF orientation, CMYK, a damaged file: it then
// says why) or when this build has no libjpeg.
std::unique_ptr<image_row_source> open_scaled_jpeg(const std::string& path, std::string* why);

}  // namespace strandel
