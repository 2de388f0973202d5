// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-report: compares the chains of strandel-bench results tables, as
// a text summary or a self-contained HTML page.
#include <algorithm>
#include <iostream>
#include <thread>

#include "decoding/native_image_gegl.h"
#include "tools/report_command.h"
#include "tools/report_decoder.h"
#include "tools/exit_status.h"
#include "tools/report_options.h"
#include "framework/temporary_files.h"

int main(int argc, char** argv) {
    using namespace strandel;
    install_tool_signal_handling();
    report_options options;
    std::string error;
    if (!parse_report_options(argc, argv, &options, &error)) {
        std::cerr << "strandel-report: " << error << "\n" << report_usage();
        return exit_usage;
    }
    if (options.help) {
        std::cout << report_usage();
        return exit_ok;
    }
    // Prepared before any thread starts; GEGL starts only if a thumbnail
    // needs it. The readers keep no shared state between files, so decoding
    // can run on every core.
    const native_engine engine;
    const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return run_report(options, open_for_report, threads, std::cout, std::cerr);
}
