// SPDX-License-Identifier: GPL-3.0-or-later
// Showing quality measures: the measure chooser and the bar that shows the
// chosen value.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace strandel {

// Label of the supervised measure, offered after the registered ones.
extern const char* const supervised_measure_label;

// A text combo box with the label of every registered fitness function, in
// repertoire order, followed by supervised_measure_label when asked for.
// Nothing is selected.
GtkWidget* fitness_combo(bool with_supervised);

// `value` written with `precision` significant digits, general notation.
std::string format_measure(double value, int precision);

// Fills the bar to `value` (values of 1 and more fill it; negative and
// not-a-number values leave it empty) and writes the value on it.
void show_measure(GtkWidget* indicator, double value, int precision);

}  // namespace strandel
