// SPDX-License-Identifier: GPL-3.0-or-later
// The chain editor that the batch and the interactive dialogs share: one
// panel per pass (algorithm chooser, move and remove buttons, parameters),
// an "Add" button, all inside the "Algorithm" frame.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <vector>

#include "framework/chain.h"

namespace strandel {

// The state of one chain editor. It must outlive the widgets built for it.
struct pass_panels {
    // The passes the panels edit, in screen order, top first; owned until
    // handed over with take_chain or dropped with drop_panel_passes.
    chain passes;
    // Every panel (its frame) with the pass of `passes` it edits.
    std::map<GtkWidget*, pass*> panel_pass;
    GtkWidget* vbox = nullptr;        // the panels, in chain order
    GtkWidget* add_button = nullptr;
    // Called after every edit that changes the chain: algorithm chosen,
    // pass added, removed or moved, parameter changed. May be empty.
    std::function<void()> on_chain_changed;
};

// The "Algorithm" frame holding a panel for a clone of every pass of
// `chain`, in chain order; `chain` itself is not touched.
GtkWidget* create_algorithm_frame(pass_panels* panels, const chain& shown);

// The passes of the panels in screen order, top first; still owned by the
// panels.
const chain& panel_chain(const pass_panels& panels);

// Replaces `taken` by the panels' passes in screen order, which it owns
// from then on.
void take_chain(pass_panels* panels, chain& taken);

// Drops every pass still owned by the panels. Destroy the widgets first:
// they write into those passes.
void drop_panel_passes(pass_panels* panels);

}  // namespace strandel
