// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/gtk_compat.h"
#include "ui/ui_build.h"

#include <cstdio>
#include <cstdlib>

namespace strandel {
namespace {

void store_widget_value(double shown, param* value) {
    if (value->type() == param_int)
        value->int_value() = static_cast<int>(shown);
    else if (value->type() == param_double)
        value->double_value() = shown;
}

[[noreturn]] void unknown_parameter_type(int type, int line) {
    // A broken parameter table is a programming error; stop even in builds
    // without assertions rather than hand back no widget.
    std::fprintf(stderr, "ui_build.cc:%d: Assertion `false' failed: parameter type %d\n", line,
                 type);
    std::abort();
}

}  // namespace

void range_value_changed_handler(GtkWidget* widget, void* data) {
    store_widget_value(gtk_range_get_value(GTK_RANGE(widget)), static_cast<param*>(data));
}

void spin_button_value_changed_handler(GtkWidget* widget, void* data) {
    store_widget_value(gtk_spin_button_get_value(GTK_SPIN_BUTTON(widget)),
                       static_cast<param*>(data));
}

GtkWidget* create_input_widget(const param_info& info, param* value) {
    GtkWidget* widget = nullptr;
    // The toolkit clamps the initial value into the range; the parameter
    // takes the clamped value, so that the pass runs with what is shown.
    if (info.type() == param_int) {
        widget = hscale_new_with_range(info.int_start(), info.int_end(), 1.0);
        gtk_scale_set_value_pos(GTK_SCALE(widget), GTK_POS_LEFT);
        g_signal_connect(widget, "value-changed", G_CALLBACK(range_value_changed_handler), value);
        gtk_range_set_value(GTK_RANGE(widget), value->int_value());
        // A value below the range leaves the scale at its start without a
        // change signal; store what the scale shows all the same.
        range_value_changed_handler(widget, value);
    } else if (info.type() == param_double) {
        widget = gtk_spin_button_new_with_range(info.double_start(), info.double_end(), 0.1);
        gtk_spin_button_set_digits(GTK_SPIN_BUTTON(widget), 3);
        g_signal_connect(widget, "value-changed", G_CALLBACK(spin_button_value_changed_handler),
                         value);
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(widget), value->double_value());
        spin_button_value_changed_handler(widget, value);
    } else {
        unknown_parameter_type(info.type(), __LINE__);
    }
    return widget;
}

GtkWidget* ui_build(pass* p, value_changed_callback on_change) {
    GtkWidget* rows = vbox_new(0);
    for (unsigned i = 0; i < p->nr_parameters(); ++i) {
        GtkWidget* row = hbox_new(10);
        GtkWidget* label = gtk_label_new(p->parameter_info(i).label());
        GtkWidget* input = create_input_widget(p->parameter_info(i), &p->parameter_value(i));
        if (on_change) g_signal_connect(input, "value-changed", G_CALLBACK(on_change), nullptr);
        gtk_box_pack_start(GTK_BOX(row), label, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(row), input, TRUE, TRUE, 0);
        gtk_widget_show(input);
        gtk_widget_show(label);
        gtk_widget_show(row);
        gtk_box_pack_start(GTK_BOX(rows), row, FALSE, FALSE, 0);
    }
    gtk_widget_show(rows);
    return rows;
}

}  // namespace strandel
