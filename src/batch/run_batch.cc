// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run_batch.h"

#include <chrono>
#include <exception>
#include <memory>

#include "batch/line_appender.h"
#include "batch/report.h"
#include "evaluation/classification.h"
#include "framework/progress.h"

namespace strandel {

namespace {

// Publishes the running pass's label and progress for the progress display.
class publishing_observer : public chain_observer {
public:
    explicit publishing_observer(batch_progress& progress) : m_progress(progress), m_sink(&progress.algo) {}

    progress_indicator* pass_starting(std::size_t, const pass& p) override {
        m_progress.label.store(p.label());
        m_progress.algo.store(0.0);
        return &m_sink;
    }
    void pass_finished(std::size_t, const std::vector<double>&) override { m_progress.algo.store(1.0); }

private:
    batch_progress& m_progress;
    double_progress_indicator m_sink;
};

enum class image_result { line, skipped, stopped };

void warn_skipping(const image_request& image, const std::string& why) {
    std::fprintf(stderr, "strandel: skipping '%s': %s\n", image.image.c_str(),
                 why.empty() ? "it could not be loaded" : why.c_str());
}

// Reads, segments and rates one image. Whatever it throws (a pass refusing
// its input, memory running out) skips that image only.
image_result segment_one(const image_request& image, int position, image_data& data, const chain& passes,
                         const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                         const image_reader& read, std::FILE* traces, std::string* line) {
    try {
        std::string why;
        const read_status status = read(image, data, &why);
        if (status == read_status::unreadable) {
            warn_skipping(image, why);
            return image_result::skipped;
        }
        if (status == read_status::no_layer) return image_result::skipped;
        if (traces) {
            std::fprintf(traces, "Got %s\n", image.image.c_str());
            std::fflush(traces);
        }
        if (!evaluate_image(position, data.h, data.has_manual ? &data.manual : nullptr, passes, measures, progress,
                            stop, line))
            return image_result::stopped;
        return image_result::line;
    } catch (const std::exception& e) {
        warn_skipping(image, e.what());
    } catch (...) {
        warn_skipping(image, "an unknown error was thrown");
    }
    return image_result::skipped;
}

}  // namespace

bool evaluate_image(int position, const histogram& h, const gray_label_counts* manual, const chain& passes,
                    const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                    std::string* line) {
    std::vector<double> centres;
    publishing_observer observer(progress);
    using clock = std::chrono::steady_clock;
    const clock::time_point start = clock::now();
    if (!run_chain(passes, h, centres, &observer, &stop)) return false;
    const clock::duration elapsed = clock::now() - start;

    class_map classes;
    classify(h, centres, &classes);
    std::vector<double> values;
    values.reserve(measures.size());
    for (const fitness_function* f : measures) values.push_back((*f)(h, centres, classes));

    double jaccard = 0.0;
    if (manual) {
        match_list matches;
        jaccard_matches(*manual, classes, centres, &matches);
        jaccard = jaccard_mean(matches);
    }
    const double seconds = std::chrono::duration<double>(elapsed).count();
    *line = report_line(position, static_cast<int>(centres.size()), seconds, values,
                        manual ? &jaccard : nullptr);
    return true;
}

batch_outcome run_batch(const std::vector<image_request>& images, const chain& passes, std::FILE* results,
                        const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                        const image_reader& read, std::FILE* traces) {
    batch_outcome outcome;
    progress.overall.store(0.0);
    progress.algo.store(0.0);
    // Locked for the whole run: another run on the same file waits.
    line_appender out(results);
    out.append(report_header(passes, measures));

    // 512 KiB of pair counts: allocated once for the whole run.
    auto data = std::make_unique<image_data>();
    const std::size_t n = images.size();
    for (std::size_t i = 0; i < n && out.ok(); ++i) {
        if (stop.load()) {
            outcome.stopped = true;
            break;
        }
        progress.overall.store(static_cast<double>(i) / static_cast<double>(n));
        std::string line;
        switch (segment_one(images[i], static_cast<int>(i), *data, passes, measures, progress, stop, read, traces,
                            &line)) {
        case image_result::line:
            if (out.append(line)) ++outcome.lines;
            break;
        case image_result::skipped:
            break;
        case image_result::stopped:
            outcome.stopped = true;
            break;
        }
        if (outcome.stopped) break;
    }
    outcome.written = out.close();
    outcome.error = out.error();
    return outcome;
}

}  // namespace strandel
