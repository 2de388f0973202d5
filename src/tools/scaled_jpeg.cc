// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/scaled_jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "report_page/thumbnails.h"

namespace strandel {

namespace {

struct jpeg_error : jpeg_error_mgr {
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = "";
};

void jpeg_failed(j_common_ptr info) {
    auto* error = static_cast<jpeg_error*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// A JPEG decoded at 1/2, 1/4 or 1/8 of its size straight from its DCT
// coefficients (libjpeg-turbo's scaled decoding): the smallest size still
// at least a thumbnail's, so that a large photograph costs a fraction of a
// full decode. Gray levels as the engine reads them: gray files as they
// are, colour files by their third (blue) channel. Files the engine reads
// in another way (EXIF orientation, CMYK) are left to it: null without a
// reason.
class scaled_jpeg_rows : public image_row_source {
public:
    static std::unique_ptr<image_row_source> open(const std::string& path, std::string* why) {
        std::unique_ptr<scaled_jpeg_rows> rows(new scaled_jpeg_rows());
        if (!rows->start(path, why)) return nullptr;
        return rows;
    }
    ~scaled_jpeg_rows() override {
        jpeg_destroy_decompress(&m_info);
        if (m_file) std::fclose(m_file);
    }
    const unsigned char* next_row(std::string* why) override {
        if (setjmp(m_error.jump)) {
            *why = m_error.message;
            return nullptr;
        }
        JSAMPROW row = m_row.data();
        if (jpeg_read_scanlines(&m_info, &row, 1) != 1) {
            *why = "the JPEG ended early";
            return nullptr;
        }
        if (m_info.output_components == 3)
            for (JDIMENSION x = 0; x < m_info.output_width; ++x) m_gray[x] = m_row[3 * x + 2];
        return m_info.output_components == 3 ? m_gray.data() : m_row.data();
    }

private:
    scaled_jpeg_rows() : image_row_source(0, 0, 1) {
        m_info.err = jpeg_std_error(&m_error);
        m_error.error_exit = jpeg_failed;
        jpeg_create_decompress(&m_info);
    }
    bool start(const std::string& path, std::string* why) {
        m_file = std::fopen(path.c_str(), "rb");
        if (!m_file) return false;
        if (setjmp(m_error.jump)) return false;  // the engine says why
        jpeg_stdio_src(&m_info, m_file);
        jpeg_save_markers(&m_info, JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(&m_info, TRUE);
        for (jpeg_saved_marker_ptr m = m_info.marker_list; m; m = m->next)
            if (m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) return false;
        if (m_info.jpeg_color_space == JCS_CMYK || m_info.jpeg_color_space == JCS_YCCK) return false;
        m_info.out_color_space = m_info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
        m_info.scale_num = 1;
        m_info.scale_denom = 1;
        const JDIMENSION longest = std::max(m_info.image_width, m_info.image_height);
        while (m_info.scale_denom < 8 && longest / (m_info.scale_denom * 2) >= JDIMENSION(thumbnail_side))
            m_info.scale_denom *= 2;
        jpeg_start_decompress(&m_info);
        resize(static_cast<int>(m_info.output_width), static_cast<int>(m_info.output_height));
        m_row.resize(std::size_t(m_info.output_width) * m_info.output_components);
        m_gray.resize(m_info.output_width);
        (void)why;
        return true;
    }
    jpeg_decompress_struct m_info{};
    jpeg_error m_error;
    std::FILE* m_file = nullptr;
    std::vector<unsigned char> m_row, m_gray;
};

}  // namespace

std::unique_ptr<image_row_source> open_scaled_jpeg(const std::string& path, std::string* why) {
    return scaled_jpeg_rows::open(path, why);
}

}  // namespace strandel
