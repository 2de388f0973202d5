// SPDX-License-Identifier: GPL-3.0-or-later
// The interactive dialog on real drawables: conversion to RGB, the preview
// refresh and its measure, OK and cancel. Needs a display (the runner
// provides Xvfb when it can).
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/chain.h"
#include "batch/chain_syntax.h"
#include "batch/registration.h"
#include "evaluation/fitness_function.h"
#include "framework/pixel_region_gimp.h"
#include "gimp_fixtures.h"
#include "ui/fitness_display.h"
#include "ui/strandel_dialog.h"

namespace strandel {
namespace {

using testing_gimp::test_image;

unsigned char band(int x, int) { return x < 30 ? 20 : x < 55 ? 120 : 220; }

// Polls `ready` every 50 ms while the dialog runs, then runs `act`; gives
// up (cancelling the dialog) after ten seconds.
struct poller {
    int refreshes = 0;  // "invalidated" handled, preview painted
    std::function<bool()> ready;
    std::function<void()> act;
    GtkWidget* dialog = nullptr;
    int ticks = 0;
    bool acted = false;
    guint source = 0;

    void start() { source = g_timeout_add(50, tick, this); }
    // Once the dialog call has returned nothing may tick again.
    ~poller() {
        if (source) g_source_remove(source);
    }

    // Connected after the dialog's own handler, so it runs after a refresh.
    void watch(GtkWidget* preview) {
        g_signal_connect_swapped(preview, "invalidated", G_CALLBACK(+[](poller* p) { ++p->refreshes; }), this);
    }

    // `act` must answer the dialog; if it does not (a failed assertion
    // returned early), the poller cancels it so the run cannot hang.
    static gboolean tick(gpointer data) {
        auto* p = static_cast<poller*>(data);
        if (p->acted) {
            gtk_dialog_response(GTK_DIALOG(p->dialog), GTK_RESPONSE_CANCEL);
            p->source = 0;
            return FALSE;
        }
        if (p->ready()) {
            p->acted = true;
            p->act();
            return TRUE;
        }
        if (++p->ticks > 200) {
            gtk_dialog_response(GTK_DIALOG(p->dialog), GTK_RESPONSE_CANCEL);
            p->source = 0;
            return FALSE;
        }
        return TRUE;
    }
};

std::string text_of(GtkWidget* bar) {
    const char* text = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar));
    return text ? text : "";
}

int entries_of(GtkWidget* combo) {
    return gtk_tree_model_iter_n_children(gtk_combo_box_get_model(GTK_COMBO_BOX(combo)), nullptr);
}

// What the preview's measure must read: the first measure of the visible
// area segmented by `chain`.
std::string expected_first_measure(gint32 drawable_id, GtkWidget* preview, const chain& passes) {
    gint x, y, w, h;
    gimp_preview_get_position(GIMP_PREVIEW(preview), &x, &y);
    gimp_preview_get_size(GIMP_PREVIEW(preview), &w, &h);
    GimpDrawable* d = gimp_drawable_get(drawable_id);
    histogram hist;
    compute_histogram(d, &hist, x, y, w, h);
    gimp_drawable_detach(d);
    const std::vector<double> centres = chain_outcome(passes, hist).back();
    class_map classes;
    classify(hist, centres, &classes);
    const fitness_function* first = *fitness_function_repertoire::instance()->begin();
    return format_measure((*first)(hist, centres, classes), 6);
}

class StrandelDialog : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
        register_passes();
        register_fitness_functions();
        if (pixel_classifier_repertoire::instance()->size() == 0) register_pixel_classifiers();
        ASSERT_TRUE(parse_chain("K-Means(10, 3)", passes));
    }
    chain passes;
};

