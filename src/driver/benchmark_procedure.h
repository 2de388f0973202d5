// The body of the non-interactive benchmark procedure, free of GIMP: checks
// the arguments, reads the benchmark list, runs the batch with whatever
// reader the engine brings and says how it ended. The plug-in maps the
// outcome to a PDB status; tests drive it with a fake reader.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "driver/report.h"

namespace strandel {

struct benchmark_request {
    std::string chain;         // parse_chain syntax; empty: the default chain
    std::string list_file;     // benchmark list, one image per line
    std::string results_file;  // appended to
    int seed = -1;             // 0 or more: given to srand first; negative: unseeded
    // Only the positions p with p % stride == first are processed (the
    // others stay out of the report): how parallel runs share a list.
    int first = 0;
    int stride = 1;
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

// "1/6 cells.png 0.12 s": the progress line of the image at `position`
// (from 0) of `total`, without prefix or line end; `skipped` when it could
// not be read.
std::string progress_text(std::size_t position, std::size_t total, const std::string& file, double seconds,
                          bool skipped);

// Runs the request: registers the passes and measures, parses the chain,
// reads the list, opens the results file for appending, seeds, and runs the
// batch through `read`. One progress line per processed image goes to
// `progress_out`, each "<prefix>: " followed by progress_text, written at once.
request_outcome run_benchmark_request(const benchmark_request& request, const image_reader& read,
                                      std::FILE* progress_out, const char* prefix);

}  // namespace strandel
