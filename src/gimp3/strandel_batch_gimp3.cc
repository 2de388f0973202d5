// SPDX-License-Identifier: GPL-3.0-or-later
// The batch plug-in for GIMP 3, "plug-in-strandel-batch": the batch dialog
// (GIMP 2.10's, driver/batch_session.h), in the image window's
// "Segmentation" menu, needing no image.
#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <string>

#include "batch/chain_syntax.h"
#include "batch/registration.h"
#include "driver/batch_session.h"
#include "gimp3/plug_in_gimp3.h"

namespace strandel {
namespace {

const char* const procedure_name = "plug-in-strandel-batch";

GimpValueArray* run(GimpProcedure* procedure, GimpProcedureConfig* config, gpointer) {
    register_passes();
    register_fitness_functions();
    if (config_run_mode(config) == GIMP_RUN_INTERACTIVE) {
        gimp_ui_init(procedure_name);
        // The dialog starts from the default chain, as under GIMP 2.10.
        chain passes;
        parse_chain("", passes);
        run_batch_session(passes);
    }
    return gimp_procedure_new_return_values(procedure, GIMP_PDB_SUCCESS, nullptr);
}

GimpProcedure* make_procedure(GimpPlugIn* plug_in, const gchar* name) {
    GimpProcedure* procedure = gimp_procedure_new(plug_in, name, GIMP_PDB_PROC_TYPE_PLUGIN, run, nullptr, nullptr);
    add_run_mode_argument(procedure);
    const char* blurb = "Segment a gray scale image by chaining algorithms.";
    gimp_procedure_set_documentation(procedure, blurb, blurb, name);
    add_to_segmentation_menu(procedure, "_Strandel Segmentation (Batch Mode)");
    gimp_procedure_set_sensitivity_mask(procedure, GIMP_PROCEDURE_SENSITIVE_ALWAYS);
    set_attribution(procedure);
    return procedure;
}

}  // namespace
}  // namespace strandel

int main(int argc, char* argv[]) {
    return strandel::run_plug_in(argc, argv, {strandel::procedure_name}, strandel::make_procedure);
}
