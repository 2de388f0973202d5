// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/bench_command.h"

#include <ctime>
#include <iostream>

#include "batch/provenance.h"
#include "batch/report_merge.h"
#include "decoding/label_png.h"
#include "decoding/native_image_gegl.h"
#include "tools/bench_inputs.h"
#include "tools/bench_provenance.h"
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

namespace {

// Each table's end-of-run mark: its provenance file.
bool check_tables_complete(const std::vector<std::string>& tables, std::string* error) {
    std::vector<shard_mark> marks;
    for (const std::string& table : tables) {
        nlohmann::ordered_json record;
        std::string ignored;
        marks.push_back(read_provenance(table, &record, &ignored) ? provenance_mark(record) : shard_mark());
    }
    return check_complete_shards(marks, tables, error);
}

int merge_tables(const std::string& merged, const std::vector<std::string>& tables, bool allow_incomplete,
                 std::string* error) {
    const long long start = std::time(nullptr);
    if (!allow_incomplete && !check_tables_complete(tables, error)) return exit_failure;
    if (!merge_table_files(tables, merged, error)) return exit_failure;
    return write_merged_provenance(tables, merged, start, error) ? exit_ok : exit_failure;
}

}  // namespace

int run_merge(const std::string& merged, const std::vector<std::string>& shard_reports, bool allow_incomplete,
              std::FILE* err) {
    std::string error;
    const bool tables = !shard_reports.empty() && is_results_table(shard_reports[0]);
    if (tables ? merge_tables(merged, shard_reports, allow_incomplete, &error) == exit_ok
               : merge_report_files(shard_reports, merged, &error, !allow_incomplete))
        return exit_ok;
    std::fprintf(err, "%s: --merge: %s\n", prefix, error.c_str());
    return exit_failure;
}

int run_bench_command(const bench_options& options, std::FILE* err) {
    if (options.merge) return run_merge(options.merged, options.shard_reports, options.allow_incomplete, err);
    const long long start = std::time(nullptr);
    benchmark_request run;
    left_out_files left_out;
    std::string error;
    int status = resolve_bench_inputs(options, &run, &left_out, &error);
    if (status != exit_ok) {
        std::fprintf(err, "%s: %s\n", prefix, error.c_str());
        return status;
    }
    std::fputs(left_out_notes(left_out, prefix).c_str(), err);
    if (options.engine == bench_engine::gimp) {
        status = run_benchmark_in_gimp(run, options.profile, std::cerr);
    } else {
        native_engine engine;
        status = run_bench(run, read_image_native, err);
    }
    if (status == exit_ok && !mark_run_end(options, run, start, &error)) {
        std::fprintf(err, "%s: %s\n", prefix, error.c_str());
        return exit_failure;
    }
    return status;
}

}  // namespace strandel
