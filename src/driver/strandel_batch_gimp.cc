// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/strandel_batch_gimp.h"

#include <libgimp/gimpui.h>

#include "driver/batch_session.h"
#include "driver/stored_chain_gimp.h"
#include "batch/registration.h"

namespace strandel {

namespace {

const char* const procedure_name = "plug-in-strandel-batch";

void run_interactive() {
    gimp_ui_init(procedure_name, FALSE);

    chain passes;
    restore_chain(procedure_name, passes);
    run_batch_session(passes);
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

void query() {
    static const GimpParamDef param_def[] = {{GIMP_PDB_INT32, const_cast<gchar*>("run-mode"), const_cast<gchar*>("Run mode")}};
    // The status is every procedure's implicit first return value; declaring
    // it again would make GIMP report two statuses (Script-Fu then calls the
    // run an error).
    const char* blurb = "Segment a gray scale image by chaining algorithms.";
    gimp_install_procedure(procedure_name, blurb, blurb, "Strandel developers", "Strandel developers", "2026",
                           "_Strandel Segmentation (Batch Mode)", "", GIMP_PLUGIN, 1, 0, param_def, nullptr);
    gimp_plugin_menu_register(procedure_name, "<Toolbox>/Segmentation");
}

void run(const gchar* /*name*/, gint nparams, const GimpParam* params, gint* nreturn_vals, GimpParam** return_vals) {
    static GimpParam ret[1];
    ret[0].type = GIMP_PDB_STATUS;
    ret[0].data.d_status = GIMP_PDB_SUCCESS;
    *nreturn_vals = 1;
    *return_vals = ret;

    const gint32 run_mode = nparams > 0 ? params[0].data.d_int32 : gint32(GIMP_RUN_NONINTERACTIVE);
    register_passes();
    register_fitness_functions();
    if (run_mode != GIMP_RUN_INTERACTIVE) return;
    run_interactive();
}

}  // namespace strandel
