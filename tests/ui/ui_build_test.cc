// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "test_passes.h"
#include "ui/ui_build.h"
#include "ui_test_support.h"

namespace strandel {
namespace testing_ui {
namespace {

const param_info no_params[1] = {param_info(0, 1, "unused", "unused")};

struct callback_record {
    int calls = 0;
    void* last_data = reinterpret_cast<void*>(1);
    int level_seen = -1;
};
callback_record record;
pass* observed = nullptr;

void count_change(GtkWidget*, void* data) {
    ++record.calls;
    record.last_data = data;
    record.level_seen = observed->parameter_value(0).int_value();
}

GtkWidget* input_of_row(GtkWidget* rows, unsigned index) {
    GtkWidget* row = children_of(rows).at(index);
    return children_of(row).at(1);
}

class UiBuild : public ::testing::Test {
protected:
    void SetUp() override { record = callback_record(); }
    void TearDown() override {
        for (GtkWidget* w : owned) gtk_widget_destroy(w);
    }
    GtkWidget* own(GtkWidget* w) {
        g_object_ref_sink(w);
        owned.push_back(w);
        return w;
    }
    std::vector<GtkWidget*> owned;
};

TEST_F(UiBuild, PassWithoutParametersGivesAnEmptyShownBox) {
    counted_pass empty("Empty", no_params, 0);
    GtkWidget* rows = own(ui_build(&empty, nullptr));
    EXPECT_TRUE(GTK_IS_VBOX(rows));
    EXPECT_TRUE(gtk_widget_get_visible(rows));
    EXPECT_TRUE(children_of(rows).empty());
}

TEST_F(UiBuild, OneRowPerParameterInOrderWithLabelThenWidget) {
    counted_pass* gamma = new_gamma();
    GtkWidget* rows = own(ui_build(gamma, nullptr));
    std::vector<GtkWidget*> row_list = children_of(rows);
    ASSERT_EQ(row_list.size(), 3u);
    const char* labels[] = {"Level", "Scale", "Classes"};
    for (unsigned i = 0; i < 3; ++i) {
        SCOPED_TRACE(labels[i]);
        GtkWidget* row = row_list[i];
        std::vector<GtkWidget*> cells = children_of(row);
        ASSERT_EQ(cells.size(), 2u);
        ASSERT_TRUE(GTK_IS_LABEL(cells[0]));
        EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(cells[0])), labels[i]);
        for (GtkWidget* w : {row, cells[0], cells[1]}) EXPECT_TRUE(gtk_widget_get_visible(w));
    }
    EXPECT_TRUE(GTK_IS_HSCALE(input_of_row(rows, 0)));
    EXPECT_TRUE(GTK_IS_SPIN_BUTTON(input_of_row(rows, 1)));
    EXPECT_TRUE(GTK_IS_HSCALE(input_of_row(rows, 2)));
    delete gamma;
}

TEST_F(UiBuild, ScaleAndSpinButtonCoverTheRangeWithTheirSteps) {
    counted_pass* gamma = new_gamma();
    GtkWidget* rows = own(ui_build(gamma, nullptr));

    GtkWidget* scale = input_of_row(rows, 0);
    GtkAdjustment* adj = gtk_range_get_adjustment(GTK_RANGE(scale));
    EXPECT_EQ(gtk_adjustment_get_lower(adj), 0.0);
    EXPECT_EQ(gtk_adjustment_get_upper(adj), 255.0);
    EXPECT_EQ(gtk_adjustment_get_step_increment(adj), 1.0);
    EXPECT_EQ(gtk_scale_get_digits(GTK_SCALE(scale)), 0);
    EXPECT_EQ(gtk_scale_get_value_pos(GTK_SCALE(scale)), GTK_POS_LEFT);
    EXPECT_EQ(gtk_range_get_value(GTK_RANGE(scale)), 128.0);

    GtkWidget* spin = input_of_row(rows, 1);
    adj = gtk_spin_button_get_adjustment(GTK_SPIN_BUTTON(spin));
    EXPECT_EQ(gtk_adjustment_get_lower(adj), 0.5);
    EXPECT_EQ(gtk_adjustment_get_upper(adj), 2.0);
    EXPECT_DOUBLE_EQ(gtk_adjustment_get_step_increment(adj), 0.1);
    EXPECT_EQ(gtk_spin_button_get_digits(GTK_SPIN_BUTTON(spin)), 3u);
    EXPECT_EQ(gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin)), 1.0);
    delete gamma;
}

