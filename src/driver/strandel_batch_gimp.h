// SPDX-License-Identifier: GPL-3.0-or-later
// The batch plug-in's procedure: registration with GIMP and the run flow.
#pragma once

#include <libgimp/gimp.h>

namespace strandel {

extern const GimpPlugInInfo PLUG_IN_INFO;

// Registers "plug-in-strandel-batch" and its menu entry.
void query();

// GIMP's run callback. Always answers one value, status success.
void run(const gchar* name, gint nparams, const GimpParam* params, gint* nreturn_vals, GimpParam** return_vals);

}  // namespace strandel
