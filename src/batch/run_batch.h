// SPDX-License-Identifier: GPL-3.0-or-later
// The body of a batch: every image of a benchmark read, segmented by the
// chain, rated, and its line appended to the results file. The batch dialog's
// worker, the headless procedure and strandel-bench all run it; only the
// image reader differs.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "batch/image_rating.h"
#include "batch/image_reader.h"
#include "batch/registration.h"
#include "evaluation/jaccard.h"
#include "framework/chain.h"
#include "framework/histogram.h"

namespace strandel {

// Progress of a running batch, written by the worker and read by whoever
// displays it (another thread), hence atomics.
struct batch_progress {
    std::atomic<double> overall{0.0};  // share of the images already done
    std::atomic<double> algo{0.0};     // share of the running pass done
    std::atomic<const char*> label{""};  // label of the running pass
};

// Runs the chain on one image's histogram and formats its report line: the
// passes are timed (nothing else is), their label and progress published,
// the gray levels classified, every measure evaluated and, when `manual` is
// given, the mean best-match Jaccard index derived from it. Returns false,
// leaving `line` alone, when `stop` was set between two passes.
bool evaluate_image(int position, const histogram& h, const gray_label_counts* manual, const chain& passes,
                    const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                    std::string* line);

struct batch_outcome {
    bool written = true;  // every write, flush and close succeeded
    std::string error;    // the system's error text otherwise
    std::size_t failed_chain = 0;  // whose results file failed, when not written
    bool stopped = false; // the stop flag ended the batch early
    bool refused = false; // the `rated` hook asked to end the batch
    int lines = 0;        // image lines written (all chains together)
};

// Writes the header, then one line per image that reads, in list order (an
// image that cannot be read, or whose reading or rating throws, keeps its
// position empty and is named on standard error with the reason), and
// closes `results`. The results file is locked (flock) from the header to
// the close, and every line reaches it whole or not at all (line_appender). Stops before the next image or pass
// once `stop` is set, and at the first failed write. Each image read is
// traced as "Got FILE" to `traces` when it is given.
batch_outcome run_batch(const std::vector<image_request>& images, const chain& passes, std::FILE* results,
                        const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                        const image_reader& read, std::FILE* traces);

// One of the chains a batch compares, and the results file its report goes
// to (closed by the batch).
struct batch_chain {
    const chain* passes = nullptr;
    std::FILE* results = nullptr;
    // A scored method instead of a chain: its segmentation is
    // image_data::scored[scored] (passes unused), its report header names
    // it "Algorithm: NAME ".
    int scored = -1;
    std::string name{};
};

struct batch_hooks {
    // srand(*seed_each + position) before each chain runs on an image, so
    // that every image draws the same numbers however the list is split.
    const unsigned* seed_each = nullptr;
    // Called after each report line with the chain's index and the full
    // rating; returning false ends the batch (outcome.refused).
    std::function<bool(std::size_t chain, std::size_t position, const image_request& image,
                       const image_rating& rating)>
        rated;
    // Called for each chain that rates no image at a position the reader
    // took on: the image could not be read (called for every chain, `data`
    // null), or the chain failed on it (`data` the image read). `reason` is
    // the warning's reason; returning false ends the batch
    // (outcome.refused).
    std::function<bool(std::size_t chain, std::size_t position, const image_request& image, const image_data* data,
                       const std::string& reason)>
        skipped;
    std::FILE* traces = nullptr;  // as in run_batch
    rating_options rating;        // what is rated beyond the report's measures
    // Called after each report line, before `rated`, with the image's data
    // (its gray plane when the request kept it): where label images are
    // saved. What it throws is named on standard error and ends nothing.
    std::function<void(std::size_t chain, const image_request& image, const image_data& data,
                       const image_rating& rating)>
        segmented;
    // Called after `rated` with the image's data: the long table's rows of
    // every annotator. Returning false ends the batch (outcome.refused).
    std::function<bool(std::size_t chain, std::size_t position, const image_data& data, const image_rating& rating)>
        annotated;
};

// run_batch for several chains on one reading of every image: each image is
// read once, then every chain runs on it in order and appends its line to
// its own results file, which gets exactly the run a batch of that chain
// alone would append.
batch_outcome run_chains(const std::vector<image_request>& images, const std::vector<batch_chain>& chains,
                         const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                         const image_reader& read, const batch_hooks& hooks);

}  // namespace strandel
