// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a benchmark's image inside GIMP, as the batch dialog's worker and
// the headless benchmark procedure do: the files the in-process reader
// decodes (8-bit PNG, binary PGM) are read in this process, as GIMP would
// hold their pixels; every other file is loaded by GIMP's own loaders and
// read tile by tile.
#pragma once

#include <string>

#include "batch/image_reader.h"
#include "decoding/pixel_rows.h"

namespace strandel {

// The in-process reader first, GIMP's loaders for what it does not cover.
// With STRANDEL_GIMP_LOADERS=1 in the environment every file goes to GIMP's
// loaders (to compare the two, or should the in-process reader ever be in
// doubt).
read_status read_image_with_gimp(const image_request& request, image_data& data, std::string* why);

// GIMP's loaders only: the image's first layer (and its manual
// segmentation, when it is there) read in one walk. Every image it loads is
// deleted from GIMP again before it returns.
read_status read_image_with_gimp_loaders(const image_request& request, image_data& data, std::string* why);

// A label file (a further annotator's, or a scored method's) loaded by
// this GIMP's loaders and converted to 8-bit gray, as a manual
// segmentation is: for the label files the in-process reader leaves.
open_result open_labels_with_gimp_loaders(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                                          std::string* why);

// The in-process reader first, then open_labels_with_gimp_loaders.
open_result open_labels_in_gimp(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                                std::string* why);

}  // namespace strandel
