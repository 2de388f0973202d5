// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run_batch.h"

#include <cstdlib>
#include <memory>

#include "batch/report.h"
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

// The report line of a rating.
std::string line_of(int position, const image_rating& rating) {
    return report_line(position, static_cast<int>(rating.centres.size()), rating.seconds, rating.values,
                       rating.has_jaccard ? &rating.jaccard : nullptr);
}

}  // namespace

bool evaluate_image(int position, const histogram& h, const gray_label_counts* manual, const chain& passes,
                    const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                    std::string* line) {
    publishing_observer observer(progress);
    image_rating rating;
    if (!rate_image(h, manual, passes, measures, &observer, stop, &rating)) return false;
    *line = line_of(position, rating);
    return true;
}

batch_outcome run_batch(const std::vector<image_request>& images, const chain& passes, std::FILE* results,
                        const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                        const image_reader& read, std::FILE* traces) {
    batch_hooks hooks;
    hooks.traces = traces;
    return run_chains(images, {batch_chain{&passes, results}}, measures, progress, stop, read, hooks);
}

batch_outcome run_chains(const std::vector<image_request>& images, const std::vector<batch_chain>& chains,
                         const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                         const image_reader& read, const batch_hooks& hooks) {
    batch_outcome outcome;
    progress.overall.store(0.0);
    progress.algo.store(0.0);
    std::vector<std::unique_ptr<report_stream>> outs;
    for (const batch_chain& c : chains) {
        outs.push_back(std::make_unique<report_stream>(c.results));
        outs.back()->write(report_header(*c.passes, measures));
    }
    auto all_ok = [&outs] {
        for (const auto& out : outs)
            if (!out->ok()) return false;
        return true;
    };

    // 512 KiB of pair counts: allocated once for the whole run.
    auto data = std::make_unique<image_data>();
    publishing_observer observer(progress);
    image_rating rating;
    const std::size_t n = images.size();
    for (std::size_t i = 0; i < n && all_ok() && !outcome.stopped && !outcome.refused; ++i) {
        if (stop.load()) {
            outcome.stopped = true;
            break;
        }
        progress.overall.store(static_cast<double>(i) / static_cast<double>(n));
        std::string why;
        const read_status status = read(images[i], *data, &why);
        if (status == read_status::unreadable) {
            std::fprintf(stderr, "strandel: skipping '%s': %s\n", images[i].image.c_str(),
                         why.empty() ? "it could not be loaded" : why.c_str());
            continue;
        }
        if (status == read_status::no_layer) continue;
        if (hooks.traces) {
            std::fprintf(hooks.traces, "Got %s\n", images[i].image.c_str());
            std::fflush(hooks.traces);
        }

        for (std::size_t c = 0; c < chains.size(); ++c) {
            if (hooks.seed_each) std::srand(*hooks.seed_each + static_cast<unsigned>(i));
            if (!rate_image(data->h, data->has_manual ? &data->manual : nullptr, *chains[c].passes, measures,
                            &observer, stop, &rating)) {
                outcome.stopped = true;
                break;
            }
            if (!outs[c]->write(line_of(static_cast<int>(i), rating))) break;
            ++outcome.lines;
            if (hooks.rated && !hooks.rated(c, i, images[i], rating)) {
                outcome.refused = true;
                break;
            }
        }
    }
    for (std::size_t c = 0; c < outs.size(); ++c) {
        const bool closed = outs[c]->close();
        if (!closed && outcome.written) {
            outcome.written = false;
            outcome.error = outs[c]->error();
            outcome.failed_chain = c;
        }
    }
    return outcome;
}

}  // namespace strandel
