// strandel-bench: runs a benchmark from the command line, with the same
// report as the batch plug-in, on an engine that reads the images.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "driver/report.h"

namespace strandel {

enum class bench_engine { native, gimp };

struct bench_options {
    bool help = false;

    // A run.
    std::string chain;  // empty: the default chain
    bool seeded = false;
    unsigned seed = 0;
    std::string list_file;            // either a list file...
    std::vector<std::string> images;  // ...or image files
    std::string out;
    int jobs = 1;
    bench_engine engine = bench_engine::native;
    int shard_index = 0;  // --shard K/N: positions p with p % N == K
    int shard_count = 1;
    std::string profile;

    // --merge OUT REPORT...
    bool merge = false;
    std::vector<std::string> shard_reports;
};

// Exit statuses.
constexpr int exit_ok = 0;
constexpr int exit_failure = 1;  // a file could not be read or written
constexpr int exit_usage = 2;    // bad options or a chain that does not parse

// Parses argv[1..argc-1]. On failure `error` says which option or value is
// wrong and why.
bool parse_bench_options(int argc, const char* const* argv, bench_options* options, std::string* error);

std::string bench_usage();

// Which positions of a list of `count` images shard K/N processes.
std::vector<bool> shard_positions(std::size_t count, int shard_index, int shard_count);

// Runs a benchmark as `options` say, reading each image with `read` (an
// engine's reader, called from up to options.jobs threads at once):
// appends the report to options.out, writes a progress line per image and
// every message to `err`. Returns the exit status.
int run_benchmark(const bench_options& options, const image_reader& read, std::ostream& err);

// --merge: appends the joined shard reports to options.out.
int run_merge(const bench_options& options, std::ostream& err);

// --engine gimp, which needs a plug-in that GIMP does not have yet.
int run_gimp_engine(const bench_options& options, std::ostream& err);

}  // namespace strandel
