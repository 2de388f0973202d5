// SPDX-License-Identifier: GPL-3.0-or-later
// What a benchmark request comes to before anything is written: its chains
// parsed, its images and their manual segmentations named, the files it
// will write, and every refusal that must come before the first byte (a
// chain given twice, an image named twice in a run with a table, two
// outputs that are one file, an output that is an input, missing ground
// truth that was required). The native runner and the GIMP engine plan
// alike, so they refuse alike.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "batch/benchmark_request.h"
#include "batch/image_reader.h"
#include "batch/table_writer.h"
#include "framework/chain.h"

namespace strandel {

struct run_plan {
    std::vector<std::string> chain_texts;  // as given ("" is the default chain)
    std::vector<chain> passes;             // parsed, one per text
    // Every method's name in the table: the chains' texts, then the scored
    // methods' names (request.scores), in the order of their results files.
    std::vector<std::string> method_names;
    std::vector<image_request> images;     // every list position, as the engine reads them
    // Per position, when a table is written: a path given relative (a list
    // entry, an argument, a ground-truth pattern) relative to the table's
    // folder, an absolute one as it is.
    std::vector<table_paths> in_table;
    std::vector<bool> wanted;              // the positions this run (shard) processes
    std::vector<std::string> results_files;  // one per method (chains, then scored methods)
    std::size_t ground_truth_found = 0;    // wanted images whose manual segmentation file is there
    std::string ground_truth_rule;         // where it was looked for, for messages
};

// The chains a request runs, in order (one at least).
std::vector<std::string> request_chains(const benchmark_request& request);

// The results file of chain `number` (from 1): `pattern` with every "{n}"
// replaced by the number.
std::string chain_results_file(const std::string& pattern, std::size_t number);

// Which positions of a list of `count` images shard K/N processes.
std::vector<bool> shard_positions(std::size_t count, int shard_index, int shard_count);

// `folder` made absolute without resolving links, "." and ".." steps
// removed, no slash at its end ("" is the current folder).
std::string absolute_folder(const std::string& folder);

// `path` as a table in `folder` (absolute) writes it: relative to the
// folder, computed lexically from absolute forms (no link is resolved), or
// as it is when it was given absolute or is empty.
std::string path_for_table(const std::string& path, bool given_absolute, const std::string& folder);

// Checks the request and plans it; registers the passes and measures. A
// bad argument or chain is a calling error, a file that cannot be read or
// would be written twice an execution error; either way nothing has been
// written or created.
request_outcome plan_request(const benchmark_request& request, run_plan* plan);

}  // namespace strandel
