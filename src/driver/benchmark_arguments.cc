// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/benchmark_arguments.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "batch/benchmark_list.h"
#include "batch/engine_environment.h"
#include "evaluation/jaccard.h"

namespace strandel {

namespace {

// The chains of the seeded procedure's argument, one a line; one chain
// (or none: the default) stays in request.chain.
std::vector<std::string> chain_lines(const std::string& text) {
    std::vector<std::string> chains;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        chains.push_back(text.substr(start, end - start));
    chains.push_back(text.substr(start));
    return chains.size() > 1 ? chains : std::vector<std::string>();
}

}  // namespace

benchmark_request benchmark_request_from(const benchmark_arguments& arguments) {
    benchmark_request request;
    request.chain = arguments.chain;
    request.list_file = arguments.list_file;
    request.results_file = arguments.results_file;
    const bool seed_given = arguments.seed >= 0;
    const unsigned seed = seed_given ? static_cast<unsigned>(arguments.seed) : 0;
    if (arguments.kind == benchmark_procedure_kind::seeded) {
        request.seeded_each = seed_given;
        request.seed_each = seed;
        request.chains = chain_lines(request.chain);
        request.table_file = arguments.table_file;
        request.ground_truth = arguments.ground_truth;
    } else {
        request.seeded = seed_given;
        request.seed = seed;
    }
    if (arguments.kind != benchmark_procedure_kind::whole) {
        request.shard_index = arguments.first;
        request.shard_count = arguments.stride;
    }
    // The older procedures keep the results file's name as given.
    request.number_results = arguments.kind == benchmark_procedure_kind::seeded;
    // strandel-bench's GIMP engine hands over what no argument carries.
    if (const char* base = std::getenv(list_base_variable)) request.list_base = base;
    if (const char* folder = std::getenv(table_folder_variable)) request.table_folder = folder;
    if (const char* closing = std::getenv(closing_file_variable)) request.closing_file = closing;
    // ...and what the older procedures never had.
    if (arguments.kind == benchmark_procedure_kind::seeded) apply_engine_environment(&request, &request.refusal);
    return request;
}

request_outcome run_floor(const std::string& list_file, const load_and_walk& walk, const char* procedure) {
    request_outcome outcome;
    std::vector<std::string> images;
    if (list_file.empty()) {
        outcome.status = request_status::calling_error;
        outcome.message = "list-file: no benchmark list file given";
        return outcome;
    }
    if (!read_list_relative(list_file, &images, &outcome.message)) {
        outcome.status = request_status::execution_error;
        return outcome;
    }
    const auto start = std::chrono::steady_clock::now();
    unsigned long long sum = 0;
    for (const std::string& file : images) {
        bool loaded = false;
        sum += walk(file, &loaded);
        if (!loaded) continue;
        ++outcome.lines;
        const std::string manual = manual_segmentation_name(file);
        if (std::FILE* probe = std::fopen(manual.c_str(), "r")) {
            std::fclose(probe);
            sum += walk(manual, &loaded);
        }
    }
    std::fprintf(stderr, "%s: %d images read in %.2f s, byte sum %llu\n", procedure, outcome.lines,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), sum);
    return outcome;
}

runner_output headless_runner_output() {
    runner_output output;
    output.progress = stderr;
    output.prefix = "strandel-benchmark";
    output.summary = true;
    output.traces = stdout;
    return output;
}

}  // namespace strandel
