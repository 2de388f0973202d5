// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/strandel_dialog.h"

#include <libgimp/gimpui.h>

#include <cstdio>
#include <memory>

#include "evaluation/fitness_function.h"
#include "evaluation/manual_segmentation_gimp.h"
#include "evaluation/segmentation_painter_gimp.h"
#include "evaluation/supervised_matches.h"
#include "framework/chain.h"
#include "framework/pixel_region_gimp.h"
#include "ui/fitness_display.h"
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
    std::unique_ptr<gray_label_counts> counts;  // reused by every refresh
    // One value per registered measure, then the supervised one.
    std::vector<double> fitnesses;
    GtkWidget* fitness_indicator = nullptr;
    int active_fitness = 0;
    const pixel_classifier* current_classifier = nullptr;
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

void pixel_classifier_combo_changed_handler(GtkWidget* combo, gpointer data) {
    auto* state = static_cast<dialog_state*>(data);
    const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
    pixel_classifier_repertoire* repertoire = pixel_classifier_repertoire::instance();
    if (active < 0 || static_cast<std::size_t>(active) >= repertoire->size()) return;
    state->current_classifier = repertoire->at(static_cast<std::size_t>(active));
    if (state->preview) gimp_preview_invalidate(GIMP_PREVIEW(state->preview));
}

// The supervised measure of the visible area: mean best-match Jaccard
// index, with the labels and matches traced to standard output.
double supervised_measure(const gray_label_counts& counts, const histogram& h, const std::vector<double>& centres) {
    const supervised_matches s = match_labels(counts, h, centres);
    for (unsigned char level : s.levels) std::printf("%d ", level);
    std::printf("\n");
    for (std::size_t i = 0; i < s.matches.size() && i < s.levels.size(); ++i)
        std::printf("%d %g\n", s.levels[i], s.matches[i].second);
    std::printf("-------------------------\n");
    std::fflush(stdout);
    return jaccard_mean(s.matches);
}

// Re-segments the visible area with the current chain and paints it.
void invalidated_handler(GimpPreview* preview, gpointer data) {
    auto* state = static_cast<dialog_state*>(data);
    gint x = 0, y = 0, width = 0, height = 0;
    gimp_preview_get_position(preview, &x, &y);
    gimp_preview_get_size(preview, &width, &height);
    if (width <= 0 || height <= 0) return;
    GimpDrawable* drawable = state->drawable;
    gimp_tile_cache_ntiles(4 * (width / static_cast<int>(gimp_tile_width()) + 2));

    histogram h;
    const bool supervised = count_against_manual(drawable, state->ground_truth, x, y, width, height, &h,
                                                 state->counts.get());
    if (!supervised) compute_histogram(drawable, &h, x, y, width, height);
    const std::vector<std::vector<double>> outcome = chain_outcome(panel_chain(state->panels), h);
    const std::vector<double> centres = outcome.empty() ? std::vector<double>() : outcome.back();
    class_map classes;
    classify(h, centres, &classes);

    std::size_t i = 0;
    for (const fitness_function* f : *fitness_function_repertoire::instance())
        state->fitnesses[i++] = (*f)(h, centres, classes);
    if (state->ground_truth) state->fitnesses.back() = supervised ? supervised_measure(*state->counts, h, centres) : 0;
    update_fitness_indicator(state);

    const int bpp = static_cast<int>(drawable->bpp);
    const std::size_t row_bytes = static_cast<std::size_t>(width) * bpp;
    std::vector<unsigned char> picture(row_bytes * height);
    paint_segmentation(drawable, x, y, width, height, segmentation{&h, &centres, &classes}, state->current_classifier,
                       [&](int row_y, int rows, const unsigned char* bytes) {
                           std::copy(bytes, bytes + row_bytes * rows, picture.begin() + (row_y - y) * row_bytes);
                       });
    gimp_preview_draw_buffer(preview, picture.data(), static_cast<gint>(row_bytes));
}

GtkWidget* framed(const char* title, GtkWidget* child) {
    GtkWidget* frame = gtk_frame_new(title);
    gtk_container_add(GTK_CONTAINER(frame), child);
    return frame;
}

GtkWidget* padded_vbox(int spacing, int border) {
    GtkWidget* box = gtk_vbox_new(FALSE, spacing);
    gtk_container_set_border_width(GTK_CONTAINER(box), border);
    return box;
}

