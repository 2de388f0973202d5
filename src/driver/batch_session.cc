// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/batch_session.h"

#include <gtk/gtk.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/batch_worker_gimp.h"
#include "ui/strandel_batch_dialog.h"

namespace strandel {

namespace {

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

}  // namespace

void run_batch_session(chain& passes) {
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

}  // namespace strandel
