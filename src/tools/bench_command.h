// SPDX-License-Identifier: GPL-3.0-or-later
// What strandel-bench does once its options are read.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "batch/benchmark_runner.h"
#include "tools/bench_options.h"

namespace strandel {

// Runs what `options` ask for (a merge, or a benchmark on the native or the
// GIMP engine) and returns the exit status; messages and progress go to
// `err`.
int run_bench_command(const bench_options& options, std::FILE* err);

// A benchmark through the runner with an engine's reader: progress lines
// "strandel-bench: ..." and any failure go to `err`. Returns the exit
// status.
int run_bench(const benchmark_request& run, const image_reader& read, std::FILE* err);

// --merge: appends the joined shard reports to `merged`, or writes the
// joined shard tables to `merged` (and its provenance) when they are
// results tables. Shards without their end-of-run mark, or a split that
// misses a shard, are refused unless `allow_incomplete`.
int run_merge(const std::string& merged, const std::vector<std::string>& shard_reports, bool allow_incomplete,
              std::FILE* err);

}  // namespace strandel
