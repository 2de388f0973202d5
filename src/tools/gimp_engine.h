// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-bench's GIMP engine: the benchmark run by the strandel-benchmark
// plug-in inside headless GIMPs (gimp-console), so that images are loaded
// exactly as the batch dialog loads them.
//
// Each GIMP gets a private, temporary profile whose plug-ins/ folder holds
// the plug-in, unless a profile is given (the plug-in must then be
// installed in it). The plug-in executable is, in this order: the file
// named by $STRANDEL_BENCHMARK_PLUGIN; strandel-benchmark beside the
// running executable (the build tree); ../plug-ins/strandel-benchmark/
// strandel-benchmark from the executable's folder (the install tree: `cmake
// --install` puts strandel-bench in PREFIX/bin and the plug-in in
// PREFIX/plug-ins/strandel-benchmark). The console is
// $STRANDEL_GIMP_CONSOLE, or from PATH the one of the GIMP the plug-ins
// were built for (gimp-console-2.10 or gimp-console-3.0), else the other
// (tools/gimp_console.h): the same batch call serves both.
#pragma once

#include <iosfwd>
#include <string>

#include "batch/benchmark_runner.h"

namespace strandel {

// Runs the benchmark `run` (its jobs are GIMP processes, each on a share of
// the list; `profile`, when given, is the profile every GIMP uses) and
// returns the exit status: 0 done, 1 a file, GIMP or
// the plug-in failed (GIMP's message is written to `err`), 2 a bad chain or
// seed, 128 + the signal when SIGINT, SIGTERM or SIGHUP stopped it. One
// progress line per image goes to `err` as the images are done. Whatever
// happens, no GIMP process it started is left running and its temporary
// files are removed.
int run_benchmark_in_gimp(const benchmark_request& run, const std::string& profile, std::ostream& err);

// What `--version` says of the console run_benchmark_in_gimp would start
// ("GNU Image Manipulation Program version 3.0.4"); empty when there is
// none.
std::string gimp_engine_version();

}  // namespace strandel
