// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-report: compares the chains of strandel-bench results tables, as
// a text summary or a self-contained HTML page.
#include <algorithm>
#include <iostream>
#include <thread>

#include "report_page/png_read.h"
#include "tools/report_command.h"
#include "tools/exit_status.h"
#include "tools/report_options.h"

int main(int argc, char** argv) {
    using namespace strandel;
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
    // libpng keeps no shared state between files, so decoding can run on
    // every core.
    const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return run_report(options, decode_png, threads, std::cout, std::cerr);
}
