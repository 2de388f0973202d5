// SPDX-License-Identifier: GPL-3.0-or-later
// Images named on the command line: a folder stands for the image files in
// it, and files that are another image's manual segmentation are no images
// of the benchmark.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "batch/image_reader.h"

namespace strandel {

// Whether a file name has the extension of an image format GIMP or GEGL
// reads (case aside).
bool has_image_extension(const std::string& file_name);

// Every argument that is a folder replaced by the image files in it (by
// extension, hidden files aside), sorted by name, not recursing; other
// arguments kept as they are. Files of a folder for which `leave_out`
// (when given) is true are left out too, and counted in `left_out`. False
// with `error` naming a folder that cannot be read.
bool expand_image_folders(const std::vector<std::string>& arguments, std::vector<std::string>* images,
                          std::string* error, const std::function<bool(const std::string& file)>& leave_out = {},
                          std::size_t* left_out = nullptr);

// Leaves out of `requests` every image that is the manual segmentation of
// another request (paths compared as written, after removing "." and ".."
// steps); returns how many were left out.
std::size_t drop_manual_segmentations(std::vector<image_request>* requests);

}  // namespace strandel
