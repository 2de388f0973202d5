// SPDX-License-Identifier: GPL-3.0-or-later
// A run must never write into one of its own inputs: a results file or a
// table that is the list file, an image or a manual segmentation would be
// appended to and ruined (and the next run would read the report as list
// entries or pixels). Nor may two of its outputs be one file: a results
// file that is also the table would wait forever for its own lock, and two
// chains appending to one file would mix their lines.
#pragma once

#include <string>
#include <vector>

#include "batch/image_reader.h"
#include "framework/file_identity.h"  // resolved_path

namespace strandel {

// True when none of `outputs` is the same file (device and inode, so that
// links and other spellings of a path are caught) as `list_file` (may be
// empty), an image or a manual segmentation of `images`. Otherwise false,
// with `error` naming the output and the input it would overwrite
// ("refusing to write `written` into it"). Outputs that do not exist yet
// are no input.
bool outputs_apart_from_inputs(const std::vector<std::string>& outputs, const std::string& list_file,
                               const std::vector<image_request>& images, std::string* error,
                               const std::string& written = "the results");

// One file a run writes, and what it is for messages ("the table").
struct named_output {
    std::string path;
    std::string what;
};

// True when no two of `outputs` are one file: the same device and inode
// when both exist, the same resolved_path otherwise. False with `error`
// naming both outputs and the file.
bool outputs_distinct(const std::vector<named_output>& outputs, std::string* error);

}  // namespace strandel
