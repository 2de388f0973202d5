// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run_batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
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

// Why a scored method's segmentation of the image cannot be rated; none for
// a chain, or when it was read.
std::optional<std::string> scored_unread(const batch_chain& chain, const image_data& data) {
    if (chain.scored < 0) return std::nullopt;
    const std::size_t method = std::size_t(chain.scored);
    if (method >= data.scored.size()) return std::string("its label image was not read");
    if (data.scored[method].read) return std::nullopt;
    return data.scored[method].why;
}

// One run of the chains over the images (run_chains): each image read once,
// then rated by every chain in order, each line and hook in turn.
class chains_run {
public:
    chains_run(const std::vector<image_request>& images, const std::vector<batch_chain>& chains,
               const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
               const image_reader& read, const batch_hooks& hooks)
        : m_images(images), m_chains(chains), m_measures(measures), m_progress(progress), m_stop(stop), m_read(read),
          m_hooks(hooks), m_observer(progress) {}

    batch_outcome run() {
        m_progress.overall.store(0.0);
        m_progress.algo.store(0.0);
        // Locked for the whole run: another run on the same file waits.
        m_outs = lock_results(m_chains);
        for (std::size_t c = 0; c < m_chains.size(); ++c)
            m_outs[c]->append(m_chains[c].scored >= 0 ? scored_report_header(m_chains[c].name, m_measures)
                                                      : report_header(*m_chains[c].passes, m_measures));
        // 512 KiB of pair counts: allocated once for the whole run.
        m_data = std::make_unique<image_data>();
        const std::size_t n = m_images.size();
        for (std::size_t i = 0; i < n && all_ok() && !m_outcome.stopped && !m_outcome.refused; ++i) {
            if (m_stop.load()) {
                m_outcome.stopped = true;
                break;
            }
            m_progress.overall.store(static_cast<double>(i) / static_cast<double>(n));
            if (!read_image(i)) continue;
            for (std::size_t c = 0; c < m_chains.size(); ++c)
                if (!rate_on_chain(c, i)) break;
        }
        close_all();
        return m_outcome;
    }

private:
    bool all_ok() const {
        for (const auto& out : m_outs)
            if (!out->ok()) return false;
        return true;
    }

    // Reads image i; false when it is not rated: unreadable (named, and
    // handed to every chain's hook) or without a layer. Whatever one image
    // throws (a reader giving up, memory running out) skips that image only.
    bool read_image(std::size_t i) {
        std::string why;
        read_status status;
        try {
            forget_ground_truths(*m_data);
            status = m_read(m_images[i], *m_data, &why);
        } catch (...) {
            status = read_status::unreadable;
            why = reason_of(std::current_exception());
        }
        if (status == read_status::unreadable) {
            const std::string reason = unreadable_reason(why);
            warn_skipping(m_images[i], reason, 0, 1);
            for (std::size_t c = 0; c < m_chains.size() && m_hooks.skipped && !m_outcome.refused; ++c)
                m_outcome.refused = !m_hooks.skipped(c, i, m_images[i], nullptr, reason);
            return false;
        }
        if (status == read_status::no_layer) return false;
        // A reader that fills only the walk's pair counts (the single
        // ground truth) still has that annotator rated.
        if (m_data->has_manual && m_data->truths.empty())
            m_data->truths.push_back({0, 0, label_pairs_of(m_data->manual), {}});
        if (m_hooks.traces) {
            std::fprintf(m_hooks.traces, "Got %s\n", m_images[i].image.c_str());
            std::fflush(m_hooks.traces);
        }
        return true;
    }

    // Rates image i with chain c and hands on its line; false when the
    // image's other chains are not to run (stopped, refused, a failed write).
    // A pass refusing its histogram skips this chain on this image only.
    bool rate_on_chain(std::size_t c, std::size_t i) {
        const int scored = m_chains[c].scored;
        if (const std::optional<std::string> unread = scored_unread(m_chains[c], *m_data)) return skip(c, i, *unread);
        if (m_hooks.seed_each && scored < 0) std::srand(*m_hooks.seed_each + static_cast<unsigned>(i));
        bool finished = false;
        try {
            if (scored >= 0) {
                rate_scored(*m_data, m_data->scored[std::size_t(scored)].plane, m_hooks.rating, m_measures, &m_rating);
                finished = true;
            } else {
                finished = rate_image(*m_data, m_hooks.rating, *m_chains[c].passes, m_measures, &m_observer, m_stop,
                                      &m_rating);
            }
        } catch (...) {
            return skip(c, i, chain_failure_reason(reason_of(std::current_exception())));
        }
        if (!finished) {
            m_outcome.stopped = true;
            return false;
        }
        return hand_on(c, i);
    }

    // Chain c skips image i: named, and handed to the hook; false when the
    // hook refuses the run.
    bool skip(std::size_t c, std::size_t i, const std::string& reason) {
        warn_skipping(m_images[i], reason, c, m_chains.size());
        if (m_hooks.skipped && !m_hooks.skipped(c, i, m_images[i], m_data.get(), reason)) {
            m_outcome.refused = true;
            return false;
        }
        return true;
    }

    // The rating's report line, then the hooks: its segmentation (whose
    // failure ends nothing), its table row and long-table rows.
    bool hand_on(std::size_t c, std::size_t i) {
        const int position = static_cast<int>(i);
        const std::string line = m_chains[c].scored >= 0 ? scored_line_of(position, m_rating, m_measures.size())
                                                         : line_of(position, m_rating);
        if (!m_outs[c]->append(line)) return false;
        ++m_outcome.lines;
        if (m_hooks.segmented) try {
                m_hooks.segmented(c, m_images[i], *m_data, m_rating);
            } catch (...) {
                std::fprintf(stderr, "strandel: segmentation of '%s' not saved: %s\n", m_images[i].image.c_str(),
                             reason_of(std::current_exception()).c_str());
            }
        if ((m_hooks.rated && !m_hooks.rated(c, i, m_images[i], m_rating)) ||
            (m_hooks.annotated && !m_hooks.annotated(c, i, *m_data, m_rating))) {
            m_outcome.refused = true;
            return false;
        }
        return true;
    }

    void close_all() {
        for (std::size_t c = 0; c < m_outs.size(); ++c) {
            const bool closed = m_outs[c]->close();
            if (!closed && m_outcome.written) {
                m_outcome.written = false;
                m_outcome.error = m_outs[c]->error();
                m_outcome.failed_chain = c;
            }
        }
    }

    const std::vector<image_request>& m_images;
    const std::vector<batch_chain>& m_chains;
    const measure_list& m_measures;
    batch_progress& m_progress;
    const std::atomic<bool>& m_stop;
    const image_reader& m_read;
    const batch_hooks& m_hooks;
    publishing_observer m_observer;
    std::vector<std::unique_ptr<line_appender>> m_outs;
    std::unique_ptr<image_data> m_data;
    image_rating m_rating;
    batch_outcome m_outcome;
};

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
    return chains_run(images, chains, measures, progress, stop, read, hooks).run();
}

}  // namespace strandel
