// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-bench: see tools/bench_options.h.
#include <cstdio>

#include "tools/bench_command.h"
#include "tools/bench_options.h"
#include "tools/exit_status.h"
#include "framework/temporary_files.h"

int main(int argc, char** argv) {
    using namespace strandel;
    install_tool_signal_handling();
    bench_options options;
    std::string error;
    if (!parse_bench_options(argc, argv, &options, &error)) {
        std::fprintf(stderr, "strandel-bench: %s\n\n%s", error.c_str(), bench_usage().c_str());
        return exit_usage;
    }
    if (options.help) {
        std::fputs(bench_usage().c_str(), stdout);
        return exit_ok;
    }
    return run_bench_command(options, stderr);
}
