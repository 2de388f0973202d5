// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/benchmark_editor.h"

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <cstdio>

#include "batch/benchmark_list.h"
#include "ui/gtk_compat.h"

namespace strandel {
namespace {

enum { icon_column, file_column, column_count };
const char* const proposed_benchmark_name = "untitled_benchmark.list";

// What the button handlers share; lives as long as the frame.
struct editor_state {
    GtkWidget* parent;
    std::string* benchmark_filename;
    GtkListStore* list_store;
    GtkWidget* tree_view;
};

void free_editor_state(gpointer state) { delete static_cast<editor_state*>(state); }

void append_row(GtkListStore* store, const char* file_name) {
    GtkTreeIter row;
    gtk_list_store_append(store, &row);
    gtk_list_store_set(store, &row, file_column, file_name, icon_column, file_icon(), -1);
}

// The chooser's file name, or empty when it has none that is a local path.
std::string chosen_file(GtkWidget* chooser) {
    gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
    std::string result = name ? name : "";
    g_free(name);
    return result;
}

void add_files_button_handler(GtkWidget*, gpointer data) {
    auto* state = static_cast<editor_state*>(data);
    GtkWidget* chooser = gtk_file_chooser_dialog_new(
        "Add Files", GTK_WINDOW(state->parent), GTK_FILE_CHOOSER_ACTION_OPEN, stock_text(ui_stock::cancel),
        GTK_RESPONSE_CANCEL, stock_text(ui_stock::open), GTK_RESPONSE_ACCEPT, nullptr);
    gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(chooser), TRUE);
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        GSList* names = gtk_file_chooser_get_filenames(GTK_FILE_CHOOSER(chooser));
        for (GSList* item = names; item; item = item->next) {
            auto* name = static_cast<gchar*>(item->data);
            std::printf("Got %s\n", name);
            append_row(state->list_store, name);
            g_free(name);
        }
        g_slist_free(names);
    }
    gtk_widget_destroy(chooser);
}

void remove_files_button_handler(GtkWidget*, gpointer data) {
    auto* state = static_cast<editor_state*>(data);
    GtkTreeModel* model = GTK_TREE_MODEL(state->list_store);
    GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(state->tree_view));
    // Row references stay valid while the rows before them go away.
    GList* paths = gtk_tree_selection_get_selected_rows(selection, nullptr);
    GList* references = nullptr;
    for (GList* item = paths; item; item = item->next) {
        auto* path = static_cast<GtkTreePath*>(item->data);
        references = g_list_append(references, gtk_tree_row_reference_new(model, path));
        gtk_tree_path_free(path);
    }
    g_list_free(paths);
    for (GList* item = references; item; item = item->next) {
        auto* reference = static_cast<GtkTreeRowReference*>(item->data);
        GtkTreePath* path = gtk_tree_row_reference_get_path(reference);
        GtkTreeIter row;
        if (path && gtk_tree_model_get_iter(model, &row, path))
            gtk_list_store_remove(state->list_store, &row);
        gtk_tree_path_free(path);
        gtk_tree_row_reference_free(reference);
    }
    g_list_free(references);
    std::printf("Remove files\n");
}

void save_files_button_handler(GtkWidget*, gpointer data) {
    auto* state = static_cast<editor_state*>(data);
    GtkWidget* chooser = gtk_file_chooser_dialog_new(
        "Save Benchmark", GTK_WINDOW(state->parent), GTK_FILE_CHOOSER_ACTION_SAVE,
        stock_text(ui_stock::cancel), GTK_RESPONSE_CANCEL, stock_text(ui_stock::save), GTK_RESPONSE_ACCEPT, nullptr);
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), TRUE);
    if (state->benchmark_filename->empty())
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), proposed_benchmark_name);
    else
        gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser),
                                      state->benchmark_filename->c_str());
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        const std::string file = chosen_file(chooser);
        std::string error;
        if (file.empty())
            show_error_message(state->parent, "Could not open '': No file name was given");
        else if (!write_benchmark_list(file, benchmark_rows(state->list_store), &error))
            show_error_message(state->parent, error);
        else
            *state->benchmark_filename = file;
    }
    gtk_widget_destroy(chooser);
}