// A drawable of one or two bytes per pixel cannot show the class colours:
// its image goes to RGB. Item ids survive the conversion, so the drawable
// the procedure was called on stays the one segmented (not whichever
// happens to be active). When the conversion fails the drawable is painted
// in gray.
GimpDrawable* colour_drawable(GimpDrawable* drawable) {
    if (drawable->bpp > 2) return drawable;
    const gint32 id = drawable->drawable_id;
    const gint32 image = gimp_item_get_image(id);
    gimp_drawable_detach(drawable);
    if (!gimp_image_convert_rgb(image))
        std::fprintf(stderr, "strandel: image %d could not be converted to RGB; the preview shows gray levels\n", image);
    return gimp_drawable_get(id);
}

strandel_dialog_widgets build_dialog(dialog_state* state, const chain& passes) {
    strandel_dialog_widgets w;
    w.dialog = gimp_dialog_new("Strandel Segmenetation", "Strandel Segmentation", nullptr, GtkDialogFlags(0),
                               gimp_standard_help_func, "plug-in-strandel", GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
                               GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);

    w.preview = gimp_drawable_preview_new_from_drawable_id(state->drawable->drawable_id);
    state->preview = w.preview;
    g_signal_connect(w.preview, "invalidated", G_CALLBACK(invalidated_handler), state);

    GtkWidget* main_row = gtk_hbox_new(FALSE, 10);

    GtkWidget* performance_box = padded_vbox(0, 10);
    w.fitness_combo = fitness_combo(state->ground_truth != nullptr);
    g_signal_connect(w.fitness_combo, "changed", G_CALLBACK(fitness_combo_changed_handler), state);
    w.fitness_indicator = gtk_progress_bar_new();
    state->fitness_indicator = w.fitness_indicator;
    gtk_box_pack_start(GTK_BOX(performance_box), w.fitness_combo, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(performance_box), w.fitness_indicator, FALSE, FALSE, 0);
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.fitness_combo), 0);

    GtkWidget* preview_box = padded_vbox(10, 10);
    gtk_box_pack_start(GTK_BOX(preview_box), w.preview, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(preview_box), framed("Performance", performance_box), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(main_row), framed("Preview", preview_box), FALSE, FALSE, 0);

    GtkWidget* right = gtk_vbox_new(FALSE, 10);
    gtk_box_pack_start(GTK_BOX(right), create_algorithm_frame(&state->panels, passes), TRUE, TRUE, 0);
    w.pass_panel_vbox = state->panels.vbox;
    w.add_button = state->panels.add_button;

    GtkWidget* classifier_box = padded_vbox(0, 10);
    w.classifier_combo = gtk_combo_box_text_new();
    for (const pixel_classifier* c : *pixel_classifier_repertoire::instance())
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w.classifier_combo), c->label());
    g_signal_connect(w.classifier_combo, "changed", G_CALLBACK(pixel_classifier_combo_changed_handler), state);
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.classifier_combo), 0);
    gtk_box_pack_start(GTK_BOX(classifier_box), w.classifier_combo, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(right), framed("Pixel Classifier", classifier_box), FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(main_row), right, TRUE, TRUE, 0);

    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(w.dialog));
    gtk_box_pack_start(GTK_BOX(content), main_row, TRUE, TRUE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(content), 10);
    gtk_widget_show_all(main_row);
    gtk_window_set_default_size(GTK_WINDOW(w.dialog), 800, 400);

    // Every edit of the chain re-segments the preview.
    state->panels.on_chain_changed = [state] { gimp_preview_invalidate(GIMP_PREVIEW(state->preview)); };
    return w;
}

}  // namespace

bool strandel_dialog(GimpDrawable*& drawable, chain& passes, const pixel_classifier** classifier,
                     const std::function<void(const strandel_dialog_widgets&)>& on_built) {
    dialog_state state;
    state.fitnesses.assign(fitness_function_repertoire::instance()->size() + 1, 0.0);
    const gint32 image = gimp_item_get_image(drawable->drawable_id);
    state.ground_truth = load_manual_segmentation(image);
    if (state.ground_truth) state.counts = std::make_unique<gray_label_counts>();
    state.drawable = colour_drawable(drawable);

    const strandel_dialog_widgets widgets = build_dialog(&state, passes);
    if (on_built) on_built(widgets);
    const bool accepted = gimp_dialog_run(GIMP_DIALOG(widgets.dialog)) == GTK_RESPONSE_OK;
    if (accepted) {
        take_chain(&state.panels, passes);
        *classifier = state.current_classifier;
    }
    // The widgets go before the passes they are bound to.
    gtk_widget_destroy(widgets.dialog);
    drop_panel_passes(&state.panels);
    release_manual_segmentation(state.ground_truth);
    drawable = state.drawable;
    return accepted;
}

}  // namespace strandel
