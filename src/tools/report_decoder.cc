// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/report_decoder.h"

#include "decoding/file_check.h"
#include "decoding/jpeg_rows.h"
#include "decoding/native_image_gegl.h"
#include "decoding/png_rows.h"
#include "report_page/png_read.h"
#include "tools/scaled_jpeg.h"

namespace strandel {

namespace {

// The engine's gray rows as the page's rows.
class engine_rows : public image_row_source {
public:
    explicit engine_rows(std::unique_ptr<pixel_rows> rows)
        : image_row_source(rows->width(), rows->height(), 1), m_rows(std::move(rows)) {}
    const unsigned char* next_row(std::string* why) override { return m_rows->next_row(why); }

private:
    std::unique_ptr<pixel_rows> m_rows;
};

}  // namespace

std::unique_ptr<image_row_source> open_for_report(const std::string& path, std::string* why) {
    if (!is_regular_file(path, why)) return nullptr;
    // A PNG is read by libpng alone, within the page's limits: no other
    // reader takes over the ones it refuses.
    if (is_png_file(path)) return open_png_rows(path, why);
    if (is_jpeg_file(path))
        if (auto scaled = open_scaled_jpeg(path, why)) return scaled;
    std::unique_ptr<pixel_rows> rows;
    if (open_image_rows(path, row_role::image, &rows, why) != open_result::opened) return nullptr;
    return std::make_unique<engine_rows>(std::move(rows));
}

}  // namespace strandel
