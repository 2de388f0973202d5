// SPDX-License-Identifier: GPL-3.0-or-later
// A run must never write into one of its own inputs: a results file or a
// table that is the list file, an image or a manual segmentation would be
// appended to and ruined (and the next run would read the report as list
// entries or pixels).
#pragma once

#include <string>
#include <vector>

#include "batch/image_reader.h"

namespace strandel {

// True when none of `outputs` is the same file (device and inode, so that
// links and other spellings of a path are caught) as `list_file` (may be
// empty), an image or a manual segmentation of `images`. Otherwise false,
// with `error` naming the output and the input it would overwrite. Outputs
// that do not exist yet are no input.
bool outputs_apart_from_inputs(const std::vector<std::string>& outputs, const std::string& list_file,
                               const std::vector<image_request>& images, std::string* error);

}  // namespace strandel
