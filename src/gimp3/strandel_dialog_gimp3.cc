// SPDX-License-Identifier: GPL-3.0-or-later
#include "gimp3/strandel_dialog_gimp3.h"

#include <libgimp/gimpui.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "evaluation/classification.h"
#include "evaluation/fitness_function.h"
#include "evaluation/supervised_matches.h"
#include "gimp3/drawable_rows_gimp3.h"
#include "gimp3/image_files_gimp3.h"
#include "gimp3/segment_drawable_gimp3.h"
#include "ui/fitness_display.h"
#include "ui/gtk_compat.h"
#include "ui/pass_panels.h"

namespace strandel {
namespace {

// What the handlers of one running dialog share; lives on the stack of the
// dialog call and reaches the handlers as their user data.
struct dialog_state {
    pass_panels panels;
    GimpDrawable* drawable = nullptr;
    GtkWidget* preview = nullptr;
    GimpDrawable* ground_truth = nullptr;
    gray_label_counts counts;  // reused by every refresh
    // One value per registered measure, then the supervised one.
    std::vector<double> fitnesses;
    GtkWidget* fitness_indicator = nullptr;
    int active_fitness = 0;
    pixel_rule rule = pixel_rule::pure;
};

void update_fitness_indicator(dialog_state* state) {
    if (state->active_fitness < 0 || state->active_fitness >= static_cast<int>(state->fitnesses.size())) return;
    show_measure(state->fitness_indicator, state->fitnesses[static_cast<std::size_t>(state->active_fitness)], 6);
}

void fitness_combo_changed_handler(GtkWidget* combo, gpointer data) {
    auto* state = static_cast<dialog_state*>(data);
    const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
    if (active < 0) return;
    state->active_fitness = active;
    update_fitness_indicator(state);
}

void classifier_combo_changed_handler(GtkWidget* combo, gpointer data) {
    auto* state = static_cast<dialog_state*>(data);
    const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
    if (active < 0 || active >= int(G_N_ELEMENTS(pixel_classifiers))) return;
    state->rule = pixel_classifiers[active].rule;
    if (state->preview) gimp_preview_invalidate(GIMP_PREVIEW(state->preview));
}

// Re-segments the visible area with the current chain and paints it.
void invalidated_handler(GimpPreview* preview, gpointer data) {
    auto* state = static_cast<dialog_state*>(data);
    gint x = 0, y = 0, width = 0, height = 0;
    gimp_preview_get_position(preview, &x, &y);
    gimp_preview_get_size(preview, &width, &height);
    if (width <= 0 || height <= 0) return;
    GimpDrawable* drawable = state->drawable;

    histogram h;
    const bool supervised =
        state->ground_truth && drawable_label_pairs(drawable, state->ground_truth, x, y, width, height, &h, &state->counts);
    if (!supervised) drawable_histogram(drawable, x, y, width, height, &h);
    const std::vector<std::vector<double>> outcome = chain_outcome(panel_chain(state->panels), h);
    const std::vector<double> centres = outcome.empty() ? std::vector<double>() : outcome.back();
    class_map classes;
    classify(h, centres, &classes);

    std::size_t i = 0;
    for (const fitness_function* f : *fitness_function_repertoire::instance())
        state->fitnesses[i++] = (*f)(h, centres, classes);
    if (state->ground_truth)
        state->fitnesses.back() = supervised ? jaccard_mean(match_labels(state->counts, h, centres).matches) : 0;
    update_fitness_indicator(state);

    const std::size_t row_bytes = std::size_t(width) * std::size_t(drawable_bpp(drawable));
    std::vector<unsigned char> picture(row_bytes * std::size_t(height));
    paint_drawable_area(drawable, x, y, width, height, centres, state->rule,
                        [&](int row_y, int rows, const unsigned char* bytes) {
                            std::copy(bytes, bytes + row_bytes * std::size_t(rows),
                                      picture.begin() + std::ptrdiff_t(std::size_t(row_y - y) * row_bytes));
                        });
    gimp_preview_draw_buffer(preview, picture.data(), gint(row_bytes));
}

GtkWidget* framed(const char* title, GtkWidget* child) {
    GtkWidget* frame = gtk_frame_new(title);
    gtk_container_add(GTK_CONTAINER(frame), child);
    return frame;
}

GtkWidget* padded_vbox(int spacing, int border) {
    GtkWidget* box = vbox_new(spacing);
    gtk_container_set_border_width(GTK_CONTAINER(box), border);
    return box;
}

GtkWidget* performance_box(dialog_state* state) {
    GtkWidget* box = padded_vbox(0, 10);
    GtkWidget* combo = fitness_combo(state->ground_truth != nullptr);
    g_signal_connect(combo, "changed", G_CALLBACK(fitness_combo_changed_handler), state);
    state->fitness_indicator = progress_bar_new();
    gtk_box_pack_start(GTK_BOX(box), combo, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), state->fitness_indicator, FALSE, FALSE, 0);
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
    return box;
}

GtkWidget* classifier_box(dialog_state* state) {
    GtkWidget* box = padded_vbox(0, 10);
    GtkWidget* combo = gtk_combo_box_text_new();
    for (const classifier_choice& c : pixel_classifiers)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), c.label);
    g_signal_connect(combo, "changed", G_CALLBACK(classifier_combo_changed_handler), state);
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
    gtk_box_pack_start(GTK_BOX(box), combo, FALSE, FALSE, 0);
    return box;
}

