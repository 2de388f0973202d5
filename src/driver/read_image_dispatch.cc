// SPDX-License-Identifier: GPL-3.0-or-later
// The order both GIMPs' readers follow (driver/read_image_gimp.h): the
// in-process reader first, the GIMP version's own loaders
// (read_image_with_gimp_loaders, in read_image_gimp.cc for GIMP 2.10 and
// gimp3/read_image_gimp3.cc for GIMP 3.0) for what it does not decode.
#include "driver/read_image_gimp.h"

#include <cstdlib>
#include <cstring>

#include "decoding/in_process_reader.h"

namespace strandel {

namespace {

bool gimp_loaders_only() {
    const char* value = std::getenv("STRANDEL_GIMP_LOADERS");
    return value && std::strcmp(value, "1") == 0;
}

}  // namespace

read_status read_image_with_gimp(const image_request& request, image_data& data, std::string* why) {
    if (gimp_loaders_only()) return read_image_with_gimp_loaders(request, data, why);
    switch (read_in_process(request, data, why)) {
    case in_process_status::read: return read_status::ok;
    case in_process_status::unreadable: return read_status::unreadable;
    case in_process_status::not_covered: break;
    }
    return read_image_with_gimp_loaders(request, data, why);
}

}  // namespace strandel