TEST_F(StrandelDialog, GrayImageGoesToRgbThePreviewMeasuresAndOkHandsBackChainAndClassifier) {
    test_image img(80, 60, GIMP_GRAY_IMAGE, [](int x, int y, int) { return band(x, y); });
    GimpDrawable* drawable = gimp_drawable_get(img.layer);
    const pass* original = &passes[0];
    const pixel_classifier* chosen = nullptr;
    poller p;
    const bool accepted = strandel_dialog(drawable, passes, &chosen, [&](const strandel_dialog_widgets& w) {
        p.dialog = w.dialog;
        p.watch(w.preview);
        p.ready = [&p] { return p.refreshes > 0; };
        p.act = [&, w] {
            EXPECT_EQ(entries_of(w.fitness_combo), int(fitness_function_repertoire::instance()->size()))
                << "no manual segmentation, no supervised measure";
            EXPECT_EQ(text_of(w.fitness_indicator), expected_first_measure(img.layer, w.preview, passes));
            gtk_combo_box_set_active(GTK_COMBO_BOX(w.classifier_combo), 1);
            gtk_dialog_response(GTK_DIALOG(w.dialog), GTK_RESPONSE_OK);
        };
        p.start();
    });
    EXPECT_TRUE(p.acted);
    ASSERT_TRUE(accepted);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_NE(&passes[0], original);
    EXPECT_STREQ(passes[0].label(), "K-Means");
    EXPECT_EQ(chosen, pixel_classifier_repertoire::instance()->at(1));

    EXPECT_EQ(gimp_image_base_type(img.image), GIMP_RGB);
    EXPECT_EQ(drawable->drawable_id, img.layer);
    EXPECT_EQ(drawable->bpp, 3u);
    // The preview paints its own picture, never the drawable.
    std::vector<unsigned char> bytes(std::size_t(80) * 60 * 3);
    GimpPixelRgn rgn;
    gimp_pixel_rgn_init(&rgn, drawable, 0, 0, 80, 60, FALSE, FALSE);
    gimp_pixel_rgn_get_rect(&rgn, bytes.data(), 0, 0, 80, 60);
    for (std::size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], img.bytes[i / 3]) << "byte " << i;
    gimp_drawable_detach(drawable);
}

TEST_F(StrandelDialog, ManualSegmentationAddsTheSupervisedMeasureAndCancelKeepsTheChain) {
    testing_gimp::temp_dir dir;
    {
        test_image img(80, 60, GIMP_GRAY_IMAGE, [](int x, int y, int) { return band(x, y); });
        ASSERT_TRUE(testing_gimp::save_image(img, dir.file("bands.png")));
        ASSERT_TRUE(testing_gimp::save_image(img, dir.file("bands_seg.png")));
    }
    const std::string file = dir.file("bands.png");
    const gint32 image = gimp_file_load(GIMP_RUN_NONINTERACTIVE, file.c_str(), file.c_str());
    ASSERT_GE(image, 0);
    GimpDrawable* drawable = gimp_drawable_get(gimp_image_get_active_drawable(image));
    // AiNet finds the three bands: each label is matched exactly.
    passes.clear();
    ASSERT_TRUE(parse_chain("AiNet", passes));
    const pass* original = &passes[0];
    const std::string before = format_chain(passes);
    const pixel_classifier* chosen = nullptr;
    poller p;
    const bool accepted = strandel_dialog(drawable, passes, &chosen, [&](const strandel_dialog_widgets& w) {
        p.dialog = w.dialog;
        p.watch(w.preview);
        p.ready = [&p] { return p.refreshes > 0; };
        p.act = [w] {
            const int measures = int(fitness_function_repertoire::instance()->size());
            EXPECT_EQ(entries_of(w.fitness_combo), measures + 1);
            gtk_combo_box_set_active(GTK_COMBO_BOX(w.fitness_combo), measures);
            gchar* label = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(w.fitness_combo));
            EXPECT_STREQ(label, "Jaccard (Supervised)");
            g_free(label);
            EXPECT_EQ(text_of(w.fitness_indicator), "1");
            EXPECT_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(w.fitness_indicator)), 1.0);
            gtk_button_clicked(GTK_BUTTON(w.add_button));  // edits that cancel must drop
            gtk_dialog_response(GTK_DIALOG(w.dialog), GTK_RESPONSE_CANCEL);
        };
        p.start();
    });
    EXPECT_TRUE(p.acted);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(chosen, nullptr);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(&passes[0], original);
    EXPECT_EQ(format_chain(passes), before);
    gimp_drawable_detach(drawable);
    // Only the image itself is left open: the manual one was given back.
    gint n = 0;
    gint32* images = gimp_image_list(&n);
    int named = 0;
    for (int i = 0; i < n; ++i) {
        gchar* name = gimp_image_get_filename(images[i]);
        if (name && std::string(name).find("bands_seg") != std::string::npos) ++named;
        g_free(name);
    }
    g_free(images);
    EXPECT_EQ(named, 0);
    gimp_image_delete(image);
}

}  // namespace
}  // namespace strandel
