// SPDX-License-Identifier: GPL-3.0-or-later
// Images loaded by GIMP 3's own loaders, and the manual segmentation that
// lies beside an image, as GIMP 2.10's evaluation/manual_segmentation_gimp
// does it with image ids.
#pragma once

#include <libgimp/gimp.h>

#include <string>

namespace strandel {

// The file loaded by GIMP non-interactively; null when GIMP cannot load it.
// Give it back with gimp_image_delete.
GimpImage* load_image_file(const std::string& file);

// Converts a high bit depth image to 8 bits per channel; false when GIMP
// refuses.
bool convert_to_8bit(GimpImage* image);

// The top layer of the stack, or null when the image has none.
GimpDrawable* first_layer(GimpImage* image);

// The first layer of the manual segmentation `file`, converted to 8-bit
// gray; null when `file` is empty or missing, cannot be loaded or
// converted, or its size differs from `like`'s. Give it back with
// release_manual_segmentation.
GimpDrawable* load_manual_segmentation_file(const std::string& file, GimpDrawable* like);

// The same for the manual segmentation beside the file of `image`
// (manual_segmentation_name), against the image's first layer.
GimpDrawable* load_manual_segmentation(GimpImage* image);

// Deletes the manual segmentation's image from GIMP (nothing for null).
void release_manual_segmentation(GimpDrawable* manual);

}  // namespace strandel
