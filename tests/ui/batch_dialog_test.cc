// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include "framework/template_pass.h"
#include "test_passes.h"
#include "ui/strandel_batch_dialog.h"
#include "ui_test_support.h"

namespace strandel {
namespace testing_ui {
namespace {

// The parts of one pass panel, found through the widget tree.
struct panel_parts {
    GtkWidget* header;
    GtkWidget* chooser;
    GtkWidget* up;
    GtkWidget* down;
    GtkWidget* remove;
    GtkWidget* expander;
    GtkWidget* rows;
};

panel_parts parts_of(GtkWidget* panel) {
    panel_parts p{};
    p.header = gtk_frame_get_label_widget(GTK_FRAME(panel));
    p.chooser = children_of(p.header).at(0);
    p.up = find_stock_button(p.header, GTK_STOCK_GO_UP);
    p.down = find_stock_button(p.header, GTK_STOCK_GO_DOWN);
    p.remove = find_stock_button(p.header, GTK_STOCK_REMOVE);
    p.expander = gtk_bin_get_child(GTK_BIN(panel));
    p.rows = gtk_bin_get_child(GTK_BIN(p.expander));
    return p;
}

GtkWidget* input(GtkWidget* panel, unsigned row) {
    return children_of(children_of(parts_of(panel).rows).at(row)).at(1);
}

std::string chooser_text(GtkWidget* panel) {
    gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(parts_of(panel).chooser));
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

std::vector<std::string> panel_labels(const batch_dialog_widgets& w) {
    std::vector<std::string> labels;
    for (GtkWidget* panel : children_of(w.pass_panel_vbox)) labels.push_back(chooser_text(panel));
    return labels;
}

GtkWidget* panel(const batch_dialog_widgets& w, unsigned index) {
    return children_of(w.pass_panel_vbox).at(index);
}

void fill_form(const batch_dialog_widgets& w, const std::vector<std::string>& files) {
    gtk_entry_set_text(GTK_ENTRY(GIMP_FILE_ENTRY(w.benchmark.result_file_entry)->entry),
                       "/tmp/results.txt");
    for (const std::string& file : files) {
        GtkTreeIter row;
        gtk_list_store_append(w.benchmark.list_store, &row);
        gtk_list_store_set(w.benchmark.list_store, &row, 0, GTK_STOCK_FILE, 1, file.c_str(), -1);
    }
}

std::vector<std::string> labels_of(const chain& passes) {
    std::vector<std::string> labels;
    for (const pass& p : passes) labels.push_back(p.label());
    return labels;
}

std::vector<const pass*> pointers_of(const chain& passes) {
    std::vector<const pass*> pointers;
    for (const pass& p : passes) pointers.push_back(&p);
    return pointers;
}

// Runs the dialog, driven by `script_for` once its widgets exist.
bool run_dialog(chain& passes, std::vector<std::string>& benchmark,
                std::string& results_file, ui_script& script,
                const std::function<void(const batch_dialog_widgets&)>& script_for) {
    return strandel_batch_dialog(passes, benchmark, results_file,
                                 [&](const batch_dialog_widgets& w) {
                                     script.wait_for("the dialog on screen", [w] {
                                         return gtk_widget_get_mapped(w.dialog) != FALSE;
                                     });
                                     script_for(w);
                                     script.start();
                                 });
}

void respond(ui_script& script, const batch_dialog_widgets& w, gint response) {
    script.act("answer the dialog", [w, response] {
        gtk_dialog_response(GTK_DIALOG(w.dialog), response);
    });
}

class BatchDialog : public ::testing::Test {
protected:
    void TearDown() override {
        passes.clear();
        EXPECT_EQ(counted_pass::live, 2) << "only the prototypes may be left";
    }
    chain passes;
    std::vector<std::string> benchmark{"earlier.png"};
    std::string results_file;
    ui_script script;
};

TEST_F(BatchDialog, ShowsOnePanelPerPassAndCancelLeavesTheChainAlone) {
    pass* gamma = new_gamma();
    gamma->parameter_value(0).int_value() = 77;
    pass* alpha = new_alpha();
    pass* templ = new template_pass();
    templ->parameter_value(0).int_value() = 3;
    passes = chain_of({gamma, alpha, templ});

    const bool accepted = run_dialog(passes, benchmark, results_file, script, [&](auto w) {
        script.act("check the layout", [w] {
            EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(w.dialog)),
                         "Strandel Segmenetation (Batch Mode)");
            EXPECT_STREQ(gtk_window_get_role(GTK_WINDOW(w.dialog)), "Strandel Segmentation");
            EXPECT_NE(find_stock_button(w.dialog, GTK_STOCK_OK), nullptr);
            EXPECT_NE(find_stock_button(w.dialog, GTK_STOCK_CANCEL), nullptr);
            GtkWidget* top = gtk_paned_get_child1(GTK_PANED(w.paned));
            GtkWidget* bottom = gtk_paned_get_child2(GTK_PANED(w.paned));
            EXPECT_STREQ(gtk_frame_get_label(GTK_FRAME(top)), "Algorithm");
            EXPECT_STREQ(gtk_frame_get_label(GTK_FRAME(bottom)), "Benchmark");
            EXPECT_TRUE(gtk_widget_is_ancestor(w.pass_panel_vbox, top));
            EXPECT_TRUE(gtk_widget_is_ancestor(w.add_button, top));

            ASSERT_EQ(panel_labels(w), (std::vector<std::string>{"Gamma", "Alpha", "Template"}));
            for (GtkWidget* frame : children_of(w.pass_panel_vbox)) {
                panel_parts p = parts_of(frame);
                EXPECT_FALSE(gtk_expander_get_expanded(GTK_EXPANDER(p.expander)));
                EXPECT_STREQ(gtk_expander_get_label(GTK_EXPANDER(p.expander)), "Parameters");
                EXPECT_EQ(gtk_box_get_spacing(GTK_BOX(p.header)), 20);
                // Chooser at the left, then up, down and remove at the right.
                GtkAllocation chooser, up, down, remove;
                gtk_widget_get_allocation(p.chooser, &chooser);
                gtk_widget_get_allocation(p.up, &up);
                gtk_widget_get_allocation(p.down, &down);
                gtk_widget_get_allocation(p.remove, &remove);
                EXPECT_LT(chooser.x + chooser.width, up.x);
                EXPECT_LT(up.x, down.x);
                EXPECT_LT(down.x, remove.x);
            }
            GtkAllocation last_panel, add;
            gtk_widget_get_allocation(panel(w, 2), &last_panel);
            gtk_widget_get_allocation(w.add_button, &add);
            EXPECT_GT(add.y, last_panel.y + last_panel.height) << "add sits below the panels";
            // Every chooser lists the repertoire in order.
            GtkTreeModel* entries = gtk_combo_box_get_model(
                GTK_COMBO_BOX(parts_of(panel(w, 0)).chooser));
            EXPECT_EQ(gtk_tree_model_iter_n_children(entries, nullptr), 3);
            EXPECT_EQ(gtk_range_get_value(GTK_RANGE(input(panel(w, 0), 0))), 77.0);
            EXPECT_EQ(gtk_range_get_value(GTK_RANGE(input(panel(w, 2), 0))), 3.0);
            EXPECT_EQ(counted_pass::live, 2 + 2 + 2) << "the panels edit clones";
        });
        script.act("edit the panels", [w] {
            gtk_range_set_value(GTK_RANGE(input(panel(w, 0), 0)), 5.0);
            gtk_combo_box_set_active(GTK_COMBO_BOX(parts_of(panel(w, 2)).chooser), 0);
            gtk_button_clicked(GTK_BUTTON(parts_of(panel(w, 1)).remove));
            EXPECT_EQ(panel_labels(w), (std::vector<std::string>{"Gamma", "Alpha"}));
        });
        respond(script, w, GTK_RESPONSE_CANCEL);
    });

