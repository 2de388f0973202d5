#include "driver/benchmark_procedure.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "driver/bench_cli.h"
#include "driver/benchmark_list.h"
#include "driver/chain_syntax.h"
#include "driver/registration.h"

namespace strandel {

namespace {

struct chain_owner {
    std::vector<pass*> passes;
    ~chain_owner() {
        for (pass* p : passes) delete p;
    }
};

request_outcome failure(request_status status, std::string message) {
    request_outcome outcome;
    outcome.status = status;
    outcome.message = std::move(message);
    return outcome;
}

// Times each processed image from the moment the batch asks for it until it
// asks for the next one (or ends), its reading included, and writes its
// progress line then.
class progress_writer {
public:
    progress_writer(const std::vector<std::string>& images, std::FILE* out, const char* prefix)
        : m_images(images), m_out(out), m_prefix(prefix) {}

    void asked(std::size_t position) {
        finish();
        m_position = position;
        m_start = std::chrono::steady_clock::now();
    }
    void read(read_status status) {
        m_skipped = status == read_status::unreadable;
        m_open = status != read_status::no_layer;
    }
    void finish() {
        if (!m_open || !m_out) return;
        m_open = false;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        const std::string line = std::string(m_prefix) + ": " +
                                 progress_text(m_position, m_images.size(), m_images[m_position], seconds, m_skipped) +
                                 "\n";
        // One write, so that lines of processes sharing a pipe never mix.
        std::fwrite(line.data(), 1, line.size(), m_out);
        std::fflush(m_out);
    }

private:
    const std::vector<std::string>& m_images;
    std::FILE* m_out;
    const char* m_prefix;
    std::size_t m_position = 0;
    bool m_skipped = false;
    bool m_open = false;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace

std::string progress_text(std::size_t position, std::size_t total, const std::string& file, double seconds,
                          bool skipped) {
    char time[64];
    std::snprintf(time, sizeof time, "%.2f", seconds);
    return std::to_string(position + 1) + "/" + std::to_string(total) + " " + file + " " + time + " s" +
           (skipped ? " (skipped)" : "");
}

request_outcome run_benchmark_request(const benchmark_request& request, const image_reader& read,
                                      std::FILE* progress_out, const char* prefix) {
    if (request.stride < 1 || request.first < 0 || request.first >= request.stride)
        return failure(request_status::calling_error,
                       "share " + std::to_string(request.first) + " of stride " + std::to_string(request.stride) +
                           ": the stride must be 1 or more and the first position from 0 to stride - 1");
    if (request.list_file.empty())
        return failure(request_status::calling_error, "list-file: no benchmark list file given");
    if (request.results_file.empty())
        return failure(request_status::calling_error, "results-file: no results file given");

    register_passes();
    register_fitness_functions();
    chain_owner chain;
    std::string error;
    if (!parse_chain(request.chain, chain.passes, &error))
        return failure(request_status::calling_error, "chain '" + request.chain + "': " + error);

    std::vector<std::string> images;
    if (!read_list_relative(request.list_file, &images, &error))
        return failure(request_status::execution_error, error);

    std::FILE* results = std::fopen(request.results_file.c_str(), "a");
    if (!results)
        return failure(request_status::execution_error,
                       "Could not open '" + request.results_file + "': " + std::strerror(errno));
    if (request.seed >= 0) std::srand(static_cast<unsigned>(request.seed));

    const std::vector<bool> wanted = shard_positions(images.size(), request.first, request.stride);
    progress_writer progress_lines(images, progress_out, prefix);
    std::size_t position = 0;
    const image_reader share_reader = [&](const std::string& file, image_data& data, std::string* why) {
        const std::size_t at = position++;
        if (!wanted[at]) return read_status::no_layer;  // another share's image: no line, no progress
        progress_lines.asked(at);
        const read_status status = read(file, data, why);
        progress_lines.read(status);
        return status;
    };
    batch_progress progress;
    const std::atomic<bool> stop{false};
    const auto start = std::chrono::steady_clock::now();
    const batch_outcome outcome =
        run_batch(images, chain.passes, results, registered_measures(), progress, stop, share_reader);
    progress_lines.finish();
    if (progress_out) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(progress_out, "%s: %d report lines in %.2f s\n", prefix, outcome.lines, seconds);
        std::fflush(progress_out);
    }

    request_outcome result;
    result.lines = outcome.lines;
    if (!outcome.written) {
        result.status = request_status::execution_error;
        result.message = "Could not write '" + request.results_file + "': " + outcome.error;
    }
    return result;
}

}  // namespace strandel
