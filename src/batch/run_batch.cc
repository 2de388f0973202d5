// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run_batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <tuple>

#include "batch/line_appender.h"
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

// A scored method's line: its measures left empty when its labels are no
// classification of gray levels.
std::string scored_line_of(int position, const image_rating& rating, std::size_t measures) {
    if (!rating.values.empty() || measures == 0) return line_of(position, rating);
    std::string line = report_line(position, static_cast<int>(rating.centres.size()), rating.seconds, {},
                                   rating.has_jaccard ? &rating.jaccard : nullptr);
    const std::size_t after_time = line.find('\t', line.find('\t') + 1);
    const std::size_t end = line.find_first_of("\t\n", after_time + 1);
    return line.insert(end, std::string(measures, '\t'));
}

// Why an image is skipped, as the warning and the table's status say it.
std::string unreadable_reason(const std::string& why) { return why.empty() ? "it could not be loaded" : why; }
std::string chain_failure_reason(const std::string& why) { return "the chain failed: " + why; }

void warn_skipping(const image_request& image, const std::string& reason, std::size_t chain, std::size_t chains) {
    const std::string which = chains > 1 ? " for chain " + std::to_string(chain + 1) : std::string();
    std::fprintf(stderr, "strandel: skipping '%s'%s: %s\n", image.image.c_str(), which.c_str(), reason.c_str());
}

// The reason an exception gives, whatever was thrown.
std::string reason_of(std::exception_ptr thrown) {
    try {
        std::rethrow_exception(thrown);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an unknown error was thrown";
    }
}

// One appender per chain, each locking its results file for the whole run.
// Files are locked in one order (device, inode) in every process, so that two
// runs of the same chains in another order wait for each other instead of
// each holding what the other needs; a file that two chains share is locked
// once.
std::vector<std::unique_ptr<line_appender>> lock_results(const std::vector<batch_chain>& chains) {
    using file_id = std::tuple<dev_t, ino_t, std::size_t>;
    std::vector<file_id> order;
    for (std::size_t c = 0; c < chains.size(); ++c) {
        struct stat info{};
        if (chains[c].results) fstat(fileno(chains[c].results), &info);
        order.emplace_back(info.st_dev, info.st_ino, c);
    }
    std::sort(order.begin(), order.end());
    std::vector<std::unique_ptr<line_appender>> outs(chains.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const bool shared = k > 0 && std::get<1>(order[k]) != 0 && std::get<0>(order[k]) == std::get<0>(order[k - 1]) &&
                            std::get<1>(order[k]) == std::get<1>(order[k - 1]);
        const std::size_t c = std::get<2>(order[k]);
        outs[c] = std::make_unique<line_appender>(chains[c].results, !shared);
    }
    return outs;
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
    return run_chains(images, {batch_chain{&passes, results, -1, {}}}, measures, progress, stop, read, hooks);
}

batch_outcome run_chains(const std::vector<image_request>& images, const std::vector<batch_chain>& chains,
                         const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                         const image_reader& read, const batch_hooks& hooks) {
    batch_outcome outcome;
    progress.overall.store(0.0);
    progress.algo.store(0.0);
    // Locked for the whole run: another run on the same file waits.
    std::vector<std::unique_ptr<line_appender>> outs = lock_results(chains);
    for (std::size_t c = 0; c < chains.size(); ++c)
        outs[c]->append(chains[c].scored >= 0 ? scored_report_header(chains[c].name, measures)
                                              : report_header(*chains[c].passes, measures));
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
        // Whatever one image throws (a reader giving up, memory running
        // out, a pass refusing its histogram) skips that image only.
        std::string why;
        read_status status;
        try {
            forget_ground_truths(*data);
            status = read(images[i], *data, &why);
        } catch (...) {
            status = read_status::unreadable;
            why = reason_of(std::current_exception());
        }
        if (status == read_status::unreadable) {
            const std::string reason = unreadable_reason(why);
            warn_skipping(images[i], reason, 0, 1);
            for (std::size_t c = 0; c < chains.size() && hooks.skipped && !outcome.refused; ++c)
                outcome.refused = !hooks.skipped(c, i, images[i], nullptr, reason);
            continue;
        }
        if (status == read_status::no_layer) continue;
        // A reader that fills only the walk's pair counts (the single
        // ground truth) still has that annotator rated.
        if (data->has_manual && data->truths.empty()) data->truths.push_back({0, 0, label_pairs_of(data->manual), {}});
        if (hooks.traces) {
            std::fprintf(hooks.traces, "Got %s\n", images[i].image.c_str());
            std::fflush(hooks.traces);
        }

        for (std::size_t c = 0; c < chains.size(); ++c) {
            const int scored = chains[c].scored;
            const bool scored_read = scored >= 0 && std::size_t(scored) < data->scored.size();
            if (scored >= 0 && !(scored_read && data->scored[std::size_t(scored)].read)) {
                const std::string reason =
                    scored_read ? data->scored[std::size_t(scored)].why : std::string("its label image was not read");
                warn_skipping(images[i], reason, c, chains.size());
                if (hooks.skipped && !hooks.skipped(c, i, images[i], data.get(), reason)) {
                    outcome.refused = true;
                    break;
                }
                continue;
            }
            if (hooks.seed_each && scored < 0) std::srand(*hooks.seed_each + static_cast<unsigned>(i));
            bool finished = false;
            try {
                if (scored >= 0) {
                    rate_scored(*data, data->scored[std::size_t(scored)].plane, hooks.rating, measures, &rating);
                    finished = true;
                } else {
                    finished = rate_image(*data, hooks.rating, *chains[c].passes, measures, &observer, stop, &rating);
                }
            } catch (...) {
                const std::string reason = chain_failure_reason(reason_of(std::current_exception()));
                warn_skipping(images[i], reason, c, chains.size());
                if (hooks.skipped && !hooks.skipped(c, i, images[i], data.get(), reason)) {
                    outcome.refused = true;
                    break;
                }
                continue;
            }
            if (!finished) {
                outcome.stopped = true;
                break;
            }
            const std::string line = scored >= 0 ? scored_line_of(static_cast<int>(i), rating, measures.size())
                                                 : line_of(static_cast<int>(i), rating);
            if (!outs[c]->append(line)) break;
            ++outcome.lines;
            if (hooks.segmented) try {
                    hooks.segmented(c, images[i], *data, rating);
                } catch (...) {
                    std::fprintf(stderr, "strandel: segmentation of '%s' not saved: %s\n", images[i].image.c_str(),
                                 reason_of(std::current_exception()).c_str());
                }
            if ((hooks.rated && !hooks.rated(c, i, images[i], rating)) ||
                (hooks.annotated && !hooks.annotated(c, i, *data, rating))) {
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
