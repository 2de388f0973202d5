#include "ui/strandel_batch_dialog.h"

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <cstdio>
#include <map>

#include "ui/ui_build.h"

namespace strandel {
namespace {

// What the signal handlers of one running dialog share. Lives on the stack
// of the dialog call; `current` points at it only during that call.
struct dialog_state {
    // Every panel (its frame) with the pass it edits; owns those passes
    // until they are deleted or handed to the caller's chain.
    std::map<GtkWidget*, pass*> panel_pass;
    std::string benchmark_filename;
};

dialog_state* current = nullptr;

void value_changed_handler(GtkWidget*, void*) {}

pass* prototype_at(int index) {
    pass_repertoire* repertoire = pass_repertoire::instance();
    if (repertoire->size() == 0) return nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= repertoire->size()) index = 0;
    return repertoire->at(index);
}

void pass_combo_box_handler(GtkWidget* chooser, gpointer data) {
    GtkWidget* expander = static_cast<GtkWidget*>(data);
    pass* prototype = prototype_at(gtk_combo_box_get_active(GTK_COMBO_BOX(chooser)));
    if (!prototype) return;
    GtkWidget* panel = gtk_widget_get_parent(expander);
    auto entry = current->panel_pass.find(panel);
    if (entry == current->panel_pass.end()) return;

    // A fresh clone: the new pass starts from the algorithm's defaults, even
    // when the same algorithm is chosen again.
    pass* fresh = prototype->clone();
    GtkWidget* old_box = gtk_bin_get_child(GTK_BIN(expander));
    GtkWidget* new_box = ui_build(fresh, value_changed_handler);
    // The old widgets go first so that nothing can write into the old pass
    // once it is deleted.
    if (old_box) gtk_widget_destroy(old_box);
    delete entry->second;
    entry->second = fresh;
    gtk_container_add(GTK_CONTAINER(expander), new_box);
    gtk_widget_show(new_box);
}

GtkWidget* label_chooser(const char* label, GtkWidget* expander) {
    GtkWidget* chooser = gtk_combo_box_text_new();
    int selected = -1;
    int index = 0;
    for (pass* prototype : *pass_repertoire::instance()) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(chooser), prototype->label());
        if (selected < 0 && g_strcmp0(prototype->label(), label) == 0) selected = index;
        ++index;
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(chooser), selected < 0 ? 0 : selected);
    // Connected only now, so the initial selection keeps the panel's pass.
    g_signal_connect(chooser, "changed", G_CALLBACK(pass_combo_box_handler), expander);
    return chooser;
}

void remove_button_handler(GtkWidget*, gpointer data) {
    GtkWidget* panel = static_cast<GtkWidget*>(data);
    if (current->panel_pass.size() == 1) return;  // the chain keeps one pass
    auto entry = current->panel_pass.find(panel);
    pass* removed = nullptr;
    if (entry != current->panel_pass.end()) {
        removed = entry->second;
        current->panel_pass.erase(entry);
    }
    gtk_container_remove(GTK_CONTAINER(gtk_widget_get_parent(panel)), panel);
    delete removed;
}

int panel_position(GtkWidget* panel) {
    gint position = 0;
    gtk_container_child_get(GTK_CONTAINER(gtk_widget_get_parent(panel)), panel, "position",
                            &position, nullptr);
    return position;
}

void up_button_handler(GtkWidget*, gpointer data) {
    GtkWidget* panel = static_cast<GtkWidget*>(data);
    const int position = panel_position(panel);
    if (position > 0)
        gtk_box_reorder_child(GTK_BOX(gtk_widget_get_parent(panel)), panel, position - 1);
}

void down_button_handler(GtkWidget*, gpointer data) {
    GtkWidget* panel = static_cast<GtkWidget*>(data);
    GtkWidget* box = gtk_widget_get_parent(panel);
    GList* children = gtk_container_get_children(GTK_CONTAINER(box));
    const int count = g_list_length(children);
    g_list_free(children);
    const int position = panel_position(panel);
    if (position < count - 1)
        gtk_box_reorder_child(GTK_BOX(box), panel, position + 1);
    else
        std::printf("Nop!\n");
}

GtkWidget* pass_panel(pass* p) {
    GtkWidget* frame = gtk_frame_new("");
    GtkWidget* parameters = ui_build(p, value_changed_handler);
    current->panel_pass[frame] = p;

    GtkWidget* expander = gtk_expander_new("Parameters");
    GtkWidget* header = gtk_hbox_new(FALSE, 20);
    GtkWidget* chooser = label_chooser(p->label(), expander);
    gtk_box_pack_start(GTK_BOX(header), chooser, FALSE, FALSE, 0);

    GtkWidget* remove_button = gtk_button_new_from_stock(GTK_STOCK_REMOVE);
    GtkWidget* up_button = gtk_button_new_from_stock(GTK_STOCK_GO_UP);
    GtkWidget* down_button = gtk_button_new_from_stock(GTK_STOCK_GO_DOWN);
    g_signal_connect(remove_button, "clicked", G_CALLBACK(remove_button_handler), frame);
    g_signal_connect(up_button, "clicked", G_CALLBACK(up_button_handler), frame);
    g_signal_connect(down_button, "clicked", G_CALLBACK(down_button_handler), frame);
    // Packed from the right edge: "remove" ends up rightmost.
    for (GtkWidget* button : {remove_button, down_button, up_button})
        gtk_box_pack_end(GTK_BOX(header), button, FALSE, FALSE, 0);
    for (GtkWidget* w : {chooser, up_button, down_button, remove_button}) gtk_widget_show(w);

    gtk_container_set_border_width(GTK_CONTAINER(header), 10);
    gtk_frame_set_label_widget(GTK_FRAME(frame), header);
    gtk_widget_show(header);

    gtk_container_add(GTK_CONTAINER(expander), parameters);
    gtk_widget_show(parameters);
    gtk_container_set_border_width(GTK_CONTAINER(expander), 5);
    gtk_container_add(GTK_CONTAINER(frame), expander);
    gtk_widget_show(expander);
    gtk_widget_show(frame);
    return frame;
}

