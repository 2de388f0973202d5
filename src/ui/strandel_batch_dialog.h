// SPDX-License-Identifier: GPL-3.0-or-later
// The batch dialog: the user composes the chain of passes, builds the
// benchmark (the list of image files) and names the results file.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/chain.h"
#include "ui/benchmark_editor.h"

namespace strandel {

// Shows the dialog with panels for clones of the passes of `passes`. Returns
// true when the user accepted with a results file name and at least one
// benchmark file: `passes` then holds the edited passes instead, top panel
// first, and `benchmark` the list's rows. Returns false on cancel, leaving
// `passes` and `benchmark` untouched.
// `results_file` receives the entry's text at every press of OK.
bool strandel_batch_dialog(chain& passes, std::vector<std::string>& benchmark,
                           std::string& results_file);

// The widgets of a running batch dialog.
struct batch_dialog_widgets {
    GtkWidget* dialog = nullptr;
    GtkWidget* paned = nullptr;
    GtkWidget* pass_panel_vbox = nullptr;  // one frame per pass, in chain order
    GtkWidget* add_button = nullptr;
    benchmark_editor benchmark;
};

// The same dialog; `on_built` is called once the widgets exist, before the
// dialog is run, so that tests and tools can drive it (typically by
// installing a timeout).
bool strandel_batch_dialog(chain& passes, std::vector<std::string>& benchmark,
                           std::string& results_file,
                           const std::function<void(const batch_dialog_widgets&)>& on_built);

}  // namespace strandel
