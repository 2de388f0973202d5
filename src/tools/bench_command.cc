// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/bench_command.h"

#include <iostream>

#include "batch/report_merge.h"
#include "decoding/native_image_gegl.h"
#include "tools/exit_status.h"
#include "tools/gimp_engine.h"

namespace strandel {

namespace {

const char* const prefix = "strandel-bench";

}  // namespace

int run_bench(const benchmark_request& run, const image_reader& read, std::FILE* err) {
    runner_output output;
    output.progress = err;
    output.prefix = prefix;
    const request_outcome outcome = run_benchmark_request(run, read, output);
    if (outcome.status == request_status::success) return exit_ok;
    std::fprintf(err, "%s: %s\n", prefix, outcome.message.c_str());
    return outcome.status == request_status::calling_error ? exit_usage : exit_failure;
}

int run_merge(const std::string& merged, const std::vector<std::string>& shard_reports, std::FILE* err) {
    std::string error;
    if (merge_report_files(shard_reports, merged, &error)) return exit_ok;
    std::fprintf(err, "%s: --merge: %s\n", prefix, error.c_str());
    return exit_failure;
}

int run_bench_command(const bench_options& options, std::FILE* err) {
    if (options.merge) return run_merge(options.merged, options.shard_reports, err);
    if (options.engine == bench_engine::gimp) return run_benchmark_in_gimp(options.run, options.profile, std::cerr);
    native_engine engine;
    return run_bench(options.run, read_image_native, err);
}

}  // namespace strandel
