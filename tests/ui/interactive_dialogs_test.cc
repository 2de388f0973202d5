// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of the interactive procedure's dialogs that need no running
// GIMP: the chain editor's change notices, the measure chooser and bar, and
// the result dialog.
#include <gtest/gtest.h>

#include <cmath>

#include "batch/registration.h"
#include "evaluation/fitness_function.h"
#include "test_passes.h"
#include "ui/fitness_display.h"
#include "ui/pass_panels.h"
#include "ui/result_dialog.h"
#include "ui_test_support.h"

namespace strandel {
namespace testing_ui {
namespace {

std::vector<std::string> combo_entries(GtkWidget* combo) {
    std::vector<std::string> entries;
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
    GtkTreeIter it;
    for (gboolean ok = gtk_tree_model_get_iter_first(model, &it); ok; ok = gtk_tree_model_iter_next(model, &it)) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &it, 0, &text, -1);
        entries.push_back(text ? text : "");
        g_free(text);
    }
    return entries;
}

std::vector<std::string> fitness_labels() {
    std::vector<std::string> labels;
    for (const fitness_function* f : *fitness_function_repertoire::instance()) labels.push_back(f->label());
    return labels;
}

TEST(MeasureDisplay, ChooserListsTheMeasuresAndTheSupervisedOneOnlyWhenAsked) {
    register_fitness_functions();
    ASSERT_EQ(fitness_labels(),
              (std::vector<std::string>{"Turi (2001)", "Dunn Index", "Amrane (2005)", "Liu & Yang (inverted)"}));
    GtkWidget* without = fitness_combo(false);
    GtkWidget* with = fitness_combo(true);
    EXPECT_EQ(combo_entries(without), fitness_labels());
    std::vector<std::string> expected = fitness_labels();
    expected.push_back("Jaccard (Supervised)");
    EXPECT_EQ(combo_entries(with), expected);
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(with)), -1);
    g_object_ref_sink(without);
    g_object_ref_sink(with);
    g_object_unref(without);
    g_object_unref(with);
}

TEST(MeasureDisplay, BarIsFullFromOneOnAndShowsTheValue) {
    GtkWidget* bar = gtk_progress_bar_new();
    g_object_ref_sink(bar);
    auto shown = [bar](double v, int precision) {
        show_measure(bar, v, precision);
        return std::make_pair(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(bar)),
                              std::string(gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar))));
    };
    EXPECT_EQ(shown(2.5, 4), std::make_pair(1.0, std::string("2.5")));
    EXPECT_EQ(shown(1.0, 6), std::make_pair(1.0, std::string("1")));
    auto eighth = shown(0.123456, 4);
    EXPECT_NEAR(eighth.first, 0.123456, 1e-9);
    EXPECT_EQ(eighth.second, "0.1235");
    EXPECT_EQ(shown(0.123456, 6).second, "0.123456");
    EXPECT_EQ(shown(1234567.0, 6).second, "1.23457e+06");
    // Values the bar cannot take leave it empty but are still written.
    EXPECT_EQ(shown(-3.0, 6), std::make_pair(0.0, std::string("-3")));
    EXPECT_EQ(shown(std::nan(""), 6).first, 0.0);
    g_object_unref(bar);
}

// A chain editor in a plain window, counting its change notices.
struct editor {
    pass_panels panels;
    int changes = 0;
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    explicit editor(const chain& shown) {
        gtk_container_add(GTK_CONTAINER(window), create_algorithm_frame(&panels, shown));
        panels.on_chain_changed = [this] { ++changes; };
    }
    ~editor() {
        gtk_widget_destroy(window);
        drop_panel_passes(&panels);
    }
    GtkWidget* panel(unsigned i) { return children_of(panels.vbox).at(i); }
    GtkWidget* header(unsigned i) { return gtk_frame_get_label_widget(GTK_FRAME(panel(i))); }
    void click(unsigned i, const char* stock) { gtk_button_clicked(GTK_BUTTON(find_stock_button(header(i), stock))); }
};

