// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/result_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "evaluation/class_colors.h"
#include "evaluation/classification.h"
#include "evaluation/fitness_function.h"
#include "ui/fitness_display.h"
#include "ui/gtk_compat.h"

namespace strandel {
namespace {

// What the measure chooser's handler shows: per pass, every measure's value
// in repertoire order, and the pass's bar.
struct measure_table {
    std::vector<std::vector<double>> fitnesses;
    std::vector<GtkWidget*> indicators;
};

void fitness_combo_handler(GtkWidget* combo, gpointer data) {
    const auto* table = static_cast<const measure_table*>(data);
    const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
    if (active < 0) return;
    for (std::size_t i = 0; i < table->indicators.size(); ++i) {
        const std::vector<double>& values = table->fitnesses[i];
        if (static_cast<std::size_t>(active) < values.size())
            show_measure(table->indicators[i], values[static_cast<std::size_t>(active)], 4);
    }
}

std::string hex_colour(unsigned char r, unsigned char g, unsigned char b) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", r, g, b);
    return text;
}

std::vector<double> measures_of(const histogram& h, const std::vector<double>& centres) {
    class_map classes;
    classify(h, centres, &classes);
    std::vector<double> values;
    for (const fitness_function* f : *fitness_function_repertoire::instance())
        values.push_back((*f)(h, centres, classes));
    return values;
}

GtkListStore* class_store(const histogram& h, const std::vector<double>& centres,
                          const supervised_matches* supervised) {
    GtkListStore* store = gtk_list_store_new(class_table_columns, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_DOUBLE,
                                             G_TYPE_DOUBLE, G_TYPE_DOUBLE, G_TYPE_DOUBLE, G_TYPE_DOUBLE,
                                             G_TYPE_DOUBLE, G_TYPE_STRING);
    class_map classes;
    classify(h, centres, &classes);
    const double total = static_cast<double>(total_pixels(h));
    for (int k = 0; k < static_cast<int>(centres.size()); ++k) {
        double n = 0, s1 = 0, s2 = 0;
        const auto range = classes.equal_range(k);
        for (auto it = range.first; it != range.second; ++it) {
            const double g = it->second, c = h[it->second];
            n += c;
            s1 += c * g;
            s2 += c * g * g;
        }
        // An empty class has no mean: 0 / 0 shows as not-a-number.
        const double mean = s1 / n;
        const double variance = s2 / n - mean * mean;
        const rgb& colour = class_color(k);

        double jaccard = 0;
        std::string supervised_colour = "#FFFFFF";
        if (supervised) {
            const std::size_t n_matches = std::min(supervised->matches.size(), supervised->levels.size());
            for (std::size_t m = 0; m < n_matches; ++m) {
                if (supervised->matches[m].first != k) continue;
                jaccard = supervised->matches[m].second;
                const unsigned char level = supervised->levels[m];
                supervised_colour = hex_colour(level, level, level);
                break;
            }
        }
        GtkTreeIter row;
        gtk_list_store_append(store, &row);
        gtk_list_store_set(store, &row, column_colour, hex_colour(colour.r, colour.g, colour.b).c_str(),
                           column_swatch_text, " ", column_centre, centres[static_cast<std::size_t>(k)],
                           column_coverage, n / total * 100, column_mean, mean, column_variance, variance,
                           column_root_variance, std::sqrt(variance), column_jaccard, jaccard,
                           column_supervised_colour, supervised_colour.c_str(), -1);
    }
    return store;
}

void add_text_column(GtkWidget* view, const char* title, int text_column, int background_column = -1) {
    GtkCellRenderer* renderer = gtk_cell_renderer_text_new();
    GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(title, renderer, "text", text_column,
                                                                         nullptr);
    if (background_column >= 0) gtk_tree_view_column_add_attribute(column, renderer, "background", background_column);
    gtk_tree_view_append_column(GTK_TREE_VIEW(view), column);
}

}  // namespace

