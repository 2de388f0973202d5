// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/benchmark_runner.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "batch/benchmark_list.h"
#include "batch/chain_syntax.h"
#include "batch/ground_truth.h"
#include "batch/prefetching_reader.h"
#include "batch/progress_writer.h"
#include "batch/registration.h"
#include "batch/line_appender.h"
#include "batch/output_check.h"
#include "batch/run_batch.h"
#include "batch/table_writer.h"
#include "framework/message_text.h"

namespace strandel {

namespace {

request_outcome failure(request_status status, std::string message) {
    request_outcome outcome;
    outcome.status = status;
    outcome.message = std::move(message);
    return outcome;
}

// The results files of a run, opened for appending; files this run created
// are removed again when a later one cannot be opened, so that a failed
// start leaves nothing behind.
class results_files {
public:
    ~results_files() {
        for (std::FILE* f : m_files)
            if (f) std::fclose(f);
    }
    bool open(const std::vector<std::string>& names, std::string* error) {
        for (const std::string& name : names) {
            const bool existed = access(name.c_str(), F_OK) == 0;
            std::FILE* f = std::fopen(name.c_str(), "a");
            if (!f) {
                *error = "Could not open '" + name + "': " + std::strerror(errno);
                for (std::size_t i = 0; i < m_files.size(); ++i) {
                    std::fclose(m_files[i]);
                    if (m_created[i]) std::remove(names[i].c_str());
                }
                m_files.clear();
                return false;
            }
            m_files.push_back(f);
            m_created.push_back(!existed);
        }
        return true;
    }
    // Hands the files over to the batch, which closes them.
    std::vector<std::FILE*> release() { return std::move(m_files); }

private:
    std::vector<std::FILE*> m_files;
    std::vector<bool> m_created;
};

// Checks that every label image of the run can be written: distinct stems,
// a folder (made when missing), and no file in the way that is not a label
// image.
bool check_label_images(const std::vector<image_request>& images, const std::vector<bool>& wanted,
                        std::size_t chains, const std::string& folder, const label_store& labels, std::string* error) {
    if (!stems_distinct(images, error)) return false;
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (!std::filesystem::is_directory(folder, code)) {
        *error = "'" + folder + "': cannot save segmentations there: " +
                 (code ? code.message() : std::string("it is not a folder"));
        return false;
    }
    std::string why;
    for (std::size_t i = 0; i < images.size(); ++i)
        for (std::size_t c = 0; wanted[i] && c < chains; ++c) {
            const std::string file = label_image_path(folder, images[i].image, static_cast<int>(c + 1));
            if (!labels.may_replace(file, &why)) {
                *error = "'" + file + "': " + why;
                return false;
            }
        }
    return true;
}

// Saves one chain's label image of one image; a failure is named and ends
// nothing.
void save_label_image(const std::string& file, const image_data& data, const image_rating& rating,
                      const label_store& labels, const std::string& prefix) {
    std::string why;
    const gray_plane& gray = data.gray;
    if (rating.centres.size() > max_label_classes)
        why = std::to_string(rating.centres.size()) + " classes do not fit a 16-bit label image";
    else if (gray.width <= 0 || gray.levels.size() != std::size_t(gray.width) * std::size_t(gray.height))
        why = "the reader did not hand back the image's pixels";
    else if (labels.write(file, gray, class_lookup(data.h, rating.centres), needs_sixteen_bits(rating.centres.size()),
                          &why))
        return;
    std::fprintf(stderr, "%s: segmentation not saved to '%s': %s\n", prefix.c_str(), file.c_str(), why.c_str());
}

}  // namespace

std::vector<std::string> request_chains(const benchmark_request& request) {
    return request.chains.empty() ? std::vector<std::string>{request.chain} : request.chains;
}

std::string chain_results_file(const std::string& pattern, std::size_t number, std::size_t count) {
    if (count <= 1) return pattern;
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern.compare(i, 3, "{n}") == 0) {
            out += std::to_string(number);
            i += 3;
        } else {
            out += pattern[i++];
        }
    }
    return out;
}

