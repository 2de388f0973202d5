// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark runner behind strandel-bench and the headless benchmark
// procedure: checks the request, reads the benchmark list, runs the batch
// with whatever reader the engine brings and says how it ended. Callers map
// the outcome to an exit status or a procedure status.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/image_reader.h"
#include "batch/label_images.h"

namespace strandel {

struct benchmark_request {
    std::string chain;                // chain syntax; empty: the default chain
    // Several chains compared on one reading of every image, in this order;
    // when given, `chain` is not used.
    std::vector<std::string> chains;
    std::string list_file;            // a benchmark list, one image per line...
    std::vector<std::string> images;  // ...or the images themselves (when there is no list)
    // Appended to; with several chains it must hold "{n}", which becomes the
    // chain's number from 1, one results file per chain.
    std::string results_file;
    bool seeded = false;              // srand(seed) before the first image
    unsigned seed = 0;
    // srand(seed_each + p) before every chain on the image at position p:
    // the report no longer depends on how the list is split or on the other
    // chains. Excludes `seeded`.
    bool seeded_each = false;
    unsigned seed_each = 0;
    std::string table_file;    // a CSV results table to create; empty: none
    std::string ground_truth;  // where manual segmentations lie (batch/ground_truth.h); empty: beside
    // Only the positions p with p % shard_count == shard_index are processed
    // (the others stay out of the report): how parallel runs share a list.
    int shard_index = 0;
    int shard_count = 1;
    int jobs = 1;  // threads that read images ahead of the chain
    // Folder where every image's label image is saved for every chain
    // (label_image_path); empty: none are.
    std::string segmentations;
};

enum class request_status {
    success,
    calling_error,    // an argument is wrong (the chain, the share)
    execution_error,  // a file could not be read or written
};

struct request_outcome {
    request_status status = request_status::success;
    std::string message;  // what went wrong, naming the argument or file
    int lines = 0;        // images that got a report line
};

// Where a run talks, besides the results file.
struct runner_output {
    std::FILE* progress = nullptr;  // one line per image: "<prefix>: 1/6 file 0.12 s"
    std::string prefix = "strandel";
    bool summary = false;           // and "<prefix>: N report lines in S s" at the end
    std::FILE* traces = nullptr;    // "Got FILE" for every image read
    const label_store* labels = nullptr;  // writes the label images; without it none can be saved
};

// The chains a request runs, in order (one at least).
std::vector<std::string> request_chains(const benchmark_request& request);

// The results file of chain `number` (from 1) of `count`: `pattern` with
// every "{n}" replaced by the number when there are several chains, as it is
// otherwise.
std::string chain_results_file(const std::string& pattern, std::size_t number, std::size_t count);

// The folder relative ground-truth patterns start from: the list file's, or
// the current folder ("") for images named on the command line.
std::string ground_truth_base(const std::string& list_file);

// Which positions of a list of `count` images shard K/N processes.
std::vector<bool> shard_positions(std::size_t count, int shard_index, int shard_count);

// Runs the request: registers the passes and measures, parses every chain
// (a chain that does not parse stops the run before anything is written),
// reads the list, checks where label images go (two images with one stem,
// or an existing file that is no label image, stop the run before anything
// is written), creates the table, opens the results files for
// appending, seeds, and runs the batch through `read` (called from up to
// request.jobs threads at once).
request_outcome run_benchmark_request(const benchmark_request& request, const image_reader& read,
                                      const runner_output& output);

}  // namespace strandel
