// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/benchmark_runner.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "batch/benchmark_list.h"
#include "batch/chain_syntax.h"
#include "batch/prefetching_reader.h"
#include "batch/progress_writer.h"
#include "batch/registration.h"
#include "batch/run_batch.h"
#include "framework/message_text.h"

namespace strandel {

namespace {

request_outcome failure(request_status status, std::string message) {
    request_outcome outcome;
    outcome.status = status;
    outcome.message = std::move(message);
    return outcome;
}

}  // namespace

std::vector<bool> shard_positions(std::size_t count, int shard_index, int shard_count) {
    std::vector<bool> wanted(count);
    for (std::size_t i = 0; i < count; ++i)
        wanted[i] = shard_count <= 1 || static_cast<int>(i % static_cast<std::size_t>(shard_count)) == shard_index;
    return wanted;
}

request_outcome run_benchmark_request(const benchmark_request& request, const image_reader& read,
                                      const runner_output& output) {
    if (request.shard_count < 1 || request.shard_index < 0 || request.shard_index >= request.shard_count)
        return failure(request_status::calling_error,
                       "share " + std::to_string(request.shard_index) + " of stride " +
                           std::to_string(request.shard_count) +
                           ": the stride must be 1 or more and the first position from 0 to stride - 1");
    if (request.list_file.empty() && request.images.empty())
        return failure(request_status::calling_error, "list-file: no benchmark list file given");
    if (request.results_file.empty())
        return failure(request_status::calling_error, "results-file: no results file given");

    register_passes();
    register_fitness_functions();
    chain passes;
    std::string error;
    if (!parse_chain(request.chain, passes, &error))
        return failure(request_status::calling_error, "chain '" + message_quote(request.chain) + "': " + error);

    std::vector<std::string> files = request.images;
    if (!request.list_file.empty() && !read_list_relative(request.list_file, &files, &error))
        return failure(request_status::execution_error, error);
    const std::vector<image_request> images = requests_beside(files);

    std::FILE* results = std::fopen(request.results_file.c_str(), "a");
    if (!results)
        return failure(request_status::execution_error,
                       "Could not open '" + request.results_file + "': " + std::strerror(errno));
    if (request.seeded) std::srand(request.seed);

    prefetching_reader prefetch(images, shard_positions(images.size(), request.shard_index, request.shard_count),
                                request.jobs, read);
    progress_writer progress_lines(images, output.progress, output.prefix);
    const image_reader reader = [&](const image_request& image, image_data& data, std::string* why) {
        progress_lines.asked(prefetch.position());
        const read_status status = prefetch(image, data, why);
        progress_lines.read(status);
        return status;
    };
    batch_progress progress;
    const std::atomic<bool> stop{false};
    const auto start = std::chrono::steady_clock::now();
    const batch_outcome outcome =
        run_batch(images, passes, results, registered_measures(), progress, stop, reader, output.traces);
    progress_lines.finish();
    if (output.summary)
        progress_lines.summary(outcome.lines,
                               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

    request_outcome result;
    result.lines = outcome.lines;
    if (!outcome.written) {
        result.status = request_status::execution_error;
        result.message = "Could not write '" + request.results_file + "': " + outcome.error;
    }
    return result;
}

}  // namespace strandel
