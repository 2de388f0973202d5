// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pass_panels.h"

#include <cstdio>
#include <memory>

#include "ui/gtk_compat.h"
#include "ui/ui_build.h"

namespace strandel {
namespace {

// The panel box carries its editor's state, so that every handler finds the
// editor it belongs to, whichever dialog it sits in.
const char* const panels_key = "strandel-pass-panels";

pass_panels* panels_of(GtkWidget* widget) {
    for (GtkWidget* w = widget; w; w = gtk_widget_get_parent(w))
        if (void* data = g_object_get_data(G_OBJECT(w), panels_key)) return static_cast<pass_panels*>(data);
    return nullptr;
}

struct reordering {
    pass_panels* panels;
    chain ordered;
};

void take_in_screen_order(GtkWidget* panel, gpointer data) {
    auto* r = static_cast<reordering*>(data);
    auto entry = r->panels->panel_pass.find(panel);
    if (entry != r->panels->panel_pass.end()) r->ordered.append(r->panels->passes.take(entry->second));
}

// Brings the passes into the panels' screen order (the passes themselves
// stay where they are, so the panels' widgets keep writing into them).
void follow_screen_order(pass_panels* panels) {
    reordering r{panels, chain()};
    gtk_container_foreach(GTK_CONTAINER(panels->vbox), take_in_screen_order, &r);
    panels->passes = std::move(r.ordered);
}

void chain_changed(pass_panels* panels) {
    if (!panels) return;
    follow_screen_order(panels);
    if (panels->on_chain_changed) panels->on_chain_changed();
}

// ui_build's callback: the parameter already holds the new value.
void value_changed_handler(GtkWidget* widget, void*) { chain_changed(panels_of(widget)); }

pass* prototype_at(int index) {
    pass_repertoire* repertoire = pass_repertoire::instance();
    if (repertoire->size() == 0) return nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= repertoire->size()) index = 0;
    return repertoire->at(index);
}

void pass_combo_box_handler(GtkWidget* chooser, gpointer data) {
    GtkWidget* expander = static_cast<GtkWidget*>(data);
    pass_panels* panels = panels_of(expander);
    pass* prototype = prototype_at(gtk_combo_box_get_active(GTK_COMBO_BOX(chooser)));
    if (!panels || !prototype) return;
    GtkWidget* panel = gtk_widget_get_parent(expander);
    auto entry = panels->panel_pass.find(panel);
    if (entry == panels->panel_pass.end()) return;

    // A fresh clone: the new pass starts from the algorithm's defaults, even
    // when the same algorithm is chosen again.
    std::unique_ptr<pass> fresh(prototype->clone());
    GtkWidget* old_box = gtk_bin_get_child(GTK_BIN(expander));
    GtkWidget* new_box = ui_build(fresh.get(), value_changed_handler);
    // The old widgets go first so that nothing can write into the old pass
    // once it is gone.
    if (old_box) gtk_widget_destroy(old_box);
    pass* old = entry->second;
    entry->second = fresh.get();
    panels->passes.replace(old, std::move(fresh));
    gtk_container_add(GTK_CONTAINER(expander), new_box);
    gtk_widget_show(new_box);
    chain_changed(panels);
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
    pass_panels* panels = panels_of(panel);
    if (!panels || panels->panel_pass.size() == 1) return;  // the chain keeps one pass
    auto entry = panels->panel_pass.find(panel);
    // Held until the panel's widgets, which write into it, are gone.
    std::unique_ptr<pass> removed;
    if (entry != panels->panel_pass.end()) {
        removed = panels->passes.take(entry->second);
        panels->panel_pass.erase(entry);
    }
    gtk_container_remove(GTK_CONTAINER(gtk_widget_get_parent(panel)), panel);
    chain_changed(panels);
}

int panel_position(GtkWidget* panel) {
    gint position = 0;
    gtk_container_child_get(GTK_CONTAINER(gtk_widget_get_parent(panel)), panel, "position", &position, nullptr);
    return position;
}

void up_button_handler(GtkWidget*, gpointer data) {
    GtkWidget* panel = static_cast<GtkWidget*>(data);
    const int position = panel_position(panel);
    if (position <= 0) return;
    gtk_box_reorder_child(GTK_BOX(gtk_widget_get_parent(panel)), panel, position - 1);
    chain_changed(panels_of(panel));
}

void down_button_handler(GtkWidget*, gpointer data) {
    GtkWidget* panel = static_cast<GtkWidget*>(data);
    GtkWidget* box = gtk_widget_get_parent(panel);
    GList* children = gtk_container_get_children(GTK_CONTAINER(box));
    const int count = g_list_length(children);
    g_list_free(children);
    const int position = panel_position(panel);
    if (position < count - 1) {
        gtk_box_reorder_child(GTK_BOX(box), panel, position + 1);
        chain_changed(panels_of(panel));
    } else {
        std::printf("Nop!\n");
    }
}

GtkWidget* pass_panel(pass_panels* panels, pass* p) {
    GtkWidget* frame = gtk_frame_new("");
    GtkWidget* parameters = ui_build(p, value_changed_handler);
    panels->panel_pass[frame] = p;

    GtkWidget* expander = gtk_expander_new("Parameters");
    GtkWidget* header = hbox_new(20);
    GtkWidget* chooser = label_chooser(p->label(), expander);
    gtk_box_pack_start(GTK_BOX(header), chooser, FALSE, FALSE, 0);

    GtkWidget* remove_button = stock_button_new(ui_stock::remove);
    GtkWidget* up_button = stock_button_new(ui_stock::up);
    GtkWidget* down_button = stock_button_new(ui_stock::down);
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

void append_panel(pass_panels* panels, std::unique_ptr<pass> owned) {
    pass* p = owned.get();
    panels->passes.append(std::move(owned));
    GtkWidget* panel = pass_panel(panels, p);
    gtk_box_pack_start(GTK_BOX(panels->vbox), panel, FALSE, FALSE, 0);
    gtk_widget_show(panel);
}

void add_button_handler(GtkWidget*, gpointer data) {
    pass_panels* panels = panels_of(static_cast<GtkWidget*>(data));
    pass* prototype = prototype_at(0);
    if (!panels || !prototype) return;
    append_panel(panels, std::unique_ptr<pass>(prototype->clone()));
    chain_changed(panels);
}

}  // namespace

GtkWidget* create_algorithm_frame(pass_panels* panels, const chain& shown) {
    panels->vbox = vbox_new(5);
    g_object_set_data(G_OBJECT(panels->vbox), panels_key, panels);
    for (const pass& p : shown) append_panel(panels, std::unique_ptr<pass>(p.clone()));

    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC, GTK_POLICY_ALWAYS);
    scrolled_natural_width(scrolled);
    gtk_container_set_border_width(GTK_CONTAINER(scrolled), 10);
    gtk_container_set_border_width(GTK_CONTAINER(panels->vbox), 10);
    gtk_widget_show(scrolled);
    gtk_widget_show(panels->vbox);

    GtkWidget* outer = vbox_new(0);
    panels->add_button = stock_button_new(ui_stock::add);
    g_signal_connect(panels->add_button, "clicked", G_CALLBACK(add_button_handler), panels->vbox);
    gtk_widget_show(panels->add_button);
    gtk_box_pack_start(GTK_BOX(outer), panels->vbox, TRUE, TRUE, 0);
    gtk_box_pack_end(GTK_BOX(outer), panels->add_button, FALSE, FALSE, 10);
    gtk_widget_show(outer);
    scrolled_add(scrolled, outer);

    GtkWidget* frame = gtk_frame_new("Algorithm");
    gtk_container_add(GTK_CONTAINER(frame), scrolled);
    gtk_widget_show(frame);
    return frame;
}

const chain& panel_chain(const pass_panels& panels) { return panels.passes; }

void take_chain(pass_panels* panels, chain& taken) {
    taken = std::move(panels->passes);
    panels->passes.clear();
    panels->panel_pass.clear();
}

void drop_panel_passes(pass_panels* panels) {
    panels->passes.clear();
    panels->panel_pass.clear();
}

}  // namespace strandel
