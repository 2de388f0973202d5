// SPDX-License-Identifier: GPL-3.0-or-later
// What strandel-bench leaves when a run ends: the end-of-run marks of a
// sharded run's reports and the provenance file of its table
// (batch/shard_marks.h, batch/provenance.h); and the provenance of a merged
// table.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "batch/benchmark_request.h"
#include "tools/bench_options.h"

namespace strandel {

// The provenance record of a run (`run`: the request as resolved, chains
// and images in their final form) of `options`, from `start` to `end`
// (seconds since the epoch), its table read back for the images read and
// skipped.
nlohmann::ordered_json run_provenance(const bench_options& options, const benchmark_request& run, long long start,
                              long long end);

// After a run that ended well: the end mark appended to every results file
// of a sharded run, and the table's provenance. False with `error` naming
// the file.
bool mark_run_end(const bench_options& options, const benchmark_request& run, long long start, std::string* error);

// The provenance of a table merged from `tables`: each one's own record
// (null when it had none) under "merged_from".
bool write_merged_provenance(const std::vector<std::string>& tables, const std::string& merged, long long start,
                             std::string* error);

}  // namespace strandel