GtkWidget* pass_result(const histogram& h, const std::vector<double>& centres, const supervised_matches* supervised,
                       GtkWidget** indicator, GtkWidget** table) {
    GtkWidget* box = vbox_new(10);
    GtkListStore* store = class_store(h, centres, supervised);
    GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    g_object_unref(store);  // the view holds it
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(view)), GTK_SELECTION_NONE);
    add_text_column(view, "Colors", column_swatch_text, column_colour);
    add_text_column(view, "Centers", column_centre);
    add_text_column(view, "Pixel Coverage Ratio (%)", column_coverage);
    add_text_column(view, "Mean", column_mean);
    add_text_column(view, "Variance", column_variance);
    add_text_column(view, "Root Variance", column_root_variance);
    if (supervised) {
        add_text_column(view, "Jaccard Index", column_jaccard);
        add_text_column(view, "Supervised Class", column_swatch_text, column_supervised_colour);
    }

    GtkWidget* bar = progress_bar_new();
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), 0.6);
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(bar), "60%");
    GtkWidget* performance = hbox_new(10);
    gtk_box_pack_start(GTK_BOX(performance), gtk_label_new("Performance: "), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(performance), bar, FALSE, FALSE, 0);

    const std::string count = "Number of classes: " + std::to_string(centres.size());
    GtkWidget* count_label = gtk_label_new(count.c_str());
    label_align_top_left(count_label);

    gtk_box_pack_start(GTK_BOX(box), count_label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), view, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(box), performance, FALSE, FALSE, 0);
    gtk_widget_show_all(box);
    if (indicator) *indicator = bar;
    if (table) *table = view;
    return box;
}

void result_dialog(const chain& algo, const histogram& h,
                   const std::vector<std::vector<double>>& outcome, const supervised_matches* supervised,
                   const std::function<void(const result_dialog_widgets&)>& on_built) {
    if (algo.size() != outcome.size()) {
        // A caller bug: there would be passes without centres to show.
        std::fprintf(stderr, "result_dialog: algo.size()==outcome.size() does not hold (%zu passes, %zu centre lists)\n",
                     algo.size(), outcome.size());
        std::abort();
    }
    result_dialog_widgets widgets;
    widgets.dialog = gtk_dialog_new_with_buttons("Results", nullptr, GtkDialogFlags(0), stock_text(ui_stock::ok),
                                                 GTK_RESPONSE_ACCEPT, nullptr);
    GtkWidget* box = vbox_new(0);
    gtk_container_set_border_width(GTK_CONTAINER(box), 10);
    GtkWidget* chooser_row = hbox_new(10);
    widgets.fitness_combo = fitness_combo(false);
    gtk_box_pack_start(GTK_BOX(chooser_row), gtk_label_new("Fitness Function"), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(chooser_row), widgets.fitness_combo, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), chooser_row, FALSE, FALSE, 10);

    auto table = std::make_unique<measure_table>();
    for (std::size_t i = 0; i < algo.size(); ++i) {
        const bool last = i + 1 == algo.size();
        GtkWidget* indicator = nullptr;
        GtkWidget* view = nullptr;
        GtkWidget* content = pass_result(h, outcome[i], last ? supervised : nullptr, &indicator, &view);
        const std::string title = std::string("After ") + algo[i].label();
        GtkWidget* frame = gtk_frame_new(title.c_str());
        GtkWidget* expander = gtk_expander_new("Results");
        gtk_container_set_border_width(GTK_CONTAINER(expander), 10);
        gtk_container_add(GTK_CONTAINER(expander), content);
        gtk_container_add(GTK_CONTAINER(frame), expander);
        gtk_expander_set_expanded(GTK_EXPANDER(expander), last);
        gtk_box_pack_start(GTK_BOX(box), frame, FALSE, FALSE, 0);

        widgets.frames.push_back(frame);
        widgets.expanders.push_back(expander);
        widgets.tables.push_back(view);
        widgets.indicators.push_back(indicator);
        table->indicators.push_back(indicator);
        table->fitnesses.push_back(measures_of(h, outcome[i]));
    }
    g_signal_connect(widgets.fitness_combo, "changed", G_CALLBACK(fitness_combo_handler), table.get());

    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    gtk_container_set_border_width(GTK_CONTAINER(scrolled), 10);
    scrolled_add(scrolled, box);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(widgets.dialog));
    gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 0);
    gtk_widget_show_all(scrolled);
    gtk_widget_show_all(chooser_row);

    gtk_combo_box_set_active(GTK_COMBO_BOX(widgets.fitness_combo), 0);
    gtk_window_set_default_size(GTK_WINDOW(widgets.dialog), 700, 400);
    if (on_built) on_built(widgets);
    gtk_dialog_run(GTK_DIALOG(widgets.dialog));
    gtk_widget_destroy(widgets.dialog);
}

}  // namespace strandel
