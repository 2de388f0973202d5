// SPDX-License-Identifier: GPL-3.0-or-later
// The interactive segmentation plug-in, "plug-in-strandel": segments one
// drawable with a chain of passes, edited in a dialog with a live preview
// or given as text, and paints the classes into it.
#pragma once

#include <libgimp/gimp.h>

namespace strandel {

extern const GimpPlugInInfo segment_plug_in_info;

}  // namespace strandel
