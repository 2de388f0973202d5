// SPDX-License-Identifier: GPL-3.0-or-later
// The image_decoder strandel-report makes its thumbnails with.
#pragma once

#include <string>

#include "report_page/image_decoder.h"

namespace strandel {

// PNG files with libpng, in their colours; every other file the native
// engine reads (PGM, JPEG, TIFF, ...) through its readers, as the gray
// levels the chains segmented. Safe to call from several threads once a
// native_engine exists.
bool decode_for_report(const std::string& path, decoded_image* out);

}  // namespace strandel
