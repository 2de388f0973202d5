// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/strandel_batch_gimp.h"

#include <libgimp/gimpui.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "driver/batch_worker_gimp.h"
#include "driver/stored_chain_gimp.h"
#include "batch/registration.h"
#include "ui/strandel_batch_dialog.h"

namespace strandel {

namespace {

const char* const procedure_name = "plug-in-strandel-batch";

void message(GtkMessageType type, const std::string& text) {
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GtkDialogFlags(0), type, GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

std::string file_error(const char* what, const std::string& file, const std::string& reason) {
    return std::string("Could not ") + what + " '" + file + "': " + reason;
}

// Runs the benchmark behind the progress dialog and tells the user how it
// ended: nothing after a cancel, an error when the results could not all be
// written, "Operation Successful" otherwise.
void process_with_progress(const chain& passes, const std::vector<std::string>& benchmark,
                           const std::string& results_name, std::FILE* results) {
    batch_outcome outcome;
    const gint response = run_batch_with_progress(passes, benchmark, results, &outcome);
    if (!outcome.written)
        message(GTK_MESSAGE_ERROR, file_error("write", results_name, outcome.error));
    else if (response > 0)
        message(GTK_MESSAGE_INFO, "Operation Successful");
}

void run_interactive() {
    gimp_ui_init(procedure_name, FALSE);

    chain passes;
    restore_chain(procedure_name, passes);
    std::vector<std::string> benchmark;
    std::string results_name;
    if (!strandel_batch_dialog(passes, benchmark, results_name)) return;

    for (const std::string& name : benchmark) std::printf("BENCH: %s\n", name.c_str());
    std::printf("OUT =>%s\n", results_name.c_str());
    std::fflush(stdout);

    std::FILE* results = std::fopen(results_name.c_str(), "a");
    if (!results)
        message(GTK_MESSAGE_ERROR, file_error("open", results_name, std::strerror(errno)));
    else
        process_with_progress(passes, benchmark, results_name, results);
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

void query() {
    static const GimpParamDef param_def[] = {{GIMP_PDB_INT32, const_cast<gchar*>("run-mode"), const_cast<gchar*>("Run mode")}};
    // The status is every procedure's implicit first return value; declaring
    // it again would make GIMP report two statuses (Script-Fu then calls the
    // run an error).
    const char* blurb = "Segment a gray scale image by chaining algorithms.";
    gimp_install_procedure(procedure_name, blurb, blurb, "Strandel developers", "Strandel developers", "2026",
                           "_Strandel Segmentation (Batch Mode)", "", GIMP_PLUGIN, 1, 0, param_def, nullptr);
    gimp_plugin_menu_register(procedure_name, "<Toolbox>/Segmentation");
}

void run(const gchar* /*name*/, gint nparams, const GimpParam* params, gint* nreturn_vals, GimpParam** return_vals) {
    static GimpParam ret[1];
    ret[0].type = GIMP_PDB_STATUS;
    ret[0].data.d_status = GIMP_PDB_SUCCESS;
    *nreturn_vals = 1;
    *return_vals = ret;

    const gint32 run_mode = nparams > 0 ? params[0].data.d_int32 : gint32(GIMP_RUN_NONINTERACTIVE);
    register_passes();
    register_fitness_functions();
    if (run_mode != GIMP_RUN_INTERACTIVE) return;
    run_interactive();
}

}  // namespace strandel
