// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/strandel_batch_dialog.h"

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include "ui/gtk_compat.h"
#include "ui/pass_panels.h"

namespace strandel {
namespace {

// What one running dialog keeps besides its widgets. Lives on the stack of
// the dialog call.
struct dialog_state {
    pass_panels panels;
    std::string benchmark_filename;
};

batch_dialog_widgets build_dialog(dialog_state* state, const chain& passes) {
    batch_dialog_widgets widgets;
    widgets.dialog = gimp_dialog_new("Strandel Segmenetation (Batch Mode)", "Strandel Segmentation",
                                     nullptr, GtkDialogFlags(0), gimp_standard_help_func,
                                     "plug-in-strandel-batch", stock_text(ui_stock::cancel),
                                     GTK_RESPONSE_CANCEL, stock_text(ui_stock::ok), GTK_RESPONSE_OK, nullptr);

    GtkWidget* algorithm = create_algorithm_frame(&state->panels, passes);
    widgets.pass_panel_vbox = state->panels.vbox;
    widgets.add_button = state->panels.add_button;
    widgets.benchmark = create_benchmark_editor(widgets.dialog, &state->benchmark_filename);

    widgets.paned = vpaned_new();
    gtk_paned_pack1(GTK_PANED(widgets.paned), algorithm, TRUE, TRUE);
    gtk_paned_pack2(GTK_PANED(widgets.paned), widgets.benchmark.frame, FALSE, FALSE);
    gtk_widget_show(widgets.benchmark.frame);

    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(widgets.dialog));
    gtk_box_pack_start(GTK_BOX(content), widgets.paned, TRUE, TRUE, 10);
    gtk_widget_show(widgets.paned);
    gtk_container_set_border_width(GTK_CONTAINER(content), 10);
    gtk_window_set_default_size(GTK_WINDOW(widgets.dialog), 600, 500);
    return widgets;
}

// Answers OK: true when the form is complete and the chain and benchmark
// have been handed over.
bool accept(dialog_state* state, const batch_dialog_widgets& widgets, chain& passes,
            std::vector<std::string>& benchmark, std::string& results_file) {
    results_file = results_file_name(widgets.benchmark.result_file_entry);
    if (results_file.empty()) {
        show_error_message(widgets.dialog, "Please provide a correct output file for results");
        return false;
    }
    std::vector<std::string> rows = benchmark_rows(widgets.benchmark.list_store);
    if (rows.empty()) {
        show_error_message(widgets.dialog, "Please provide a benchmark (list of files)");
        return false;
    }
    take_chain(&state->panels, passes);
    benchmark = std::move(rows);
    return true;
}

}  // namespace

bool strandel_batch_dialog(chain& passes, std::vector<std::string>& benchmark,
                           std::string& results_file,
                           const std::function<void(const batch_dialog_widgets&)>& on_built) {
    dialog_state state;
    const batch_dialog_widgets widgets = build_dialog(&state, passes);
    if (on_built) on_built(widgets);

    bool accepted = false;
    while (gimp_dialog_run(GIMP_DIALOG(widgets.dialog)) == GTK_RESPONSE_OK) {
        accepted = accept(&state, widgets, passes, benchmark, results_file);
        if (accepted) break;
    }
    // The widgets go before the passes they are bound to.
    gtk_widget_destroy(widgets.dialog);
    drop_panel_passes(&state.panels);
    return accepted;
}

bool strandel_batch_dialog(chain& passes, std::vector<std::string>& benchmark,
                           std::string& results_file) {
    return strandel_batch_dialog(passes, benchmark, results_file, nullptr);
}

}  // namespace strandel
