// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/png_read.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace strandel {
namespace {

// Larger images are refused rather than risk exhausting memory on a
// corrupt header (libpng's own limit is a million pixels per side).
constexpr std::size_t max_pixels = std::size_t(1) << 28;

// Owns libpng's read state and the file for one decode.
class png_reader {
public:
    explicit png_reader(const std::string& path) : m_file(std::fopen(path.c_str(), "rb")) {
        if (!m_file) return;
        unsigned char signature[8];
        if (std::fread(signature, 1, 8, m_file) != 8 || png_sig_cmp(signature, 0, 8) != 0) return;
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quiet_error, warning_ignored);
        if (m_png) m_info = png_create_info_struct(m_png);
        if (m_info) {
            png_init_io(m_png, m_file);
            png_set_sig_bytes(m_png, 8);
        }
    }
    ~png_reader() {
        if (m_png) png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr);
        if (m_file) std::fclose(m_file);
    }
    png_reader(const png_reader&) = delete;
    png_reader& operator=(const png_reader&) = delete;

    bool ready() const { return m_info != nullptr; }
    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

private:
    // A file that does not decode gets a placeholder on the page; libpng's
    // own handler would also print to standard error.
    static void quiet_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
    static void warning_ignored(png_structp, png_const_charp) {}
    std::FILE* m_file = nullptr;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

// Reads the header, lets `transform` set libpng's conversions, then reads
// every row into `bytes`. libpng reports errors by longjmp, so nothing with
// a destructor is created in this frame after setjmp; the buffers belong to
// the caller.
template <typename Transform>
bool read_rows(png_reader& r, Transform transform, std::vector<unsigned char>* bytes,
               std::vector<png_bytep>* rows, png_uint_32* width, png_uint_32* height, int* channels) {
    if (!r.ready()) return false;
    if (setjmp(png_jmpbuf(r.png()))) return false;
    png_read_info(r.png(), r.info());
    *width = png_get_image_width(r.png(), r.info());
    *height = png_get_image_height(r.png(), r.info());
    if (std::size_t(*width) * *height > max_pixels) return false;
    if (!transform(r.png(), r.info())) return false;
    png_set_interlace_handling(r.png());
    png_read_update_info(r.png(), r.info());
    *channels = png_get_channels(r.png(), r.info());
    const std::size_t row_bytes = png_get_rowbytes(r.png(), r.info());
    bytes->resize(row_bytes * *height);
    rows->resize(*height);
    for (png_uint_32 y = 0; y < *height; ++y) (*rows)[y] = bytes->data() + y * row_bytes;
    png_read_image(r.png(), rows->data());
    png_read_end(r.png(), nullptr);
    return true;
}

}  // namespace

bool decode_png(const std::string& path, decoded_image* out) {
    png_reader reader(path);
    std::vector<unsigned char> bytes;
    std::vector<png_bytep> rows;
    png_uint_32 width = 0, height = 0;
    int channels = 0;
    const auto to_8_bit_gray_or_rgb = [](png_structp png, png_infop info) {
        const int type = png_get_color_type(png, info);
        if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
        if (type == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) png_set_expand_gray_1_2_4_to_8(png);
        png_set_scale_16(png);
        if (type & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
        return true;
    };
    if (!read_rows(reader, to_8_bit_gray_or_rgb, &bytes, &rows, &width, &height, &channels)) return false;
    if (channels != 1 && channels != 3) return false;
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->channels = channels;
    out->pixels = std::move(bytes);
    return true;
}

bool read_label_png(const std::string& path, label_image* out) {
    png_reader reader(path);
    std::vector<unsigned char> bytes;
    std::vector<png_bytep> rows;
    png_uint_32 width = 0, height = 0;
    int channels = 0;
    int depth = 8;
    const auto raw_indices = [&depth](png_structp png, png_infop info) {
        const int type = png_get_color_type(png, info);
        if (type != PNG_COLOR_TYPE_GRAY && type != PNG_COLOR_TYPE_GRAY_ALPHA && type != PNG_COLOR_TYPE_PALETTE)
            return false;
        depth = png_get_bit_depth(png, info);
        // One byte per pixel for 1, 2 and 4 bits, values unscaled.
        if (depth < 8) png_set_packing(png);
        if (type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_strip_alpha(png);
        return true;
    };
    if (!read_rows(reader, raw_indices, &bytes, &rows, &width, &height, &channels) || channels != 1) return false;
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    const std::size_t n = std::size_t(width) * height;
    out->labels.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        out->labels[i] = depth == 16 ? static_cast<std::uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]) : bytes[i];
    return true;
}

}  // namespace strandel