void open_files_button_handler(GtkWidget*, gpointer data) {
    auto* state = static_cast<editor_state*>(data);
    GtkWidget* chooser = gtk_file_chooser_dialog_new(
        "Open Benchmark", GTK_WINDOW(state->parent), GTK_FILE_CHOOSER_ACTION_OPEN,
        stock_text(ui_stock::cancel), GTK_RESPONSE_CANCEL, stock_text(ui_stock::open), GTK_RESPONSE_ACCEPT, nullptr);
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        const std::string file = chosen_file(chooser);
        std::vector<std::string> names;
        std::string error;
        if (file.empty()) {
            show_error_message(state->parent, "Could not open '': No file name was given");
        } else if (!read_benchmark_list(file, names, &error)) {
            show_error_message(state->parent, error);
        } else {
            gtk_list_store_clear(state->list_store);
            for (const std::string& name : names) append_row(state->list_store, name.c_str());
            *state->benchmark_filename = file;
        }
    }
    gtk_widget_destroy(chooser);
}

#if GTK_CHECK_VERSION(3, 0, 0)
// GIMP 3 has no file entry of GIMP 2.10's kind: an entry for the name and a
// button that opens a chooser to fill it in.
const char* const results_entry_key = "strandel-results-entry";

void browse_results_handler(GtkWidget* button, gpointer data) {
    GtkEntry* entry = GTK_ENTRY(data);
    GtkWidget* chooser = gtk_file_chooser_dialog_new(
        "Save results to", GTK_WINDOW(gtk_widget_get_toplevel(button)), GTK_FILE_CHOOSER_ACTION_SAVE,
        stock_text(ui_stock::cancel), GTK_RESPONSE_CANCEL, stock_text(ui_stock::ok), GTK_RESPONSE_ACCEPT, nullptr);
    if (*gtk_entry_get_text(entry)) gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), gtk_entry_get_text(entry));
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        const std::string file = chosen_file(chooser);
        if (!file.empty()) gtk_entry_set_text(entry, file.c_str());
    }
    gtk_widget_destroy(chooser);
}

GtkWidget* results_entry_new() {
    GtkWidget* row = hbox_new(4);
    GtkWidget* entry = gtk_entry_new();
    GtkWidget* browse = gtk_button_new_with_mnemonic("_Browse...");
    gtk_widget_set_tooltip_text(browse, "Save results to");
    g_signal_connect(browse, "clicked", G_CALLBACK(browse_results_handler), entry);
    gtk_box_pack_start(GTK_BOX(row), entry, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(row), browse, FALSE, FALSE, 0);
    gtk_widget_show(entry);
    gtk_widget_show(browse);
    g_object_set_data(G_OBJECT(row), results_entry_key, entry);
    return row;
}

std::string results_entry_text(GtkWidget* row) {
    auto* entry = static_cast<GtkEntry*>(g_object_get_data(G_OBJECT(row), results_entry_key));
    return entry ? gtk_entry_get_text(entry) : "";
}
#else
GtkWidget* results_entry_new() { return gimp_file_entry_new("Save results to", "", FALSE, FALSE); }

std::string results_entry_text(GtkWidget* entry) {
    gchar* name = gimp_file_entry_get_filename(GIMP_FILE_ENTRY(entry));
    std::string result = name ? name : "";
    g_free(name);
    return result;
}
#endif

GtkWidget* stock_button(ui_stock item, GCallback handler, editor_state* state) {
    GtkWidget* button = stock_button_new(item);
    g_signal_connect(button, "clicked", handler, state);
    return button;
}

}  // namespace

