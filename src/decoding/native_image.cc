// SPDX-License-Identifier: GPL-3.0-or-later
// The native engine's readers, with or without GEGL behind them
// (native_image_gegl.cc, native_image_without_gegl.cc).
#include "decoding/in_process_reader.h"
#include "decoding/native_image_gegl.h"

namespace strandel {

read_status read_image_native(const image_request& request, image_data& data, std::string* why) {
    return read_in_process(request, data, why, open_gegl_rows) == in_process_status::read ? read_status::ok
                                                                                           : read_status::unreadable;
}

open_result open_image_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                            std::string* why) {
    const open_result own = open_in_process(file, role, rows, why);
    return own == open_result::not_covered ? open_gegl_rows(file, role, rows, why) : own;
}

}  // namespace strandel
