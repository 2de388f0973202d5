// SPDX-License-Identifier: GPL-3.0-or-later
// The order both GIMPs' readers follow (driver/read_image_gimp.h): the
// in-process reader first, the GIMP version's own loaders
// (read_image_with_gimp_loaders, in read_image_gimp.cc for GIMP 2.10 and
// gimp3/read_image_gimp3.cc for GIMP 3.0) for what it does not decode.
#include "driver/read_image_gimp.h"

#include <cstdlib>
#include <cstring>

#include "decoding/in_process_reader.h"
#include "decoding/wide_image.h"

namespace strandel {

namespace {

bool gimp_loaders_only() {
    const char* value = std::getenv("STRANDEL_GIMP_LOADERS");
    return value && std::strcmp(value, "1") == 0;
}

}  // namespace

open_result open_labels_in_gimp(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                                std::string* why) {
    const open_result own = open_in_process(file, role, rows, why);
    return own == open_result::not_covered ? open_labels_with_gimp_loaders(file, role, rows, why) : own;
}

read_status read_image_with_gimp(const image_request& request, image_data& data, std::string* why) {
    // Stretched 16-bit images are read in-process whatever the loaders: GIMP
    // would scale them to 8 bits first.
    const bool stretched = wide_level_rule() == level_rule::stretch && is_wide_image_file(request.image);
    if (gimp_loaders_only() && !stretched) return read_image_with_gimp_loaders(request, data, why);
    switch (read_in_process(request, data, why, nullptr, open_labels_with_gimp_loaders)) {
    case in_process_status::read: return read_status::ok;
    case in_process_status::unreadable: return read_status::unreadable;
    case in_process_status::not_covered: break;
    }
    return read_image_with_gimp_loaders(request, data, why);
}

}  // namespace strandel
