// SPDX-License-Identifier: GPL-3.0-or-later
// The few widget calls that GTK 2 (under GIMP 2.10) and GTK 3 (under GIMP
// 3.0) spell differently, so that the dialogs are one source for both. On
// GTK 2 each is exactly the call the dialogs always made; on GTK 3 the
// replacement GTK documents for it (stock items are gone there: buttons get
// the stock item's label, so they read, and are found by, the same name).
#pragma once

#include <gtk/gtk.h>

namespace strandel {

// The stock items the dialogs use.
enum class ui_stock { ok, cancel, add, remove, up, down, open, save };

#if GTK_CHECK_VERSION(3, 0, 0)

inline const char* stock_text(ui_stock item) {
    switch (item) {
    case ui_stock::ok: return "_OK";
    case ui_stock::cancel: return "_Cancel";
    case ui_stock::add: return "_Add";
    case ui_stock::remove: return "_Remove";
    case ui_stock::up: return "_Up";
    case ui_stock::down: return "_Down";
    case ui_stock::open: return "_Open";
    case ui_stock::save: return "_Save";
    }
    return "";
}
inline GtkWidget* stock_button_new(ui_stock item) { return gtk_button_new_with_mnemonic(stock_text(item)); }
inline GtkWidget* hbox_new(gint spacing) { return gtk_box_new(GTK_ORIENTATION_HORIZONTAL, spacing); }
inline GtkWidget* vbox_new(gint spacing) { return gtk_box_new(GTK_ORIENTATION_VERTICAL, spacing); }
inline GtkWidget* vpaned_new() { return gtk_paned_new(GTK_ORIENTATION_VERTICAL); }
inline GtkWidget* vseparator_new() { return gtk_separator_new(GTK_ORIENTATION_VERTICAL); }
inline GtkWidget* hscale_new_with_range(gdouble min, gdouble max, gdouble step) {
    return gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, min, max, step);
}
// A scrolled window that asks for its child's natural width, as GTK 2's
// viewports do, so that a dialog opens wide enough to show it whole.
inline void scrolled_natural_width(GtkWidget* scrolled) {
    gtk_scrolled_window_set_propagate_natural_width(GTK_SCROLLED_WINDOW(scrolled), TRUE);
}
// Scrollable children get no viewport: GTK 3 adds one where it is needed.
inline void scrolled_add(GtkWidget* scrolled, GtkWidget* child) { gtk_container_add(GTK_CONTAINER(scrolled), child); }
inline void label_align_top_left(GtkWidget* label) {
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_yalign(GTK_LABEL(label), 0);
}
// The icon of a file row in a tree view: the attribute of a pixbuf
// renderer that takes it, and its value.
inline const char* file_icon_attribute() { return "icon-name"; }
inline const char* file_icon() { return "text-x-generic"; }
// A progress bar that shows its text, as GTK 2's do.
inline GtkWidget* progress_bar_new() {
    GtkWidget* bar = gtk_progress_bar_new();
    gtk_progress_bar_set_show_text(GTK_PROGRESS_BAR(bar), TRUE);
    return bar;
}

#else

inline const char* stock_text(ui_stock item) {
    switch (item) {
    case ui_stock::ok: return GTK_STOCK_OK;
    case ui_stock::cancel: return GTK_STOCK_CANCEL;
    case ui_stock::add: return GTK_STOCK_ADD;
    case ui_stock::remove: return GTK_STOCK_REMOVE;
    case ui_stock::up: return GTK_STOCK_GO_UP;
    case ui_stock::down: return GTK_STOCK_GO_DOWN;
    case ui_stock::open: return GTK_STOCK_OPEN;
    case ui_stock::save: return GTK_STOCK_SAVE;
    }
    return "";
}
inline GtkWidget* stock_button_new(ui_stock item) { return gtk_button_new_from_stock(stock_text(item)); }
inline GtkWidget* hbox_new(gint spacing) { return gtk_hbox_new(FALSE, spacing); }
inline GtkWidget* vbox_new(gint spacing) { return gtk_vbox_new(FALSE, spacing); }
inline GtkWidget* vpaned_new() { return gtk_vpaned_new(); }
inline GtkWidget* vseparator_new() { return gtk_vseparator_new(); }
inline GtkWidget* hscale_new_with_range(gdouble min, gdouble max, gdouble step) {
    return gtk_hscale_new_with_range(min, max, step);
}
inline void scrolled_natural_width(GtkWidget*) {}
inline void scrolled_add(GtkWidget* scrolled, GtkWidget* child) {
    gtk_scrolled_window_add_with_viewport(GTK_SCROLLED_WINDOW(scrolled), child);
}
inline void label_align_top_left(GtkWidget* label) { gtk_misc_set_alignment(GTK_MISC(label), 0, 0); }
inline const char* file_icon_attribute() { return "stock-id"; }
inline const char* file_icon() { return GTK_STOCK_FILE; }
inline GtkWidget* progress_bar_new() { return gtk_progress_bar_new(); }

#endif

}  // namespace strandel
