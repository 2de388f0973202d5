// SPDX-License-Identifier: GPL-3.0-or-later
// The arguments of the headless benchmark procedures (plug-in-strandel-
// benchmark, -share, -seeded), whichever GIMP passes them, and the request
// they make for the runner. GIMP-free: the GIMP 2.10 and GIMP 3.0 plug-ins
// both read their procedures' arguments into it.
#pragma once

#include <functional>
#include <string>

#include "batch/benchmark_runner.h"

namespace strandel {

enum class benchmark_procedure_kind { whole, share, seeded };

struct benchmark_arguments {
    benchmark_procedure_kind kind = benchmark_procedure_kind::whole;
    std::string chain;  // chains, one a line, for the seeded procedure
    std::string list_file;
    std::string results_file;
    int seed = -1;  // seed-each for the seeded procedure; negative: unseeded
    int first = 0, stride = 1;
    std::string table_file, ground_truth;  // the seeded procedure's
};

// The runner's request: a negative seed leaves the generator alone; the
// seeded procedure's chains, one a line, become the request's chains when
// there are several.
benchmark_request benchmark_request_from(const benchmark_arguments& arguments);

// Loads one file with GIMP's loaders and reads every pixel byte of its
// first layer once; the sum keeps the walk honest. `loaded` says whether
// GIMP could load it.
using load_and_walk = std::function<unsigned long long(const std::string& file, bool* loaded)>;

// The floor procedure's run: every image of the list and its manual
// segmentation loaded and walked once, the time and byte sum reported on
// standard error under `procedure`'s name; lines counts the images loaded.
request_outcome run_floor(const std::string& list_file, const load_and_walk& walk, const char* procedure);

// Where the procedures talk: a progress line per image and the summary on
// standard error under "strandel-benchmark", the "Got FILE" traces on
// standard output (strandel-bench reads both).
runner_output headless_runner_output();

}  // namespace strandel
