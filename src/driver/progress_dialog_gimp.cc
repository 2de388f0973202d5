// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/progress_dialog_gimp.h"

#include <cstdio>

#include "ui/gtk_compat.h"

namespace strandel {

namespace {

GtkWidget* overall_progress = nullptr;
GtkWidget* algo_progress = nullptr;
const batch_progress* shared_progress = nullptr;
bool timeout_handler_stop = false;

GtkWidget* framed_bar(GtkWidget* dialog, const char* title, GtkWidget** bar) {
    GtkWidget* frame = gtk_frame_new(title);
    *bar = progress_bar_new();
    gtk_container_add(GTK_CONTAINER(frame), *bar);
    gtk_widget_show(*bar);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), frame, FALSE, FALSE, 10);
    gtk_widget_show(frame);
    return frame;
}

void set_bar(GtkWidget* bar, double fraction, const char* text) {
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), fraction);
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(bar), text);
}

}  // namespace

GtkWidget* create_progress_dialog() {
    GtkWidget* dialog = gtk_dialog_new_with_buttons("Progress", nullptr, GtkDialogFlags(0),
                                                    stock_text(ui_stock::cancel), GTK_RESPONSE_CANCEL, nullptr);
    framed_bar(dialog, "Overall Progression", &overall_progress);
    framed_bar(dialog, "Algorithm Progression", &algo_progress);
    set_bar(overall_progress, 0.5, "50%");
    set_bar(algo_progress, 0.7, "70%");
    gtk_window_set_default_size(GTK_WINDOW(dialog), 400, 100);
    return dialog;
}

void start_progress_refresh(const batch_progress* progress) {
    shared_progress = progress;
    timeout_handler_stop = false;
    g_timeout_add(100, timeout_handler, nullptr);
}

void stop_progress_refresh() { timeout_handler_stop = true; }

gboolean timeout_handler(gpointer /*data*/) {
    if (timeout_handler_stop || !shared_progress) return FALSE;
    // A bar takes fractions in 0..1 only; the text shows the value as is.
    auto clamp = [](double f) { return f < 0.0 ? 0.0 : f > 1.0 ? 1.0 : f; };
    char text[256];
    const double overall = shared_progress->overall.load();
    std::snprintf(text, sizeof text, "%.0f%%", overall * 100.0);
    set_bar(overall_progress, clamp(overall), text);
    const double algo = shared_progress->algo.load();
    std::snprintf(text, sizeof text, "%s (%.0f%%)", shared_progress->label.load(), algo * 100.0);
    set_bar(algo_progress, clamp(algo), text);
    std::printf(".");
    std::fflush(stdout);
    return TRUE;
}

}  // namespace strandel
