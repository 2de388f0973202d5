// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a benchmark's image inside GIMP: loaded by GIMP's own loaders and
// read tile by tile, as the batch dialog's worker and the headless
// benchmark procedure do.
#pragma once

#include <string>

#include "batch/image_reader.h"

namespace strandel {

// Loads the image with GIMP and reads its first layer (and its manual
// segmentation, when it is there) in one walk. Every image it loads is
// deleted from GIMP again before it returns.
read_status read_image_with_gimp(const image_request& request, image_data& data, std::string* why);

}  // namespace strandel
