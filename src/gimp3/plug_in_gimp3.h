// SPDX-License-Identifier: GPL-3.0-or-later
// What every GIMP 3 plug-in process of Strandel shares: GIMP 3 finds its
// procedures through a GimpPlugIn subclass (GIMP 2.10 through query() and
// run() callbacks), and answers failures with a status and a message.
#pragma once

#include <libgimp/gimp.h>

#include <string>
#include <vector>

namespace strandel {

// Makes the procedure `name`, one of the plug-in's.
using procedure_maker = GimpProcedure* (*)(GimpPlugIn* plug_in, const gchar* name);

// Runs the plug-in process with its procedures (one plug-in per process):
// the body of main().
int run_plug_in(int argc, char* argv[], const std::vector<const char*>& procedures, procedure_maker make);

// Author, copyright and date, as the GIMP 2.10 procedures give them.
void set_attribution(GimpProcedure* procedure);

// The menu entry `label` in the image window's "Segmentation" menu, where
// GIMP 2.10 files both entries too.
void add_to_segmentation_menu(GimpProcedure* procedure, const char* label);

// The run mode argument of a procedure that is not an image procedure.
void add_run_mode_argument(GimpProcedure* procedure);

// The run mode from a procedure's config.
GimpRunMode config_run_mode(GimpProcedureConfig* config);

// A string argument of the config ("" for none).
std::string config_string(GimpProcedureConfig* config, const char* name);

// Return values of a failed run: `status` and `message`, which GIMP and
// Script-Fu show after the procedure's name.
GimpValueArray* failure(GimpProcedure* procedure, GimpPDBStatusType status, const std::string& message);

}  // namespace strandel
