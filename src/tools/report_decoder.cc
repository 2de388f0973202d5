// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/report_decoder.h"

#include <cstring>

#include "decoding/file_check.h"
#include "decoding/native_image_gegl.h"
#include "report_page/png_read.h"

namespace strandel {

bool decode_for_report(const std::string& path, decoded_image* out) {
    std::string why;
    if (!is_regular_file(path, &why)) return false;
    if (decode_png(path, out)) return true;
    std::unique_ptr<pixel_rows> rows;
    if (open_image_rows(path, row_role::image, &rows, &why) != open_result::opened) return false;
    out->width = rows->width();
    out->height = rows->height();
    out->channels = 1;
    out->pixels.resize(std::size_t(out->width) * std::size_t(out->height));
    for (int y = 0; y < out->height; ++y) {
        const unsigned char* row = rows->next_row(&why);
        if (!row) return false;
        std::memcpy(out->pixels.data() + std::size_t(y) * out->width, row, std::size_t(out->width));
    }
    return true;
}

}  // namespace strandel