benchmark_editor create_benchmark_editor(GtkWidget* parent, std::string* benchmark_filename) {
    benchmark_editor editor;
    auto* state = new editor_state{parent, benchmark_filename, nullptr, nullptr};

    editor.list_store = gtk_list_store_new(column_count, G_TYPE_STRING, G_TYPE_STRING);
    editor.tree_view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(editor.list_store));
    g_object_unref(editor.list_store);  // the view holds it from here on
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(editor.tree_view)),
                                GTK_SELECTION_MULTIPLE);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(editor.tree_view), -1, " ",
                                                gtk_cell_renderer_pixbuf_new(), file_icon_attribute(),
                                                icon_column, nullptr);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(editor.tree_view), -1, "Files",
                                                gtk_cell_renderer_text_new(), "text",
                                                file_column, nullptr);
    state->list_store = editor.list_store;
    state->tree_view = editor.tree_view;

    editor.result_file_entry = results_entry_new();
    GtkWidget* results_label = gtk_label_new("Save results to: ");
    GtkWidget* results_row = hbox_new(0);
    gtk_box_pack_start(GTK_BOX(results_row), results_label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(results_row), editor.result_file_entry, TRUE, TRUE, 0);
    gtk_widget_show(editor.result_file_entry);
    gtk_widget_show(results_label);

    GtkWidget* button_row = hbox_new(10);
    editor.save_button = stock_button(ui_stock::save, G_CALLBACK(save_files_button_handler), state);
    editor.open_button = stock_button(ui_stock::open, G_CALLBACK(open_files_button_handler), state);
    editor.add_button = stock_button(ui_stock::add, G_CALLBACK(add_files_button_handler), state);
    editor.remove_button =
        stock_button(ui_stock::remove, G_CALLBACK(remove_files_button_handler), state);
    GtkWidget* separator = vseparator_new();
    for (GtkWidget* w : {editor.add_button, editor.remove_button, separator, editor.save_button,
                         editor.open_button}) {
        gtk_box_pack_start(GTK_BOX(button_row), w, FALSE, FALSE, 0);
        gtk_widget_show(w);
    }

    GtkWidget* vbox = vbox_new(5);
    gtk_box_pack_start(GTK_BOX(vbox), results_row, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(vbox), button_row, FALSE, FALSE, 0);
    gtk_widget_show(results_row);

    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    scrolled_add(scrolled, editor.tree_view);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_widget_show(editor.tree_view);
    gtk_box_pack_start(GTK_BOX(vbox), scrolled, TRUE, TRUE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(vbox), 10);
    gtk_widget_show(button_row);
    gtk_widget_show(scrolled);

    editor.frame = gtk_frame_new("Benchmark");
    gtk_container_add(GTK_CONTAINER(editor.frame), vbox);
    gtk_widget_show(vbox);
    g_object_set_data_full(G_OBJECT(editor.frame), "strandel-benchmark-editor", state,
                           free_editor_state);
    return editor;
}

std::vector<std::string> benchmark_rows(GtkListStore* list_store) {
    std::vector<std::string> rows;
    GtkTreeModel* model = GTK_TREE_MODEL(list_store);
    GtkTreeIter row;
    for (gboolean valid = gtk_tree_model_get_iter_first(model, &row); valid;
         valid = gtk_tree_model_iter_next(model, &row)) {
        gchar* name = nullptr;
        gtk_tree_model_get(model, &row, file_column, &name, -1);
        rows.emplace_back(name ? name : "");
        g_free(name);
    }
    return rows;
}

std::string results_file_name(GtkWidget* result_file_entry) { return results_entry_text(result_file_entry); }

void show_error_message(GtkWidget* parent, const std::string& text) {
    GtkWidget* message =
        gtk_message_dialog_new(GTK_WINDOW(parent), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                               GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_dialog_run(GTK_DIALOG(message));
    gtk_widget_destroy(message);
}

}  // namespace strandel