TEST(PassPanels, EveryEditOfTheChainIsNoticedOnceAndNonEditsAreNot) {
    chain passes = chain_of({new_alpha()});
    {
        editor e(passes);
        EXPECT_EQ(e.changes, 0);
        e.click(0, GTK_STOCK_REMOVE);  // the only pass stays
        EXPECT_EQ(e.changes, 0);
        gtk_button_clicked(GTK_BUTTON(e.panels.add_button));
        EXPECT_EQ(e.changes, 1);
        e.click(1, GTK_STOCK_GO_DOWN);  // already last: "Nop!"
        e.click(0, GTK_STOCK_GO_UP);    // already first
        EXPECT_EQ(e.changes, 1);
        e.click(0, GTK_STOCK_GO_DOWN);
        EXPECT_EQ(e.changes, 2);
        const chain& shown = panel_chain(e.panels);
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_STREQ(shown[1].label(), "Alpha");

        GtkWidget* chooser = children_of(e.header(0)).at(0);
        gtk_combo_box_set_active(GTK_COMBO_BOX(chooser), 2);
        EXPECT_EQ(e.changes, 3);
        EXPECT_STREQ(panel_chain(e.panels)[0].label(), "Gamma");

        // A parameter change is noticed after the pass holds the new value.
        GtkWidget* expander = gtk_bin_get_child(GTK_BIN(e.panel(0)));
        GtkWidget* first_row = children_of(gtk_bin_get_child(GTK_BIN(expander))).at(0);
        GtkWidget* scale = children_of(first_row).at(1);
        const pass* gamma = &panel_chain(e.panels)[0];
        e.panels.on_chain_changed = [&] {
            ++e.changes;
            EXPECT_EQ(gamma->parameter_value(0).int_value(), 200);
        };
        gtk_range_set_value(GTK_RANGE(scale), 200);
        EXPECT_EQ(e.changes, 4);
        e.click(1, GTK_STOCK_REMOVE);
        EXPECT_EQ(e.changes, 5);
        EXPECT_EQ(panel_chain(e.panels).size(), 1u);
    }
    passes.clear();
    EXPECT_EQ(counted_pass::live, 2) << "only the prototypes may be left";
}

double cell_double(GtkWidget* view, int row, int column) {
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(view));
    GtkTreeIter it;
    EXPECT_TRUE(gtk_tree_model_iter_nth_child(model, &it, nullptr, row));
    double v = 0;
    gtk_tree_model_get(model, &it, column, &v, -1);
    return v;
}

std::string cell_text(GtkWidget* view, int row, int column) {
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(view));
    GtkTreeIter it;
    EXPECT_TRUE(gtk_tree_model_iter_nth_child(model, &it, nullptr, row));
    gchar* text = nullptr;
    gtk_tree_model_get(model, &it, column, &text, -1);
    std::string s = text ? text : "";
    g_free(text);
    return s;
}

std::vector<std::string> column_titles(GtkWidget* view) {
    std::vector<std::string> titles;
    GList* columns = gtk_tree_view_get_columns(GTK_TREE_VIEW(view));
    for (GList* c = columns; c; c = c->next) titles.push_back(gtk_tree_view_column_get_title(GTK_TREE_VIEW_COLUMN(c->data)));
    g_list_free(columns);
    return titles;
}

class ResultDialog : public ::testing::Test {
protected:
    void SetUp() override {
        register_fitness_functions();
        clear_histogram(h);
        h[10] = 30;
        h[20] = 10;
        h[200] = 60;
    }
    // Shows the dialog, runs `check` on its widgets and closes it.
    void show(const chain& algo, const std::vector<std::vector<double>>& outcome,
              const supervised_matches* supervised, const std::function<void(const result_dialog_widgets&)>& check) {
        ui_script script;
        bool checked = false;
        result_dialog(algo, h, outcome, supervised, [&](const result_dialog_widgets& w) {
            script.wait_for("the dialog on screen", [w] { return gtk_widget_get_mapped(w.dialog) != FALSE; });
            script.act("check it", [&, w] {
                check(w);
                checked = true;
            });
            script.act("close it", [w] { gtk_dialog_response(GTK_DIALOG(w.dialog), GTK_RESPONSE_ACCEPT); });
            script.start();
        });
        EXPECT_TRUE(checked && script.completed());
    }
    histogram h;
};

