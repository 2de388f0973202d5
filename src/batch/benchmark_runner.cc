// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/benchmark_runner.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "batch/label_saving.h"
#include "batch/line_appender.h"
#include "batch/prefetching_reader.h"
#include "batch/progress_writer.h"
#include "batch/run_batch.h"
#include "batch/run_summary.h"
#include "batch/table_writer.h"

namespace strandel {

namespace {

// What a run writes, opened in one go: the table (created), the results
// files (opened for appending) and the label folder (made and proven
// writable). When one cannot be opened, what the others created is taken
// back, so that a failed start leaves nothing behind.
class run_outputs {
public:
    ~run_outputs() {
        for (std::FILE* f : m_results)
            if (f) std::fclose(f);
    }
    bool open(const benchmark_request& request, const run_plan& plan, label_saving* labels, std::string* error) {
        if (!request.table_file.empty()) {
            std::FILE* f = create_table(request.table_file, error);
            if (!f) return false;
            m_table_file = request.table_file;
            table = std::make_unique<line_appender>(f);
            table->append(table_header());
        }
        if (!request.annotator_table.empty()) {
            std::FILE* f = create_table(request.annotator_table, error);
            if (!f) {
                take_back();
                return false;
            }
            m_annotator_file = request.annotator_table;
            annotator_table = std::make_unique<line_appender>(f);
            annotator_table->append(annotator_table_header());
        }
        for (const std::string& name : plan.results_files) {
            const bool existed = access(name.c_str(), F_OK) == 0;
            std::FILE* f = std::fopen(name.c_str(), "a");
            if (!f) {
                *error = "Could not open '" + name + "': " + std::strerror(errno);
                take_back();
                return false;
            }
            m_results.push_back(f);
            if (!existed) m_created.push_back(name);
        }
        std::size_t removed = 0;
        if (labels && !labels->prepare(&removed, error)) {
            take_back();
            return false;
        }
        stale_temporaries = removed;
        return true;
    }
    // Hands the results files over to the batch, which closes them.
    std::vector<std::FILE*> release() { return std::move(m_results); }

    std::unique_ptr<line_appender> table, annotator_table;
    std::size_t stale_temporaries = 0;

private:
    void take_back() {
        for (std::FILE* f : m_results) std::fclose(f);
        m_results.clear();
        for (const std::string& name : m_created) std::remove(name.c_str());
        if (table) {
            table->close();
            std::remove(m_table_file.c_str());
            table.reset();
        }
        if (annotator_table) {
            annotator_table->close();
            std::remove(m_annotator_file.c_str());
            annotator_table.reset();
        }
    }

