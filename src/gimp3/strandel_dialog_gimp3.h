// SPDX-License-Identifier: GPL-3.0-or-later
// The interactive segmentation dialog on a GIMP 3 drawable: GIMP 2.10's
// ui/strandel_dialog.h with the preview and its pixels through GIMP 3's
// API; the chain editor and the measure display are the shared ones.
#pragma once

#include <libgimp/gimp.h>
#include <gtk/gtk.h>

#include "evaluation/segmentation_rows.h"
#include "framework/chain.h"

namespace strandel {

// Shows the dialog on `drawable` with panels for clones of the passes of
// `passes`. A gray drawable has its image converted to RGB first, so that
// the classes show in colour. Returns true on OK: `passes` then holds the
// panels' passes in screen order and `rule` the chosen pixel classifier's.
// On cancel `passes` is untouched.
bool strandel_dialog(GimpDrawable* drawable, chain& passes, pixel_rule* rule);

}  // namespace strandel
