// SPDX-License-Identifier: GPL-3.0-or-later
// What a caller asks of the benchmark runner, and how the runner answers.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "framework/histogram.h"

namespace strandel {

// A method rated from label images of its own (--score NAME=PATTERN).
struct scored_method {
    std::string name;     // its row's chain column and its report's header
    std::string pattern;  // where its label image of each image lies, as a ground-truth pattern
};

struct benchmark_request {
    std::string chain;                // chain syntax; empty: the default chain
    // Several chains compared on one reading of every image, in this order;
    // when given, `chain` is not used.
    std::vector<std::string> chains;
    std::string list_file;            // a benchmark list, one image per line...
    std::vector<std::string> images;  // ...or the images themselves (when there is no list)
    // The folder relative list entries are taken from; empty: the list
    // file's own folder. (The GIMP engine hands the plug-in a list of the
    // images named on its command line, which are relative to where it
    // started.)
    std::string list_base;
    // Appended to; "{n}" in it becomes the chain's number from 1 (it must be
    // there with several chains), one results file per chain.
    std::string results_file;
    // Whether "{n}" becomes 1 with a single chain; the older headless
    // procedures keep their results file's name as it is given.
    bool number_results = true;
    bool seeded = false;              // srand(seed) before the first image
    unsigned seed = 0;
    // srand(seed_each + p) before every chain on the image at position p:
    // the report no longer depends on how the list is split or on the other
    // chains. Excludes `seeded`.
    bool seeded_each = false;
    unsigned seed_each = 0;
    std::string table_file;    // a CSV results table to create; empty: none
    // The folder the table's relative paths start from; empty: the table's
    // own folder. The GIMP engine's shares are written elsewhere and joined
    // into the table the run was asked for.
    std::string table_folder;
    std::string ground_truth;  // where manual segmentations lie (batch/ground_truth.h); empty: beside
    // A processed image without a manual segmentation file refuses the run
    // before anything is written.
    bool require_ground_truth = false;
    // Only the positions p with p % shard_count == shard_index are processed
    // (the others stay out of the report): how parallel runs share a list.
    int shard_index = 0;
    int shard_count = 1;
    int jobs = 1;  // threads that read images ahead of the chain
    // Folder where every image's label image is saved for every chain
    // (label_image_path); empty: none are.
    std::string segmentations;
    // Methods rated beside the chains, numbered after them.
    std::vector<scored_method> scores;
    bool boundary = false;          // boundary precision, recall and F (costly)
    std::string annotator_table;    // the long table, one row per annotator; empty: none
    // Where the run's closing counts go (batch/run_summary.h's run_closing)
    // instead of being said: the GIMP engine adds up its shares'. Empty:
    // they are said.
    std::string closing_file;
    gray_rule gray = gray_rule::blue;         // how colour pixels become gray levels
    level_rule levels = level_rule::scale;    // how 16-bit images become 256 levels
    // A setting its maker found malformed (an environment variable the
    // headless procedure reads): the plan refuses the request with it.
    std::string refusal;
};

// The names the table and messages use for the rules.
const char* gray_rule_name(gray_rule rule);
const char* level_rule_name(level_rule rule);

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

inline request_outcome failed_request(request_status status, std::string message) {
    request_outcome outcome;
    outcome.status = status;
    outcome.message = std::move(message);
    return outcome;
}

// What strandel-bench's GIMP engine hands the headless procedure beside its
// arguments, through the environment GIMP passes on to its plug-ins: the
// folder relative list entries start from (list_base) and the folder of
// the table the shares' tables are joined into (table_folder).
inline constexpr const char* list_base_variable = "STRANDEL_LIST_BASE";
inline constexpr const char* table_folder_variable = "STRANDEL_TABLE_FOLDER";
// ...and what the procedure's nine arguments cannot carry: the boundary
// measures ("1"), the gray and level rules (their names), the long table
// and the scored methods (NAME=PATTERN, one a line).
inline constexpr const char* boundary_variable = "STRANDEL_BOUNDARY";
inline constexpr const char* gray_variable = "STRANDEL_GRAY";
inline constexpr const char* levels_variable = "STRANDEL_LEVELS";
inline constexpr const char* annotator_table_variable = "STRANDEL_ANNOTATOR_TABLE";
inline constexpr const char* scores_variable = "STRANDEL_SCORES";
// ...and, for every GIMP of a run, where it leaves its closing counts (read
// by every procedure).
inline constexpr const char* closing_file_variable = "STRANDEL_CLOSING_FILE";

}  // namespace strandel
