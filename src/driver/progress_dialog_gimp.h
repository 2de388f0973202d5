// SPDX-License-Identifier: GPL-3.0-or-later
// The modal progress dialog of a batch run: an overall bar and a bar for the
// running pass, refreshed every 100 ms from the worker's shared progress.
#pragma once

#include <gtk/gtk.h>

#include "batch/run_batch.h"

namespace strandel {

// Builds the dialog ("Progress", one cancel button), not yet shown.
GtkWidget* create_progress_dialog();

// Installs the 100 ms refresh of the bars from `progress`, which must stay
// alive until stop_progress_refresh() has been called.
void start_progress_refresh(const batch_progress* progress);

// Called once the dialog has returned: the next tick removes the refresh
// without touching the bars.
void stop_progress_refresh();

// The GLib timeout callback; `data` is unused.
gboolean timeout_handler(gpointer data);

}  // namespace strandel
