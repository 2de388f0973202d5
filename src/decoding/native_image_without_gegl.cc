// SPDX-License-Identifier: GPL-3.0-or-later
// The native engine in a build without GEGL: the in-process reader alone.
// A file it leaves to GEGL (16-bit or interlaced PNG, TIFF, other PGM, a
// colour manual segmentation, which babl turns to gray) is refused, saying
// why and what to do.
#include "decoding/in_process_reader.h"
#include "decoding/native_image_gegl.h"

namespace strandel {

native_engine::native_engine() = default;
native_engine::~native_engine() = default;

open_result open_gegl_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>*, std::string* why) {
    if (!fit_for_other_decoders(file, why)) return open_result::failed;
    *why = std::string("this build of Strandel was made without GEGL (Debian: libgegl-dev), which reads ") +
           (role == row_role::labels ? "colour manual segmentations (converting them to gray)"
                                     : "every image but 8-bit and indexed PNG, JPEG, GIF and binary PGM "
                                       "(16-bit or interlaced PNG, TIFF, other PGM...)") +
           ": rebuild with it, or convert the file to 8-bit gray PNG";
    return open_result::failed;
}

}  // namespace strandel
