// SPDX-License-Identifier: GPL-3.0-or-later
// Input widgets that edit a pass's parameters in place: a change in a widget
// is written straight into the pass's `param`, there is no apply step.
#pragma once

#include <gtk/gtk.h>

#include "framework/pass.h"

namespace strandel {

using value_changed_callback = void (*)(GtkWidget* widget, void* data);

// A shown vertical box with one row (label, input widget) per parameter of
// `p`, in parameter order. A non-null `on_change` is called with null data
// after every later change, once the parameter already holds the new value;
// building the rows never calls it. The pass must outlive the widgets.
GtkWidget* ui_build(pass* p, value_changed_callback on_change);

// A scale (integer) or spin button (double) over the parameter's range,
// bound to `value`. A stored value outside the range is clamped to it, in
// the widget and in `value` alike.
GtkWidget* create_input_widget(const param_info& info, param* value);

// "value-changed" handlers of the scale and the spin button; `data` is the
// bound `param*`.
void range_value_changed_handler(GtkWidget* widget, void* data);
void spin_button_value_changed_handler(GtkWidget* widget, void* data);

}  // namespace strandel
