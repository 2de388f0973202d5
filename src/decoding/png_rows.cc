// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/png_rows.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "decoding/file_check.h"
#include "decoding/wide_image.h"
#include "framework/histogram.h"

namespace strandel {

namespace {

// libpng reports errors by a long jump back to the setjmp of the call that
// failed; every call into libpng that can fail sits in a function of its
// own with nothing to destroy between the two.
struct png_reader {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    char error[200] = "";
    char buffer[65536];

    ~png_reader() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (file) std::fclose(file);
    }

    static void on_error(png_structp png, png_const_charp message) {
        png_reader* self = static_cast<png_reader*>(png_get_error_ptr(png));
        std::snprintf(self->error, sizeof self->error, "%s", message);
        png_longjmp(png, 1);
    }
    static void on_warning(png_structp, png_const_charp) {}

    // Opens the file and reads everything up to the first row.
    bool start(const std::string& path, std::string* why) {
        file = std::fopen(path.c_str(), "rb");
        if (!file) {
            *why = std::strerror(errno);
            return false;
        }
        std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, on_error, on_warning);
        info = png ? png_create_info_struct(png) : nullptr;
        if (!info) {
            *why = "out of memory";
            return false;
        }
        png_init_io(png, file);
        if (!read_info()) return broken(why);
        return true;
    }

    bool read_info() {
        if (setjmp(png_jmpbuf(png))) return false;
        png_read_info(png, info);
        return true;
    }
    // Every pass of an interlaced image is read in full rows.
    int prepare_full_rows() {
        if (setjmp(png_jmpbuf(png))) return 0;
        const int passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
        return passes;
    }
    // Palette indices become their colours (with the alpha a tRNS chunk
    // gives them), as GIMP's conversion of an indexed image to RGB gives
    // them: 3 or 4 channels of 8 bits, whatever the indices' depth; 0 when
    // the file breaks.
    int expand_palette() {
        if (setjmp(png_jmpbuf(png))) return 0;
        png_set_palette_to_rgb(png);
        png_read_update_info(png, info);
        return png_get_channels(png, info);
    }
    // 16-bit samples in the machine's byte order, every pass in full rows.
    int prepare_wide_rows() {
        if (setjmp(png_jmpbuf(png))) return 0;
        const int passes = png_set_interlace_handling(png);
        const unsigned short probe = 1;
        if (*reinterpret_cast<const unsigned char*>(&probe) == 1) png_set_swap(png);
        png_read_update_info(png, info);
        return passes;
    }
    bool read_row(unsigned char* row) {
        if (setjmp(png_jmpbuf(png))) return false;
        png_read_row(png, row, nullptr);
        return true;
    }
    bool read_end() {
        if (setjmp(png_jmpbuf(png))) return false;
        png_read_end(png, nullptr);
        return true;
    }
    bool broken(std::string* why) const {
        *why = std::string("not a readable PNG (") + error + ")";
        return false;
    }
};

class png_file_rows : public pixel_rows {
public:
    png_file_rows(std::unique_ptr<png_reader> reader, int width, int height, int channels, int gray_byte)
        : pixel_rows(width, height, channels >= 3), m_reader(std::move(reader)), m_channels(channels), m_gray_byte(gray_byte),
          m_raw(static_cast<std::size_t>(width) * channels), m_gray(channels == 1 ? 0 : width) {}

    const unsigned char* next_row(std::string* why) override {
        if (!m_reader->read_row(m_raw.data()) || (++m_rows == height() && !m_reader->read_end())) {
            m_reader->broken(why);
            return nullptr;
        }
        if (m_channels == 1) return m_raw.data();
        if (m_channels >= 3 && colour_gray_rule() == gray_rule::luma) {
            const unsigned char* p = m_raw.data();
            for (unsigned char& g : m_gray) {
                g = luma_of(p[0], p[1], p[2]);
                p += m_channels;
            }
            return m_gray.data();
        }
        const unsigned char* p = m_raw.data() + m_gray_byte;
        for (unsigned char& g : m_gray) {
            g = *p;
            p += m_channels;
        }
        return m_gray.data();
    }

private:
    std::unique_ptr<png_reader> m_reader;
    int m_channels, m_gray_byte;
    int m_rows = 0;
    std::vector<unsigned char> m_raw, m_gray;
};

}  // namespace

bool has_png_signature(const unsigned char* bytes, std::size_t size) {
    return size >= 8 && png_sig_cmp(bytes, 0, 8) == 0;
}

bool is_png_file(const std::string& file) {
    unsigned char head[8];
    return has_png_signature(head, read_file_head(file, head, sizeof head));
}

open_result open_png_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                          std::string* why) {
    auto reader = std::make_unique<png_reader>();
    if (!reader->start(file, why)) return open_result::failed;
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(reader->png, reader->info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    if (!fits_histogram(width, height, why)) return open_result::failed;

    int channels = 0;
    switch (colour) {
    case PNG_COLOR_TYPE_GRAY: channels = 1; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    case PNG_COLOR_TYPE_PALETTE: channels = 3; break;
    default: return open_result::not_covered;
    }
    // Colour labels are converted to gray by luminance in the image's own
    // colour space, which is left to a colour-managed decoder.
    if ((depth != 8 && colour != PNG_COLOR_TYPE_PALETTE) || interlace != PNG_INTERLACE_NONE ||
        (role == row_role::labels && channels > 2))
        return open_result::not_covered;
    if (colour == PNG_COLOR_TYPE_PALETTE && (channels = reader->expand_palette()) == 0) {
        reader->broken(why);
        return open_result::failed;
    }
    const int gray_byte = channels >= 3 ? 2 : 0;  // colour pixels count by their third byte
    *rows = std::make_unique<png_file_rows>(std::move(reader), int(width), int(height), channels, gray_byte);
    return open_result::opened;
}

bool read_png_samples(const std::string& file, wide_image* image, std::string* why) {
    png_reader reader;
    if (!reader.start(file, why)) return false;
    const png_uint_32 width = png_get_image_width(reader.png, reader.info);
    const png_uint_32 height = png_get_image_height(reader.png, reader.info);
    if (!fits_histogram(width, height, why)) return false;
    const int channels = png_get_channels(reader.png, reader.info);
    if (png_get_bit_depth(reader.png, reader.info) != 16 || png_get_color_type(reader.png, reader.info) == PNG_COLOR_TYPE_PALETTE) {
        *why = "not a PNG of 16 bits a sample";
        return false;
    }
    const int passes = reader.prepare_wide_rows();
    if (passes == 0) return reader.broken(why);
    image->width = int(width);
    image->height = int(height);
    image->channels = channels;
    const std::size_t row_samples = std::size_t(width) * std::size_t(channels);
    image->samples.assign(row_samples * height, 0);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            if (!reader.read_row(reinterpret_cast<unsigned char*>(&image->samples[row_samples * y])))
                return reader.broken(why);
    return reader.read_end() || reader.broken(why);
}

bool png_decodes_completely(const std::string& file, std::string* why) {
    png_reader reader;
    if (!reader.start(file, why)) return false;
    const png_uint_32 height = png_get_image_height(reader.png, reader.info);
    if (!fits_histogram(png_get_image_width(reader.png, reader.info), height, why)) return false;
    const int passes = reader.prepare_full_rows();
    if (passes == 0) return reader.broken(why);
    std::vector<unsigned char> row(png_get_rowbytes(reader.png, reader.info));
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            if (!reader.read_row(row.data())) return reader.broken(why);
    return reader.read_end() || reader.broken(why);
}

}  // namespace strandel
