// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/segment_procedure_gimp.h"

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <cstdio>
#include <string>
#include <vector>

#include "batch/chain_syntax.h"
#include "batch/registration.h"
#include "driver/segment_drawable_gimp.h"
#include "driver/stored_chain_gimp.h"
#include "evaluation/manual_segmentation_gimp.h"
#include "evaluation/pixel_classifier_gimp.h"
#include "ui/result_dialog.h"
#include "ui/strandel_dialog.h"

namespace strandel {
namespace {

const char* const procedure_name = "plug-in-strandel";

struct run_answer {
    GimpPDBStatusType status = GIMP_PDB_SUCCESS;
    std::string message;

    void fail(GimpPDBStatusType s, const std::string& text) {
        status = s;
        message = text;
    }
};

// Checks the image and drawable arguments; converts a high bit depth image
// to the 8 bits per channel the painting works on.
bool check_target(gint32 image, gint32 drawable, bool interactive, run_answer* answer) {
    if (!gimp_item_is_valid(drawable) || !gimp_item_is_drawable(drawable)) {
        answer->fail(GIMP_PDB_CALLING_ERROR, "drawable: " + std::to_string(drawable) + " is not a valid drawable");
        return false;
    }
    if (!gimp_image_is_valid(image) || gimp_item_get_image(drawable) != image) {
        answer->fail(GIMP_PDB_CALLING_ERROR,
                     "image: " + std::to_string(image) + " is not the image of drawable " + std::to_string(drawable));
        return false;
    }
    // The dialog turns indexed images into RGB; without it the indices
    // would be painted over with gray levels.
    if (!interactive && gimp_drawable_is_indexed(drawable)) {
        answer->fail(GIMP_PDB_CALLING_ERROR, "drawable: " + std::to_string(drawable) +
                                                 " is indexed; convert the image to gray or RGB first");
        return false;
    }
    if (!convert_to_8bit(image)) {
        answer->fail(GIMP_PDB_EXECUTION_ERROR,
                     "image: " + std::to_string(image) + " could not be converted to 8 bits per channel");
        return false;
    }
    return true;
}

void segment(GimpDrawable* drawable, const chain& passes, const pixel_classifier* classifier,
             bool show_results, run_answer* answer) {
    const gint32 image = gimp_item_get_image(drawable->drawable_id);
    GimpDrawable* manual = show_results ? load_manual_segmentation(image) : nullptr;
    drawable_segmentation result;
    std::string error;
    if (!segment_drawable(drawable, passes, classifier, manual, &result, &error)) {
        answer->fail(GIMP_PDB_EXECUTION_ERROR, error);
    } else {
        gimp_displays_flush();
        if (show_results) result_dialog(passes, result.h, result.outcome, result.has_manual ? &result.supervised : nullptr);
    }
    release_manual_segmentation(manual);
}

run_answer run_procedure(gint nparams, const GimpParam* params) {
    run_answer answer;
    if (nparams < 3) {
        answer.fail(GIMP_PDB_CALLING_ERROR, "plug-in-strandel takes run-mode, image, drawable and chain; got " +
                                                std::to_string(nparams) + " arguments");
        return answer;
    }
    const gint32 run_mode = params[0].data.d_int32;
    const gint32 image = params[1].data.d_image, drawable_id = params[2].data.d_drawable;
    const bool interactive = run_mode == GIMP_RUN_INTERACTIVE;
    register_passes();
    register_fitness_functions();
    if (pixel_classifier_repertoire::instance()->size() == 0) register_pixel_classifiers();
    if (!check_target(image, drawable_id, interactive, &answer)) return answer;

    chain passes;
    const pixel_classifier* classifier = pixel_classifier_repertoire::instance()->find("Pure Gray Level Classifier");
    if (run_mode == GIMP_RUN_NONINTERACTIVE) {
        const char* text = nparams > 3 && params[3].data.d_string ? params[3].data.d_string : "";
        std::string error;
        if (!parse_chain(text, passes, &error)) {
            answer.fail(GIMP_PDB_CALLING_ERROR, "chain: " + error);
            return answer;
        }
    } else {
        restore_chain(procedure_name, passes);
    }

    GimpDrawable* drawable = gimp_drawable_get(drawable_id);
    if (interactive) {
        gimp_ui_init("strandel", TRUE);
        if (!strandel_dialog(drawable, passes, &classifier)) {
            answer.status = GIMP_PDB_CANCEL;
        } else {
            store_chain(procedure_name, passes);
            segment(drawable, passes, classifier, true, &answer);
        }
    } else {
        segment(drawable, passes, classifier, false, &answer);
    }
    gimp_drawable_detach(drawable);
    return answer;
}

void query() {
    static const GimpParamDef args[] = {
        {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"), const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1), RUN-WITH-LAST-VALS (2) }")},
        {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Input image")},
        {GIMP_PDB_DRAWABLE, const_cast<gchar*>("drawable"), const_cast<gchar*>("Drawable to segment")},
        {GIMP_PDB_STRING, const_cast<gchar*>("chain"),
         const_cast<gchar*>("Chain of passes when not interactive, e.g. \"K-Means(10, 3); Fuzzy C-Means\"; empty for one AiNet pass")},
    };
    const char* blurb = "Segment a drawable by chaining clustering algorithms on its gray-level histogram.";
    const char* help =
        "Runs a chain of clustering passes (AiNet, Particle Swarm Optimization, Fuzzy C-Means, K-Means) on the "
        "gray-level histogram of the drawable and paints every pixel with its class: the class centre's gray level "
        "on gray drawables, a class colour on RGB ones. Interactively the chain is edited with a live preview and "
        "the classes of every pass are shown afterwards.";
    gimp_install_procedure(procedure_name, blurb, help, "Strandel developers", "Strandel developers", "2026",
                           "_Strandel Segmentation...", "RGB*, GRAY*", GIMP_PLUGIN, G_N_ELEMENTS(args), 0, args,
                           nullptr);
    // Beside the batch procedure, which GIMP 2.10 files under <Image> too.
    gimp_plugin_menu_register(procedure_name, "<Image>/Segmentation");
}

void run(const gchar*, gint nparams, const GimpParam* params, gint* nreturn_vals, GimpParam** return_vals) {
    static GimpParam values[2];
    static std::string message;
    const run_answer answer = run_procedure(nparams, params);
    values[0].type = GIMP_PDB_STATUS;
    values[0].data.d_status = answer.status;
    *nreturn_vals = 1;
    *return_vals = values;
    if (!answer.message.empty()) {
        message = answer.message;
        values[1].type = GIMP_PDB_STRING;
        values[1].data.d_string = const_cast<gchar*>(message.c_str());
        *nreturn_vals = 2;
    }
}

}  // namespace

const GimpPlugInInfo segment_plug_in_info = {nullptr, nullptr, query, run};

}  // namespace strandel
