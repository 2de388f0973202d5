// SPDX-License-Identifier: GPL-3.0-or-later
// The interactive batch run once GIMP's UI is up, the same under GIMP 2.10
// and GIMP 3.0 (GTK only): the batch dialog, then the benchmark behind the
// progress dialog, and a message saying how it ended.
#pragma once

#include "framework/chain.h"

namespace strandel {

// Shows the batch dialog on `passes`; when the user accepts, lists the
// benchmark ("BENCH: FILE", "OUT =>RESULTS") on standard output, runs it
// and says how it ended: nothing after a cancel, an error when the results
// file cannot be opened or written completely, "Operation Successful"
// otherwise.
void run_batch_session(chain& passes);

}  // namespace strandel
