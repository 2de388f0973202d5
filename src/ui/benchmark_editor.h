// SPDX-License-Identifier: GPL-3.0-or-later
// The "Benchmark" frame of the batch dialog: the results file entry, the
// list of image files, and the buttons that add, remove, save and load them.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace strandel {

// The editor's widgets; all belong to `frame` and die with it.
struct benchmark_editor {
    GtkWidget* frame = nullptr;
    GtkListStore* list_store = nullptr;  // column 0 stock icon, column 1 file name
    GtkWidget* tree_view = nullptr;
    GtkWidget* result_file_entry = nullptr;
    GtkWidget* add_button = nullptr;
    GtkWidget* remove_button = nullptr;
    GtkWidget* save_button = nullptr;
    GtkWidget* open_button = nullptr;
};

// Builds the editor (frame not yet shown). File choosers and error messages
// are made transient for `parent`. `benchmark_filename` is the name of the
// list file last saved or opened; the string must outlive the frame.
benchmark_editor create_benchmark_editor(GtkWidget* parent, std::string* benchmark_filename);

// The file names of the list, first row first.
std::vector<std::string> benchmark_rows(GtkListStore* list_store);

// The text of the results file entry.
std::string results_file_name(GtkWidget* result_file_entry);

// A modal error message over `parent`, run until answered.
void show_error_message(GtkWidget* parent, const std::string& text);

}  // namespace strandel
