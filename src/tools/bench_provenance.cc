// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/bench_provenance.h"

#include <ctime>
#include <map>

#include "batch/line_appender.h"
#include "batch/provenance.h"
#include "batch/run_plan.h"
#include "report_page/results_table.h"
#include "tools/gimp_engine.h"

namespace strandel {

namespace {

// The skipped images a record names one by one; beyond, only their count.
constexpr std::size_t listed_skips = 1000;

const char* const manual_rule =
    "read by gray level: gray as it is, colour and indexed converted to gray by babl's luminance";

// What the table says of the images: how many were read (rated by some
// chain) and which were skipped, and why.
nlohmann::ordered_json images_of_table(const std::string& table) {
    results_table_reader reader;
    std::string error;
    if (!reader.open(table, &error)) return {{"error", error}};
    std::map<int, std::pair<bool, result_row>> positions;  // rated by some chain, a skipped row
    csv_record record;
    result_row row;
    std::size_t rows = 0;
    while (reader.next(&record, &row, &error)) {
        ++rows;
        auto& seen = positions[row.position];
        if (!row.skipped)
            seen.first = true;
        else if (seen.second.image.empty())
            seen.second = row;
    }
    nlohmann::ordered_json skipped = nlohmann::ordered_json::array();
    std::size_t read = 0, skips = 0;
    for (const auto& entry : positions) {
        if (entry.second.first) {
            ++read;
            continue;
        }
        if (++skips <= listed_skips)
            skipped.push_back({{"position", entry.first},
                               {"image", entry.second.second.image},
                               {"reason", entry.second.second.skip_reason}});
    }
    nlohmann::ordered_json images = {{"rows", rows}, {"images", positions.size()}, {"read", read},
                             {"skipped", skips}, {"skipped_images", skipped}};
    if (!error.empty()) images["error"] = error;
    return images;
}

nlohmann::ordered_json options_record(const bench_options& options) {
    nlohmann::ordered_json given = nlohmann::ordered_json::array();
    for (const auto& use : options.given) given.push_back({use.first, use.second});
    return given;
}

}  // namespace

nlohmann::ordered_json run_provenance(const bench_options& options, const benchmark_request& run, long long start,
                              long long end) {
    nlohmann::ordered_json record = provenance_base(start, end);
    record["table"] = run.table_file;
    record["engine"] = options.engine == bench_engine::gimp ? "gimp" : "native";
    if (options.engine == bench_engine::gimp) record["gimp"] = gimp_engine_version();
    record["arguments"] = options.arguments;
    record["options"] = options_record(options);
    record["chains"] = request_chains(run);
    record["list"] = run.list_file;
    record["seed"] = run.seeded ? nlohmann::ordered_json(run.seed) : nlohmann::ordered_json();
    record["seed_each"] = run.seeded_each ? nlohmann::ordered_json(run.seed_each) : nlohmann::ordered_json();
    record["gray"] = gray_rule_name(run.gray);
    record["levels"] = level_rule_name(run.levels);
    record["ground_truth"] = {{"pattern", run.ground_truth}, {"rule", manual_rule}};
    record["shard"] = options.sharded ? nlohmann::ordered_json{{"index", run.shard_index}, {"count", run.shard_count}}
                                      : nlohmann::ordered_json();
    record["jobs"] = run.jobs;
    record["images"] = images_of_table(run.table_file);
    return record;
}

bool mark_run_end(const bench_options& options, const benchmark_request& run, long long start,
                  std::string* error) {
    if (options.sharded) {
        const std::size_t chains = request_chains(run).size();
        for (std::size_t n = 1; n <= chains; ++n) {
            const std::string file = chain_results_file(run.results_file, n);
            line_appender report;
            if (!report.open_append(file) || !report.append(shard_end_line(run.shard_index, run.shard_count)) ||
                !report.close()) {
                *error = "Could not write '" + file + "': " + report.error();
                return false;
            }
        }
    }
    if (run.table_file.empty()) return true;
    return write_provenance(run.table_file, run_provenance(options, run, start, std::time(nullptr)), error);
}

bool write_merged_provenance(const std::vector<std::string>& tables, const std::string& merged, long long start,
                             std::string* error) {
    nlohmann::ordered_json record = provenance_base(start, std::time(nullptr));
    record["table"] = merged;
    nlohmann::ordered_json sources = nlohmann::ordered_json::array();
    for (const std::string& table : tables) {
        nlohmann::ordered_json own;
        std::string ignored;
        if (!read_provenance(table, &own, &ignored)) own = nullptr;
        sources.push_back({{"table", table}, {"provenance", own}});
    }
    record["merged_from"] = sources;
    record["images"] = images_of_table(merged);
    return write_provenance(merged, record, error);
}

}  // namespace strandel
