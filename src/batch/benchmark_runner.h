// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark runner behind strandel-bench and the headless benchmark
// procedure: plans the request (batch/run_plan.h: every refusal comes
// before anything is written), opens what it writes, runs the batch with
// whatever reader the engine brings and says how it ended. Callers map the
// outcome to an exit status or a procedure status.
#pragma once

#include <cstdio>
#include <string>

#include "batch/benchmark_request.h"
#include "batch/image_reader.h"
#include "batch/label_images.h"
#include "batch/run_plan.h"

namespace strandel {

// Where a run talks, besides the results file.
struct runner_output {
    // One line per image: "<prefix>: 1/6 file 0.12 s"; at the end the
    // run's count ("<prefix>: 16 images: 14 read, 2 skipped (...); ground
    // truth found for ..."), and with label images how many were written.
    std::FILE* progress = nullptr;
    std::string prefix = "strandel";
    bool summary = false;           // and "<prefix>: N report lines in S s" at the end
    std::FILE* traces = nullptr;    // "Got FILE" for every image read
    const label_store* labels = nullptr;  // writes the label images; without it none can be saved
};

// Runs the request: plans it (plan_request), checks where label images go
// (two images with one stem, a label image that is an input, or an
// existing file that is no label image stop the run), creates the table,
// opens the results files for appending, makes the label folder and proves
// it writable (a failure there takes back what was created), seeds, and
// runs the batch through `read` (called from up to request.jobs threads at
// once). A label image that could not be written makes the outcome an
// execution error once the run is done.
request_outcome run_benchmark_request(const benchmark_request& request, const image_reader& read,
                                      const runner_output& output);

}  // namespace strandel