    std::vector<std::FILE*> m_results;
    std::vector<std::string> m_created;
    std::string m_table_file, m_annotator_file;
};

// The batch's hooks for the table, the label images and the closing count.
batch_hooks hooks_of(const benchmark_request& request, const run_plan& plan, line_appender* table,
                     line_appender* annotator_table, label_saving* labels, run_tally& tally,
                     const runner_output& output) {
    batch_hooks hooks;
    hooks.traces = output.traces;
    if (request.seeded_each) hooks.seed_each = &request.seed_each;
    hooks.rating.boundary = request.boundary;
    hooks.rating.boundary_per_annotator = request.boundary && annotator_table;
    const std::vector<std::string>& texts = plan.method_names;
    const table_provenance provenance{gray_rule_name(request.gray), level_rule_name(request.levels)};
    if (table)
        hooks.rated = [table, &plan, &texts, provenance](std::size_t c, std::size_t position, const image_request&,
                                                         const image_rating& rating) {
            return table->append(table_row(texts[c], position, plan.in_table[position], rating, provenance));
        };
    hooks.skipped = [table, &plan, &texts, &tally, provenance](std::size_t c, std::size_t position,
                                                               const image_request& image, const image_data* data,
                                                               const std::string& reason) {
        if (!data && c == 0) tally.skipped(reason);
        if (data && c < plan.chain_texts.size()) tally.chain_failed(reason);
        if (data && c >= plan.chain_texts.size()) tally.scored_unread(reason);
        // A blank list line keeps its position but names no image: no row.
        return !table || image.image.empty() ||
               table->append(skipped_table_row(texts[c], position, plan.in_table[position], data && data->has_manual,
                                               reason, provenance));
    };
    if (annotator_table)
        hooks.annotated = [annotator_table, &plan, &texts](std::size_t c, std::size_t position, const image_data& data,
                                                           const image_rating& rating) {
            return annotator_table->append(annotator_table_rows(texts[c], position, plan.in_table[position], data, rating));
        };
    if (labels)
        hooks.segmented = [labels, &output, &plan](std::size_t c, const image_request& image, const image_data& data,
                                                   const image_rating& rating) {
            std::FILE* err = output.progress ? output.progress : stderr;
            const std::size_t chains = plan.chain_texts.size();
            if (c < chains)
                labels->save(c, image, data, rating, err, output.prefix);
            else if (c - chains < data.scored.size() && data.scored[c - chains].read)
                labels->save_scored(c, image, data.scored[c - chains].plane, err, output.prefix);
        };
    return hooks;
}

void say(const runner_output& output, const std::string& text) {
    if (output.progress) std::fprintf(output.progress, "%s: %s\n", output.prefix.c_str(), text.c_str());
}

// Says the run's closing lines, or leaves them in the closing file for
// whoever adds up the shares of the run (said when it cannot be written).
void close_run(const benchmark_request& request, const run_closing& closing, const runner_output& output) {
    if (!request.closing_file.empty()) {
        std::FILE* f = std::fopen(request.closing_file.c_str(), "w");
        const std::string text = closing.text();
        const bool written = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
        if (f && std::fclose(f) == 0 && written) return;
    }
    for (const std::string& line : closing.lines()) say(output, line);
}

// The chains of the run, then its scored methods, each with its results file.
std::vector<batch_chain> batch_chains_of(const benchmark_request& request, const run_plan& plan,
                                         const std::vector<std::FILE*>& results) {
    std::vector<batch_chain> chains;
    for (std::size_t c = 0; c < plan.passes.size(); ++c) chains.push_back({&plan.passes[c], results[c], -1, {}});
    for (std::size_t m = 0; m < request.scores.size(); ++m)
        chains.push_back({nullptr, results[plan.passes.size() + m], int(m), request.scores[m].name});
    return chains;
}

// The counts the run ends by saying.
run_closing closing_of(const benchmark_request& request, const run_plan& plan, const run_tally& tally,
                       std::size_t colour_images, const label_saving* labels) {
    run_closing closing;
    closing.tally = tally;
    for (bool w : plan.wanted) closing.images += w ? 1 : 0;
    closing.ground_truth_found = plan.ground_truth_found;
    closing.ground_truth_rule = plan.ground_truth_rule;
    closing.colour_images = colour_images;
    closing.luma = request.gray == gray_rule::luma;
    if (labels) {
        closing.labels = true;
        closing.label_folder = labels->folder();
        closing.labels_written = labels->written();
        closing.labels_failed = labels->failed();
    }
    return closing;
}

// The request's outcome once the batch is over: the first file that could
// not be written (results, table, long table), then label images that
// could not be.
request_outcome how_it_ended(const benchmark_request& request, const run_plan& plan, const batch_outcome& outcome,
                             line_appender* table, line_appender* annotator_table, const label_saving* labels) {
    request_outcome result;
    result.lines = outcome.lines;
    if (!outcome.written) {
        result.status = request_status::execution_error;
        result.message = "Could not write '" + plan.results_files[outcome.failed_chain] + "': " + outcome.error;
    } else if (table && (!table->close() || (outcome.refused && !table->ok()))) {
        result.status = request_status::execution_error;
        result.message = "Could not write '" + request.table_file + "': " + table->error();
    } else if (annotator_table && (!annotator_table->close() || outcome.refused)) {
        result.status = request_status::execution_error;
        result.message = "Could not write '" + request.annotator_table + "': " + annotator_table->error();
    } else if (labels && labels->failed() > 0) {
        result.status = request_status::execution_error;
        result.message = std::to_string(labels->failed()) + " of " +
                         std::to_string(labels->failed() + labels->written()) +
                         " label images could not be written; the first, " + labels->first_failure();
    }
    return result;
}

}  // namespace

request_outcome run_benchmark_request(const benchmark_request& request, const image_reader& read,
                                      const runner_output& output) {
    run_plan plan;
    const request_outcome planned = plan_request(request, &plan);
    if (planned.status != request_status::success) return planned;
    std::string error;
    std::unique_ptr<label_saving> labels;
    if (!request.segmentations.empty()) {
        if (!output.labels) return failed_request(request_status::calling_error, "this engine cannot save segmentations");
        labels = std::make_unique<label_saving>(request.segmentations, *output.labels);
        if (!labels->check(request.list_file, plan, &error)) return failed_request(request_status::execution_error, error);
        for (image_request& image : plan.images) image.keep_gray = true;
    }
    run_outputs opened;
    if (!opened.open(request, plan, labels.get(), &error)) return failed_request(request_status::execution_error, error);
    if (opened.stale_temporaries > 0)
        say(output, "removed " + std::to_string(opened.stale_temporaries) +
                        " temporary file(s) an interrupted run left in '" + request.segmentations + "'");
    const std::vector<std::FILE*> results = opened.release();
    const std::vector<batch_chain> chains = batch_chains_of(request, plan, results);
    if (request.seeded) std::srand(request.seed);
    // Every reader of the run, on every thread, counts by the run's rules.
    set_colour_gray_rule(request.gray);
    set_wide_level_rule(request.levels);

    prefetching_reader prefetch(plan.images, plan.wanted, request.jobs, read);
    progress_writer progress_lines(plan.images, output.progress, output.prefix);
    run_tally tally;
    std::size_t colour_images = 0;
    const image_reader reader = [&](const image_request& image, image_data& data, std::string* why) {
        const std::size_t position = prefetch.position();
        progress_lines.asked(position);
        read_status status = prefetch(image, data, why);
        // An image of this run that GIMP loads without a layer is skipped
        // like any other, not passed over in silence.
        if (status == read_status::no_layer && position < plan.wanted.size() && plan.wanted[position]) {
            status = read_status::unreadable;
            *why = "it has no layer";
        }
        if (status == read_status::ok) tally.read(data.has_manual);
        if (status == read_status::ok && data.colour) ++colour_images;
        progress_lines.read(status);
        return status;
    };
    line_appender* table = opened.table.get();
    line_appender* annotator_table = opened.annotator_table.get();
    const batch_hooks hooks = hooks_of(request, plan, table, annotator_table, labels.get(), tally, output);
    batch_progress progress;
    const std::atomic<bool> stop{false};
    const auto start = std::chrono::steady_clock::now();
    const batch_outcome outcome =
        run_chains(plan.images, chains, registered_measures(), progress, stop, reader, hooks);
    progress_lines.finish();
    close_run(request, closing_of(request, plan, tally, colour_images, labels.get()), output);
    if (output.summary)
        progress_lines.summary(outcome.lines,
                               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

    return how_it_ended(request, plan, outcome, table, annotator_table, labels.get());
}

}  // namespace strandel
