// SPDX-License-Identifier: GPL-3.0-or-later
// The native engine: images read in-process in the layout GIMP would give a
// plug-in for the image's first layer (8-bit gray, gray and alpha, RGB or
// RGBA), so that the report is the plug-in's: 8-bit PNG and binary PGM by
// the in-process reader, every other file decoded by GEGL.
#pragma once

#include <string>

#include "batch/image_reader.h"
#include "decoding/pixel_rows.h"

namespace strandel {

// Prepares GEGL (its image loaders only, no replay of babl's conversion
// cache), which starts when the first file needs it, and ends it with the
// object. One per process, made before any image is read and before any
// thread starts (it sets environment variables).
class native_engine {
public:
    native_engine();
    ~native_engine();
    native_engine(const native_engine&) = delete;
    native_engine& operator=(const native_engine&) = delete;
};

// An image_reader: fills `data` with the histogram of the image and, when
// its manual segmentation decodes and has the same size, the (gray level,
// label) pair counts. Safe to call from several threads at once.
read_status read_image_native(const image_request& request, image_data& data, std::string* why);

// Opens `file` for its rows as this engine reads it: in-process when it
// can, otherwise with GEGL (indexed images are refused with the reason).
// `file` must be a regular file.
open_result open_image_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                            std::string* why);

// Opens `file` for its rows with GEGL, whatever it is (indexed images are
// refused with the reason): the engine's fallback, and what the benchmarks
// compare the in-process reader with. `file` must be a regular file.
open_result open_gegl_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                           std::string* why);

}  // namespace strandel
