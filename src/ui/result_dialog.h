// SPDX-License-Identifier: GPL-3.0-or-later
// The result dialog: after a chain has segmented an image, one section per
// pass with the table of its classes and a bar showing a chosen measure.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <vector>

#include "evaluation/supervised_matches.h"
#include "framework/histogram.h"
#include "framework/chain.h"

namespace strandel {

// Columns of a pass's class table.
enum class_table_column {
    column_colour,            // "#RRGGBB" of the class
    column_swatch_text,       // " "
    column_centre,            // double
    column_coverage,          // percent of all pixels of the histogram
    column_mean,              // mean gray level of the class's pixels
    column_variance,
    column_root_variance,
    column_jaccard,           // Jaccard index of the manual label it matches best, or 0
    column_supervised_colour, // gray colour of that label, or "#FFFFFF"
    class_table_columns
};

// One pass's section content: "Number of classes: n", the class table (the
// two supervised columns only when `supervised` is given), and a
// "Performance: " row whose bar is returned in `indicator`.
GtkWidget* pass_result(const histogram& h, const std::vector<double>& centres, const supervised_matches* supervised,
                       GtkWidget** indicator, GtkWidget** table = nullptr);

// The widgets of a built result dialog, sections in chain order.
struct result_dialog_widgets {
    GtkWidget* dialog = nullptr;
    GtkWidget* fitness_combo = nullptr;
    std::vector<GtkWidget*> frames, expanders, tables, indicators;
};

// Shows the dialog until the user closes it. `outcome[i]` is the centre
// list pass i of `algo` left; both have the same length. `supervised`, when
// given, belongs to the last pass. `on_built` (may be empty) is called once
// the widgets exist, before the dialog runs.
void result_dialog(const chain& algo, const histogram& h,
                   const std::vector<std::vector<double>>& outcome, const supervised_matches* supervised,
                   const std::function<void(const result_dialog_widgets&)>& on_built = nullptr);

}  // namespace strandel
