// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-bench's command line: runs a benchmark with the same report as
// the batch plug-in, on an engine that reads the images, or merges shard
// reports.
#pragma once

#include <string>
#include <vector>

#include "batch/benchmark_runner.h"

namespace strandel {

enum class bench_engine { native, gimp };

// A --chain (its text) or a --chains FILE (a file of chains, one a line),
// in the order given.
struct chain_argument {
    bool from_file = false;
    std::string text;
};

struct bench_options {
    bool help = false;

    // A run. Its chains and images are still as given: see bench_inputs.h.
    benchmark_request run;
    std::vector<chain_argument> chains;
    bench_engine engine = bench_engine::native;
    std::string profile;  // GIMP profile folder for the gimp engine
    // --shard was given: the run's reports end with their end-of-run mark.
    bool sharded = false;

    // What the run was asked, for its provenance: the arguments as given
    // and every option with its value (a --config file's included).
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> given;

    // --merge OUT REPORT... (or OUT.csv TABLE...)
    bool merge = false;
    std::string merged;
    std::vector<std::string> shard_reports;
    // Merge shards without their end-of-run mark, or not all of a split.
    bool allow_incomplete = false;
};

// Parses argv[1..argc-1]. On failure `error` says which option or value is
// wrong and why.
bool parse_bench_options(int argc, const char* const* argv, bench_options* options, std::string* error);

std::string bench_usage();

}  // namespace strandel
