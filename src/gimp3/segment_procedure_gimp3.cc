// SPDX-License-Identifier: GPL-3.0-or-later
// The interactive segmentation plug-in for GIMP 3, "plug-in-strandel":
// GIMP 2.10's driver/segment_procedure_gimp with GIMP 3's image procedure.
// The chain is an argument: GIMP keeps its last value, which is the chain
// the dialog last accepted (formatted with every parameter), so the dialog
// and "Repeat" start from it, as from GIMP 2.10's stored chain.
#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <string>

#include "batch/chain_syntax.h"
#include "batch/registration.h"
#include "gimp3/image_files_gimp3.h"
#include "gimp3/plug_in_gimp3.h"
#include "gimp3/segment_drawable_gimp3.h"
#include "gimp3/strandel_dialog_gimp3.h"
#include "ui/result_dialog.h"

namespace strandel {
namespace {

const char* const procedure_name = "plug-in-strandel";

std::string item_text(GimpDrawable* drawable) { return std::to_string(gimp_item_get_id(GIMP_ITEM(drawable))); }

// Why the target cannot be segmented, or "" when it can; converts a high
// bit depth image to the 8 bits per channel the painting works on.
std::string refusal(GimpImage* image, GimpDrawable* drawable, bool interactive, GimpPDBStatusType* status) {
    *status = GIMP_PDB_CALLING_ERROR;
    // The dialog turns indexed images into RGB; without it the indices
    // would be painted over with gray levels.
    if (!interactive && gimp_drawable_is_indexed(drawable))
        return "drawable: " + item_text(drawable) + " is indexed; convert the image to gray or RGB first";
    if (interactive && gimp_image_get_base_type(image) == GIMP_INDEXED) gimp_image_convert_rgb(image);
    *status = GIMP_PDB_EXECUTION_ERROR;
    if (!convert_to_8bit(image))
        return "image: " + std::to_string(gimp_image_get_id(image)) +
               " could not be converted to 8 bits per channel";
    return "";
}

// The chain of the config: the text given, or the last one accepted.
bool config_chain(GimpProcedureConfig* config, bool given, chain* passes, std::string* error) {
    const std::string text = config_string(config, "chain");
    if (parse_chain(text, *passes, error)) return true;
    if (given) return false;
    std::fprintf(stderr, "strandel: the last chain '%s' cannot be read (%s); using one %s pass\n", text.c_str(),
                 error->c_str(), default_pass_label);
    passes->clear();
    return parse_chain("", *passes, error);
}

GimpValueArray* run(GimpProcedure* procedure, GimpRunMode mode, GimpImage* image, GimpDrawable** drawables,
                    GimpProcedureConfig* config, gpointer) {
    register_passes();
    register_fitness_functions();
    if (!drawables || !drawables[0] || drawables[1])
        return failure(procedure, GIMP_PDB_CALLING_ERROR, std::string(procedure_name) + " segments one drawable");
    GimpDrawable* drawable = drawables[0];
    const bool interactive = mode == GIMP_RUN_INTERACTIVE;
    GimpPDBStatusType status = GIMP_PDB_SUCCESS;
    const std::string refused = refusal(image, drawable, interactive, &status);
    if (!refused.empty()) return failure(procedure, status, refused);

    chain passes;
    std::string error;
    if (!config_chain(config, mode == GIMP_RUN_NONINTERACTIVE, &passes, &error))
        return failure(procedure, GIMP_PDB_CALLING_ERROR, "chain: " + error);
    pixel_rule rule = pixel_rule::pure;
    if (interactive) {
        gimp_ui_init("strandel");
        if (!strandel_dialog(drawable, passes, &rule))
            return gimp_procedure_new_return_values(procedure, GIMP_PDB_CANCEL, nullptr);
        g_object_set(config, "chain", format_chain(passes).c_str(), nullptr);
    }
    GimpDrawable* manual = interactive ? load_manual_segmentation(image) : nullptr;
    drawable_segmentation result;
    const bool painted = segment_drawable(drawable, passes, rule, manual, &result, &error);
    release_manual_segmentation(manual);
    if (!painted) return failure(procedure, GIMP_PDB_EXECUTION_ERROR, error);
    gimp_displays_flush();
    if (interactive) result_dialog(passes, result.h, result.outcome, result.has_manual ? &result.supervised : nullptr);
    return gimp_procedure_new_return_values(procedure, GIMP_PDB_SUCCESS, nullptr);
}

GimpProcedure* make_procedure(GimpPlugIn* plug_in, const gchar* name) {
    GimpProcedure* procedure =
        gimp_image_procedure_new(plug_in, name, GIMP_PDB_PROC_TYPE_PLUGIN, run, nullptr, nullptr);
    gimp_procedure_set_image_types(procedure, "RGB*, GRAY*");
    gimp_procedure_set_sensitivity_mask(procedure, GIMP_PROCEDURE_SENSITIVE_DRAWABLE);
    add_to_segmentation_menu(procedure, "_Strandel Segmentation...");
    gimp_procedure_set_documentation(
        procedure, "Segment a drawable by chaining clustering algorithms on its gray-level histogram.",
        "Runs a chain of clustering passes (AiNet, Particle Swarm Optimization, Fuzzy C-Means, K-Means) on the "
        "gray-level histogram of the drawable and paints every pixel with its class: the class centre's gray level "
        "on gray drawables, a class colour on RGB ones. Interactively the chain is edited with a live preview and "
        "the classes of every pass are shown afterwards.",
        name);
    gimp_procedure_add_string_argument(procedure, "chain", "Chain",
                                       "Chain of passes when not interactive, e.g. \"K-Means(10, 3); Fuzzy "
                                       "C-Means\"; empty for one AiNet pass",
                                       "", G_PARAM_READWRITE);
    set_attribution(procedure);
    return procedure;
}

}  // namespace
}  // namespace strandel

int main(int argc, char* argv[]) {
    return strandel::run_plug_in(argc, argv, {strandel::procedure_name}, strandel::make_procedure);
}