    EXPECT_TRUE(script.completed());
    EXPECT_FALSE(accepted);
    EXPECT_EQ(pointers_of(passes), (std::vector<const pass*>{gamma, alpha, templ}));
    EXPECT_EQ(gamma->parameter_value(0).int_value(), 77);
    EXPECT_EQ(templ->parameter_value(0).int_value(), 3);
    EXPECT_EQ(benchmark, std::vector<std::string>{"earlier.png"});
    EXPECT_EQ(results_file, "");
    EXPECT_EQ(counted_pass::live, 2 + 2) << "every clone is deleted on cancel";
}

TEST_F(BatchDialog, AcceptedChainFollowsThePanelsTopToBottom) {
    pass* old_alpha = new_alpha();
    passes = chain_of({old_alpha, new template_pass(), new_gamma()});

    ::testing::internal::CaptureStdout();
    const bool accepted = run_dialog(passes, benchmark, results_file, script, [&](auto w) {
        script.act("edit, move the last panel to the top, and accept", [w] {
            gtk_spin_button_set_value(GTK_SPIN_BUTTON(input(panel(w, 0), 1)), 0.25);
            gtk_range_set_value(GTK_RANGE(input(panel(w, 2), 2)), 6.0);
            GtkWidget* gamma = panel(w, 2);
            gtk_button_clicked(GTK_BUTTON(parts_of(gamma).up));
            gtk_button_clicked(GTK_BUTTON(parts_of(gamma).up));
            gtk_button_clicked(GTK_BUTTON(parts_of(gamma).up));  // already first
            EXPECT_EQ(panel_labels(w),
                      (std::vector<std::string>{"Gamma", "Alpha", "Template"}));
            gtk_button_clicked(GTK_BUTTON(parts_of(panel(w, 2)).down));  // already last
            gtk_button_clicked(GTK_BUTTON(parts_of(panel(w, 0)).down));
            gtk_button_clicked(GTK_BUTTON(parts_of(panel(w, 1)).up));
            EXPECT_EQ(panel_labels(w),
                      (std::vector<std::string>{"Gamma", "Alpha", "Template"}));
            fill_form(w, {"/img/one.png", "/img/two.png"});
        });
        respond(script, w, GTK_RESPONSE_OK);
    });
    std::fflush(stdout);
    const std::string printed = ::testing::internal::GetCapturedStdout();

    EXPECT_TRUE(script.completed());
    ASSERT_TRUE(accepted);
    ASSERT_EQ(labels_of(passes), (std::vector<std::string>{"Gamma", "Alpha", "Template"}));
    EXPECT_NE(dynamic_cast<template_pass*>(&passes[2]), nullptr);
    EXPECT_EQ(passes[0].parameter_value(0).int_value(), 128);
    EXPECT_EQ(passes[0].parameter_value(2).int_value(), 6);
    EXPECT_EQ(passes[1].parameter_value(0).int_value(), 4);
    EXPECT_EQ(passes[1].parameter_value(1).double_value(), 0.25);
    EXPECT_NE(&passes[1], old_alpha);
    EXPECT_EQ(counted_pass::live, 2 + 2) << "the caller's old passes are deleted";
    EXPECT_EQ(benchmark, (std::vector<std::string>{"/img/one.png", "/img/two.png"}));
    EXPECT_EQ(results_file, "/tmp/results.txt");
    EXPECT_EQ(printed, "Nop!\n");
}

TEST_F(BatchDialog, AnotherAlgorithmStartsFromItsDefaults) {
    pass* alpha = new_alpha();
    alpha->parameter_value(0).int_value() = 9;
    passes = chain_of({alpha});

    const bool accepted = run_dialog(passes, benchmark, results_file, script, [&](auto w) {
        script.act("switch to Gamma and back to Alpha", [w] {
            panel_parts p = parts_of(panel(w, 0));
            EXPECT_EQ(gtk_range_get_value(GTK_RANGE(input(panel(w, 0), 0))), 9.0);
            gtk_expander_set_expanded(GTK_EXPANDER(p.expander), TRUE);
            gtk_combo_box_set_active(GTK_COMBO_BOX(p.chooser), 2);
            EXPECT_EQ(children_of(parts_of(panel(w, 0)).rows).size(), 3u);
            EXPECT_TRUE(gtk_widget_get_visible(parts_of(panel(w, 0)).rows));
            EXPECT_EQ(counted_pass::live, 2 + 1 + 1);
            gtk_combo_box_set_active(GTK_COMBO_BOX(p.chooser), 0);
            EXPECT_EQ(gtk_range_get_value(GTK_RANGE(input(panel(w, 0), 0))), 4.0);
            EXPECT_TRUE(gtk_expander_get_expanded(GTK_EXPANDER(p.expander)));
            gtk_combo_box_set_active(GTK_COMBO_BOX(p.chooser), 1);
            fill_form(w, {"a.png"});
        });
        respond(script, w, GTK_RESPONSE_OK);
    });

    EXPECT_TRUE(script.completed());
    ASSERT_TRUE(accepted);
    ASSERT_EQ(labels_of(passes), std::vector<std::string>{"Template"});
    EXPECT_NE(dynamic_cast<template_pass*>(&passes[0]), nullptr);
    EXPECT_EQ(passes[0].parameter_value(0).int_value(), 1);
    EXPECT_EQ(passes[0].parameter_value(1).double_value(), 0.0);
}

TEST_F(BatchDialog, AddAppendsTheFirstAlgorithmAndTheLastPanelStays) {
    passes = chain_of({new_gamma()});

    const bool accepted = run_dialog(passes, benchmark, results_file, script, [&](auto w) {
        script.act("add two panels, then remove three", [w] {
            gtk_button_clicked(GTK_BUTTON(w.add_button));
            gtk_range_set_value(GTK_RANGE(input(panel(w, 1), 0)), 7.0);
            gtk_button_clicked(GTK_BUTTON(w.add_button));
            EXPECT_EQ(panel_labels(w), (std::vector<std::string>{"Gamma", "Alpha", "Alpha"}));
            EXPECT_FALSE(gtk_expander_get_expanded(GTK_EXPANDER(parts_of(panel(w, 2)).expander)));
            EXPECT_EQ(gtk_range_get_value(GTK_RANGE(input(panel(w, 2), 0))), 4.0);
            gtk_button_clicked(GTK_BUTTON(parts_of(panel(w, 0)).remove));
            gtk_button_clicked(GTK_BUTTON(parts_of(panel(w, 1)).remove));
            EXPECT_EQ(panel_labels(w), std::vector<std::string>{"Alpha"});
            gtk_button_clicked(GTK_BUTTON(parts_of(panel(w, 0)).remove));
            EXPECT_EQ(panel_labels(w), std::vector<std::string>{"Alpha"});
            fill_form(w, {"a.png"});
        });
        respond(script, w, GTK_RESPONSE_OK);
    });

    EXPECT_TRUE(script.completed());
    ASSERT_TRUE(accepted);
    ASSERT_EQ(labels_of(passes), std::vector<std::string>{"Alpha"});
    EXPECT_EQ(passes[0].parameter_value(0).int_value(), 7);
    EXPECT_EQ(counted_pass::live, 2 + 1);
}

TEST_F(BatchDialog, EmptyChainCanBeAccepted) {
    const bool accepted = run_dialog(passes, benchmark, results_file, script, [&](auto w) {
        script.act("fill the form", [w] {
            EXPECT_TRUE(children_of(w.pass_panel_vbox).empty());
            fill_form(w, {"a.png"});
        });
        respond(script, w, GTK_RESPONSE_OK);
    });
    EXPECT_TRUE(script.completed());
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(passes.empty());
}

TEST_F(BatchDialog, ResultsFileIsCheckedBeforeTheBenchmark) {
    passes = chain_of({new_alpha()});
    GtkWidget* dialog = nullptr;

    const bool accepted = run_dialog(passes, benchmark, results_file, script, [&](auto w) {
        dialog = w.dialog;
        respond(script, w, GTK_RESPONSE_OK);
        expect_message(script, "Please provide a correct output file for results", &dialog);
        script.act("name the results file", [w] {
            gtk_entry_set_text(GTK_ENTRY(GIMP_FILE_ENTRY(w.benchmark.result_file_entry)->entry),
                               "/tmp/out.txt");
        });
        respond(script, w, GTK_RESPONSE_OK);
        expect_message(script, "Please provide a benchmark (list of files)", &dialog);
        script.act("add two files", [w] {
            EXPECT_EQ(children_of(w.pass_panel_vbox).size(), 1u) << "the form stays as it was";
            for (const char* file : {"/b/2.png", "/a/1.png"}) {
                GtkTreeIter row;
                gtk_list_store_append(w.benchmark.list_store, &row);
                gtk_list_store_set(w.benchmark.list_store, &row, 1, file, -1);
            }
        });
        respond(script, w, GTK_RESPONSE_OK);
    });

    EXPECT_TRUE(script.completed());
    EXPECT_TRUE(accepted);
    EXPECT_EQ(results_file, "/tmp/out.txt");
    EXPECT_EQ(benchmark, (std::vector<std::string>{"/b/2.png", "/a/1.png"}));
    EXPECT_EQ(labels_of(passes), std::vector<std::string>{"Alpha"});
}

TEST_F(BatchDialog, ClosingTheWindowCancels) {
    pass* alpha = new_alpha();
    passes = chain_of({alpha});
    const bool accepted = run_dialog(passes, benchmark, results_file, script, [&](auto w) {
        script.act("fill the form", [w] { fill_form(w, {"a.png"}); });
        respond(script, w, GTK_RESPONSE_DELETE_EVENT);
    });
    EXPECT_TRUE(script.completed());
    EXPECT_FALSE(accepted);
    EXPECT_EQ(pointers_of(passes), std::vector<const pass*>{alpha});
    EXPECT_EQ(benchmark, std::vector<std::string>{"earlier.png"});
}

}  // namespace
}  // namespace testing_ui
}  // namespace strandel