TEST_F(ResultDialog, OneSectionPerPassInChainOrderOnlyTheLastExpandedAndSupervised) {
    const chain algo = chain_of({new_alpha(), new_gamma(), new_alpha()});
    const std::vector<std::vector<double>> outcome{{100}, {15, 200}, {15, 200, 90}};
    // Labels 0 and 255 both match class 1 best, label 128 class 0.
    const supervised_matches supervised{{0, 128, 255}, {{1, 0.5}, {0, 0.75}, {1, 0.25}}};
    show(algo, outcome, &supervised, [&](const result_dialog_widgets& w) {
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(w.dialog)), "Results");
        ASSERT_EQ(w.frames.size(), 3u);
        EXPECT_STREQ(gtk_frame_get_label(GTK_FRAME(w.frames[0])), "After Alpha");
        EXPECT_STREQ(gtk_frame_get_label(GTK_FRAME(w.frames[1])), "After Gamma");
        EXPECT_STREQ(gtk_frame_get_label(GTK_FRAME(w.frames[2])), "After Alpha");
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(gtk_expander_get_expanded(GTK_EXPANDER(w.expanders[i])), i == 2) << i;
            EXPECT_STREQ(gtk_expander_get_label(GTK_EXPANDER(w.expanders[i])), "Results");
        }
        const std::vector<std::string> unsupervised{"Colors", "Centers", "Pixel Coverage Ratio (%)", "Mean",
                                                    "Variance", "Root Variance"};
        EXPECT_EQ(column_titles(w.tables[0]), unsupervised);
        EXPECT_EQ(column_titles(w.tables[1]), unsupervised);
        std::vector<std::string> all = unsupervised;
        all.insert(all.end(), {"Jaccard Index", "Supervised Class"});
        EXPECT_EQ(column_titles(w.tables[2]), all);

        GtkWidget* last = w.tables[2];
        EXPECT_EQ(cell_text(last, 0, column_colour), "#FF0000");
        EXPECT_EQ(cell_text(last, 1, column_colour), "#00FF00");
        EXPECT_EQ(cell_text(last, 2, column_colour), "#0000FF");
        EXPECT_EQ(cell_double(last, 0, column_jaccard), 0.75);
        EXPECT_EQ(cell_text(last, 0, column_supervised_colour), "#808080");
        EXPECT_EQ(cell_double(last, 1, column_jaccard), 0.5);  // the first of its two labels
        EXPECT_EQ(cell_text(last, 1, column_supervised_colour), "#000000");
        EXPECT_EQ(cell_double(last, 2, column_jaccard), 0.0);
        EXPECT_EQ(cell_text(last, 2, column_supervised_colour), "#FFFFFF");

        // Class 0 holds 10 (x30) and 20 (x10); class 2 (centre 90) nothing.
        double coverage = 0;
        for (int k = 0; k < 3; ++k) coverage += std::isnan(cell_double(last, k, column_coverage)) ? 0 : cell_double(last, k, column_coverage);
        EXPECT_DOUBLE_EQ(coverage, 100.0);
        EXPECT_DOUBLE_EQ(cell_double(last, 0, column_coverage), 40.0);
        EXPECT_DOUBLE_EQ(cell_double(last, 0, column_mean), 12.5);
        EXPECT_DOUBLE_EQ(cell_double(last, 0, column_variance), 18.75);
        EXPECT_DOUBLE_EQ(cell_double(last, 0, column_root_variance), std::sqrt(18.75));
        EXPECT_DOUBLE_EQ(cell_double(last, 2, column_coverage), 0.0);
        EXPECT_TRUE(std::isnan(cell_double(last, 2, column_mean)));
        EXPECT_TRUE(std::isnan(cell_double(last, 2, column_variance)));
        EXPECT_TRUE(std::isnan(cell_double(last, 2, column_root_variance)));
        EXPECT_DOUBLE_EQ(cell_double(w.tables[0], 0, column_coverage), 100.0);
    });
}

TEST_F(ResultDialog, TheChosenMeasureShowsOnEveryPassBar) {
    const chain algo = chain_of({new_alpha(), new_gamma()});
    const std::vector<std::vector<double>> outcome{{15, 200}, {10, 20, 200}};
    show(algo, outcome, nullptr, [&](const result_dialog_widgets& w) {
        EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(w.fitness_combo)), 0);
        EXPECT_EQ(combo_entries(w.fitness_combo), fitness_labels());
        EXPECT_EQ(column_titles(w.tables[1]).size(), 6u);  // no supervised columns without matches
        for (int measure = 0; measure < 4; ++measure) {
            gtk_combo_box_set_active(GTK_COMBO_BOX(w.fitness_combo), measure);
            const fitness_function* f = fitness_function_repertoire::instance()->at(measure);
            for (std::size_t i = 0; i < 2; ++i) {
                class_map classes;
                classify(h, outcome[i], &classes);
                const double v = (*f)(h, outcome[i], classes);
                EXPECT_EQ(gtk_progress_bar_get_text(GTK_PROGRESS_BAR(w.indicators[i])), format_measure(v, 4))
                    << f->label() << " pass " << i;
                EXPECT_DOUBLE_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(w.indicators[i])),
                                 std::isnan(v) || v < 0 ? 0.0 : std::min(v, 1.0));
            }
        }
    });
}

TEST_F(ResultDialog, ClassesPastThePaletteWrapAround) {
    std::vector<double> centres(259);
    for (std::size_t i = 0; i < centres.size(); ++i) centres[i] = double(i % 256);
    show(chain_of({new_alpha()}), {centres}, nullptr, [&](const result_dialog_widgets& w) {
        EXPECT_EQ(cell_text(w.tables[0], 256, column_colour), "#FF0000");
        EXPECT_EQ(cell_text(w.tables[0], 258, column_colour), "#0000FF");
        EXPECT_EQ(cell_text(w.tables[0], 255, column_colour), "#EF0000");
    });
}

}  // namespace
}  // namespace testing_ui
}  // namespace strandel
