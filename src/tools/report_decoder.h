// SPDX-License-Identifier: GPL-3.0-or-later
// The image opener strandel-report makes its thumbnails with.
#pragma once

#include <memory>
#include <string>

#include "report_page/image_decoder.h"

namespace strandel {

// PNG files with libpng, in their colours; every other file the native
// engine reads (PGM, JPEG, TIFF, ...) through its readers, as the gray
// levels the chains segmented. Row by row either way. Only regular files.
// Safe to call from several threads once a native_engine exists.
std::unique_ptr<image_row_source> open_for_report(const std::string& path, std::string* why);

}  // namespace strandel
