// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-report from its options to its exit status.
#pragma once

#include <ostream>

#include "report_page/image_decoder.h"
#include "tools/report_options.h"

namespace strandel {

// Reads the tables, then prints the text summary to `out` or writes the
// page. Returns exit_ok, or exit_failure after a message on `err` naming the table, line
// and problem, or the page that could not be written. Thumbnails use
// `decoder` for images and manual segmentations, on `threads` threads.
int run_report(const report_options& options, const image_decoder& decoder, int threads, std::ostream& out,
               std::ostream& err);

}  // namespace strandel
