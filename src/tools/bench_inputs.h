// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-bench's chains and images as its arguments name them, turned
// into the plain lists a run takes: chains files read, folders expanded,
// manual segmentations given among the images left out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "batch/benchmark_runner.h"
#include "tools/bench_options.h"

namespace strandel {

// The chains of a chains file, one a line: blank lines and lines whose
// first non-blank character is # are ignored, blanks around a chain and a
// CR before the LF dropped.
bool read_chains_file(const std::string& file, std::vector<std::string>* chains, std::string* error);

// What resolve_bench_inputs left out of the images named.
struct left_out_files {
    std::size_t manual_segmentations = 0;  // of other given images
    std::size_t label_images = 0;          // Strandel's own, found in folders
};

// `options.run` with its chains (request.chain for one, request.chains for
// several) and, when images were named, those images: folders expanded
// (without the label images Strandel wrote, which a run saving into an
// input folder would otherwise read back as images) and manual
// segmentations of other given images left out (`left_out` says how many
// of each). Returns the exit status: 0, 1 (a file or folder that cannot be
// read) or 2 (a chains file without chains, no image at all), with
// `error`.
int resolve_bench_inputs(const bench_options& options, benchmark_request* run, left_out_files* left_out,
                         std::string* error);

// The notes on standard error that say what was left out, one a line.
std::string left_out_notes(const left_out_files& left_out, const std::string& prefix);

}  // namespace strandel
