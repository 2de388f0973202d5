// The chain editor that the batch and the interactive dialogs share: one
// panel per pass (algorithm chooser, move and remove buttons, parameters),
// an "Add" button, all inside the "Algorithm" frame.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <vector>

#include "framework/pass.h"

namespace strandel {

// The state of one chain editor. It must outlive the widgets built for it.
struct pass_panels {
    // Every panel (its frame) with the pass it edits. Owns those passes
    // until they are deleted or handed over with take_chain.
    std::map<GtkWidget*, pass*> panel_pass;
    GtkWidget* vbox = nullptr;        // the panels, in chain order
    GtkWidget* add_button = nullptr;
    // Called after every edit that changes the chain: algorithm chosen,
    // pass added, removed or moved, parameter changed. May be empty.
    std::function<void()> on_chain_changed;
};

// The "Algorithm" frame holding a panel for a clone of every pass of
// `chain`, in chain order; `chain` itself is not touched.
GtkWidget* create_algorithm_frame(pass_panels* panels, const std::vector<pass*>& chain);

// The passes of the panels in screen order, top first; still owned by the
// panels.
std::vector<pass*> panel_chain(const pass_panels& panels);

// Deletes the passes of `chain` and replaces them by the panels' passes in
// screen order, which `chain` owns from then on.
void take_chain(pass_panels* panels, std::vector<pass*>& chain);

// Deletes every pass still owned by the panels. Destroy the widgets first:
// they write into those passes.
void delete_panel_passes(pass_panels* panels);

}  // namespace strandel