std::string ground_truth_base(const std::string& list_file) {
    return list_file.empty() ? "" : std::filesystem::path(list_file).parent_path().string();
}

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
    if (request.seeded && request.seeded_each)
        return failure(request_status::calling_error, "a seed for the run and a seed for each image exclude each other");
    std::string error;
    if (!request.ground_truth.empty() && !check_ground_truth_pattern(request.ground_truth, &error))
        return failure(request_status::calling_error, error);

    register_passes();
    register_fitness_functions();
    const std::vector<std::string> texts = request_chains(request);
    const bool several = texts.size() > 1;
    std::vector<chain> passes(texts.size());
    for (std::size_t c = 0; c < texts.size(); ++c)
        if (!parse_chain(texts[c], passes[c], &error))
            return failure(request_status::calling_error,
                           "chain " + (several ? std::to_string(c + 1) + " " : "") + "'" + message_quote(texts[c]) + "': " + error);
    if (several && request.results_file.find("{n}") == std::string::npos)
        return failure(request_status::calling_error,
                       "results-file '" + request.results_file + "': with " + std::to_string(texts.size()) +
                           " chains it must hold {n}, which becomes each chain's number");

    std::vector<std::string> files = request.images;
    if (!request.list_file.empty() && !read_list_relative(request.list_file, &files, &error))
        return failure(request_status::execution_error, error);
    std::vector<image_request> images =
        requests_with_ground_truth(files, request.ground_truth, ground_truth_base(request.list_file));
    const std::vector<bool> wanted = shard_positions(images.size(), request.shard_index, request.shard_count);

    std::vector<std::string> names;
    for (std::size_t c = 0; c < texts.size(); ++c)
        names.push_back(chain_results_file(request.results_file, c + 1, texts.size()));
    std::vector<std::string> outputs = names;
    if (!request.table_file.empty()) outputs.push_back(request.table_file);
    if (!outputs_apart_from_inputs(outputs, request.list_file, images, &error))
        return failure(request_status::execution_error, error);
    const bool saving = !request.segmentations.empty();
    if (saving) {
        if (!output.labels)
            return failure(request_status::calling_error, "this engine cannot save segmentations");
        if (!check_label_images(images, wanted, texts.size(), request.segmentations, *output.labels, &error))
            return failure(request_status::execution_error, error);
        for (image_request& image : images) image.keep_gray = true;
    }

    std::unique_ptr<line_appender> table;
    if (!request.table_file.empty()) {
        std::FILE* f = create_table(request.table_file, &error);
        if (!f) return failure(request_status::execution_error, error);
        table = std::make_unique<line_appender>(f);
        table->append(table_header());
    }
    results_files opened;
    if (!opened.open(names, &error)) {
        if (table) {
            table->close();
            std::remove(request.table_file.c_str());
        }
        return failure(request_status::execution_error, error);
    }
    const std::vector<std::FILE*> results = opened.release();
    std::vector<batch_chain> chains;
    for (std::size_t c = 0; c < texts.size(); ++c) chains.push_back({&passes[c], results[c]});
    if (request.seeded) std::srand(request.seed);

    prefetching_reader prefetch(images, wanted, request.jobs, read);
    progress_writer progress_lines(images, output.progress, output.prefix);
    const image_reader reader = [&](const image_request& image, image_data& data, std::string* why) {
        progress_lines.asked(prefetch.position());
        const read_status status = prefetch(image, data, why);
        progress_lines.read(status);
        return status;
    };
    batch_hooks hooks;
    hooks.traces = output.traces;
    if (request.seeded_each) hooks.seed_each = &request.seed_each;
    if (table)
        hooks.rated = [&](std::size_t c, std::size_t position, const image_request& image, const image_rating& rating) {
            return table->append(table_row(texts[c], position, image, rating));
        };
    if (saving)
        hooks.segmented = [&](std::size_t c, const image_request& image, const image_data& data,
                              const image_rating& rating) {
            save_label_image(label_image_path(request.segmentations, image.image, static_cast<int>(c + 1)), data,
                             rating, *output.labels, output.prefix);
        };
    batch_progress progress;
    const std::atomic<bool> stop{false};
    const auto start = std::chrono::steady_clock::now();
    const batch_outcome outcome =
        run_chains(images, chains, registered_measures(), progress, stop, reader, hooks);
    progress_lines.finish();
    if (output.summary)
        progress_lines.summary(outcome.lines,
                               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

    request_outcome result;
    result.lines = outcome.lines;
    if (!outcome.written) {
        result.status = request_status::execution_error;
        result.message = "Could not write '" + names[outcome.failed_chain] + "': " + outcome.error;
    } else if (table && (!table->close() || outcome.refused)) {
        result.status = request_status::execution_error;
        result.message = "Could not write '" + request.table_file + "': " + table->error();
    }
    return result;
}

}  // namespace strandel
