// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a benchmark's image inside GIMP: loaded by GIMP's own loaders and
// read tile by tile, as the batch dialog's worker and the headless
// benchmark procedure do.
#pragma once

#include <string>

#include "batch/image_reader.h"

namespace strandel {

// Loads `file` with GIMP and reads its first layer (and, when one lies
// beside it, its manual segmentation) in one walk. Every image it loads is
// deleted from GIMP again before it returns.
read_status read_image_with_gimp(const std::string& file, image_data& data, std::string* why);

}  // namespace strandel