GtkWidget* build_dialog(dialog_state* state, const chain& passes) {
    GtkWidget* dialog = gimp_dialog_new("Strandel Segmenetation", "Strandel Segmentation", nullptr, GtkDialogFlags(0),
                                        gimp_standard_help_func, "plug-in-strandel", stock_text(ui_stock::cancel),
                                        GTK_RESPONSE_CANCEL, stock_text(ui_stock::ok), GTK_RESPONSE_OK, nullptr);
    state->preview = gimp_drawable_preview_new_from_drawable(state->drawable);
    g_signal_connect(state->preview, "invalidated", G_CALLBACK(invalidated_handler), state);

    GtkWidget* preview_box = padded_vbox(10, 10);
    gtk_box_pack_start(GTK_BOX(preview_box), state->preview, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(preview_box), framed("Performance", performance_box(state)), FALSE, FALSE, 0);
    GtkWidget* main_row = hbox_new(10);
    gtk_box_pack_start(GTK_BOX(main_row), framed("Preview", preview_box), FALSE, FALSE, 0);

    GtkWidget* right = vbox_new(10);
    gtk_box_pack_start(GTK_BOX(right), create_algorithm_frame(&state->panels, passes), TRUE, TRUE, 0);
    gtk_box_pack_end(GTK_BOX(right), framed("Pixel Classifier", classifier_box(state)), FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(main_row), right, TRUE, TRUE, 0);

    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_box_pack_start(GTK_BOX(content), main_row, TRUE, TRUE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(content), 10);
    gtk_widget_show_all(main_row);
    gtk_window_set_default_size(GTK_WINDOW(dialog), 800, 400);

    // Every edit of the chain re-segments the preview.
    state->panels.on_chain_changed = [state] { gimp_preview_invalidate(GIMP_PREVIEW(state->preview)); };
    return dialog;
}

// A gray drawable cannot show the class colours: its image goes to RGB
// (GIMP 3 keeps the drawable object through the conversion). When the
// conversion fails the drawable is painted in gray.
void show_in_colour(GimpDrawable* drawable) {
    if (!gimp_drawable_is_gray(drawable)) return;
    GimpImage* image = gimp_item_get_image(GIMP_ITEM(drawable));
    if (!gimp_image_convert_rgb(image))
        std::fprintf(stderr, "strandel: image %d could not be converted to RGB; the preview shows gray levels\n",
                     gimp_image_get_id(image));
}

}  // namespace

bool strandel_dialog(GimpDrawable* drawable, chain& passes, pixel_rule* rule) {
    dialog_state state;
    state.fitnesses.assign(fitness_function_repertoire::instance()->size() + 1, 0.0);
    state.ground_truth = load_manual_segmentation(gimp_item_get_image(GIMP_ITEM(drawable)));
    show_in_colour(drawable);
    state.drawable = drawable;

    GtkWidget* dialog = build_dialog(&state, passes);
    const bool accepted = gimp_dialog_run(GIMP_DIALOG(dialog)) == GTK_RESPONSE_OK;
    if (accepted) {
        take_chain(&state.panels, passes);
        *rule = state.rule;
    }
    // The widgets go before the passes they are bound to.
    gtk_widget_destroy(dialog);
    drop_panel_passes(&state.panels);
    release_manual_segmentation(state.ground_truth);
    return accepted;
}

}  // namespace strandel
