// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-report from its options to its exit status.
#pragma once

#include <ostream>

#include "report_page/image_decoder.h"
#include "tools/report_options.h"

namespace strandel {

// Reads the tables, then prints the text summary to `out` or writes the
// page. Returns exit_ok, or exit_failure after a message on `err` naming the
// table, line and problem, the page that could not be written or the input
// it would overwrite, or chains without an image in common. Notes (paths
// found from the current folder, thumbnails that could not be made) go to
// `err` too. Thumbnails read images through `open`, on `threads` threads.
int run_report(const report_options& options, const image_opener& open, int threads, std::ostream& out,
               std::ostream& err);

}  // namespace strandel
