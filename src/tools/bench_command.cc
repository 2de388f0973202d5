// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/bench_command.h"

#include <iostream>

#include "batch/report_merge.h"
#include "decoding/label_png.h"
#include "decoding/native_image_gegl.h"
#include "tools/bench_inputs.h"
#include "tools/exit_status.h"
#include "tools/gimp_engine.h"
#include "tools/table_merge.h"

namespace strandel {

namespace {

const char* const prefix = "strandel-bench";

}  // namespace

int run_bench(const benchmark_request& run, const image_reader& read, std::FILE* err) {
    const png_label_store labels;
    runner_output output;
    output.progress = err;
    output.prefix = prefix;
    output.labels = &labels;
    const request_outcome outcome = run_benchmark_request(run, read, output);
    if (outcome.status == request_status::success) return exit_ok;
    std::fprintf(err, "%s: %s\n", prefix, outcome.message.c_str());
    return outcome.status == request_status::calling_error ? exit_usage : exit_failure;
}

int run_merge(const std::string& merged, const std::vector<std::string>& shard_reports, std::FILE* err) {
    std::string error;
    const bool tables = !shard_reports.empty() && is_results_table(shard_reports[0]);
    if (tables ? merge_table_files(shard_reports, merged, &error)
               : merge_report_files(shard_reports, merged, &error))
        return exit_ok;
    std::fprintf(err, "%s: --merge: %s\n", prefix, error.c_str());
    return exit_failure;
}

int run_bench_command(const bench_options& options, std::FILE* err) {
    if (options.merge) return run_merge(options.merged, options.shard_reports, err);
    benchmark_request run;
    left_out_files left_out;
    std::string error;
    const int status = resolve_bench_inputs(options, &run, &left_out, &error);
    if (status != exit_ok) {
        std::fprintf(err, "%s: %s\n", prefix, error.c_str());
        return status;
    }
    std::fputs(left_out_notes(left_out, prefix).c_str(), err);
    if (options.engine == bench_engine::gimp) return run_benchmark_in_gimp(run, options.profile, std::cerr);
    native_engine engine;
    return run_bench(run, read_image_native, err);
}

}  // namespace strandel
