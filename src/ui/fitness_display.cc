// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/fitness_display.h"

#include <cmath>
#include <sstream>

#include "evaluation/fitness_function.h"

namespace strandel {

const char* const supervised_measure_label = "Jaccard (Supervised)";

GtkWidget* fitness_combo(bool with_supervised) {
    GtkWidget* combo = gtk_combo_box_text_new();
    for (const fitness_function* f : *fitness_function_repertoire::instance())
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), f->label());
    if (with_supervised) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), supervised_measure_label);
    return combo;
}

std::string format_measure(double value, int precision) {
    std::ostringstream text;
    text.precision(precision);
    text << value;
    return text.str();
}

void show_measure(GtkWidget* indicator, double value, int precision) {
    // The bar only takes fractions in [0, 1].
    const double fraction = std::isnan(value) || value < 0 ? 0.0 : value < 1 ? value : 1.0;
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(indicator), fraction);
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(indicator), format_measure(value, precision).c_str());
}

}  // namespace strandel
