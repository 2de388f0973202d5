// SPDX-License-Identifier: GPL-3.0-or-later
// Opens the batch dialog with a sample chain and a small benchmark, saves a
// picture of it, and closes it. Usage: batch_dialog_screenshot out.png
// [expanded.png] (the second picture with the first panel's parameters
// open). Run it under scripts/with-xvfb.sh.
#include <gtk/gtk.h>

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <cstdio>
#include <memory>

#include "passes/ainet_pass.h"
#include "passes/fcm_pass.h"
#include "passes/kmeans_pass.h"
#include "passes/pso_pass.h"
#include "ui/strandel_batch_dialog.h"
#include "ui_test_support.h"

using namespace strandel;
using namespace strandel::testing_ui;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s out.png [expanded.png]\n", argv[0]);
        return 2;
    }
    gtk_init(&argc, &argv);
    const std::string picture = argv[1];
    const std::string expanded_picture = argc > 2 ? argv[2] : "";

    pass_repertoire* repertoire = pass_repertoire::instance();
    repertoire->add(new ainet_pass());
    repertoire->add(new pso_pass());
    repertoire->add(new fcm_pass());
    repertoire->add(new kmeans_pass());
    chain passes;
    passes.append(std::make_unique<ainet_pass>());
    passes.append(std::make_unique<kmeans_pass>());
    passes.append(std::make_unique<fcm_pass>());
    std::vector<std::string> benchmark;
    std::string results_file;
    bool saved = false;

    ui_script script;
    strandel_batch_dialog(passes, benchmark, results_file, [&](const batch_dialog_widgets& w) {
        gtk_entry_set_text(GTK_ENTRY(GIMP_FILE_ENTRY(w.benchmark.result_file_entry)->entry),
                           "/home/user/results.txt");
        for (const char* file : {"/home/user/images/house.png", "/home/user/images/lena.png",
                                 "/home/user/images/peppers.png"}) {
            GtkTreeIter row;
            gtk_list_store_append(w.benchmark.list_store, &row);
            gtk_list_store_set(w.benchmark.list_store, &row, 0, GTK_STOCK_FILE, 1, file, -1);
        }
        script.wait_for("the dialog on screen", [w] { return gtk_widget_get_mapped(w.dialog) != 0; });
        script.wait_for("drawing to settle", [n = 0]() mutable {
            while (gtk_events_pending()) gtk_main_iteration();
            return ++n > 10;
        });
        script.act("take the picture", [&, w] { saved = save_window_picture(w.dialog, picture); });
        if (!expanded_picture.empty()) {
            script.act("open the first panel's parameters", [w] {
                GtkWidget* first = children_of(w.pass_panel_vbox).at(0);
                gtk_expander_set_expanded(GTK_EXPANDER(gtk_bin_get_child(GTK_BIN(first))), TRUE);
            });
            script.wait_for("drawing to settle", [n = 0]() mutable {
                while (gtk_events_pending()) gtk_main_iteration();
                return ++n > 10;
            });
            script.act("take the second picture", [&, w] {
                saved = saved && save_window_picture(w.dialog, expanded_picture);
            });
        }
        script.act("close", [w] { gtk_dialog_response(GTK_DIALOG(w.dialog), GTK_RESPONSE_CANCEL); });
        script.start();
    });
    if (!saved) std::fprintf(stderr, "could not save the picture to '%s'\n", picture.c_str());
    return saved ? 0 : 1;
}