TEST_F(UiBuild, StoredValuesOutsideTheRangeAreClampedIntoTheParameter) {
    counted_pass* gamma = new_gamma();
    gamma->parameter_value(0).int_value() = 300;     // above 255
    gamma->parameter_value(1).double_value() = 0.1;  // below 0.5
    gamma->parameter_value(2).int_value() = -7;      // below 2
    GtkWidget* rows = own(ui_build(gamma, nullptr));
    EXPECT_EQ(gtk_range_get_value(GTK_RANGE(input_of_row(rows, 0))), 255.0);
    EXPECT_EQ(gamma->parameter_value(0).int_value(), 255);
    EXPECT_EQ(gamma->parameter_value(1).double_value(), 0.5);
    EXPECT_EQ(gamma->parameter_value(2).int_value(), 2);
    delete gamma;
}

TEST_F(UiBuild, WidgetChangesWriteTheParameterBeforeTheCallback) {
    counted_pass* gamma = new_gamma();
    observed = gamma;
    GtkWidget* rows = own(ui_build(gamma, count_change));
    EXPECT_EQ(record.calls, 0) << "building must not call back";

    gtk_range_set_value(GTK_RANGE(input_of_row(rows, 0)), 17.0);
    EXPECT_EQ(gamma->parameter_value(0).int_value(), 17);
    EXPECT_EQ(record.calls, 1);
    EXPECT_EQ(record.level_seen, 17) << "the parameter is written before the callback runs";
    EXPECT_EQ(record.last_data, nullptr);

    gtk_spin_button_set_value(GTK_SPIN_BUTTON(input_of_row(rows, 1)), 1.75);
    EXPECT_EQ(gamma->parameter_value(1).double_value(), 1.75);
    EXPECT_EQ(record.calls, 2);

    // Setting the value a widget already has is no change.
    gtk_range_set_value(GTK_RANGE(input_of_row(rows, 0)), 17.0);
    EXPECT_EQ(record.calls, 2);
    // Out-of-range input is clamped before it reaches the parameter.
    gtk_range_set_value(GTK_RANGE(input_of_row(rows, 2)), 99.0);
    EXPECT_EQ(gamma->parameter_value(2).int_value(), 8);
    EXPECT_EQ(record.calls, 3);
    delete gamma;
}

TEST_F(UiBuild, HandlersStoreByTheParameterTypeTruncatingIntegers) {
    GtkWidget* spin = own(gtk_spin_button_new_with_range(-10.0, 10.0, 0.1));
    gtk_spin_button_set_digits(GTK_SPIN_BUTTON(spin), 3);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), -2.7);
    param as_int(0);
    spin_button_value_changed_handler(spin, &as_int);
    EXPECT_EQ(as_int.int_value(), -2);
    param as_double(0.0);
    spin_button_value_changed_handler(spin, &as_double);
    EXPECT_DOUBLE_EQ(as_double.double_value(), -2.7);

    GtkWidget* scale = own(gtk_hscale_new_with_range(0.0, 100.0, 0.5));
    gtk_scale_set_digits(GTK_SCALE(scale), 1);
    gtk_range_set_value(GTK_RANGE(scale), 41.5);
    range_value_changed_handler(scale, &as_int);
    EXPECT_EQ(as_int.int_value(), 41);
    range_value_changed_handler(scale, &as_double);
    EXPECT_EQ(as_double.double_value(), 41.5);
}

TEST_F(UiBuild, DestroyingTheWidgetsLeavesThePassAlone) {
    counted_pass* alpha = new_alpha();
    GtkWidget* rows = ui_build(alpha, count_change);
    gtk_widget_destroy(rows);
    EXPECT_EQ(alpha->parameter_value(0).int_value(), 4);
    EXPECT_EQ(alpha->parameter_value(1).double_value(), 0.0);
    EXPECT_EQ(record.calls, 0);
    delete alpha;
}

}  // namespace
}  // namespace testing_ui
}  // namespace strandel
