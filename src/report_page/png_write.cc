// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/png_write.h"

#include <png.h>

#include <cassert>
#include <csetjmp>

namespace strandel {
namespace {

void append(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void no_flush(png_structp) {}

// Writes the rows; `header` sets IHDR (and PLTE). Only memory can fail here,
// which libpng reports by longjmp: nothing with a destructor lives in this
// frame after setjmp.
template <typename Header>
bool write_png(int height, std::size_t row_bytes, const unsigned char* pixels, Header header,
               std::string* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, append, no_flush);
    // On thumbnails of this size stronger levels save next to nothing (1 %
    // from 3 to 6 on a benchmark's 3000 thumbnails) and cost a tenth of
    // a data set's report.
    png_set_compression_level(png, 3);
    header(png, info);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, pixels + y * row_bytes);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::string encode_png(int width, int height, int channels, const std::vector<unsigned char>& pixels) {
    assert(channels == 1 || channels == 3);
    assert(pixels.size() == std::size_t(width) * height * channels);
    std::string out;
    const int type = channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB;
    const bool ok = write_png(height, std::size_t(width) * channels, pixels.data(),
                              [&](png_structp png, png_infop info) {
                                  png_set_IHDR(png, info, width, height, 8, type, PNG_INTERLACE_NONE,
                                               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
                              },
                              &out);
    return ok ? out : std::string();
}

std::string encode_png_palette(int width, int height, const std::vector<unsigned char>& indices,
                               const std::vector<rgb>& palette) {
    assert(!palette.empty() && palette.size() <= 256);
    assert(indices.size() == std::size_t(width) * height);
    std::vector<png_color> colours;
    for (const rgb& c : palette) colours.push_back(png_color{c.r, c.g, c.b});
    // The fewest bits that hold every index: a segmentation has a handful of
    // classes, and packed rows give zlib a quarter or less to compress.
    int depth = 1;
    while ((1u << depth) < palette.size()) depth *= 2;
    const int per_byte = 8 / depth;
    const std::size_t row_bytes = (std::size_t(width) + per_byte - 1) / per_byte;
    std::vector<unsigned char> packed(row_bytes * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned index = indices[std::size_t(y) * width + x];
            assert(index < palette.size());
            // Leftmost pixel in the highest bits.
            packed[y * row_bytes + x / per_byte] |=
                static_cast<unsigned char>(index << (8 - depth - (x % per_byte) * depth));
        }
    std::string out;
    const bool ok = write_png(height, row_bytes, packed.data(),
                              [&](png_structp png, png_infop info) {
                                  png_set_IHDR(png, info, width, height, depth, PNG_COLOR_TYPE_PALETTE,
                                               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                                               PNG_FILTER_TYPE_DEFAULT);
                                  png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
                              },
                              &out);
    return ok ? out : std::string();
}

}  // namespace strandel
