// SPDX-License-Identifier: GPL-3.0-or-later
// The body of a batch: every image of a benchmark read, segmented by the
// chain, rated, and its line appended to the results file. The batch dialog's
// worker, the headless procedure and strandel-bench all run it; only the
// image reader differs.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

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
    bool stopped = false; // the stop flag ended the batch early
    int lines = 0;        // image lines written
};

// Writes the header, then one line per image that reads, in list order (an
// image that cannot be read keeps its position empty and is named on
// standard error), and closes `results`. Stops before the next image or pass
// once `stop` is set, and at the first failed write. Each image read is
// traced as "Got FILE" to `traces` when it is given.
batch_outcome run_batch(const std::vector<image_request>& images, const chain& passes, std::FILE* results,
                        const measure_list& measures, batch_progress& progress, const std::atomic<bool>& stop,
                        const image_reader& read, std::FILE* traces);

}  // namespace strandel