void append_panel(GtkWidget* box, pass* p) {
    GtkWidget* panel = pass_panel(p);
    gtk_box_pack_start(GTK_BOX(box), panel, FALSE, FALSE, 0);
    gtk_widget_show(panel);
}

void add_button_handler(GtkWidget*, gpointer data) {
    pass* prototype = prototype_at(0);
    if (prototype) append_panel(static_cast<GtkWidget*>(data), prototype->clone());
}

void for_each_callback(GtkWidget* panel, gpointer data) {
    auto* chain = static_cast<std::vector<pass*>*>(data);
    auto entry = current->panel_pass.find(panel);
    if (entry != current->panel_pass.end()) chain->push_back(entry->second);
}

GtkWidget* algorithm_frame(const std::vector<pass*>& chain, batch_dialog_widgets& widgets) {
    GtkWidget* box = gtk_vbox_new(FALSE, 5);
    widgets.pass_panel_vbox = box;
    for (const pass* p : chain) append_panel(box, p->clone());

    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_ALWAYS);
    gtk_container_set_border_width(GTK_CONTAINER(scrolled), 10);
    gtk_container_set_border_width(GTK_CONTAINER(box), 10);
    gtk_widget_show(scrolled);
    gtk_widget_show(box);

    GtkWidget* outer = gtk_vbox_new(FALSE, 0);
    widgets.add_button = gtk_button_new_from_stock(GTK_STOCK_ADD);
    g_signal_connect(widgets.add_button, "clicked", G_CALLBACK(add_button_handler), box);
    gtk_widget_show(widgets.add_button);
    gtk_box_pack_start(GTK_BOX(outer), box, TRUE, TRUE, 0);
    gtk_box_pack_end(GTK_BOX(outer), widgets.add_button, FALSE, FALSE, 10);
    gtk_widget_show(outer);
    gtk_scrolled_window_add_with_viewport(GTK_SCROLLED_WINDOW(scrolled), outer);

    GtkWidget* frame = gtk_frame_new("Algorithm");
    gtk_container_add(GTK_CONTAINER(frame), scrolled);
    gtk_widget_show(frame);
    return frame;
}

batch_dialog_widgets build_dialog(const std::vector<pass*>& chain) {
    batch_dialog_widgets widgets;
    widgets.dialog = gimp_dialog_new("Strandel Segmenetation (Batch Mode)", "Strandel Segmentation",
                                     nullptr, GtkDialogFlags(0), gimp_standard_help_func,
                                     "plug-in-strandel-batch", GTK_STOCK_CANCEL,
                                     GTK_RESPONSE_CANCEL, GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);

    GtkWidget* algorithm = algorithm_frame(chain, widgets);
    widgets.benchmark = create_benchmark_editor(widgets.dialog, &current->benchmark_filename);

    widgets.paned = gtk_vpaned_new();
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
bool accept(const batch_dialog_widgets& widgets, std::vector<pass*>& chain,
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
    for (pass* old : chain) delete old;
    chain.clear();
    gtk_container_foreach(GTK_CONTAINER(widgets.pass_panel_vbox), for_each_callback, &chain);
    current->panel_pass.clear();  // the chain owns those passes now
    benchmark = std::move(rows);
    return true;
}

}  // namespace

bool strandel_batch_dialog(std::vector<pass*>& chain, std::vector<std::string>& benchmark,
                           std::string& results_file,
                           const std::function<void(const batch_dialog_widgets&)>& on_built) {
    dialog_state state;
    dialog_state* outer_state = current;
    current = &state;
    const batch_dialog_widgets widgets = build_dialog(chain);
    if (on_built) on_built(widgets);

    bool accepted = false;
    while (gimp_dialog_run(GIMP_DIALOG(widgets.dialog)) == GTK_RESPONSE_OK) {
        accepted = accept(widgets, chain, benchmark, results_file);
        if (accepted) break;
    }
    // The widgets go before the passes they are bound to.
    gtk_widget_destroy(widgets.dialog);
    for (auto& entry : state.panel_pass) delete entry.second;
    current = outer_state;
    return accepted;
}

bool strandel_batch_dialog(std::vector<pass*>& chain, std::vector<std::string>& benchmark,
                           std::string& results_file) {
    return strandel_batch_dialog(chain, benchmark, results_file, nullptr);
}

}  // namespace strandel
