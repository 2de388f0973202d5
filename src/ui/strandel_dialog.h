// SPDX-License-Identifier: GPL-3.0-or-later
// The interactive segmentation dialog: the chain editor of the batch dialog
// beside a live preview of the segmentation of the visible area, with the
// value of a chosen quality measure and the choice of pixel classifier.
#pragma once

#include <libgimp/gimp.h>
#include <gtk/gtk.h>

#include <functional>
#include <vector>

#include "evaluation/pixel_classifier_gimp.h"
#include "framework/chain.h"

namespace strandel {

// The widgets of a running interactive dialog.
struct strandel_dialog_widgets {
    GtkWidget* dialog = nullptr;
    GtkWidget* preview = nullptr;
    GtkWidget* fitness_combo = nullptr;
    GtkWidget* fitness_indicator = nullptr;
    GtkWidget* classifier_combo = nullptr;
    GtkWidget* pass_panel_vbox = nullptr;
    GtkWidget* add_button = nullptr;
};

// Shows the dialog on `drawable` with panels for clones of the passes of
// `passes`. A drawable of at most 2 bytes per pixel has its image converted
// to RGB first (for the class colours), and `drawable` is then replaced by a
// fresh handle on the same, converted drawable, whatever the answer.
// Returns true on OK: `passes` then holds the panels' passes in screen order
// instead, and `classifier` receives the chosen pixel classifier. On cancel
// `passes` is untouched. The pixel classifiers must be registered.
bool strandel_dialog(GimpDrawable*& drawable, chain& passes, const pixel_classifier** classifier,
                     const std::function<void(const strandel_dialog_widgets&)>& on_built = nullptr);

}  // namespace strandel
